// Loads and unloads the real Pacelark.dll again and again in this process,
// running a few frames each time, while another thread sends keyboard
// messages through the stand-in throughout. Used by an end-to-end test and
// by the benchmark under Wine.
#pragma once

#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>

#include "standin/standin.h"

namespace loadcycles {

struct Result {
    int loads = 0;
    int loadFailures = 0;
    std::uint64_t scriptStarts = 0;
    std::uint64_t deliveredWhileLoaded = 0;
    std::uint64_t attemptsWhileUnloaded = 0;
    std::uint64_t deliveredAfterUnload = 0;  // must stay 0
    double seconds = 0;                      // the cycles alone
};

// The phase word: cycle number times 2, plus 1 while a load, the frames or
// an unload may be under way.
inline Result run(const std::string& dllPath, int cycles, int framesPerCycle) {
    Result r;
    standin_reset();
    standin_setTick(1000);
    standin_setFrameStep(16);
    std::atomic<std::uint64_t> phase{0};
    std::atomic<bool> stop{false};
    std::atomic<std::uint64_t> delivered{0}, unloadedAttempts{0}, afterUnload{0};

    std::thread keys([&] {
        const DWORD codes[] = {0x79, 0x7A, 0xC0, 0x77, 0x41, 0x20, 300};
        std::uint32_t i = 0;
        while (!stop.load(std::memory_order_acquire)) {
            const DWORD key = codes[i % 7];
            const BOOL up = (i / 7) & 1;
            ++i;
            const std::uint64_t before = phase.load(std::memory_order_acquire);
            const int got = standin_key(key, 1, 0, FALSE, FALSE, up, up);
            const std::uint64_t after = phase.load(std::memory_order_acquire);
            // The whole delivery lay between an unload's end and the next load's start.
            const bool unloaded = before == after && (before & 1) == 0;
            if (unloaded) {
                unloadedAttempts.fetch_add(1, std::memory_order_relaxed);
                if (got) afterUnload.fetch_add(1, std::memory_order_relaxed);
            } else if (got) {
                delivered.fetch_add(1, std::memory_order_relaxed);
            }
        }
    });

    const auto start = std::chrono::steady_clock::now();
    for (int c = 0; c < cycles; ++c) {
        phase.store(2 * static_cast<std::uint64_t>(c) + 1, std::memory_order_release);
        HMODULE dll = LoadLibraryA(dllPath.c_str());
        if (!dll) {
            ++r.loadFailures;
        } else {
            ++r.loads;
            for (int f = 0; f < framesPerCycle; ++f) standin_runFrame();
            FreeLibrary(dll);
        }
        phase.store(2 * static_cast<std::uint64_t>(c) + 2, std::memory_order_release);
        // Let the key thread try at least once while nothing is loaded.
        const std::uint64_t seen = unloadedAttempts.load(std::memory_order_relaxed);
        while (unloadedAttempts.load(std::memory_order_relaxed) == seen) std::this_thread::yield();
    }
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    stop.store(true, std::memory_order_release);
    keys.join();
    r.scriptStarts = standin_scriptStarts();
    r.deliveredWhileLoaded = delivered;
    r.attemptsWhileUnloaded = unloadedAttempts;
    r.deliveredAfterUnload = afterUnload;
    standin_reset();
    return r;
}

// Pacelark.dll beside the running program.
inline std::string dllBesideProgram() {
    char path[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir(path, n);
    return dir.substr(0, dir.find_last_of("\\/") + 1) + "Pacelark.dll";
}

}  // namespace loadcycles
