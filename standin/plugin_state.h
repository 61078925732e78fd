// Native build only: puts the plug-in's process-wide records back to what a
// freshly loaded DLL holds, so one process can host many sessions.
#pragma once

#include "config/settings.h"
#include "control/control_loop.h"
#include "host/keys.h"
#include "hud/notice.h"

inline void resetPluginState() {
    releaseNoticeCopies();
    noticeAllocator = nullptr;
    settings = Settings{};
    modState = ModState{};
    for (DWORD k = 0; k < KEY_TABLE_SIZE; ++k) resetKeyState(k);
}
