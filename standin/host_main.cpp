// Loads the real Pacelark.dll beside the stand-in script hook library and
// runs it for a few frames, printing one line per frame.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "standin/standin.h"

int main(int argc, char** argv) {
    int frames = 10;
    const char* dll = "Pacelark.dll";
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--frames") && i + 1 < argc) frames = std::atoi(argv[++i]);
        else if (!std::strcmp(argv[i], "--dll") && i + 1 < argc) dll = argv[++i];
        else {
            std::fprintf(stderr, "pacelark-host: unknown option %s\n", argv[i]);
            return 2;
        }
    }
    standin_setTick(1000);
    standin_setFrameStep(33);
    HMODULE plugin = LoadLibraryA(dll);
    if (!plugin) {
        std::fprintf(stderr, "pacelark-host: cannot load %s (error %lu)\n", dll, GetLastError());
        return 2;
    }
    standin::World& w = *standin_world();
    for (int i = 0; i < frames; ++i) {
        if (i == frames / 2) standin_tapKey(0x79);
        standin_runFrame();
        const standin::FrameRecord& f = w.history.back();
        std::printf("frame %3llu tick %6u natives %2zu draws %zu\n",
                    static_cast<unsigned long long>(f.frame), f.tick, f.calls.size(), f.draws.size());
    }
    FreeLibrary(plugin);
    return 0;
}
