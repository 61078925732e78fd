// Loads and unloads the real Pacelark.dll again and again in this process,
// running a few frames each time, while another thread sends keyboard
// messages through the stand-in: throughout (run), or in some cycles and
// quiet while the heaps are summed (runCountingHeaps). Used by end-to-end
// tests and by the benchmark under Wine.
#pragma once

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <string>
#include <thread>

#include "bench/heap_bytes.h"
#include "bench/plugin_holdings.h"
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
            // On a busy machine the key thread may not have run yet at all:
            // wait, bounded, until it has reached a loaded handler once.
            const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
            while (delivered.load(std::memory_order_relaxed) == 0 && std::chrono::steady_clock::now() < until)
                std::this_thread::yield();
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

// The settings file the cycles start with, in the working folder.
enum class IniCase { NoFile, Clean, Stopping };
inline const char* iniCaseName(IniCase c) {
    return c == IniCase::NoFile ? "no file" : c == IniCase::Clean ? "a clean file" : "a file whose load stops";
}

struct HeapResult {
    int cycles = 0;  // counted, after the warm-up
    bool setupFailed = false;            // no settings file, no counting, or the warm-up missed its notice or keys
    int loadFailures = 0;
    int noticeCycles = 0;                // unloaded while the notice was on screen
    int noticeCyclesWithoutNotice = 0;   // must stay 0
    int keyCycles = 0;                   // keys streamed from another thread
    int keyCyclesWithoutDelivery = 0;    // must stay 0
    // What the plug-in held after the warm-up's unloads and after the
    // counted cycles' last: nothing, if it gave everything back.
    holdings::Counts heldBefore, heldAfter;
    // The fewest blocks the plug-in held while loaded, over the counted
    // cycles: never 0, or the counting does not reach it.
    std::int64_t fewestBlocksWhileLoaded = INT64_MAX;
    // Busy heap bytes after the warm-up and at the end: the allocators' own
    // bookkeeping included (see bench/plugin_holdings.h).
    std::uint64_t bytesBefore = 0;
    std::uint64_t bytesAfter = 0;
    // The lowest free TLS index, before and after: a DLL that keeps one per
    // load runs out of them after about a thousand loads.
    DWORD tlsBefore = 0, tlsAfter = 0;
    double seconds = 0;                  // the counted cycles alone
    std::int64_t growth() const { return static_cast<std::int64_t>(bytesAfter - bytesBefore); }
};

namespace detail {

inline bool lastFrameShowsNotice() {
    for (const standin::DrawItem& d : standin_world()->current.draws)
        if (d.kind == standin::DrawItem::Text && d.text == "PLK:") return true;
    return false;
}

inline DWORD lowestFreeTlsIndex() {
    const DWORD index = TlsAlloc();
    TlsFree(index);
    return index;
}

inline bool writeFile(const std::string& path, const char* text) {
    HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const DWORD size = static_cast<DWORD>(std::strlen(text));
    const bool ok = WriteFile(f, text, size, &written, nullptr) && written == size;
    CloseHandle(f);
    return ok;
}

}  // namespace detail

