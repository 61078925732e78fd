// Under Wine: times 100 load and unload cycles of the real DLL, then counts
// what 1,000 more leave behind, with no settings file, a clean one and one
// whose load stops: what the plug-in itself still holds (its blocks, critical
// sections, TLS indexes and handles), and beside it what the process's heaps
// grew by, their allocator's own bookkeeping included.
#include <cstdio>
#include <string>

#include "bench/figures.h"
#include "bench/load_cycles.h"

int main() {
    const std::string dll = loadcycles::dllBesideProgram();
    const loadcycles::Result r = loadcycles::run(dll, 100, 3);
    std::printf("%d loads, %d failures, %llu messages delivered while loaded, %llu after unload\n", r.loads,
                r.loadFailures, static_cast<unsigned long long>(r.deliveredWhileLoaded),
                static_cast<unsigned long long>(r.deliveredAfterUnload));
    figures::print("100 load/unload cycles under Wine (3 frames each, keys streaming)",
                   figures::fmt("%.0f ms", r.seconds * 1e3) + figures::fmt(" (%.2f ms/cycle)", r.seconds * 10));

    bool allRan = true;
    for (const loadcycles::IniCase ini :
         {loadcycles::IniCase::NoFile, loadcycles::IniCase::Clean, loadcycles::IniCase::Stopping}) {
        const loadcycles::HeapResult h = loadcycles::runCountingHeaps(dll, 1000, ini);
        const bool ran = !h.setupFailed && h.loadFailures == 0 && h.noticeCyclesWithoutNotice == 0 &&
                         h.keyCyclesWithoutDelivery == 0 && h.bytesBefore != UINT64_MAX &&
                         h.bytesAfter != UINT64_MAX && h.fewestBlocksWhileLoaded > 0;
        allRan = allRan && ran;
        const holdings::Counts& held = h.heldAfter;
        std::printf("%s: %d cycles after a warm-up in %.2f s (%.2f ms/cycle): %d unloaded with the notice up, "
                    "%d with keys streaming; the plug-in holds %lld blocks while loaded, %lld (%lld bytes) after; "
                    "handles %lld, files %lld, critical sections %lld, TLS indexes %lld, lowest free TLS index %lu -> %lu; "
                    "busy heap bytes %llu -> %llu%s\n",
                    loadcycles::iniCaseName(ini), h.cycles, h.seconds, h.seconds * 1e3 / h.cycles, h.noticeCycles,
                    h.keyCycles, static_cast<long long>(h.fewestBlocksWhileLoaded),
                    static_cast<long long>(held.blocks), static_cast<long long>(held.bytes),
                    static_cast<long long>(held.handles), static_cast<long long>(held.files),
                    static_cast<long long>(held.criticalSections), static_cast<long long>(held.tlsIndexes),
                    h.tlsBefore, h.tlsAfter,
                    static_cast<unsigned long long>(h.bytesBefore), static_cast<unsigned long long>(h.bytesAfter),
                    ran ? "" : " (the cycles did not run as planned)");
        // Which plan failed, so a rare miss can be told from the next one.
        if (!ran)
            std::printf("  warm-up %s, %d loads failed, %d notice cycles without the notice, %d key cycles with "
                        "fewer than 16 messages delivered, heap walk %s\n",
                        h.setupFailed ? "failed" : "ran", h.loadFailures, h.noticeCyclesWithoutNotice,
                        h.keyCyclesWithoutDelivery,
                        h.bytesBefore == UINT64_MAX || h.bytesAfter == UINT64_MAX ? "failed" : "ran");
        const bool kept = held.tlsIndexes != 0 || h.tlsAfter != h.tlsBefore;
        const bool clean = held == holdings::Counts{};
        const std::string name = loadcycles::iniCaseName(ini);
        figures::print("bytes the plug-in keeps per load/unload cycle over 1,000 cycles, " + name,
                       figures::fmt("%.1f", static_cast<double>(held.bytes) / h.cycles) +
                           figures::fmt(" (%.0f blocks", static_cast<double>(held.blocks)) +
                           (kept ? "; TLS indexes kept too)" : "; no TLS index or handle kept)"),
                       "0", figures::verdict(ran && clean));
        figures::print("  the process's heaps, their allocator's bookkeeping included, " + name,
                       figures::fmt("%+.1f bytes a cycle", static_cast<double>(h.growth()) / h.cycles));
    }
    return r.loads == 100 && r.deliveredAfterUnload == 0 && allRan ? 0 : 1;
}
