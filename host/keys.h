// Last keyboard message per virtual-key code, stamped by the handler and
// polled by the control loop; the only datum shared between threads.
#pragma once

#include <atomic>
#include <cstdint>

#include "host/platform.h"

inline constexpr DWORD KEY_TABLE_SIZE = 255;
inline constexpr std::uint32_t KEY_RELEASE_WINDOW_MS = 100;

struct KeyState {
    std::atomic<std::uint32_t> time{0};
    std::atomic<std::uint32_t> isWithAlt{0};
    std::atomic<std::uint32_t> wasDownBefore{0};
    std::atomic<std::uint32_t> isUpNow{0};
};

extern KeyState keyStateTable[KEY_TABLE_SIZE];

void onKeyboardMessage(DWORD key, WORD repeats, BYTE scanCode, BOOL isExtended, BOOL isWithAlt,
                       BOOL wasDownBefore, BOOL isUpNow);
bool isKeyJustUp(DWORD key);
void resetKeyState(DWORD key);
