// The stand-in script hook library: registration, a frame loop that resumes
// the registered script once per frame, keyboard delivery, a clock, and the
// simulated world. One flat API, the same in both builds; on Windows it is
// exported by ScriptHookFRTR.dll beside the script hook functions.
#pragma once

#include <cstdint>
#include <vector>

#include "host/platform.h"
#include "standin/world.h"

#if defined(_WIN32) && defined(PLK_BUILDING_STANDIN)
#define STANDIN_API extern "C" __declspec(dllexport)
#elif defined(_WIN32)
#define STANDIN_API extern "C" __declspec(dllimport)
#else
#define STANDIN_API extern "C"
#endif

namespace standin {

enum class EventKind : int {
    ScriptRegister = 0,
    ScriptUnregister = 1,
    KeyboardRegister = 2,
    KeyboardUnregister = 3,
};

struct RegistrationEvent {
    EventKind kind;
    void* module;    // the module handle, for script events
    void* function;  // the script entry or the keyboard handler
};

}  // namespace standin

// Forgets every registration (a script still parked is abandoned), resets the
// world, the clock and the event log.
STANDIN_API void standin_reset();
STANDIN_API standin::World* standin_world();
STANDIN_API const std::vector<standin::RegistrationEvent>* standin_events();

// One frame: resumes the registered script once (starting it on the first
// frame after registration), records the frame, then advances the clock by
// the frame step. Returns 1 when the script ran in this frame.
STANDIN_API int standin_runFrame();
STANDIN_API void standin_setFrameStep(std::uint32_t ms);
STANDIN_API std::uint32_t standin_frameStep();
// The same frame with `pass` run on the caller's stack in place of the
// script, then its scriptWait(0), for builds without a script context (the
// settings page).
STANDIN_API int standin_runFrameWith(void (*pass)());

// Delivers one keyboard message to the registered handler, if any; safe to
// call from any thread. Returns 1 when a handler received it.
STANDIN_API int standin_key(DWORD key, WORD repeats, BYTE scanCode, BOOL isExtended,
                            BOOL isWithAlt, BOOL wasDownBefore, BOOL isUpNow);
// A key press and release as the game sends them (down, then up).
STANDIN_API void standin_tapKey(DWORD key);

// The clock the plug-in reads. In the native build GetTickCount is this
// clock. On Windows, setting it redirects the plug-in's GetTickCount import
// to it (from then on, and for plug-ins registered later).
STANDIN_API void standin_setTick(std::uint32_t tick);
STANDIN_API std::uint32_t standin_tick();

STANDIN_API int standin_scriptRegistered();
STANDIN_API int standin_handlerRegistered();
STANDIN_API std::uint64_t standin_scriptStarts();

#ifdef _WIN32
// Points a loaded module's import of `name` from `dll` at `replacement`;
// returns what the import held before, or nullptr when there is none.
STANDIN_API void* standin_redirectImport(HINSTANCE module, const char* dll, const char* name, void* replacement);
#endif
