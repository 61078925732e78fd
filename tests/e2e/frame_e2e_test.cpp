// Sessions of the real DLL under Wine: keys, controls, riding, the overlay
// and the notice, as the stand-in world records them.
#include <gtest/gtest.h>
#include <windows.h>

#include <bit>
#include <string>

#include "standin/standin.h"

namespace {

constexpr std::uint64_t kSetPrimary = 0x433083750C5E064AULL;
constexpr std::uint64_t kSetSecondary = 0x01A898D26E2333DDULL;
constexpr std::uint64_t kSetControlValue = 0xE8A25867FBA3B05EULL;
constexpr std::uint32_t kUp = 0x81457A1Au, kDown = 0x9DA42644u;

std::uint64_t f(float v) { return std::bit_cast<std::uint32_t>(v); }

class Session : public ::testing::Test {
protected:
    HMODULE dll = nullptr;
    standin::World* w = nullptr;
    void SetUp() override {
        standin_reset();
        standin_setTick(1000000);
        standin_setFrameStep(16);
        dll = LoadLibraryA("Pacelark.dll");
        ASSERT_NE(dll, nullptr);
        w = standin_world();
    }
    void TearDown() override {
        if (dll) FreeLibrary(dll);
        standin_reset();
    }
    const standin::FrameRecord& frame() {
        standin_runFrame();
        return w->history.back();
    }
    static std::string texts(const standin::FrameRecord& f) {
        std::string out;
        for (const auto& d : f.draws)
            if (d.kind == standin::DrawItem::Text) out += d.text + "|";
        return out;
    }
    static const standin::NativeCallRecord* find(const standin::FrameRecord& f, std::uint64_t hash) {
        for (const auto& c : f.calls)
            if (c.hash == hash) return &c;
        return nullptr;
    }
};

TEST_F(Session, OverlayShowsBothSpeedsWithTheirLabels) {
    frame();
    const auto& f = frame();
    ASSERT_EQ(f.draws.size(), 6u);
    EXPECT_EQ(f.draws[5].text, "1.50");
    EXPECT_EQ(f.draws[4].g, 100u);
    // ((1.5 × third) × 0.15 + 0.038) rounded at each step: one unit above the float nearest 0.113.
    EXPECT_EQ(std::bit_cast<std::uint32_t>(f.draws[5].cx), 0x3DE76C8Cu);
    EXPECT_EQ(f.draws[5].scale, std::bit_cast<float>(0x3E4CCCCDu));
}

TEST_F(Session, ModKeyTurnsEverythingOffAndShowsTheNoticeForTwoSeconds) {
    frame();
    standin_tapKey(0x79);  // F10
    const auto& off = frame();
    EXPECT_EQ(texts(off), "PLK:|Off|");
    EXPECT_EQ(find(off, 0x217E9DC48139933DULL), nullptr) << "no lookup with the mod off";
    EXPECT_EQ(off.draws[0].w, 0.08f);
    EXPECT_EQ(std::bit_cast<std::uint32_t>(off.draws[0].cx), std::bit_cast<std::uint32_t>(0.0425f));
    EXPECT_EQ(off.draws[2].r, 255u);
    // 16 ms frames: the notice lasts through tick +2000 and is gone after.
    int shown = 1;
    while (texts(frame()) == "PLK:|Off|") ++shown;
    EXPECT_EQ(shown, 2000 / 16 + 1);
    EXPECT_TRUE(w->history.back().calls.empty());
    standin_tapKey(0x79);
    EXPECT_EQ(texts(frame()).rfind("PLK:|On|", 0), 0u) << texts(w->history.back());
}

TEST_F(Session, HudKeyHidesTheBarsAndNoticeKindOneSitsAtItsPattern) {
    frame();
    standin_tapKey(0x7A);  // F11
    const auto& f = frame();
    ASSERT_EQ(f.draws.size(), 3u) << "bars gone in the same frame";
    EXPECT_EQ(std::bit_cast<std::uint32_t>(f.draws[0].cx), 0x3D75C290u);
    EXPECT_EQ(f.draws[1].text, "PLK HUD:");
    EXPECT_EQ(f.draws[2].text, "Off");
    EXPECT_EQ(f.draws[2].cx, 0.091f);
}

TEST_F(Session, SpeedControlsStepTheDesiredSpeedToTheBounds) {
    w->setControl(kUp, true);
    for (int i = 0; i < 30; ++i) frame();
    const auto& top = w->history.back();
    EXPECT_EQ(top.draws[5].text, "3.00");
    EXPECT_EQ(top.draws[4].r, 155u);
    w->clearControls();
    w->setControl(kDown, true);
    for (int i = 0; i < 40; ++i) frame();
    EXPECT_EQ(w->history.back().draws[5].text, "0.20");
    // Walking sends the desired speed on both natives.
    w->clearControls();
    w->setControl(0x8FD015D8u, true);
    const auto& walk = frame();
    EXPECT_EQ(find(walk, kSetPrimary)->args[1], f(0.2f));
    EXPECT_EQ(find(walk, kSetSecondary)->args[1], f(0.2f));
}

TEST_F(Session, RidingAutoWalkSetsTheMountAndTheControlValue) {
    frame();
    w->mounted = true;
    standin_tapKey(0xC0);  // auto-walk
    const auto& fr = frame();
    const auto* primary = find(fr, kSetPrimary);
    ASSERT_NE(primary, nullptr);
    EXPECT_EQ(primary->args, (std::vector<std::uint64_t>{std::uint32_t(standin::kMountHandle), f(1.5f)}));
    const auto* cv = find(fr, kSetControlValue);
    ASSERT_NE(cv, nullptr);
    EXPECT_EQ(cv->args, (std::vector<std::uint64_t>{0, 0x3BBDEFEFu, 0xBF800000u}));
    EXPECT_NE(texts(fr).find("PLK Auto-Walk:|On|"), std::string::npos);
    // Mount support off: riding ends the pass before any speed is set.
    standin_tapKey(0x77);  // F8
    const auto& g = frame();
    EXPECT_EQ(find(g, kSetPrimary), nullptr);
    EXPECT_EQ(texts(g), "PLK Horse-Support:|Off|");
}

TEST_F(Session, NoticeStartedJustBeforeTheTickWrapShowsAcrossIt) {
    standin_setTick(0xFFFFFF00u);
    frame();
    standin_tapKey(0x7A);
    int shown = 0;
    for (int i = 0; i < 200; ++i)
        if (texts(frame()).rfind("PLK HUD:|", 0) == 0) ++shown;
    EXPECT_EQ(shown, 2000 / 16 + 1);
}

}  // namespace
