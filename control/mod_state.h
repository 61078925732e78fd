// The plug-in's runtime record. The control loop and the movement write it;
// the HUD only reads it (this header is all of control/ the HUD sees).
#pragma once

#include <cstdint>

#include "config/settings.h"

// Which toggle a notice reports.
using NoticeKind = std::int32_t;
inline constexpr NoticeKind kNoticeMod = 0;
inline constexpr NoticeKind kNoticeHud = 1;
inline constexpr NoticeKind kNoticeAutoWalk = 2;
inline constexpr NoticeKind kNoticeHorseSupport = 3;

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
    NoticeKind noticeKind = kNoticeMod;
    // Set by the first toggle; until then no notice is due.
    bool noticeStarted = false;
};

extern ModState modState;

// The four toggles in the order a pass takes them, indexed by their notice
// kind: the key setting that fires each, and the flag it inverts.
struct Toggle {
    std::int32_t Settings::*key;
    bool ModState::*flag;
    bool onWhenFlagSet;  // horse support reports "On" while its flag is clear
};

inline constexpr Toggle kToggles[] = {
    {&Settings::TOGGLE_MOD_KEY, &ModState::modEnabled, true},
    {&Settings::TOGGLE_HUD_KEY, &ModState::hudVisible, true},
    {&Settings::TOGGLE_AUTO_WALK_KEY, &ModState::autoWalk, true},
    {&Settings::TOGGLE_HORSE_SUPPORT, &ModState::horseSupportOff, false},
};

// Whether the notice of `kind` (0 to 3) shows "On" for `state`.
inline bool toggleShowsOn(const ModState& state, NoticeKind kind) {
    const Toggle& t = kToggles[kind];
    return state.*t.flag == t.onWhenFlagSet;
}
