// pacelark-host: loads the real Pacelark.dll beside the stand-in script hook
// library and runs it through a scenario. Prints the frame table; the marked
// frames' draw lists go to a text file for pacelark-sim render.
#include <windows.h>

#include <iostream>
#include <string>
#include <vector>

#include "standin/standin.h"
#include "tools/lib/run_command.h"

namespace {

const char* const kAbout =
    "Loads Pacelark.dll into the stand-in host, runs it frame by frame and prints one row\n"
    "per frame in which something changed. The plug-in's flags are read off what it does\n"
    "(the natives it calls, the notice and labels it draws); '?' marks a value no frame\n"
    "has shown yet.\n";

}  // namespace

int main(int argc, char** argv) {
    CommandLine a("pacelark-host", std::vector<std::string>(argv + 1, argv + argc));
    try {
        RunOptions r;
        r.dll = "Pacelark.dll";
        if (!readRunOptions(a, "pacelark-host", {"--dll", "--ini", "--scenario", "--frames", "--draws"}, kAbout, r))
            return 0;
        const Scenario scenario = loadRunScenario(a, r);
        if (r.draws) requireParentFolder(a, "--draws", *r.draws);
        HMODULE plugin = nullptr;
        const auto load = [&] {
            standin_reset();
            plugin = LoadLibraryA(r.dll->c_str());
            const DWORD error = GetLastError();
            if (!plugin) a.fail(*r.dll + ": cannot load the plug-in (error " + std::to_string(error) + ")");
        };
        runAndPrint(r, scenario, {load, [&plugin] { FreeLibrary(plugin); }, nullptr});
        std::cout.flush();
        return 0;
    } catch (const CommandError& e) {
        std::cerr << e.what() << "\n";
    } catch (const std::exception& e) {
        std::cerr << "pacelark-host: " << e.what() << "\n";
    }
    return 2;
}
