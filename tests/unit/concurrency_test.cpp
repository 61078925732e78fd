// The loop polling and clearing the key table on the script context while
// another thread stamps messages through the script hook: meant for
// ThreadSanitizer as much as for its own checks.
#include <atomic>
#include <chrono>
#include <thread>

#include "host/entry.h"
#include "support.h"

using namespace plktest;

namespace {

class LoopAndKeyThread : public PluginTest {};

TEST_F(LoopAndKeyThread, EveryReleaseIsTakenExactlyOnceWhileOtherKeysStream) {
    constexpr int kReleases = 101;  // odd: the mod ends up off
    standin_setTick(5000);          // a still clock: no release can age out
    const auto module = reinterpret_cast<HINSTANCE>(static_cast<std::uintptr_t>(0x180000000ULL));
    DllMain(module, DLL_PROCESS_ATTACH, nullptr);
    world().keepHistory = false;

    std::atomic<bool> done{false};
    std::atomic<int> delivered{0};
    std::thread keys([&] {
        for (int i = 0; i < kReleases; ++i) {
            delivered += standin_key(0x79, 1, 0x44, 0, 0, 1, 1);
            // Noise on other records, in and beyond the table, until the loop
            // has consumed this release.
            DWORD other = 0x41;
            while (keyStateTable[0x79].isUpNow.load(std::memory_order_relaxed) != 0) {
                standin_key(other, 1, 0, 0, other & 1, 1, other & 2);
                standin_key(other + 300, 1, 0, 0, 0, 1, 1);
                other = other == 0x5A ? 0x41 : other + 1;
            }
        }
        done = true;
    });
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    std::uint64_t frames = 0;
    while (!done && std::chrono::steady_clock::now() < limit) {
        standin_runFrame();
        ++frames;
    }
    const bool finished = done;
    if (!finished) DllMain(module, DLL_PROCESS_DETACH, nullptr);  // lets the key thread's wait end
    keys.join();
    standin_runFrame();
    ASSERT_TRUE(finished) << "releases were not consumed within a minute";
    EXPECT_EQ(delivered, kReleases);
    EXPECT_FALSE(modState.modEnabled) << "an odd number of releases, each taken once, leaves the mod off";
    EXPECT_EQ(modState.noticeKind, 0);
    EXPECT_GE(frames, static_cast<std::uint64_t>(kReleases));
    DllMain(module, DLL_PROCESS_DETACH, nullptr);
}

}  // namespace
