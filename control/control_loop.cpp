#include "control/control_loop.h"

#include <cstdint>

#include "config/settings.h"
#include "control/movement.h"
#include "host/keys.h"
#include "host/native.h"
#include "hud/notice.h"
#include "hud/speed_bars.h"

constinit ModState modState{};

namespace {

constexpr std::uint32_t kSpeedUpControl = 0x81457A1Au;
constexpr std::uint32_t kSpeedDownControl = 0x9DA42644u;
constexpr std::uint32_t kTakenControls[2] = {0xFD0F0C2Cu, 0xCC1075A7u};
constexpr std::uint32_t kNoticeDurationMs = 2000;

// A release of the key is taken (and consumed) whether or not the toggle
// then accepts it.
bool takeToggleKey(std::int32_t setting) {
    const DWORD key = static_cast<std::uint32_t>(setting);
    if (key >= KEY_TABLE_SIZE) return false;
    if (!isKeyJustUp(key)) return false;
    resetKeyState(key);
    return true;
}

void startNotice(NoticeKind kind) {
    modState.noticeKind = kind;
    modState.noticeDeadline = GetTickCount() + kNoticeDurationMs;
    modState.noticeStarted = true;
}

bool isMounted(std::int32_t entity) {
    return invokeNative<std::int32_t>(natives::nativeIsMounted, entity) != 0;
}

bool isBlocked(std::int32_t entity) {
    return invokeNative<std::int32_t>(natives::nativeEntityBlocked, entity, std::int32_t{0}) != 0;
}

bool isControlActive(std::uint32_t control) {
    return invokeNative<std::int32_t>(natives::nativeControlQuery, std::int32_t{0}, control) != 0;
}

// Within the 2000 ms that end at the deadline, modulo 2^32, so a notice
// survives the tick counter's wrap. Before the first toggle the initial
// deadline 0 keeps its plain meaning (due only at tick 0), rather than
// opening a window in the last two seconds before the wrap.
bool isNoticeDue(std::uint32_t now) {
    if (!modState.noticeStarted) return now <= modState.noticeDeadline;
    return static_cast<std::uint32_t>(modState.noticeDeadline - now) <= kNoticeDurationMs;
}

}  // namespace

float clampDesiredSpeed(float speed) {
    const float m = settings.MIN_SCROLL_VAL > speed ? settings.MIN_SCROLL_VAL : speed;
    return m < settings.MAX_SCROLL_VAL ? m : settings.MAX_SCROLL_VAL;
}

void startControlLoop() {
    modState.desiredSpeed = settings.INITIAL_WALK_SPEED;
    modState.horseSupportOff = settings.DISABLE_HORSE_SUPPORT;
}

void runControlPass() {
    ModState& s = modState;
    const Settings& cfg = settings;
    releaseNoticeCopies();

    if (takeToggleKey(cfg.TOGGLE_MOD_KEY)) {
        s.modEnabled = !s.modEnabled;
        if (!s.modEnabled) {
            s.hudVisible = true;
            s.autoWalk = false;
        }
        startNotice(NOTICE_MOD);
    }
    if (takeToggleKey(cfg.TOGGLE_HUD_KEY) && s.modEnabled) {
        s.hudVisible = !s.hudVisible;
        startNotice(NOTICE_HUD);
    }
    if (takeToggleKey(cfg.TOGGLE_AUTO_WALK_KEY) && s.modEnabled &&
        !(s.horseSupportOff && isMounted(s.playerCharacter)) && !isBlocked(s.playerCharacter)) {
        s.autoWalk = !s.autoWalk;
        startNotice(NOTICE_AUTO_WALK);
    }
    if (takeToggleKey(cfg.TOGGLE_HORSE_SUPPORT) && !cfg.DISABLE_HORSE_SUPPORT && s.modEnabled) {
        s.horseSupportOff = !s.horseSupportOff;
        startNotice(NOTICE_HORSE_SUPPORT);
    }

    if (isNoticeDue(GetTickCount())) drawToggleNotice();
    if (!s.modEnabled) return;

    // Take the two controls from the game, judged on last pass's character.
    if (!(s.horseSupportOff && isMounted(s.playerCharacter)) && !isBlocked(s.playerCharacter)) {
        invokeNative(natives::nativeSuppressControl, std::int32_t{0}, kTakenControls[0], std::int32_t{1});
        invokeNative(natives::nativeSuppressControl, std::int32_t{0}, kTakenControls[1], std::int32_t{1});
    }

    const std::int32_t index = invokeNative<std::int32_t>(natives::nativePlayerIndex);
    const std::int32_t player = invokeNative<std::int32_t>(natives::nativePlayerCharacter, index);
    s.playerCharacter = player;
    s.targetEntity = player;
    bool mounted = false;
    if (isMounted(player)) {
        s.targetEntity = invokeNative<std::int32_t>(natives::nativeMountOf, s.playerCharacter);
        mounted = true;
    }

    if (isBlocked(s.playerCharacter)) return;
    if (mounted && (cfg.DISABLE_HORSE_SUPPORT || s.horseSupportOff)) return;

    if (isControlActive(kSpeedUpControl))
        s.desiredSpeed = clampDesiredSpeed(cfg.SCROLL_STEP_SIZE + s.desiredSpeed);
    if (isControlActive(kSpeedDownControl))
        s.desiredSpeed = clampDesiredSpeed(s.desiredSpeed - cfg.SCROLL_STEP_SIZE);

    if (mounted) applySpeedMounted();
    else applySpeedOnFoot();

    if (s.hudVisible) drawSpeedBars(mounted);
}

void runControlLoop() {
    loadSettings();
    startControlLoop();
    for (;;) {
        runControlPass();
        scriptWait(0);
    }
}
