// The per-frame control loop and the runtime record it keeps.
#pragma once

#include <cstdint>

using NoticeKind = std::int32_t;
inline constexpr NoticeKind NOTICE_MOD = 0;
inline constexpr NoticeKind NOTICE_HUD = 1;
inline constexpr NoticeKind NOTICE_AUTO_WALK = 2;
inline constexpr NoticeKind NOTICE_HORSE_SUPPORT = 3;

struct ModState {
    bool modEnabled = true;
    bool hudVisible = true;
    float desiredSpeed = 1.5f;
    float appliedSpeed = 3.0f;
    float secondarySpeed = 0.0f;
    bool speedHoldLatch = false;
    bool horseSupportOff = false;
    bool autoWalk = false;
    std::int32_t targetEntity = 0;
    std::int32_t playerCharacter = 0;
    std::uint32_t noticeDeadline = 0;
    NoticeKind noticeKind = NOTICE_MOD;
    // The initial deadline 0 is no window of its own; see the notice test.
    bool noticeStarted = false;
};

extern ModState modState;

// Loads the settings, then one pass per frame; never returns.
void runControlLoop();

// What runControlLoop does once, after loadSettings.
void startControlLoop();

// Steps 1 to 12 of one pass; the caller ends the pass with scriptWait(0).
void runControlPass();

float clampDesiredSpeed(float speed);
