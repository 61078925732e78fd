// Points a loaded module's import of one function at another, so tests can
// run the real DLL on a clock they set or with an allocator that fails.
#pragma once
#include <windows.h>

namespace standin {
// Returns the address the import held before, or nullptr when the module
// does not import `name` from `dll` (compared without regard to case).
void* redirectImport(HINSTANCE module, const char* dll, const char* name, void* replacement);

inline bool redirectTickCount(HINSTANCE module, DWORD(WINAPI* replacement)()) {
    return redirectImport(module, "KERNEL32.dll", "GetTickCount", reinterpret_cast<void*>(replacement)) != nullptr;
}
}  // namespace standin
