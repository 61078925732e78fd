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

bool isMounted(std::int32_t entity) {
    return invokeNative<std::int32_t>(nativeIsMounted, entity) != 0;
}

bool isBlocked(std::int32_t entity) {
    return invokeNative<std::int32_t>(nativeEntityBlocked, entity, std::int32_t{0}) != 0;
}

// Asked only after the toggle's key was taken, left to right, stopping at
// the first refusal.
bool acceptsToggle(NoticeKind kind) {
    const ModState& s = modState;
    switch (kind) {
        case kNoticeMod: return true;
        case kNoticeHud: return s.modEnabled;
        case kNoticeAutoWalk:
            return s.modEnabled && !(s.horseSupportOff && isMounted(s.playerCharacter)) &&
                   !isBlocked(s.playerCharacter);
        default: return !settings.DISABLE_HORSE_SUPPORT && s.modEnabled;
    }
}

void startNotice(NoticeKind kind) {
    modState.noticeKind = kind;
    modState.noticeDeadline = GetTickCount() + kNoticeDurationMs;
    modState.noticeStarted = true;
}

// Within the 2000 ms that end at the deadline, modulo 2^32, so a notice
// survives the tick counter's wrap. Nothing is due before the first toggle:
// the initial deadline 0 is no notice of its own, at tick 0 or before the wrap.
bool isNoticeDue(std::uint32_t now) {
    if (!modState.noticeStarted) return false;
    return static_cast<std::uint32_t>(modState.noticeDeadline - now) <= kNoticeDurationMs;
}

}  // namespace

float clampDesiredSpeed(float speed) {
    const float m = settings.MIN_SCROLL_VAL > speed ? settings.MIN_SCROLL_VAL : speed;
    return m < settings.MAX_SCROLL_VAL ? m : settings.MAX_SCROLL_VAL;
}

void applyLoadedSettings() {
    modState.desiredSpeed = settings.INITIAL_WALK_SPEED;
    modState.horseSupportOff = settings.DISABLE_HORSE_SUPPORT;
}

void runControlPass() {
    ModState& s = modState;
    const Settings& cfg = settings;
    releaseNoticeCopies();

    for (NoticeKind kind = kNoticeMod; kind <= kNoticeHorseSupport; ++kind) {
        const Toggle& t = kToggles[kind];
        if (!takeToggleKey(cfg.*t.key) || !acceptsToggle(kind)) continue;
        s.*t.flag = !(s.*t.flag);
        if (kind == kNoticeMod && !s.modEnabled) {
            s.hudVisible = true;
            s.autoWalk = false;
        }
        startNotice(kind);
    }

    if (isNoticeDue(GetTickCount())) drawToggleNotice();
    if (!s.modEnabled) return;

    // Take the two controls from the game, judged on last pass's character.
    if (!(s.horseSupportOff && isMounted(s.playerCharacter)) && !isBlocked(s.playerCharacter)) {
        for (const ControlHash control : kTakenControls)
            invokeNative(nativeSuppressControl, std::int32_t{0}, control, std::int32_t{1});
    }

    const std::int32_t index = invokeNative<std::int32_t>(nativePlayerIndex);
    const std::int32_t player = invokeNative<std::int32_t>(nativePlayerCharacter, index);
    s.playerCharacter = player;
    s.targetEntity = player;
    bool mounted = false;
    if (isMounted(player)) {
        s.targetEntity = invokeNative<std::int32_t>(nativeMountOf, s.playerCharacter);
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
    applyLoadedSettings();
    for (;;) {
        runControlPass();
        scriptWait(0);
    }
}

#if PLK_NATIVE_BUILD
void unloadPluginState() { releaseNoticeCopies(); }

void resetPluginState() {
    unloadPluginState();
    noticeAllocator = nullptr;
    settings = Settings{};
    modState = ModState{};
    for (DWORD key = 0; key < KEY_TABLE_SIZE; ++key) resetKeyState(key);
}
#endif
