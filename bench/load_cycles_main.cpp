// Under Wine: times 100 load and unload cycles of the real DLL, then counts
// what 1,000 more leave on the process's heaps.
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

    const loadcycles::HeapResult h = loadcycles::runCountingHeaps(dll, 1000);
    const bool ran = !h.setupFailed && h.loadFailures == 0 && h.noticeCyclesWithoutNotice == 0 &&
                     h.keyCyclesWithoutDelivery == 0 && h.bytesBefore != UINT64_MAX && h.bytesAfter != UINT64_MAX;
    std::printf("%d cycles after a warm-up in %.2f s: %d unloaded with the notice up, %d with keys streaming, "
                "%d with a settings load ending in an exception; busy heap bytes %llu -> %llu, "
                "lowest free TLS index %lu -> %lu%s\n",
                h.cycles, h.seconds, h.noticeCycles, h.keyCycles, h.badIniCycles,
                static_cast<unsigned long long>(h.bytesBefore), static_cast<unsigned long long>(h.bytesAfter),
                h.tlsBefore, h.tlsAfter, ran ? "" : " (the cycles did not run as planned)");
    const bool kept = h.tlsAfter != h.tlsBefore;
    figures::print("bytes per load/unload cycle over 1,000 cycles",
                   figures::fmt("%.1f", static_cast<double>(h.growth()) / h.cycles) +
                       figures::fmt(" (%.0f bytes in all", static_cast<double>(h.growth())) +
                       (kept ? "; TLS indexes kept too)" : ")"),
                   "0", figures::verdict(ran && h.growth() == 0 && !kept));
    return r.loads == 100 && r.deliveredAfterUnload == 0 && ran ? 0 : 1;
}
