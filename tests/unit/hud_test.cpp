#include <cmath>

#include "hud/draw.h"
#include "hud/notice.h"
#include "hud/speed_bars.h"
#include "support.h"

using namespace plktest;

namespace {

std::uint64_t ptr(const void* p) { return static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(p)); }

class HudTest : public PluginTest {
protected:
    void SetUp() override {
        PluginTest::SetUp();
        world().beginFrame(0);
    }
};

TEST_F(HudTest, DrawTextMakesFiveOrSixCallsWithTheFlagBetweenColourAndSetup) {
    const char* text = "abc";
    drawText(0.25f, 0.75f, text, 0.5f, false, 1, 2, 3, 0x1FFFFFFFFULL);
    drawText(0.25f, 0.75f, "", 0.2f, true, 255, 255, 255, 255);
    const auto& c = currentCalls();
    ASSERT_EQ(c.size(), 11u);
    EXPECT_EQ(hashesOf(c), (std::vector<std::uint64_t>{
        nativeTextScale, nativeTextColour, nativeTextSetup, nativeTextHandle, nativeTextDraw,
        nativeTextScale, nativeTextColour, nativeTextFlag, nativeTextSetup, nativeTextHandle, nativeTextDraw}));
    EXPECT_EQ(c[0].args, (std::vector<std::uint64_t>{f(0.5f), f(0.5f)}));
    EXPECT_EQ(c[1].args, (std::vector<std::uint64_t>{1, 2, 3, 0x1FFFFFFFFULL})) << "channels forwarded whole";
    EXPECT_EQ(c[2].args, std::vector<std::uint64_t>(5, 0));
    EXPECT_EQ(c[3].args, (std::vector<std::uint64_t>{10, ptr(kLiteralString), ptr(text)}));
    EXPECT_STREQ(kLiteralString, "LITERAL_STRING");
    EXPECT_EQ(c[4].args, (std::vector<std::uint64_t>{c[3].result, f(0.25f), f(0.75f)}));
    EXPECT_GT(c[3].result, 0xFFFFFFFFULL) << "the world's handles need all 64 bits";
    EXPECT_EQ(c[7].args, (std::vector<std::uint64_t>{1}));
    ASSERT_EQ(world().current.draws.size(), 2u);
    EXPECT_EQ(world().current.draws[0].text, "abc");
    EXPECT_EQ(world().current.draws[1].text, "");
}

TEST_F(HudTest, RectanglesSendCentreSizeColourAndTwoZeros) {
    drawRect(0.25f, 0.25f, 0.5f, 0.5f, 1, 2, 3, 4);
    drawRect(0.1f, 0.2f, 0.0f, -0.5f, 300, 0xFFFFFFFFu, 0, 255);
    drawRectCentred(0.3f, 0.4f, 0.05f, 0.06f, 25, 25, 25, 255);
    const auto& c = currentCalls();
    ASSERT_EQ(c.size(), 3u);
    for (const auto& call : c) EXPECT_EQ(call.hash, nativeRectDraw);
    EXPECT_EQ(c[0].args, (std::vector<std::uint64_t>{f(0.5f), f(0.5f), f(0.5f), f(0.5f), 1, 2, 3, 4, 0, 0}));
    // Zero width keeps the centre on the left edge; channels are not clamped.
    EXPECT_EQ(c[1].args, (std::vector<std::uint64_t>{f(0.1f), f(-0.5f * 0.5f + 0.2f), f(0.0f), f(-0.5f),
                                                     300, 0xFFFFFFFFu, 0, 255, 0, 0}));
    EXPECT_EQ(c[2].args, (std::vector<std::uint64_t>{f(0.3f), f(0.4f), f(0.05f), f(0.06f), 25, 25, 25, 255, 0, 0}));
}

struct BandCase {
    float value;
    SpeedBand band;
    unsigned r, g, b;
    std::uint32_t nudgeBits;
};

void PrintTo(const BandCase& c, std::ostream* os) { *os << c.value; }

class SpeedBands : public testing::TestWithParam<BandCase> {};

TEST_P(SpeedBands, DecisionListAtTheListedValues) {
    const BandCase& c = GetParam();
    const BandStyle s = selectSpeedBand(c.value);
    EXPECT_EQ(s.band, c.band);
    EXPECT_EQ((std::vector<unsigned>{s.red, s.green, s.blue}), (std::vector<unsigned>{c.r, c.g, c.b}));
    EXPECT_EQ(std::bit_cast<std::uint32_t>(s.nudge), c.nudgeBits);
}

