// Points a loaded module's GetTickCount import at another function, so
// tests can run the real DLL on a clock they set.
#pragma once
#include <windows.h>

namespace standin {
bool redirectTickCount(HINSTANCE module, DWORD(WINAPI* replacement)());
}
