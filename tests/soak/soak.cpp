// A million passes of the plug-in in the native stand-in under random keys,
// controls, mounting, blocked spans, gate answers and clock jumps across the
// tick counter's wrap, with invariants checked after every pass. Bounded by
// --seconds; prints what it covered.
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "bench/alloc_count.h"
#include "config/settings.h"
#include "control/control_loop.h"
#include "host/entry.h"
#include "host/keys.h"
#include "host/native.h"
#include "hud/notice.h"
#include "standin/standin.h"

namespace {

using standin::FrameRecord;
using standin::World;

constexpr const char* kNoticeLabels[4] = {"PLK:", "PLK HUD:", "PLK Auto-Walk:", "PLK Horse-Support:"};
constexpr std::int32_t kPlayers[3] = {standin::kPlayerHandle, 0x0000C0DE, 0x0000D00D};

struct Coverage {
    std::uint64_t passes = 0, segments = 0, scriptFrames = 0;
    std::uint64_t modOff = 0, blocked = 0, mountedEarlyEnd = 0, onFoot = 0, mounted = 0;
    std::uint64_t autoWalk = 0, overlayDrawn = 0, gateClosed = 0, hudHidden = 0;
    std::uint64_t toggles[4] = {0, 0, 0, 0};
    std::uint64_t noticeFrames = 0, atMin = 0, atMax = 0, speedSteps = 0;
    std::uint64_t keyMessages = 0, outOfTableKeys = 0;
    std::uint64_t clockJumps = 0, wraps = 0;
};

struct Failure {
    std::uint64_t pass;
    std::string what;
};

class Soak {
public:
    Soak(std::uint64_t seed, std::uint64_t passes, double seconds)
        : rng_(seed), seed_(seed), target_(passes), seconds_(seconds) {}

    int run();

private:
    std::mt19937_64 rng_;
    std::uint64_t seed_, target_;
    double seconds_;
    Coverage cov_;
    std::vector<Failure> failures_;
    Settings sane_{};
    std::uint32_t noticeStart_ = 0;
    bool noticeStarted_ = false;
    std::uint32_t lastDeadline_ = 0;

    bool chance(double p) { return std::uniform_real_distribution<double>(0, 1)(rng_) < p; }
    std::uint32_t below(std::uint32_t n) { return static_cast<std::uint32_t>(rng_() % n); }
    float between(float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(rng_); }

    void fail(const std::string& what) {
        if (failures_.size() < 20) failures_.push_back({cov_.passes, what});
    }

