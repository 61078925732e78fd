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
// DLL goes while a notice is on screen. Counted where the plug-in takes it
// (bench/plugin_holdings.h): the heaps' own sum drifts under Wine 10 with its
// allocator's bookkeeping, whoever allocates.
TEST(RealDllCycles, ThousandLoadsAndUnloadsLeaveTheHeapsAsTheyWere) {
    for (const loadcycles::IniCase ini :
         {loadcycles::IniCase::NoFile, loadcycles::IniCase::Clean, loadcycles::IniCase::Stopping}) {
        SCOPED_TRACE(loadcycles::iniCaseName(ini));
        const loadcycles::HeapResult r = loadcycles::runCountingHeaps(loadcycles::dllBesideProgram(), 334, ini);
        ASSERT_FALSE(r.setupFailed);
        EXPECT_EQ(r.loadFailures, 0);
        EXPECT_EQ(r.noticeCyclesWithoutNotice, 0) << "the last frame before the unload drew no notice";
        EXPECT_EQ(r.keyCyclesWithoutDelivery, 0) << "the key thread reached no loaded handler";
        EXPECT_GT(r.fewestBlocksWhileLoaded, 0) << "the counting did not reach the loaded plug-in";
        const holdings::Counts& held = r.heldAfter;
        EXPECT_EQ(held.blocks, 0) << "the unloaded plug-in still holds " << held.blocks << " blocks (" << held.bytes
                                  << " bytes) after " << r.cycles << " cycles and the warm-up";
        EXPECT_EQ(held.bytes, 0);
        EXPECT_EQ(held.criticalSections, 0) << "critical sections were left initialised";
        EXPECT_EQ(held.tlsIndexes, 0) << "TLS indexes were kept";
        EXPECT_EQ(held.handles, 0) << "handles were left open";
        EXPECT_EQ(held.files, 0) << "files were left open";
        EXPECT_EQ(r.tlsAfter, r.tlsBefore) << "the lowest free TLS index moved";
    }
}

}  // namespace