INSTANTIATE_TEST_SUITE_P(Values, SpeedBands, testing::Values(
    BandCase{1.5f, SpeedBand::Low, 0, 100, 0, 0},
    BandCase{2.0f, SpeedBand::AtTwo, 155, 60, 0, 0},
    BandCase{3.0f, SpeedBand::High, 155, 0, 0, 0x3BF5C28F},
    BandCase{2.9f, SpeedBand::High, 155, 0, 0, 0x3B23D70A},
    BandCase{2.5f, SpeedBand::High, 155, 0, 0, 0},
    BandCase{1.6f, SpeedBand::Middle, 0, 100, 170, 0},
    BandCase{1.5005f, SpeedBand::Low, 0, 100, 0, 0},
    BandCase{1.9985f, SpeedBand::AtTwo, 155, 60, 0, 0},
    BandCase{0.0f, SpeedBand::Low, 0, 100, 0, 0xBC23D70A},
    BandCase{-0.5f, SpeedBand::Low, 0, 100, 0, 0xBC23D70A},
    BandCase{6.0f, SpeedBand::High, 155, 0, 0, 0x3BF5C28F},
    BandCase{3.5f, SpeedBand::High, 155, 0, 0, 0x3BF5C28F},     // above 3, not near it
    BandCase{2.81f, SpeedBand::High, 155, 0, 0, 0x3B23D70A},    // just above 2.8
    BandCase{2.9995f, SpeedBand::High, 155, 0, 0, 0x3BF5C28F},  // approximately 3
    BandCase{0.0005f, SpeedBand::Low, 0, 100, 0, 0},            // above 0 by the relative test
    BandCase{NAN, SpeedBand::AtTwo, 155, 60, 0, 0},             // NaN is "approximately" anything
    // Just past each threshold, closer than 1% of it.
    BandCase{2.01f, SpeedBand::High, 155, 0, 0, 0},
    BandCase{3.02f, SpeedBand::High, 155, 0, 0, 0x3BF5C28F},
    BandCase{1.51f, SpeedBand::Middle, 0, 100, 170, 0},
    // 2.801 less 2.8 is just under 0.001; one unit less in 2.8 would put it over.
    BandCase{std::bit_cast<float>(0x40334395u), SpeedBand::High, 155, 0, 0, 0}));

TEST(TolerantComparisons, AreStrictAndRelative) {
    EXPECT_FALSE(isDefinitelyGreater(1.0009f, 1.0f)) << "under both the absolute and relative margins";
    EXPECT_TRUE(isDefinitelyGreater(1.0025f, 1.0f));
    EXPECT_TRUE(isDefinitelyGreater(0.0005f, 0.0f)) << "the relative margin is tiny near zero";
    EXPECT_FALSE(isDefinitelyGreater(0.001f, 0.001f));
    EXPECT_FALSE(isDefinitelyGreater(1.0f, 1.0025f));
    EXPECT_FALSE(isDefinitelyGreater(NAN, 1.0f));
    EXPECT_TRUE(isApproximatelyEqual(NAN, 1.0f));
    EXPECT_TRUE(isApproximatelyEqual(2001.5f, 2000.0f));
    EXPECT_FALSE(isApproximatelyEqual(2003.0f, 2000.0f));
    EXPECT_TRUE(isApproximatelyEqual(INFINITY, INFINITY)) << "inf - inf is NaN";
    EXPECT_TRUE(isApproximatelyEqual(0.001f, 0.0f)) << "a difference of exactly the tolerance";
    // 1.0000467 and 0.9990467 differ by exactly 0.001 times the larger, which is not less.
    EXPECT_FALSE(isApproximatelyEqual(std::bit_cast<float>(0x3F800188u), std::bit_cast<float>(0x3F7FC186u)));
}

class SpeedBarsTest : public HudTest {
protected:
    std::vector<Call> bars(bool mounted, float desired, float reported) {
        world().speedOverridden = true;
        world().speedOverride = reported;
        modState.desiredSpeed = desired;
        modState.playerCharacter = standin::kPlayerHandle;
        modState.targetEntity = mounted ? standin::kMountHandle : standin::kPlayerHandle;
        world().beginFrame(0);
        drawSpeedBars(mounted);
        return currentCalls();
    }
    static std::vector<Call> rects(const std::vector<Call>& calls) {
        std::vector<Call> out;
        for (const auto& c : calls) if (c.hash == nativeRectDraw) out.push_back(c);
        return out;
    }
};

