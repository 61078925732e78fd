// The library's entry and its one script.
#pragma once

#include "host/platform.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID reserved);
void scriptMain();
