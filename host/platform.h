// The one place that knows which platform the plug-in is built for.
// Everything else includes this and sees the same names: the Windows
// types, GetTickCount and the eight script hook functions.
#pragma once

#include <cstdint>

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#ifdef PLK_BUILDING_STANDIN
#define PLK_SCRIPT_HOOK_API
#else
#define PLK_SCRIPT_HOOK_API __declspec(dllimport)
#endif
#define PLK_NATIVE_BUILD 0
#else
// The plug-in linked into a program with the stand-in: tests, tools, the page.
#define PLK_NATIVE_BUILD 1
using DWORD = std::uint32_t;
using WORD = std::uint16_t;
using BYTE = std::uint8_t;
using BOOL = std::int32_t;
using LPVOID = void*;
struct HINSTANCE__;
using HINSTANCE = HINSTANCE__*;
#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif
#define DLL_PROCESS_DETACH 0
#define DLL_PROCESS_ATTACH 1
#define DLL_THREAD_ATTACH 2
#define DLL_THREAD_DETACH 3
#define WINAPI
// In the native build the clock belongs to the stand-in, so tests set it.
extern "C" DWORD GetTickCount();
#define PLK_SCRIPT_HOOK_API
#endif

using KeyboardHandler = void (*)(DWORD key, WORD repeats, BYTE scanCode, BOOL isExtended,
                                 BOOL isWithAlt, BOOL wasDownBefore, BOOL isUpNow);
using ScriptEntry = void (*)();

// The script hook library exports these under C++ decorated names, which
// GNU as cannot spell; the import library maps these plain aliases onto them.
extern "C" {
PLK_SCRIPT_HOOK_API void shfrtr_scriptRegister(HINSTANCE module, ScriptEntry entry);
PLK_SCRIPT_HOOK_API void shfrtr_scriptUnregister(HINSTANCE module);
PLK_SCRIPT_HOOK_API void shfrtr_keyboardHandlerRegister(KeyboardHandler handler);
PLK_SCRIPT_HOOK_API void shfrtr_keyboardHandlerUnregister(KeyboardHandler handler);
PLK_SCRIPT_HOOK_API void shfrtr_scriptWait(DWORD milliseconds);
PLK_SCRIPT_HOOK_API void shfrtr_nativeInit(std::uint64_t hash);
PLK_SCRIPT_HOOK_API void shfrtr_nativePush64(std::uint64_t value);
PLK_SCRIPT_HOOK_API std::uint64_t* shfrtr_nativeCall();
}

inline void scriptRegister(HINSTANCE module, ScriptEntry entry) { shfrtr_scriptRegister(module, entry); }
inline void scriptUnregister(HINSTANCE module) { shfrtr_scriptUnregister(module); }
inline void keyboardHandlerRegister(KeyboardHandler h) { shfrtr_keyboardHandlerRegister(h); }
inline void keyboardHandlerUnregister(KeyboardHandler h) { shfrtr_keyboardHandlerUnregister(h); }
inline void scriptWait(DWORD ms) { shfrtr_scriptWait(ms); }
inline void nativeInit(std::uint64_t hash) { shfrtr_nativeInit(hash); }
inline void nativePush64(std::uint64_t value) { shfrtr_nativePush64(value); }
inline std::uint64_t* nativeCall() { return shfrtr_nativeCall(); }