// One rectangle's slots: centre, size, colour, two zeros.
std::vector<std::uint64_t> rect(std::uint32_t cx, std::uint32_t cy, std::uint32_t w, std::uint32_t h,
                                std::vector<std::uint64_t> rgba) {
    std::vector<std::uint64_t> out{cx, cy, w, h};
    out.insert(out.end(), rgba.begin(), rgba.end());
    out.insert(out.end(), {0, 0});
    return out;
}

std::uint32_t bitsOf(float v) { return std::bit_cast<std::uint32_t>(v); }

// Bit patterns worked out by hand from the stated order of single-precision
// operations. 1.5 and 0 are the default state; at 1.74 and 3.48 that order
// gives other bits than computing in double or as value × (factor × length).
TEST_F(SpeedBarsTest, DefaultGeometryAtDesiredOnePointFive) {
    const auto calls = bars(false, 1.5f, 0.0f);
    // Gate, blocked test, speed; then six primitives.
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ(calls[0].hash, nativeHudGate);
    EXPECT_EQ(calls[1].hash, nativeEntityBlocked);
    EXPECT_EQ(calls[1].args, (std::vector<std::uint64_t>{u(standin::kPlayerHandle), 0}));
    EXPECT_EQ(calls[2].hash, nativeEntitySpeed);
    EXPECT_EQ(calls[2].args, (std::vector<std::uint64_t>{u(standin::kPlayerHandle)}));
    const auto r = rects(calls);
    ASSERT_EQ(r.size(), 4u);
    const std::vector<std::uint64_t> grey{50, 50, 50, 200};
    // Upper row top 0.96 (0x3F75C28F), lower 0.975; backgrounds 0.15 long at 0.038.
    EXPECT_EQ(r[0].args, rect(0x3DE76C8C, 0x3F770A3E, 0x3E19999A, 0x3C23D70A, grey));
    EXPECT_EQ(r[1].args, rect(0x3D1BA5E3, 0x3F770A3E, 0x00000000, 0x3C23D70A, {0, 100, 0, 255}));
    EXPECT_EQ(r[2].args, rect(0x3DE76C8C, 0x3F7AE148, 0x3E19999A, 0x3C23D70A, grey));
    // 1.5 is half of the background: 0.075 (0x3D99999A), green.
    EXPECT_EQ(r[3].args, rect(0x3D9A9FBE, 0x3F7AE148, 0x3D99999A, 0x3C23D70A, {0, 100, 0, 255}));
    const auto& draws = world().current.draws;
    ASSERT_EQ(draws.size(), 6u);
    EXPECT_EQ(draws[2].text, "0.00");
    EXPECT_EQ(draws[5].text, "1.50");
    // The label sits at the bar's end, 0.113 (one ulp above its nearest float).
    EXPECT_EQ(bitsOf(draws[5].cx), 0x3DE76C8Cu);
    EXPECT_EQ(bitsOf(draws[5].cy), 0x3F78E21Au);
    // Reported 0: nudged 0.01 to the right of the bar's start.
    EXPECT_EQ(bitsOf(draws[2].cx), 0x3D449BA6u);
    EXPECT_EQ(bitsOf(draws[2].cy), 0x3F750B0Fu);
    for (const std::size_t i : {2u, 5u}) {
        EXPECT_EQ(bitsOf(draws[i].scale), 0x3E4CCCCDu);
        EXPECT_TRUE(draws[i].flag);
        EXPECT_EQ((std::vector<std::uint64_t>{draws[i].r, draws[i].g, draws[i].b, draws[i].a}),
                  (std::vector<std::uint64_t>{255, 255, 255, 255}));
    }
}

TEST_F(SpeedBarsTest, EachStepIsRoundedToSingleInTheStatedOrder) {
    const auto calls = bars(false, 1.74f, 3.48f);
    const auto r = rects(calls);
    ASSERT_EQ(r.size(), 4u);
    EXPECT_EQ(r[1].args, rect(0x3E000001, 0x3F770A3E, 0x3E322D10, 0x3C23D70A, {155, 0, 0, 255}));
    EXPECT_EQ(r[3].args, rect(0x3DA6E97A, 0x3F7AE148, 0x3DB22D10, 0x3C23D70A, {0, 100, 170, 255}));
    const auto& draws = world().current.draws;
    ASSERT_EQ(draws.size(), 6u);
    EXPECT_EQ(draws[2].text, "3.48");
    EXPECT_EQ(bitsOf(draws[2].cx), 0x3E516875u) << "the bar's end less the 0.0075 nudge";
    EXPECT_EQ(draws[5].text, "1.74");
    EXPECT_EQ(bitsOf(draws[5].cx), 0x3E000001u);
}

