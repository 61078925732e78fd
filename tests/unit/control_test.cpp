#include <cmath>
#include <limits>

#include "control/movement.h"
#include "support.h"

using namespace plktest;

namespace {

constexpr std::uint64_t P = static_cast<std::uint32_t>(standin::kPlayerHandle);
constexpr std::uint64_t MOUNT = static_cast<std::uint32_t>(standin::kMountHandle);
constexpr std::uint32_t kUp = 0x81457A1Au, kDown = 0x9DA42644u;
constexpr std::uint32_t kFootPace = 0x8FFC75D6u, kFootMove1 = 0x8FD015D8u, kFootMove4 = 0xD27782E3u;
constexpr std::uint32_t kRidePace = 0x5AA007D7u, kRideMove2 = 0x86D773F6u;

Call C(std::uint64_t hash, std::vector<std::uint64_t> args) { return Call{hash, std::move(args), 0}; }

// Compares hashes and slots; results are the world's business.
void expectCalls(const std::vector<Call>& actual, const std::vector<Call>& expected, std::size_t from = 0) {
    ASSERT_GE(actual.size(), from + expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const Call& a = actual[from + i];
        const char* name = standin::nativeName(expected[i].hash);
        EXPECT_EQ(a.hash, expected[i].hash) << "call " << from + i << " should be " << (name ? name : "?");
        EXPECT_EQ(a.args, expected[i].args) << "call " << from + i << " (" << (name ? name : "?") << ")";
    }
}

std::vector<Call> queries(std::initializer_list<std::uint32_t> controls) {
    std::vector<Call> out;
    for (auto c : controls) out.push_back(C(nativeControlQuery, {0, c}));
    return out;
}

std::vector<Call> operator+(std::vector<Call> a, const std::vector<Call>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(RuntimeRecord, StartsWithTheStatedValues) {
    const ModState m{};
    EXPECT_TRUE(m.modEnabled);
    EXPECT_TRUE(m.hudVisible);
    EXPECT_EQ(f(m.desiredSpeed), 0x3FC00000u);
    EXPECT_EQ(f(m.appliedSpeed), 0x40400000u);
    EXPECT_EQ(f(m.secondarySpeed), 0u);
    EXPECT_FALSE(m.speedHoldLatch);
    EXPECT_FALSE(m.horseSupportOff);
    EXPECT_FALSE(m.autoWalk);
    EXPECT_EQ(m.targetEntity, 0);
    EXPECT_EQ(m.playerCharacter, 0);
    EXPECT_EQ(m.noticeDeadline, 0u);
    EXPECT_EQ(m.noticeKind, 0);
    const KeyState k{};
    EXPECT_EQ((std::vector<std::uint32_t>{k.time, k.isWithAlt, k.wasDownBefore, k.isUpNow}),
              (std::vector<std::uint32_t>{0, 0, 0, 0}));
}

class ControlLoopTest : public PluginTest {
protected:
    void SetUp() override {
        PluginTest::SetUp();
        standin_setTick(100000);
        applyLoadedSettings();
    }
    std::size_t count(const std::vector<Call>& calls, std::uint64_t hash) {
        std::size_t n = 0;
        for (const auto& c : calls) n += c.hash == hash;
        return n;
    }
};

TEST_F(ControlLoopTest, FirstPassStandingOnFootIsTheFullSequence) {
    const auto& calls = pass();
    const std::vector<Call> head = {
        C(nativeEntityBlocked, {0, 0}),  // the takeover judged on handle 0
        C(nativeSuppressControl, {0, 0xFD0F0C2Cu, 1}),
        C(nativeSuppressControl, {0, 0xCC1075A7u, 1}),
        C(nativePlayerIndex, {}),
        C(nativePlayerCharacter, {0}),
        C(nativeIsMounted, {P}),
        C(nativeEntityBlocked, {P, 0}),
        C(nativeControlQuery, {0, kUp}),
        C(nativeControlQuery, {0, kDown}),
    };
    const auto allFive = queries({kFootPace, 0x8FD015D8u, 0x7065027Du, 0xB4E465B4u, 0xD27782E3u});
    const std::vector<Call> movement = allFive + allFive + queries({kFootPace}) +
        std::vector<Call>{C(nativeControlQuerySecondary, {0, kFootPace}),
                          C(nativeSetSpeedPrimary, {P, f(1.5f)}),
                          C(nativeSetSpeedSecondary, {P, f(0.0f)}),
                          C(nativeHudGate, {}),
                          C(nativeEntityBlocked, {P, 0}),
                          C(nativeEntitySpeed, {P})};
    expectCalls(calls, head + movement);
    EXPECT_EQ(calls.size(), head.size() + movement.size() + 4 + 12) << "four rectangles, two texts";
    EXPECT_EQ(modState.playerCharacter, standin::kPlayerHandle);
    EXPECT_EQ(modState.targetEntity, standin::kPlayerHandle);
}

TEST_F(ControlLoopTest, ModOffPassesOnlyPollKeysAndDrawTheNotice) {
    releaseKey(121);
    auto calls = pass();
    EXPECT_FALSE(modState.modEnabled);
    EXPECT_EQ(hashesOf(calls), (std::vector<std::uint64_t>{nativeRectDraw, nativeTextScale, nativeTextColour,
                                                           nativeTextSetup, nativeTextHandle, nativeTextDraw,
                                                           nativeTextScale, nativeTextColour, nativeTextSetup,
                                                           nativeTextHandle, nativeTextDraw}));
    EXPECT_EQ(world().current.draws[2].text, "Off");
    standin_setTick(100000 + 2001);
    EXPECT_TRUE(pass().empty()) << "mod off and no notice: no native at all";
}

TEST_F(ControlLoopTest, BlockedPlayerEndsThePassAndSkipsTheNextTakeover) {
    world().blocked = true;
    pass();
    auto calls = pass();
    expectCalls(calls, {C(nativeEntityBlocked, {P, 0}), C(nativePlayerIndex, {}), C(nativePlayerCharacter, {0}),
                        C(nativeIsMounted, {P}), C(nativeEntityBlocked, {P, 0})});
    EXPECT_EQ(calls.size(), 5u);
}

TEST_F(ControlLoopTest, RidingWithSupportTargetsTheMountAndAutoWalkHoldsItsControl) {
    world().mounted = true;
    modState.autoWalk = true;
    pass();
    const auto& calls = pass();
    expectCalls(calls, {C(nativeEntityBlocked, {P, 0}), C(nativeSuppressControl, {0, 0xFD0F0C2Cu, 1}),
                        C(nativeSuppressControl, {0, 0xCC1075A7u, 1}), C(nativePlayerIndex, {}),
                        C(nativePlayerCharacter, {0}), C(nativeIsMounted, {P}), C(nativeMountOf, {P}),
                        C(nativeEntityBlocked, {P, 0})});
    EXPECT_EQ(modState.targetEntity, standin::kMountHandle);
    std::size_t i = 0;
    while (i < calls.size() && calls[i].hash != nativeSetSpeedPrimary) ++i;
    expectCalls(calls, {C(nativeControlQuery, {0, kRidePace})}, i - 1);
    expectCalls(calls, {C(nativeSetSpeedPrimary, {MOUNT, f(1.5f)}), C(nativeSetSpeedSecondary, {MOUNT, f(1.5f)}),
                        C(nativeSetControlValue, {0, 0x3BBDEFEFu, 0xBF800000u}), C(nativeHudGate, {}),
                        C(nativeEntityBlocked, {P, 0}), C(nativeEntitySpeed, {MOUNT})},
                i);
}

TEST_F(ControlLoopTest, AutoWalkToggleIsRefusedWhileBlockedAskingOnlyThatWithSupportOn) {
    world().blocked = true;
    pass();
    releaseKey(192);
    const auto& calls = pass();
    // The toggle's own question, then the takeover's, then the lookup that ends the pass.
    expectCalls(calls, {C(nativeEntityBlocked, {P, 0}), C(nativeEntityBlocked, {P, 0}), C(nativePlayerIndex, {}),
                        C(nativePlayerCharacter, {0}), C(nativeIsMounted, {P}), C(nativeEntityBlocked, {P, 0})});
    EXPECT_EQ(calls.size(), 6u);
    EXPECT_FALSE(modState.autoWalk);
    EXPECT_TRUE(world().current.draws.empty()) << "a refused toggle shows no notice";
    EXPECT_EQ(keyStateTable[192].isUpNow.load(), 0u) << "the refused release is consumed";
    world().blocked = false;
    releaseKey(192);
    pass();
    EXPECT_TRUE(modState.autoWalk) << "free again, the toggle is accepted";
    EXPECT_EQ(modState.noticeKind, 2);
}

TEST_F(ControlLoopTest, RidingWithSupportOffEndsEarlyAndSkipsTakeoverAndAutoWalkToggle) {
    settings.DISABLE_HORSE_SUPPORT = true;
    applyLoadedSettings();
    EXPECT_TRUE(modState.horseSupportOff);
    world().mounted = true;
    world().setControl(kUp, true);
    pass();
    releaseKey(192);
    const auto& calls = pass();
    // The auto-walk toggle asks only whether the character rides, and is refused.
    expectCalls(calls, {C(nativeIsMounted, {P}), C(nativeIsMounted, {P}), C(nativePlayerIndex, {}),
                        C(nativePlayerCharacter, {0}), C(nativeIsMounted, {P}), C(nativeMountOf, {P}),
                        C(nativeEntityBlocked, {P, 0})});
    EXPECT_EQ(calls.size(), 7u);
    EXPECT_FALSE(modState.autoWalk);
    EXPECT_EQ(modState.desiredSpeed, 1.5f) << "the speed controls do nothing while riding unsupported";
    EXPECT_EQ(keyStateTable[192].isUpNow.load(), 0u) << "the refused release is consumed";
    world().mounted = false;
    releaseKey(192);
    pass();
    pass();
    EXPECT_TRUE(modState.autoWalk) << "on foot the toggle is accepted";
}

TEST_F(ControlLoopTest, SupportSwitchedOffWhileRidingEndsThatPassBeforeTheSpeedStep) {
    world().mounted = true;
    world().setControl(kUp, true);
    releaseKey(119);
    const auto& calls = pass();
    EXPECT_TRUE(modState.horseSupportOff);
    EXPECT_FALSE(settings.DISABLE_HORSE_SUPPORT);
    EXPECT_EQ(modState.desiredSpeed, 1.5f);
    EXPECT_EQ(count(calls, nativeControlQuery), 0u);
    EXPECT_EQ(count(calls, nativeSetSpeedPrimary), 0u);
}

TEST_F(ControlLoopTest, ToggleAcceptanceRulesAndNotices) {
    // HUD while the mod is off: consumed, no notice, and not remembered.
    releaseKey(121);
    pass();
    releaseKey(122);
    pass();
    EXPECT_TRUE(modState.hudVisible);
    EXPECT_EQ(modState.noticeKind, 0);
    releaseKey(121);
    pass();
    EXPECT_TRUE(modState.modEnabled);
    EXPECT_TRUE(modState.hudVisible);

    // Disabled support refuses its key silently.
    settings.DISABLE_HORSE_SUPPORT = true;
    const std::uint32_t deadline = modState.noticeDeadline;
    standin_setTick(200000);
    releaseKey(119);
    pass();
    EXPECT_FALSE(modState.horseSupportOff);
    EXPECT_EQ(modState.noticeDeadline, deadline);
    settings.DISABLE_HORSE_SUPPORT = false;

    // Two accepted in one pass: the later kind wins, one deadline.
    standin_setTick(300000);
    releaseKey(122);
    releaseKey(119);
    pass();
    EXPECT_FALSE(modState.hudVisible);
    EXPECT_TRUE(modState.horseSupportOff);
    EXPECT_EQ(modState.noticeKind, 3);
    EXPECT_EQ(modState.noticeDeadline, 302000u);

    // Switching off restores the overlay and stops auto-walk.
    modState.autoWalk = true;
    releaseKey(121);
    pass();
    EXPECT_TRUE(modState.hudVisible);
    EXPECT_FALSE(modState.autoWalk);
    EXPECT_TRUE(modState.horseSupportOff) << "support survives off and on";
}

TEST_F(ControlLoopTest, KeyCodesFrom255OrNegativeNeverToggle) {
    settings.TOGGLE_MOD_KEY = 255;
    settings.TOGGLE_HUD_KEY = -1;
    onKeyboardMessage(255, 1, 0, 0, 0, 1, 1);
    onKeyboardMessage(0xFFFFFFFFu, 1, 0, 0, 0, 1, 1);
    pass();
    EXPECT_TRUE(modState.modEnabled);
    EXPECT_TRUE(modState.hudVisible);
}

TEST_F(ControlLoopTest, StaleReleasesAreLostAndOneReleaseTogglesOnce) {
    releaseKey(121);
    standin_setTick(100100);
    pass();
    EXPECT_TRUE(modState.modEnabled);
    releaseKey(121);
    releaseKey(121);
    pass();
    pass();
    EXPECT_FALSE(modState.modEnabled);
}

TEST_F(ControlLoopTest, SpeedStepsFollowTheControlsWithinTheBounds) {
    world().setControl(kUp, true);
    pass();
    EXPECT_EQ(modState.desiredSpeed, 0.1f + 1.5f);
    EXPECT_EQ(world().current.draws.back().text, "1.60") << "the new speed is drawn in the same pass";
    modState.desiredSpeed = 3.0f;
    world().setControl(kDown, true);
    pass();
    EXPECT_EQ(modState.desiredSpeed, 3.0f - 0.1f) << "up clamps to the top, then one step down";
    world().clearControls();
    world().setControl(kDown, true);
    modState.desiredSpeed = 0.2f;
    pass();
    EXPECT_EQ(modState.desiredSpeed, 0.2f);
}

struct ClampCase {
    float min, max, x, want;
    bool wantNan;
};

void PrintTo(const ClampCase& c, std::ostream* os) { *os << c.x << " in " << c.min << " to " << c.max; }

class ClampDesiredSpeed : public testing::TestWithParam<ClampCase> {
protected:
    void TearDown() override { settings = Settings{}; }
};

TEST_P(ClampDesiredSpeed, OrderAndStrictComparisonsDecideTheOddCases) {
    const ClampCase& c = GetParam();
    settings = Settings{};
    settings.MIN_SCROLL_VAL = c.min;
    settings.MAX_SCROLL_VAL = c.max;
    const float got = clampDesiredSpeed(c.x);
    if (c.wantNan) EXPECT_TRUE(std::isnan(got));
    else EXPECT_EQ(f(got), f(c.want));
}

constexpr float kNan = std::numeric_limits<float>::quiet_NaN();
INSTANTIATE_TEST_SUITE_P(Cases, ClampDesiredSpeed, testing::Values(
    ClampCase{0.2f, 3.0f, 3.1f, 3.0f, false},
    ClampCase{0.2f, 3.0f, 3.0f, 3.0f, false},
    ClampCase{0.2f, 3.0f, 0.1f, 0.2f, false},
    ClampCase{0.2f, 3.0f, 1.7f, 1.7f, false},
    ClampCase{0.2f, 3.0f, kNan, 3.0f, false},    // a NaN step gives the maximum
    ClampCase{2.0f, 1.0f, 1.5f, 1.0f, false},    // minimum above maximum: always the maximum
    ClampCase{2.0f, 1.0f, 0.0f, 1.0f, false},
    ClampCase{kNan, 3.0f, -5.0f, -5.0f, false},  // NaN minimum: no lower bound
    ClampCase{0.2f, kNan, 1.0f, 0.0f, true},     // NaN maximum: NaN
    ClampCase{0.0f, 3.0f, -0.0f, -0.0f, false},  // equal to the minimum: the speed's own bits
    ClampCase{-1.0f, -0.0f, 0.0f, -0.0f, false}));  // equal to the maximum: the maximum's bits

TEST_F(ControlLoopTest, PaceAloneInTheFirstPassSendsTheStartingSpeeds) {
    world().setControl(kFootPace, true);
    pass();
    EXPECT_EQ(f(world().lastPrimary[standin::kPlayerHandle]), 0x40400000u) << "3.0, as the record starts";
    EXPECT_EQ(f(world().lastSecondary[standin::kPlayerHandle]), 0u);
}

TEST_F(ControlLoopTest, InitialSpeedOutsideTheRangeIsSentUntilTheFirstStep) {
    settings.INITIAL_WALK_SPEED = 10.0f;
    applyLoadedSettings();
    pass();
    EXPECT_EQ(world().lastPrimary[standin::kPlayerHandle], 10.0f);
    world().setControl(kDown, true);
    pass();
    EXPECT_EQ(modState.desiredSpeed, 3.0f);
}

// Notice window, with the deadline compared as elapsed time modulo 2^32.
struct WindowCase {
    std::uint32_t start;
    std::uint32_t offset;
    bool shown;
};

void PrintTo(const WindowCase& c, std::ostream* os) { *os << std::hex << c.start << " +" << std::dec << c.offset; }

class NoticeWindow : public ControlLoopTest, public testing::WithParamInterface<WindowCase> {};

TEST_P(NoticeWindow, ShowsForTwoSecondsAcrossTheTickWrap) {
    const WindowCase& c = GetParam();
    standin_setTick(c.start);
    releaseKey(122);
    pass();
    ASSERT_EQ(modState.noticeKind, 1);
    standin_setTick(c.start + c.offset);
    pass();
    const auto& d = world().current.draws;
    const bool shown = d.size() >= 2 && d[1].text == "PLK HUD:";
    EXPECT_EQ(shown, c.shown);
}

INSTANTIATE_TEST_SUITE_P(Ticks, NoticeWindow, testing::Values(
    WindowCase{100000, 0, true}, WindowCase{100000, 2000, true}, WindowCase{100000, 2001, false},
    WindowCase{0xFFFFFF00u, 0, true}, WindowCase{0xFFFFFF00u, 0xFF, true}, WindowCase{0xFFFFFF00u, 0x100, true},
    WindowCase{0xFFFFFF00u, 2000, true}, WindowCase{0xFFFFFF00u, 2001, false},
    WindowCase{0xFFFFF000u, 3000, false}));

TEST_F(ControlLoopTest, AnOldNoticeComesBackOnlyWhenTheClockWrapsIntoItsWindow) {
    const auto shown = [this] {
        pass();
        const auto& d = world().current.draws;
        return d.size() >= 2 && d[1].text == "PLK HUD:";
    };
    standin_setTick(5000);
    releaseKey(122);  // deadline 7000; the bars are hidden, so only a notice draws
    EXPECT_TRUE(shown());
    standin_setTick(7001);
    EXPECT_FALSE(shown());
    standin_setTick(4000000000u);
    EXPECT_FALSE(shown()) << "long after its deadline";
    standin_setTick(6000);
    EXPECT_TRUE(shown()) << "2^32 ms on, the clock is inside the window again";
}

TEST_F(ControlLoopTest, NoticeWordFollowsTheFlagEveryFrame) {
    releaseKey(122);
    pass();
    ASSERT_EQ(world().current.draws.size(), 3u) << "bars hidden: only the notice";
    EXPECT_EQ(world().current.draws[2].text, "Off");
    releaseKey(122);
    pass();
    const auto& d = world().current.draws;
    ASSERT_GE(d.size(), 3u);
    EXPECT_EQ(d[2].text, "On");
}

// What the movement sends with auto-walk off, row by row.
struct MovementRow {
    const char* name;
    bool pace, moving, secondary, latchBefore;
    float primary, second;  // NaN: unchanged
    bool latchAfter;
};

void PrintTo(const MovementRow& r, std::ostream* os) { *os << r.name; }

class MovementTest : public PluginTest {
protected:
    void SetUp() override {
        PluginTest::SetUp();
        modState.targetEntity = standin::kPlayerHandle;
        modState.desiredSpeed = 1.25f;
        modState.appliedSpeed = 7.0f;
        modState.secondarySpeed = 8.0f;
        world().beginFrame(0);
    }
};

class MovementRows : public MovementTest, public testing::WithParamInterface<MovementRow> {};

TEST_P(MovementRows, SendTheTablesSpeedsAndLatch) {
    const MovementRow& r = GetParam();
    world().setControl(kFootPace, r.pace);
    world().setControl(kFootMove4, r.moving);
    world().setSecondary(kFootPace, r.secondary);
    modState.speedHoldLatch = r.latchBefore;
    applySpeedOnFoot();
    const auto& calls = currentCalls();
    ASSERT_GE(calls.size(), 2u);
    const auto& primary = calls[calls.size() - 2];
    const auto& secondary = calls.back();
    EXPECT_EQ(primary.hash, nativeSetSpeedPrimary);
    EXPECT_EQ(primary.args[1], f(std::isnan(r.primary) ? 7.0f : r.primary));
    EXPECT_EQ(secondary.args[1], f(std::isnan(r.second) ? 8.0f : r.second));
    EXPECT_EQ(modState.speedHoldLatch, r.latchAfter);
}

constexpr float U = kNan;  // unchanged
INSTANTIATE_TEST_SUITE_P(Table, MovementRows, testing::Values(
    MovementRow{"standing", false, false, false, false, 1.25f, 0.0f, false},
    MovementRow{"standing, latched", false, false, false, true, U, U, false},
    MovementRow{"moving", false, true, false, false, 1.25f, 1.25f, false},
    MovementRow{"moving, latched", false, true, false, true, U, U, true},
    MovementRow{"pace", true, true, false, false, 3.0f, 3.0f, false},
    MovementRow{"pace, latched", true, true, false, true, 3.0f, 3.0f, true},
    MovementRow{"hold", false, true, true, false, 2.0f, 2.0f, true},
    MovementRow{"hold with pace", true, true, true, true, 2.0f, 2.0f, true},
    MovementRow{"pace alone", true, false, false, false, U, U, false},
    MovementRow{"pace alone, latched", true, false, true, true, U, U, true}));

TEST_F(MovementTest, QueriesStopAsSoonAsEachStepIsDecided) {
    world().setControl(kFootMove1, true);
    applySpeedOnFoot();
    const std::vector<Call> expected =
        queries({kFootPace, kFootMove1}) + queries({kFootPace, kFootMove1}) + queries({kFootPace}) +
        std::vector<Call>{C(nativeControlQuerySecondary, {0, kFootPace}), C(nativeSetSpeedPrimary, {P, f(1.25f)}),
                          C(nativeSetSpeedSecondary, {P, f(1.25f)})};
    expectCalls(currentCalls(), expected);
    EXPECT_EQ(currentCalls().size(), expected.size());
}

TEST_F(MovementTest, AutoWalkSendsDesiredOrPaceAndMountedAddsTheControlValue) {
    modState.autoWalk = true;
    applySpeedOnFoot();
    EXPECT_EQ(currentCalls().back().args, (std::vector<std::uint64_t>{P, f(1.25f)}));
    EXPECT_EQ(modState.appliedSpeed, 1.25f) << "the stored values still follow the controls";
    world().beginFrame(0);
    world().setControl(kRidePace, true);
    modState.targetEntity = standin::kMountHandle;
    applySpeedMounted();
    const auto& c = currentCalls();
    expectCalls(c, {C(nativeControlQuery, {0, kRidePace}), C(nativeSetSpeedPrimary, {MOUNT, f(3.0f)}),
                    C(nativeSetSpeedSecondary, {MOUNT, f(3.0f)}), C(nativeSetControlValue, {0, 0x3BBDEFEFu, 0xBF800000u})},
                c.size() - 4);
}

TEST_F(MovementTest, LatchSetOnFootHoldsAfterMounting) {
    world().setControl(kFootMove1, true);
    world().setSecondary(kFootPace, true);
    applySpeedOnFoot();
    EXPECT_TRUE(modState.speedHoldLatch);
    world().clearControls();
    world().setControl(kRideMove2, true);
    modState.desiredSpeed = 2.5f;
    applySpeedMounted();
    EXPECT_EQ(modState.appliedSpeed, 2.0f) << "moving on the mount keeps the held speed";
    world().clearControls();
    applySpeedMounted();
    EXPECT_FALSE(modState.speedHoldLatch);
    EXPECT_EQ(modState.appliedSpeed, 2.0f);
    applySpeedMounted();
    EXPECT_EQ(modState.appliedSpeed, 2.5f);
    EXPECT_EQ(modState.secondarySpeed, 0.0f);
}

}  // namespace
