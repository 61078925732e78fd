// Times 100 load and unload cycles of the real DLL under Wine.
#include <cstdio>

#include "bench/figures.h"
#include "bench/load_cycles.h"

int main() {
    const loadcycles::Result r = loadcycles::run(loadcycles::dllBesideProgram(), 100, 3);
    std::printf("%d loads, %d failures, %llu messages delivered while loaded, %llu after unload\n", r.loads,
                r.loadFailures, static_cast<unsigned long long>(r.deliveredWhileLoaded),
                static_cast<unsigned long long>(r.deliveredAfterUnload));
    figures::print("100 load/unload cycles under Wine (3 frames each, keys streaming)",
                   figures::fmt("%.0f ms", r.seconds * 1e3) + figures::fmt(" (%.2f ms/cycle)", r.seconds * 10));
    return r.loads == 100 && r.deliveredAfterUnload == 0 ? 0 : 1;
}