TEST_F(SpeedBarsTest, ReportedSpeedIsAbsoluteAndLongBarsOverrun) {
    bars(false, 3.0f, -6.0f);
    const auto& d = world().current.draws;
    ASSERT_EQ(d.size(), 6u);
    EXPECT_EQ(d[2].text, "6.00");
    EXPECT_EQ(bitsOf(d[1].w), 0x3E99999Au) << "0.3: twice the background";
    EXPECT_EQ(d[1].r, 155u);
    EXPECT_EQ(bitsOf(d[4].w), 0x3E19999Au) << "3 fills the background's 0.15";
    EXPECT_EQ(bitsOf(d[5].cx), 0x3E38D4FFu) << "0.1805: the bar's end, 0.188, less the 0.0075 nudge";
    bars(false, 1.5f, std::bit_cast<float>(0xBE000001u));  // -0.12500001, its lowest bit set
    EXPECT_EQ(d[2].text, "0.13") << "only the sign bit is cleared";
}

// With the rows near the top (1 - 0.97 = 0x3CF5C280), a unit in the last
// place of any offset shows in its row's or label's y.
TEST_F(SpeedBarsTest, RowAndLabelOffsetsAreTheStatedSinglePrecisionSums) {
    settings.UI_BOTTOM_OFFSET = 0.97f;
    bars(false, 1.5f, 1.0f);
    const auto& d = world().current.draws;
    ASSERT_EQ(d.size(), 6u);
    EXPECT_EQ(bitsOf(d[0].cy), 0x3C23D6EDu) << "upper background: 0.005 + (base - 0x3CCCCCCC)";
    EXPECT_EQ(bitsOf(d[2].cy), 0x3B102D70u) << "upper label: base - 0x3CE3BCD2";
    EXPECT_EQ(bitsOf(d[3].cy), 0x3CCCCCBEu) << "lower background: 0.005 + (base - 0.01)";
    EXPECT_EQ(bitsOf(d[5].cy), 0x3C8CE6F4u) << "lower label: base - 0x3C51B717";
}

TEST_F(SpeedBarsTest, GatesAndHiddenUpperRow) {
    world().hudGate = 1;
    world().hudGateOverride = 1;
    EXPECT_EQ(hashesOf(bars(false, 1.5f, 1.0f)), (std::vector<std::uint64_t>{nativeHudGate, nativeHudGateOverride}))
        << "on foot the override does not help";
    EXPECT_TRUE(world().current.draws.empty());
    bars(true, 1.5f, 1.0f);
    EXPECT_EQ(world().current.draws.size(), 6u) << "riding, the override allows the bars";
    world().hudGateOverride = 0;
    EXPECT_EQ(hashesOf(bars(true, 1.5f, 1.0f)), (std::vector<std::uint64_t>{nativeHudGate, nativeHudGateOverride}));
    EXPECT_TRUE(world().current.draws.empty());

    world().hudGate = 0;
    world().hudGateOverride = 1;
    EXPECT_EQ(bars(false, 1.5f, 1.0f)[1].hash, nativeEntityBlocked) << "an open gate asks no override";
    settings.UI_HIDE_PED_DESIRED_SPEED = true;
    const auto calls = bars(false, 2.0f, 1.0f);
    EXPECT_EQ(calls[1].hash, nativeRectDraw) << "no blocked test and no speed query when hidden";
    EXPECT_EQ(world().current.draws.size(), 3u);
    EXPECT_STREQ(reportedSpeedLabel, "0.00") << "both labels are formatted even when hidden";
    EXPECT_STREQ(desiredSpeedLabel, "2.00");
}

TEST_F(SpeedBarsTest, BlockedPlayerReportsZero) {
    world().blocked = true;
    const auto calls = bars(false, 1.5f, 2.5f);
    EXPECT_EQ(calls[2].hash, nativeRectDraw) << "the speed is not asked";
    EXPECT_EQ(world().current.draws[2].text, "0.00");
}

struct NoticeCase {
    NoticeKind kind;
    const char* label;
    std::uint32_t centreBits;
    float width;
    float wordX;
};

void PrintTo(const NoticeCase& c, std::ostream* os) { *os << c.label; }

class NoticeTest : public HudTest {};
class NoticeKinds : public NoticeTest, public testing::WithParamInterface<NoticeCase> {};

