// Loads and unloads of the real DLL in one process, with keyboard messages
// arriving from another thread: a hundred with messages all the while, and a
// thousand more that must leave the process's heaps as they found them.
#include <gtest/gtest.h>

#include <cstdio>

#include "bench/load_cycles.h"

namespace {

TEST(RealDllCycles, HundredLoadsAndUnloadsWithKeysFromAnotherThread) {
    const loadcycles::Result r = loadcycles::run(loadcycles::dllBesideProgram(), 100, 3);
    EXPECT_EQ(r.loadFailures, 0);
    EXPECT_EQ(r.loads, 100);
    EXPECT_EQ(r.scriptStarts, 100u) << "the script starts once per load";
    EXPECT_GT(r.deliveredWhileLoaded, 0u);
    EXPECT_GE(r.attemptsWhileUnloaded, 100u);
    EXPECT_EQ(r.deliveredAfterUnload, 0u) << "a message reached a handler after its DLL was unloaded";
}

// Each cycle must give back all it took, with no settings file, a clean one
// and one whose load stops: what the runtime takes at load (its emergency
// exception pool), anything it would take at first use on the script's
// thread (a lock or a TLS index), and the notice's two text copies when the
// DLL goes while a notice is on screen.
TEST(RealDllCycles, ThousandLoadsAndUnloadsLeaveTheHeapsAsTheyWere) {
    for (const loadcycles::IniCase ini :
         {loadcycles::IniCase::NoFile, loadcycles::IniCase::Clean, loadcycles::IniCase::Stopping}) {
        SCOPED_TRACE(loadcycles::iniCaseName(ini));
        const loadcycles::HeapResult r = loadcycles::runCountingHeaps(loadcycles::dllBesideProgram(), 334, ini);
        ASSERT_FALSE(r.setupFailed);
        EXPECT_EQ(r.loadFailures, 0);
        EXPECT_EQ(r.noticeCyclesWithoutNotice, 0) << "the last frame before the unload drew no notice";
        EXPECT_EQ(r.keyCyclesWithoutDelivery, 0) << "the key thread reached no loaded handler";
        ASSERT_NE(r.bytesBefore, UINT64_MAX);
        ASSERT_NE(r.bytesAfter, UINT64_MAX);
        char perCycle[32];
        std::snprintf(perCycle, sizeof perCycle, "%.1f", static_cast<double>(r.growth()) / r.cycles);
        EXPECT_EQ(r.growth(), 0) << "the heaps grew by " << r.growth() << " bytes over " << r.cycles << " cycles ("
                                 << perCycle << " a cycle)";
        EXPECT_EQ(r.tlsAfter, r.tlsBefore) << "TLS indexes were kept";
    }
}

}  // namespace
