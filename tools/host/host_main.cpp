// pacelark-host: loads the real Pacelark.dll beside the stand-in script hook
// library and runs it through a scenario. Prints the frame table; the marked
// frames' draw lists go to a text file for pacelark-sim render.
#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>

#include "standin/standin.h"
#include "tools/lib/drawlist.h"
#include "tools/lib/files.h"
#include "tools/lib/scenario.h"
#include "tools/lib/session.h"

namespace {

const char* const kHelp =
    "usage: pacelark-host [--dll FILE] [--ini FILE] [--scenario FILE] [--frames N] [--draws FILE]\n"
    "\n"
    "Loads Pacelark.dll into the stand-in host, runs it frame by frame and prints one row\n"
    "per frame in which something changed. The plug-in's flags are read off what it does\n"
    "(the natives it calls, the notice and labels it draws); '?' marks a value no frame\n"
    "has shown yet.\n"
    "\n"
    "  --dll FILE        the plug-in (default: Pacelark.dll)\n"
    "  --ini FILE        the settings file the plug-in reads (default: none, so defaults)\n"
    "  --scenario FILE   what happens in the game, frame by frame (see README.md)\n"
    "  --frames N        frames to run (default: the scenario's, or 120)\n"
    "  --draws FILE      write the draw lists of the frames the scenario marks\n";

int fail(const std::string& what) {
    std::cerr << "pacelark-host: " << what << "\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::string dll = "Pacelark.dll";
    std::optional<std::string> ini, scenarioPath, draws;
    std::optional<std::uint64_t> frames;
    for (int i = 1; i < argc; ++i) {
        const std::string o = argv[i];
        if (o == "--help" || o == "-h") {
            std::cout << kHelp;
            return 0;
        }
        const bool takesValue = o == "--dll" || o == "--ini" || o == "--scenario" || o == "--frames" || o == "--draws";
        if (!takesValue) return fail("unknown option '" + o + "'");
        if (i + 1 >= argc) return fail("option " + o + " needs a value");
        const std::string v = argv[++i];
        if (o == "--dll") dll = v;
        else if (o == "--ini") ini = v;
        else if (o == "--scenario") scenarioPath = v;
        else if (o == "--draws") draws = v;
        else {
            frames = parseFrameCount(v);
            if (!frames) return fail("option --frames: '" + v + kFrameCountError);
        }
    }

    try {
        Scenario scenario;
        if (scenarioPath) scenario = loadScenario(*scenarioPath);
        if (draws) {
            std::error_code ec;
            const std::filesystem::path parent = std::filesystem::absolute(*draws, ec).parent_path();
            if (ec || !std::filesystem::is_directory(parent, ec))
                return fail("option --draws: " + *draws + ": its folder does not exist");
        }
        SettingsFolder folder(readOptionalFile(ini));

        standin_reset();
        HMODULE plugin = LoadLibraryA(dll.c_str());
        if (!plugin) return fail(dll + ": cannot load the plug-in (error " + std::to_string(GetLastError()) + ")");

        SessionOptions o;
        o.scenario = scenarioPath ? &scenario : nullptr;
        o.frames = frames ? *frames : scenarioPath ? scenario.frameCount() : 120;
        o.beforeFirstFrame = [&folder] { folder.enter(); };
        o.afterFirstFrame = [&folder] { folder.leave(); };
        const SessionResult result = runSession(o);
        FreeLibrary(plugin);

        std::cout << frameTableHeader() << "\n";
        for (const FrameRow& r : changedRows(result.rows)) std::cout << formatFrameRow(r) << "\n";
        if (draws) writeFileAtomically(*draws, formatDrawList(result.snapshots));
        std::cout.flush();
        return 0;
    } catch (const ScenarioError& e) {
        return fail(e.what());
    } catch (const std::exception& e) {
        return fail(e.what());
    }
}