TEST_P(NoticeKinds, DrawItsBoxLabelAndWord) {
    const NoticeCase& c = GetParam();
    for (bool flag : {true, false}) {
        SCOPED_TRACE(flag ? "on" : "off");
        modState = ModState{};
        modState.noticeKind = c.kind;
        modState.modEnabled = modState.hudVisible = modState.autoWalk = flag;
        modState.horseSupportOff = !flag;  // kind 3 reports the inverse
        world().beginFrame(0);
        drawToggleNotice();
        const auto& calls = currentCalls();
        ASSERT_EQ(calls.size(), 11u);
        EXPECT_EQ(calls[0].args, (std::vector<std::uint64_t>{c.centreBits, f(0.0225f), f(c.width), f(0.035f),
                                                             25, 25, 25, 255, 0, 0}));
        const auto& d = world().current.draws;
        ASSERT_EQ(d.size(), 3u);
        EXPECT_EQ(d[1].text, c.label);
        EXPECT_EQ(d[1].cx, 0.0076f);
        EXPECT_EQ(d[1].cy, 0.006f);
        EXPECT_EQ(d[1].scale, 0.5f);
        EXPECT_FALSE(d[1].flag);
        EXPECT_EQ((std::vector<std::uint64_t>{d[1].r, d[1].g, d[1].b, d[1].a}),
                  (std::vector<std::uint64_t>{255, 255, 255, 200}));
        EXPECT_EQ(d[2].text, flag ? "On" : "Off");
        EXPECT_EQ(d[2].cx, c.wordX);
        EXPECT_EQ(d[2].cy, 0.006f);
        EXPECT_EQ(d[2].scale, 0.5f);
        EXPECT_FALSE(d[2].flag);
        EXPECT_EQ((std::vector<std::uint64_t>{d[2].r, d[2].g, d[2].b, d[2].a}),
                  (flag ? std::vector<std::uint64_t>{0, 255, 0, 200} : std::vector<std::uint64_t>{255, 0, 0, 200}));
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, NoticeKinds, testing::Values(
    NoticeCase{0, "PLK:", std::bit_cast<std::uint32_t>(0.0425f), 0.08f, 0.051f},
    NoticeCase{1, "PLK HUD:", 0x3D75C290u, 0.115f, 0.091f},
    NoticeCase{2, "PLK Auto-Walk:", std::bit_cast<std::uint32_t>(0.0775f), 0.15f, 0.126f},
    NoticeCase{3, "PLK Horse-Support:", std::bit_cast<std::uint32_t>(0.0925f), 0.18f, 0.156f}));

TEST_F(NoticeTest, UnknownKindsDrawNothing) {
    for (NoticeKind k : {-1, 4, 1000}) {
        modState.noticeKind = k;
        drawToggleNotice();
    }
    EXPECT_TRUE(currentCalls().empty());
}

TEST_F(NoticeTest, CopiesComeFromTheAllocatorAndAreFreedByTheNextPass) {
    static int allocations;
    allocations = 0;
    static std::size_t sizes[2];
    noticeAllocator = [](std::size_t n) -> void* {
        if (allocations < 2) sizes[allocations] = n;
        ++allocations;
        return std::malloc(n);
    };
    modState.noticeKind = 3;
    modState.horseSupportOff = true;
    drawToggleNotice();
    EXPECT_EQ(allocations, 2);
    EXPECT_EQ(sizes[0], sizeof("PLK Horse-Support:"));
    EXPECT_EQ(sizes[1], sizeof("Off"));
    // The host still sees the copies' text after the call returned.
    const auto& calls = currentCalls();
    const char* label = reinterpret_cast<const char*>(static_cast<std::uintptr_t>(calls[4].args[2]));
    EXPECT_STREQ(label, "PLK Horse-Support:");
    releaseNoticeCopies();  // what the next pass does first; ASan reports a leak otherwise
}

using NoticeDeathTest = NoticeTest;

TEST_F(NoticeDeathTest, StorageExhaustionEndsTheProcessWithStatusOne) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    for (int failAt : {0, 1}) {
        EXPECT_EXIT(
            {
                static int calls;
                calls = failAt;
                noticeAllocator = [](std::size_t n) -> void* { return calls-- > 0 ? std::malloc(n) : nullptr; };
                modState.noticeKind = 2;
                drawToggleNotice();
            },
            ::testing::ExitedWithCode(1), "^Memory Allocation Failed! Exiting...\n$");
    }
}

}  // namespace
