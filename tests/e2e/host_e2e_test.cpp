// The real Pacelark.dll, loaded by the Windows loader beside the stand-in
// script hook library.
#include <gtest/gtest.h>
#include <windows.h>

#include "standin/standin.h"

namespace {

using standin::EventKind;

class RealDll : public ::testing::Test {
protected:
    HMODULE dll = nullptr;
    void SetUp() override { standin_reset(); }
    void TearDown() override {
        if (dll) FreeLibrary(dll);
        standin_reset();
    }
    void load() {
        dll = LoadLibraryA("Pacelark.dll");
        ASSERT_NE(dll, nullptr) << "LoadLibrary failed: " << GetLastError();
    }
    void unload() {
        ASSERT_TRUE(FreeLibrary(dll));
        dll = nullptr;
    }
};

TEST_F(RealDll, LoadRegistersScriptThenHandlerWithItsModuleAndUnloadWithdrawsBoth) {
    load();
    const auto& ev = *standin_events();
    ASSERT_EQ(ev.size(), 2u);
    EXPECT_EQ(ev[0].kind, EventKind::ScriptRegister);
    EXPECT_EQ(ev[0].module, static_cast<void*>(dll));
    EXPECT_EQ(ev[1].kind, EventKind::KeyboardRegister);
    void* module = dll;
    unload();
    ASSERT_EQ(ev.size(), 4u);
    EXPECT_EQ(ev[2].kind, EventKind::ScriptUnregister);
    EXPECT_EQ(ev[2].module, module);
    EXPECT_EQ(ev[3].kind, EventKind::KeyboardUnregister);
    EXPECT_EQ(ev[3].function, ev[1].function);
    EXPECT_EQ(standin_scriptStarts(), 0u);
    EXPECT_EQ(standin_world()->totalCalls, 0u);
}

DWORD WINAPI idleThread(LPVOID) { return 0; }

TEST_F(RealDll, ThreadAttachAndDetachMakeNoCalls) {
    load();
    HANDLE t = CreateThread(nullptr, 0, idleThread, nullptr, 0, nullptr);
    ASSERT_NE(t, nullptr);
    WaitForSingleObject(t, INFINITE);
    CloseHandle(t);
    EXPECT_EQ(standin_events()->size(), 2u);
    EXPECT_EQ(standin_world()->totalCalls, 0u);
}

TEST_F(RealDll, ScriptRunsOnceEveryFrameAndNotAfterUnload) {
    standin_setTick(50000);
    load();
    for (int i = 0; i < 4; ++i) EXPECT_EQ(standin_runFrame(), 1);
    EXPECT_EQ(standin_scriptStarts(), 1u);
    const auto& frames = standin_world()->history;
    ASSERT_EQ(frames.size(), 4u);
    for (const auto& f : frames) {
        ASSERT_FALSE(f.calls.empty());
        // The takeover's blocked test opens every pass, on last pass's character.
        EXPECT_EQ(f.calls.front().hash, 0x997ABD671D25CA0BULL);
        const std::uint64_t expected = &f == &frames.front() ? 0 : std::uint32_t(standin::kPlayerHandle);
        EXPECT_EQ(f.calls.front().args, (std::vector<std::uint64_t>{expected, 0}));
    }
    unload();
    EXPECT_EQ(standin_runFrame(), 0);
    EXPECT_TRUE(standin_world()->history.back().calls.empty());
}

TEST_F(RealDll, KeyReleasedBeforeTheScriptStartsTogglesTheModInTheFirstPass) {
    standin_setTick(7000);
    load();
    EXPECT_EQ(standin_key(0x79, 1, 0x44, 0, 0, 1, 1), 1);
    standin_runFrame();
    const auto& calls = standin_world()->history.back().calls;
    // Mod off: the notice's box is the only rectangle, and no lookup happens.
    int rects = 0, lookups = 0;
    for (const auto& c : calls) {
        rects += c.hash == 0x405224591DF02025ULL;
        lookups += c.hash == 0x217E9DC48139933DULL;
    }
    EXPECT_EQ(rects, 1);
    EXPECT_EQ(lookups, 0);
    unload();
    EXPECT_EQ(standin_key(0x79, 1, 0x44, 0, 0, 1, 1), 0);
}

TEST_F(RealDll, ArgumentSlotsReachTheHostAsSpecified) {
    standin_setTick(100);
    load();
    standin_runFrame();
    bool sawTakeover = false, sawSpeed = false;
    for (const auto& c : standin_world()->history.back().calls) {
        if (c.hash == 0xFE99B66D079CF6BCULL && !sawTakeover) {
            sawTakeover = true;
            EXPECT_EQ(c.args, (std::vector<std::uint64_t>{0, 0xFD0F0C2Cu, 1}));
        }
        if (c.hash == 0x433083750C5E064AULL) {
            sawSpeed = true;
            EXPECT_EQ(c.args, (std::vector<std::uint64_t>{std::uint32_t(standin::kPlayerHandle), 0x3FC00000u}));
        }
    }
    EXPECT_TRUE(sawTakeover);
    EXPECT_TRUE(sawSpeed);
}

}  // namespace