// Sums the busy bytes of every heap after the warm-up, runs `cycles`
// more, and sums again, each time with the stand-in reset and the key
// thread paused. Cycle c (from 1) is, by c % 3: plain; unloaded right after
// a frame that drew the notice (its two text copies still held); or run
// while another thread streams key messages, through load and unload. Every
// cycle starts in a folder with the settings file of `ini`: none; one that
// sets the mod's key to F7 and the starting speed; or one that sets the
// mod's key to F7 and then has a value that stops the load.
// The warm-up runs one cycle of each kind but the plain one.
inline HeapResult runCountingHeaps(const std::string& dllPath, int cycles, IniCase ini) {
    HeapResult r;
    char tmp[MAX_PATH], cwd[MAX_PATH];
    GetTempPathA(MAX_PATH, tmp);
    GetCurrentDirectoryA(MAX_PATH, cwd);
    const std::string folder = std::string(tmp) + "plk-heap-" + std::to_string(GetCurrentProcessId());
    const std::string file = folder + "\\Pacelark.ini";
    CreateDirectoryA(folder.c_str(), nullptr);
    const char* text = ini == IniCase::Clean      ? "[SETTINGS]\nTOGGLE_MOD_KEY=118\nINITIAL_WALK_SPEED=2\n"
                       : ini == IniCase::Stopping ? "[SETTINGS]\nTOGGLE_MOD_KEY=118\nTOGGLE_HUD_KEY=F11\n"
                                                  : nullptr;
    if ((text && !detail::writeFile(file, text)) || !holdings::install()) {
        r.setupFailed = true;
        return r;
    }
    const DWORD modKey = text ? 0x76 : 0x79;

    // Odd command: stream; even: pause. The key thread reports each pause
    // it has seen in `paused`, after which it delivers nothing until told.
    std::atomic<std::uint32_t> command{0}, paused{0};
    std::atomic<bool> stop{false};
    std::atomic<std::uint64_t> delivered{0};
    std::thread keys([&] {
        const DWORD codes[] = {0x79, 0x7A, 0xC0, 0x77, 0x41, 0x20, 300};
        std::uint32_t i = 0;
        while (!stop.load(std::memory_order_acquire)) {
            const std::uint32_t c = command.load(std::memory_order_acquire);
            if ((c & 1) == 0) {
                paused.store(c, std::memory_order_release);
                Sleep(1);
                continue;
            }
            const DWORD key = codes[i % 7];
            const BOOL up = (i / 7) & 1;
            ++i;
            if (standin_key(key, 1, 0, FALSE, FALSE, up, up)) delivered.fetch_add(1, std::memory_order_relaxed);
        }
    });
    auto stream = [&] { command.fetch_add(1, std::memory_order_release); };
    auto pause = [&] {
        const std::uint32_t c = command.fetch_add(1, std::memory_order_acq_rel) + 1;
        while (paused.load(std::memory_order_acquire) != c) Sleep(0);
    };

    // Returns false when the cycle did not do what it is for.
    auto cycle = [&](bool notice, bool streamKeys) {
        bool ok = true;
        standin_setTick(1000);
        standin_setFrameStep(16);
        standin_world()->keepHistory = false;
        SetCurrentDirectoryA(folder.c_str());
        const std::uint64_t deliveredBefore = delivered.load(std::memory_order_relaxed);
        if (streamKeys) stream();
        HMODULE dll = LoadLibraryA(dllPath.c_str());
        if (!dll) {
            ++r.loadFailures;
        } else {
            standin_runFrame();
            standin_runFrame();
            // The mod's toggle, as the settings have it: its notice opens in the last frame.
            if (notice) standin_tapKey(modKey);
            standin_runFrame();
            if (notice) ok = detail::lastFrameShowsNotice();
            r.fewestBlocksWhileLoaded = std::min(r.fewestBlocksWhileLoaded, holdings::blocksHeld());
            // Some messages must reach the loaded DLL's handler before it goes.
            const DWORD since = GetTickCount();
            while (streamKeys && delivered.load(std::memory_order_relaxed) < deliveredBefore + 16 &&
                   GetTickCount() - since < 5000)
                Sleep(0);
            FreeLibrary(dll);
        }
        if (streamKeys) {
            pause();
            ok = ok && delivered.load(std::memory_order_relaxed) >= deliveredBefore + 16;
        }
        standin_reset();
        return ok;
    };

    // The warm-up takes both paths, one at a time: streamed keys include the
    // mod's default key, and a streamed press landing between the toggle's
    // release and the next pass could take the notice's toggle away.
    r.setupFailed = !cycle(true, false) || !cycle(false, true);
    r.bytesBefore = heapbytes::busyBytes();
    r.heldBefore = holdings::now();
    r.tlsBefore = detail::lowestFreeTlsIndex();
    const auto start = std::chrono::steady_clock::now();
    for (int c = 1; c <= cycles; ++c) {
        const bool notice = c % 3 == 1, streamKeys = c % 3 == 2;
        const bool ok = cycle(notice, streamKeys);
        r.noticeCycles += notice;
        r.noticeCyclesWithoutNotice += notice && !ok;
        r.keyCycles += streamKeys;
        r.keyCyclesWithoutDelivery += streamKeys && !ok;
    }
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    r.bytesAfter = heapbytes::busyBytes();
    r.heldAfter = holdings::now();
    r.tlsAfter = detail::lowestFreeTlsIndex();
    r.cycles = cycles;

    stop.store(true, std::memory_order_release);
    keys.join();
    holdings::restore();
    SetCurrentDirectoryA(cwd);
    if (text) DeleteFileA(file.c_str());
    RemoveDirectoryA(folder.c_str());
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
