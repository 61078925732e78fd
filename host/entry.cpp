#include "host/entry.h"

#include "control/control_loop.h"
#include "host/keys.h"

// Only the registrations: the loader lock is held here.
extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        scriptRegister(module, scriptMain);
        keyboardHandlerRegister(onKeyboardMessage);
    } else if (reason == DLL_PROCESS_DETACH) {
        scriptUnregister(module);
        keyboardHandlerUnregister(onKeyboardMessage);
    }
    return TRUE;
}

void scriptMain() { runControlLoop(); }
