// Heap use of whole passes, counted by the process-wide allocator hook over
// the no-op script hook (which itself never allocates).
#include <gtest/gtest.h>

#include <cstdint>
#include <new>

#include "bench/alloc_count.h"
#include "bench/noop_host.h"
#include "config/ini.h"
#include "config/settings.h"
#include "control/control_loop.h"
#include "host/keys.h"
#include "host/native.h"
#include "hud/notice.h"

namespace {

struct PassHeap {
    std::uint64_t allocations;
    std::int64_t outstandingAfter;  // relative to before the pass
    std::int64_t peak;              // highest outstanding during the pass, relative
};

PassHeap countedPass() {
    const plkalloc::Counts before = plkalloc::counts();
    plkalloc::resetPeak();
    runControlPass();
    const plkalloc::Counts after = plkalloc::counts();
    return {after.allocations - before.allocations, after.outstanding() - before.outstanding(),
            after.peak - before.outstanding()};
}

void release(DWORD key) { onKeyboardMessage(key, 1, 0, 0, 0, 1, 1); }

class HeapTest : public ::testing::Test {
protected:
    void SetUp() override { reset(); }
    void TearDown() override { reset(); }
    static void reset() { noophost::resetPlugin(); }
    // Copies of a notice that ended are released by the next pass.
    std::int64_t settle() {
        noophost::setTick(noophost::tick() + 5000);
        const std::int64_t before = plkalloc::counts().outstanding();
        runControlPass();
        runControlPass();
        return plkalloc::counts().outstanding() - before;
    }
};

struct StateCase {
    const char* name;
    void (*arrange)();
};

const StateCase kStates[] = {
    {"walking with the overlay", [] {}},
    {"walking, speed stepping and auto-walk",
     [] {
         noophost::setAnswer(nativeControlQuery, 1);
         modState.autoWalk = true;
     }},
    {"riding", [] {
         noophost::setAnswer(nativeIsMounted, 1);
         noophost::setAnswer(nativeMountOf, 77);
         modState.autoWalk = true;
     }},
    {"riding with mount support off", [] {
         noophost::setAnswer(nativeIsMounted, 1);
         modState.horseSupportOff = true;
     }},
    {"blocked", [] { noophost::setAnswer(nativeEntityBlocked, 1); }},
    {"HUD gate closed", [] { noophost::setAnswer(nativeHudGate, 1); }},
    {"overlay hidden", [] { modState.hudVisible = false; }},
    {"mod off", [] { modState.modEnabled = false; }},
    {"upper row hidden", [] { settings.UI_HIDE_PED_DESIRED_SPEED = true; }},
};

TEST_F(HeapTest, PassesWithoutANoticeAllocateNothingInEveryState) {
    for (const StateCase& state : kStates) {
        SCOPED_TRACE(state.name);
        reset();
        state.arrange();
        runControlPass();  // anything lazily set up by the C library happens here
        for (int i = 0; i < 200; ++i) {
            noophost::setTick(noophost::tick() + 16);
            const PassHeap h = countedPass();
            ASSERT_EQ(h.allocations, 0u) << "pass " << i;
            ASSERT_EQ(h.outstandingAfter, 0) << "pass " << i;
        }
    }
}

TEST_F(HeapTest, AShownNoticeTakesTwoCopiesPerPassAndNeverHoldsMoreThanTwo) {
    const DWORD keys[4] = {121, 122, 192, 119};  // one notice of each kind
    for (DWORD key : keys) {
        SCOPED_TRACE(key);
        reset();
        runControlPass();
        release(key);
        std::int64_t held = 0;
        int shown = 0;
        // Every 10 ms through the 2000 ms window and a little beyond it.
        for (int t = 0; t <= 2100; t += 10) {
            const PassHeap h = countedPass();
            const bool due = t <= 2000;
            ASSERT_EQ(h.allocations, due ? 2u : 0u) << "at +" << t << " ms";
            held += h.outstandingAfter;
            ASSERT_EQ(held, due ? 2 : 0) << "copies held after the pass at +" << t << " ms";
            ASSERT_LE(held - h.outstandingAfter + h.peak, 2) << "peak inside the pass at +" << t << " ms";
            shown += due;
            noophost::setTick(noophost::tick() + 10);
        }
        EXPECT_EQ(shown, 201);
        EXPECT_EQ(settle(), 0);
    }
}

TEST_F(HeapTest, TwoTogglesInOnePassStillTakeTwoCopies) {
    runControlPass();
    release(122);  // HUD
    release(192);  // auto-walk: the later kind is the one shown
    const PassHeap h = countedPass();
    EXPECT_EQ(modState.noticeKind, 2);
    EXPECT_EQ(h.allocations, 2u);
    EXPECT_EQ(h.outstandingAfter, 2);
    EXPECT_LE(h.peak, 2);
    EXPECT_EQ(settle(), -2);
}

TEST_F(HeapTest, ANoticeDrawnTwiceInOnePassHoldsOnlyTheLastCopies) {
    modState.noticeKind = kNoticeHud;
    const std::int64_t before = plkalloc::counts().outstanding();
    drawToggleNotice();
    drawToggleNotice();
    EXPECT_EQ(plkalloc::counts().outstanding() - before, 2);
    releaseNoticeCopies();
    EXPECT_EQ(plkalloc::counts().outstanding() - before, 0);
}

TEST_F(HeapTest, ResettingOrUnloadingThePluginGivesBackAShownNoticesCopies) {
    for (void (*giveBack)() : {resetPluginState, unloadPluginState}) {
        modState.noticeKind = kNoticeMod;
        const std::int64_t before = plkalloc::counts().outstanding();
        drawToggleNotice();
        ASSERT_EQ(plkalloc::counts().outstanding() - before, 2);
        giveBack();
        EXPECT_EQ(plkalloc::counts().outstanding() - before, 0);
    }
}

// Storage running out at each allocation of an insertion in turn: the list
// and the index of the INI document stay in step.
TEST_F(HeapTest, AnIniInsertionThatRunsOutOfStorageLeavesNoHalfEntry) {
    for (std::int64_t allowed = 0;; ++allowed) {
        IniDocument doc;
        doc.sectionFor("a");
        bool added = false;
        plkalloc::failAfter(allowed);
        try {
            doc.sectionFor("b");
            added = true;
        } catch (const std::bad_alloc&) {
        }
        plkalloc::failAfter(-1);
        EXPECT_EQ(doc.entries().size(), added ? 2u : 1u) << "after " << allowed << " allocations";
        EXPECT_EQ(doc.hasSection("b"), added) << "after " << allowed << " allocations";
        if (added) break;
    }
}

TEST_F(HeapTest, ANoticeAcrossTheTickCounterWrapStaysBounded) {
    noophost::setTick(0xFFFFFF00u);
    runControlPass();
    release(121);
    std::int64_t held = 0;
    for (int i = 0; i < 300; ++i) {
        const PassHeap h = countedPass();
        held += h.outstandingAfter;
        ASSERT_LE(h.allocations, 2u);
        ASSERT_LE(held, 2);
        ASSERT_EQ(h.allocations, i * 10 <= 2000 ? 2u : 0u) << "pass " << i;
        noophost::setTick(noophost::tick() + 10);
    }
}

}  // namespace