    void chooseSettings();
    void writeIni() const;
    void runSegment(std::uint64_t passes, const std::chrono::steady_clock::time_point& deadline);
    void vary(World& w, std::uint32_t& tick);
    void check(const FrameRecord& f, const World& w);
};

void Soak::chooseSettings() {
    Settings s;
    s.MIN_SCROLL_VAL = between(0.05f, 1.0f);
    s.MAX_SCROLL_VAL = s.MIN_SCROLL_VAL + between(0.5f, 5.0f);
    s.SCROLL_STEP_SIZE = between(0.01f, 0.6f);
    s.INITIAL_WALK_SPEED = between(s.MIN_SCROLL_VAL, s.MAX_SCROLL_VAL);
    if (chance(0.5)) {
        // Other codes, sometimes one out of the table (that toggle is then off).
        std::int32_t* keys[4] = {&s.TOGGLE_MOD_KEY, &s.TOGGLE_HUD_KEY, &s.TOGGLE_AUTO_WALK_KEY, &s.TOGGLE_HORSE_SUPPORT};
        for (int i = 0; i < 4; ++i) *keys[i] = static_cast<std::int32_t>(1 + i * 60 + below(60));
        if (chance(0.2)) *keys[1 + below(3)] = chance(0.5) ? 300 : -1;
    }
    s.DISABLE_HORSE_SUPPORT = chance(0.2);
    s.UI_HIDE_PED_DESIRED_SPEED = chance(0.2);
    s.UI_LEFT_OFFSET = between(0.0f, 0.5f);
    s.UI_BOTTOM_OFFSET = between(0.0f, 0.5f);
    s.UI_BAR_LENGTH = between(0.05f, 0.5f);
    sane_ = s;
}

// Written to the working directory, so the loop's own load reads it.
void Soak::writeIni() const {
    const Settings& s = sane_;
    FILE* f = std::fopen("Pacelark.ini", "wb");
    if (!f) {
        std::perror("Pacelark.ini");
        std::exit(2);
    }
    std::fprintf(f, "; soak segment\r\n[Settings]\r\n");
    std::fprintf(f, "toggle_mod_key = %d\r\nTOGGLE_HUD_KEY=%d\r\nTOGGLE_AUTO_WALK_KEY=%d\r\nTOGGLE_HORSE_SUPPORT=%d\r\n",
                 s.TOGGLE_MOD_KEY, s.TOGGLE_HUD_KEY, s.TOGGLE_AUTO_WALK_KEY, s.TOGGLE_HORSE_SUPPORT);
    std::fprintf(f, "INITIAL_WALK_SPEED=%.9g\r\nSCROLL_STEP_SIZE=%.9g\r\nMIN_SCROLL_VAL=%.9g\r\nMAX_SCROLL_VAL=%.9g\r\n",
                 s.INITIAL_WALK_SPEED, s.SCROLL_STEP_SIZE, s.MIN_SCROLL_VAL, s.MAX_SCROLL_VAL);
    std::fprintf(f, "DISABLE_HORSE_SUPPORT=%s\r\nUI_HIDE_PED_DESIRED_SPEED=%s\r\n",
                 s.DISABLE_HORSE_SUPPORT ? "TRUE" : "false", s.UI_HIDE_PED_DESIRED_SPEED ? "true" : "no");
    std::fprintf(f, "UI_LEFT_OFFSET=%.9g\r\nUI_BOTTOM_OFFSET=%.9g\r\nUI_BAR_LENGTH=%.9g\r\n", s.UI_LEFT_OFFSET,
                 s.UI_BOTTOM_OFFSET, s.UI_BAR_LENGTH);
    std::fclose(f);
}

void* watchedCopy(std::size_t n) {
    void* p = std::malloc(n);
    plkalloc::watch(p);
    return p;
}

bool sameSettings(const Settings& a, const Settings& b) {
    return a.TOGGLE_MOD_KEY == b.TOGGLE_MOD_KEY && a.TOGGLE_HUD_KEY == b.TOGGLE_HUD_KEY &&
           a.TOGGLE_AUTO_WALK_KEY == b.TOGGLE_AUTO_WALK_KEY && a.TOGGLE_HORSE_SUPPORT == b.TOGGLE_HORSE_SUPPORT &&
           a.INITIAL_WALK_SPEED == b.INITIAL_WALK_SPEED && a.SCROLL_STEP_SIZE == b.SCROLL_STEP_SIZE &&
           a.MIN_SCROLL_VAL == b.MIN_SCROLL_VAL && a.MAX_SCROLL_VAL == b.MAX_SCROLL_VAL &&
           a.DISABLE_HORSE_SUPPORT == b.DISABLE_HORSE_SUPPORT &&
           a.UI_HIDE_PED_DESIRED_SPEED == b.UI_HIDE_PED_DESIRED_SPEED && a.UI_LEFT_OFFSET == b.UI_LEFT_OFFSET &&
           a.UI_BOTTOM_OFFSET == b.UI_BOTTOM_OFFSET && a.UI_BAR_LENGTH == b.UI_BAR_LENGTH;
}

// Spans: each condition holds for a random number of frames, then flips.
void Soak::vary(World& w, std::uint32_t& tick) {
    if (chance(0.01)) w.mounted = !w.mounted;
    if (chance(w.blocked ? 0.05 : 0.005)) w.blocked = !w.blocked;
    if (chance(0.005)) w.hudGate = !w.hudGate;
    if (chance(0.01)) w.hudGateOverride = !w.hudGateOverride;
    if (chance(0.001)) w.playerHandle = kPlayers[below(3)];
    if (chance(0.02)) {
        w.speedOverridden = chance(0.5);
        w.speedOverride = chance(0.9) ? between(-4.0f, 4.0f) : between(-1e6f, 1e6f);
    }
    if (chance(0.05)) {
        w.clearControls();
        for (const MovementControls* mode : {&kOnFootControls, &kMountedControls}) {
            if (chance(0.3)) w.setControl(mode->pace, true);
            for (const ControlHash c : mode->move)
                if (chance(0.3)) w.setControl(c, true);
        }
        if (chance(0.3)) w.setControl(kSpeedUpControl, true);
        if (chance(0.3)) w.setControl(kSpeedDownControl, true);
        if (chance(0.1)) w.setSecondary(kOnFootControls.pace, true);
        if (chance(0.1)) w.setSecondary(kMountedControls.pace, true);
    }

    // Keys: mostly the segment's toggle keys, some strangers, some beyond the table.
    if (chance(0.01)) {
        const std::int32_t toggles[4] = {sane_.TOGGLE_MOD_KEY, sane_.TOGGLE_HUD_KEY, sane_.TOGGLE_AUTO_WALK_KEY,
                                         sane_.TOGGLE_HORSE_SUPPORT};
        DWORD key = chance(0.8) ? static_cast<DWORD>(toggles[below(4)]) : below(400);
        if (key >= KEY_TABLE_SIZE) ++cov_.outOfTableKeys;
        const BOOL alt = chance(0.1);
        if (chance(0.8)) {
            standin_key(key, 1, 0, FALSE, alt, FALSE, FALSE);
            standin_key(key, 1, 0, FALSE, alt, TRUE, TRUE);
            cov_.keyMessages += 2;
        } else {
            standin_key(key, 1, 0, FALSE, alt, chance(0.5), chance(0.5));
            ++cov_.keyMessages;
        }
    }

    // The clock: a frame's worth, sometimes a stall (a release is then lost),
    // sometimes a jump to just before the counter wraps.
    std::uint32_t step = 10 + below(30);
    if (chance(0.002)) {
        step = 100 + below(5000);
        ++cov_.clockJumps;
    }
    if (chance(0.0005)) {
        tick = 0xFFFFFFFFu - below(4000);
        ++cov_.clockJumps;
    }
    const std::uint32_t next = tick + step;
    if (next < tick) ++cov_.wraps;
    tick = next;
    standin_setTick(tick);
}

void Soak::check(const FrameRecord& f, const World& w) {
    const ModState& s = modState;
    const std::uint32_t tick = f.tick;
    int lookups = 0, sets = 0, setsPrimary = 0, controlValue = 0, gates = 0, suppress = 0, rects = 0;
    std::int32_t target = 0;
    for (const auto& c : f.calls) {
        switch (c.hash) {
            case nativePlayerIndex: ++lookups; break;
            case nativeSetSpeedPrimary:
                ++setsPrimary;
                target = static_cast<std::int32_t>(c.args.at(0));
                break;
            case nativeSetSpeedSecondary: ++sets; break;
            case nativeSetControlValue: ++controlValue; break;
            case nativeHudGate: ++gates; break;
            case nativeSuppressControl: ++suppress; break;
            case nativeRectDraw: ++rects; break;
            default: break;
        }
    }
    if (w.unknownCalls) fail("a native the world does not know");
    if (suppress != 0 && suppress != 2) fail("takeover of " + std::to_string(suppress) + " controls");

    // A notice: started by this pass when the deadline moved; drawn exactly
    // inside the 2000 ms from its start.
    if (s.noticeDeadline != lastDeadline_) {
        if (s.noticeDeadline != tick + 2000u) fail("notice deadline is not this pass's tick + 2000");
        noticeStart_ = tick;
        noticeStarted_ = true;
        lastDeadline_ = s.noticeDeadline;
        ++cov_.toggles[s.noticeKind & 3];
    }
    const bool due = noticeStarted_ ? static_cast<std::uint32_t>(tick - noticeStart_) <= 2000u : tick == 0;
    bool noticeDrawn = false;
    for (const auto& d : f.draws)
        if (d.kind == standin::DrawItem::Rect && d.cy == 0.0225f && d.h == 0.035f) noticeDrawn = true;
    if (due != noticeDrawn)
        fail(std::string(due ? "notice missing inside its window" : "notice drawn outside its window") + " (tick " +
             std::to_string(tick) + ", deadline " + std::to_string(s.noticeDeadline) + ", started " +
             (noticeStarted_ ? std::to_string(noticeStart_) : std::string("never")) + ")");
    if (noticeDrawn) {
        ++cov_.noticeFrames;
        const bool flag = s.noticeKind == 0   ? s.modEnabled
                          : s.noticeKind == 1 ? s.hudVisible
                          : s.noticeKind == 2 ? s.autoWalk
                                              : !s.horseSupportOff;
        bool label = false, word = false;
        for (const auto& d : f.draws) {
            if (d.kind != standin::DrawItem::Text) continue;
            label |= d.text == kNoticeLabels[s.noticeKind & 3];
            word |= d.text == (flag ? "On" : "Off") && d.g == (flag ? 255u : 0u);
        }
        if (!label || !word) fail("notice text does not match its kind and flag");
    }
    if (plkalloc::counting() && plkalloc::watched() != (noticeDrawn ? 2 : 0))
        fail("notice copies held after the pass: " + std::to_string(plkalloc::watched()));

    // Natives only where the state allows them.
    if (!s.modEnabled) {
        ++cov_.modOff;
        if (lookups || setsPrimary || sets || suppress || gates) fail("natives beyond the notice with the mod off");
        if (rects > (noticeDrawn ? 1 : 0)) fail("drawing beyond the notice with the mod off");
        return;
    }
    if (lookups != 1) fail("player lookups in a pass: " + std::to_string(lookups));
    const bool isPlayer = w.playerHandle != 0;
    const bool blocked = isPlayer && w.blocked;
    const bool riding = isPlayer && w.mounted;
    if (s.playerCharacter != w.playerHandle) fail("playerCharacter is not the world's player");
    if (blocked || (riding && (sane_.DISABLE_HORSE_SUPPORT || s.horseSupportOff))) {
        blocked ? ++cov_.blocked : ++cov_.mountedEarlyEnd;
        if (setsPrimary || sets || gates || controlValue) fail("speed or overlay natives after an early end");
        return;
    }
    riding ? ++cov_.mounted : ++cov_.onFoot;
    if (setsPrimary != 1 || sets != 1) fail("speeds set other than once each");
    if (target != (riding ? w.mountHandle : w.playerHandle)) fail("speed set on the wrong entity");
    if (controlValue != (s.autoWalk && riding ? 1 : 0)) fail("auto-walk control value out of place");
    if (s.autoWalk) ++cov_.autoWalk;

    // A stepped speed always lies within sane bounds (and the start value is inside too).
    if (!(s.desiredSpeed >= sane_.MIN_SCROLL_VAL && s.desiredSpeed <= sane_.MAX_SCROLL_VAL))
        fail("desired speed " + std::to_string(s.desiredSpeed) + " outside the bounds");
    cov_.atMin += s.desiredSpeed == sane_.MIN_SCROLL_VAL;
    cov_.atMax += s.desiredSpeed == sane_.MAX_SCROLL_VAL;

    if (gates != (s.hudVisible ? 1 : 0)) fail("overlay gate asked with the overlay hidden, or not asked");
    if (!s.hudVisible) {
        ++cov_.hudHidden;
        return;
    }
    const bool gateClosed = w.hudGate != 0 && (w.hudGateOverride == 0 || !riding);
    const int barRects = rects - (noticeDrawn ? 1 : 0);
    const int expected = gateClosed ? 0 : sane_.UI_HIDE_PED_DESIRED_SPEED ? 2 : 4;
    if (barRects != expected) fail("bar rectangles " + std::to_string(barRects) + ", expected " + std::to_string(expected));
    gateClosed ? ++cov_.gateClosed : ++cov_.overlayDrawn;
}

void Soak::runSegment(std::uint64_t passes, const std::chrono::steady_clock::time_point& deadline) {
    standin_reset();
    resetPluginState();
    noticeAllocator = watchedCopy;
    noticeStarted_ = false;
    lastDeadline_ = 0;
    chooseSettings();
    writeIni();

    World& w = *standin_world();
    w.keepHistory = false;
    std::uint32_t tick = chance(0.3) ? 0xFFFFFFFFu - below(600000) : static_cast<std::uint32_t>(rng_());
    standin_setTick(tick);
    HINSTANCE module = reinterpret_cast<HINSTANCE>(static_cast<std::uintptr_t>(0x180000000ULL + cov_.segments));
    DllMain(module, DLL_PROCESS_ATTACH, nullptr);
    ++cov_.segments;

    // The stand-in keeps per-entity maps and vector capacity; after a warm-up
    // with every handle seen, live blocks must not grow.
    std::int64_t ceiling = -1;
    const std::uint64_t warmup = passes / 10;
    for (std::uint64_t i = 0; i < passes; ++i) {
        if ((i & 1023) == 0 && std::chrono::steady_clock::now() > deadline) break;
        vary(w, tick);
        // Every 8th pass goes through the script context and scriptWait; the
        // rest run the loop's body here while the script is parked, which
        // keeps a million passes well under a minute.
        if (i % 8 == 0) {
            standin_runFrame();
            ++cov_.scriptFrames;
        } else {
            w.beginFrame(tick);
            runControlPass();
            w.endFrame(true);
        }
        if (i == 0 && !sameSettings(settings, sane_)) fail("settings loaded by the loop differ from the file");
        check(w.current, w);
        ++cov_.passes;
        w.beginFrame(tick);  // drops the frame record before counting live blocks
        if (plkalloc::counting()) {
            if (i == warmup) {
                for (std::int32_t p : kPlayers) w.entitySpeed.emplace(p, 0.0f);  // every handle seen
                ceiling = plkalloc::counts().outstanding() + 8;
            } else if (i > warmup && plkalloc::counts().outstanding() > ceiling) {
                fail("outstanding allocations grew to " + std::to_string(plkalloc::counts().outstanding()));
            }
        }
        if (failures_.size() >= 20) return;
    }
    DllMain(module, DLL_PROCESS_DETACH, nullptr);
}

int Soak::run() {
    const auto start = std::chrono::steady_clock::now();
    const auto deadline = start + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                      std::chrono::duration<double>(seconds_));
    const std::uint64_t segments = 10;
    for (std::uint64_t s = 0; s < segments && std::chrono::steady_clock::now() < deadline && failures_.empty(); ++s)
        runSegment(target_ / segments + (s == 0 ? target_ % segments : 0), deadline);
    standin_reset();
    releaseNoticeCopies();
    const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    const Coverage& c = cov_;
    std::printf("soak: seed %llu, %llu of %llu passes in %.1f s (%.0f passes/s), %llu segments, %llu through the script context\n",
                (unsigned long long)seed_, (unsigned long long)c.passes, (unsigned long long)target_, secs,
                c.passes / secs, (unsigned long long)c.segments, (unsigned long long)c.scriptFrames);
    std::printf("  passes: mod off %llu, blocked %llu, riding without support %llu, on foot %llu, riding %llu\n",
                (unsigned long long)c.modOff, (unsigned long long)c.blocked, (unsigned long long)c.mountedEarlyEnd,
                (unsigned long long)c.onFoot, (unsigned long long)c.mounted);
    std::printf("  overlay drawn %llu, gate closed %llu, hidden %llu; auto-walk %llu\n",
                (unsigned long long)c.overlayDrawn, (unsigned long long)c.gateClosed, (unsigned long long)c.hudHidden,
                (unsigned long long)c.autoWalk);
    std::printf("  toggles accepted: mod %llu, HUD %llu, auto-walk %llu, horse %llu; notice frames %llu\n",
                (unsigned long long)c.toggles[0], (unsigned long long)c.toggles[1], (unsigned long long)c.toggles[2],
                (unsigned long long)c.toggles[3], (unsigned long long)c.noticeFrames);
    std::printf("  desired speed at min %llu, at max %llu passes\n", (unsigned long long)c.atMin,
                (unsigned long long)c.atMax);
    std::printf("  key messages %llu (%llu beyond the table), clock stalls and jumps %llu, wraps %llu\n",
                (unsigned long long)c.keyMessages, (unsigned long long)c.outOfTableKeys,
                (unsigned long long)c.clockJumps, (unsigned long long)c.wraps);
    std::printf("  heap checks (live blocks, notice copies): %s\n",
                plkalloc::counting() ? "on" : "off in this sanitizer build");
    for (const Failure& f : failures_) std::printf("  FAIL at pass %llu: %s\n", (unsigned long long)f.pass, f.what.c_str());
    if (!failures_.empty()) return 1;
    // Coverage that a bounded run must still reach to count.
    const bool covered = c.modOff && c.blocked && c.mountedEarlyEnd && c.onFoot && c.mounted && c.autoWalk &&
                         c.gateClosed && c.toggles[0] && c.toggles[1] && c.toggles[2] && c.toggles[3] && c.wraps;
    if (!covered) {
        std::printf("  FAIL: the run ended before covering every state\n");
        return 1;
    }
    std::printf("soak: every invariant held\n");
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::uint64_t passes = 1000000, seed = 20240601;
    double seconds = 50;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--passes")) passes = std::strtoull(argv[i + 1], nullptr, 10);
        else if (!std::strcmp(argv[i], "--seed")) seed = std::strtoull(argv[i + 1], nullptr, 10);
        else if (!std::strcmp(argv[i], "--seconds")) seconds = std::strtod(argv[i + 1], nullptr);
    }
    // A private working directory: the loop reads Pacelark.ini from there.
    char dir[] = "/tmp/plk-soak-XXXXXX";
    if (!mkdtemp(dir) || chdir(dir) != 0) {
        std::perror("soak working directory");
        return 2;
    }
    const int rc = Soak(seed, passes, seconds).run();
    std::filesystem::remove_all(dir);
    return rc;
}
