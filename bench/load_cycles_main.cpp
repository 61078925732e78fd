// Under Wine: times 100 load and unload cycles of the real DLL, then counts
// what 1,000 more leave on the process's heaps, with no settings file, a
// clean one and one whose load stops.
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
                         h.keyCyclesWithoutDelivery == 0 && h.bytesBefore != UINT64_MAX && h.bytesAfter != UINT64_MAX;
        allRan = allRan && ran;
        std::printf("%s: %d cycles after a warm-up in %.2f s (%.2f ms/cycle): %d unloaded with the notice up, "
                    "%d with keys streaming; busy heap bytes %llu -> %llu, lowest free TLS index %lu -> %lu%s\n",
                    loadcycles::iniCaseName(ini), h.cycles, h.seconds, h.seconds * 1e3 / h.cycles, h.noticeCycles,
                    h.keyCycles, static_cast<unsigned long long>(h.bytesBefore),
                    static_cast<unsigned long long>(h.bytesAfter), h.tlsBefore, h.tlsAfter,
                    ran ? "" : " (the cycles did not run as planned)");
        // Which plan failed, so a rare miss can be told from the next one.
        if (!ran)
            std::printf("  warm-up %s, %d loads failed, %d notice cycles without the notice, %d key cycles with "
                        "fewer than 16 messages delivered, heap walk %s\n",
                        h.setupFailed ? "failed" : "ran", h.loadFailures, h.noticeCyclesWithoutNotice,
                        h.keyCyclesWithoutDelivery,
                        h.bytesBefore == UINT64_MAX || h.bytesAfter == UINT64_MAX ? "failed" : "ran");
        const bool kept = h.tlsAfter != h.tlsBefore;
        figures::print(std::string("bytes per load/unload cycle over 1,000 cycles, ") + loadcycles::iniCaseName(ini),
                       figures::fmt("%.1f", static_cast<double>(h.growth()) / h.cycles) +
                           figures::fmt(" (%.0f bytes in all", static_cast<double>(h.growth())) +
                           (kept ? "; TLS indexes kept too)" : "; no TLS index kept)"),
                       "0", figures::verdict(ran && h.growth() == 0 && !kept));
    }
    return r.loads == 100 && r.deliveredAfterUnload == 0 && allRan ? 0 : 1;
}
