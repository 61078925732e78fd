// Runs the real DLL into its first toggle notice with the DLL's malloc
// failing for the label's copy ("label") or the word's ("word"): the
// plug-in must print its message and end the process with status 1.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "standin/standin.h"

namespace {
void* (*realMalloc)(size_t) = nullptr;
int failAt = 0;  // the malloc call, counted from the notice's pass, that fails
int calls = 0;
bool counting = false;

void* failingMalloc(size_t size) {
    if (counting && ++calls == failAt) return nullptr;
    return realMalloc(size);
}
}  // namespace

int main(int argc, char** argv) {
    failAt = argc > 1 && std::strcmp(argv[1], "word") == 0 ? 2 : 1;
    standin_setTick(100000);
    HMODULE dll = LoadLibraryA("Pacelark.dll");
    if (!dll) return 10;
    realMalloc = reinterpret_cast<void* (*)(size_t)>(
        standin_redirectImport(dll, "msvcrt.dll", "malloc", reinterpret_cast<void*>(failingMalloc)));
    if (!realMalloc) return 11;
    standin_runFrame();
    standin_tapKey(0x7A);  // F11: a notice in the next pass
    counting = true;
    standin_runFrame();
    std::printf("still running after the notice\n");
    return 0;
}
