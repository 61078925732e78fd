// A hundred loads and unloads of the real DLL in one process, with keyboard
// messages arriving from another thread all the while.
#include <gtest/gtest.h>

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

}  // namespace
