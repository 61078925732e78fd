#include "host/keys.h"

constinit KeyState keyStateTable[KEY_TABLE_SIZE];

void onKeyboardMessage(DWORD key, WORD, BYTE, BOOL, BOOL isWithAlt, BOOL wasDownBefore,
                       BOOL isUpNow) {
    if (key >= KEY_TABLE_SIZE) return;
    const std::uint32_t now = GetTickCount();
    KeyState& k = keyStateTable[key];
    k.time.store(now, std::memory_order_relaxed);
    k.isWithAlt.store(static_cast<std::uint32_t>(isWithAlt), std::memory_order_relaxed);
    k.wasDownBefore.store(static_cast<std::uint32_t>(wasDownBefore), std::memory_order_relaxed);
    k.isUpNow.store(static_cast<std::uint32_t>(isUpNow), std::memory_order_relaxed);
}

bool isKeyJustUp(DWORD key) {
    if (key >= KEY_TABLE_SIZE) return false;
    const std::uint32_t now = GetTickCount();
    const KeyState& k = keyStateTable[key];
    // Elapsed time, so a release stamped just before the counter wraps still counts.
    const std::uint32_t elapsed = now - k.time.load(std::memory_order_relaxed);
    if (!(elapsed < KEY_RELEASE_WINDOW_MS)) return false;
    return k.isUpNow.load(std::memory_order_relaxed) != 0;
}

void resetKeyState(DWORD key) {
    KeyState& k = keyStateTable[key];
    k.time.store(0, std::memory_order_relaxed);
    k.isWithAlt.store(0, std::memory_order_relaxed);
    k.wasDownBefore.store(0, std::memory_order_relaxed);
    k.isUpNow.store(0, std::memory_order_relaxed);
}
