#include "tools/lib/run_command.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <iostream>

#include "tools/lib/drawlist.h"
#include "tools/lib/files.h"

namespace {

// Every run option, as both front ends' help lists it.
struct RunOptionHelp {
    std::string_view name, argument, help;
};
constexpr RunOptionHelp kRunOptionHelp[] = {
    {"--dll", "FILE", "the plug-in (default: Pacelark.dll)"},
    {"--ini", "FILE", "the settings file the plug-in reads (default: the scenario's\n"
                      "                    ini lines, else none, so defaults)"},
    {"--scenario", "FILE", "what happens in the game, frame by frame (see docs/scenarios.md)"},
    {"--frames", "N", "frames to run (default: the scenario's, or "},
    {"--snapshots", "DIR", "write a PNG of the HUD for each frame the scenario marks"},
    {"--draws", "FILE", "write the marked frames' draw lists as text"},
};

std::string runHelp(std::string_view program, std::initializer_list<std::string_view> accepted,
                    std::string_view about) {
    std::string usage = "usage: " + std::string(program), options;
    for (const std::string_view name : accepted) {
        const RunOptionHelp& o = *std::find_if(std::begin(kRunOptionHelp), std::end(kRunOptionHelp),
                                               [name](const RunOptionHelp& h) { return h.name == name; });
        const std::string option = std::string(o.name) + " " + std::string(o.argument);
        usage += " [" + option + "]";
        options += "  " + option + std::string(18 - option.size(), ' ') + std::string(o.help);
        if (o.name == "--frames") options += std::to_string(kDefaultRunFrames) + ")";
        options += "\n";
    }
    return usage + "\n\n" + std::string(about) + "\n" + options;
}

}  // namespace

bool readRunOptions(CommandLine& a, std::string_view program, std::initializer_list<std::string_view> accepted,
                    std::string_view about, RunOptions& r) {
    while (!a.done()) {
        const std::string o = a.next();
        if (isHelp(o)) {
            std::cout << runHelp(program, accepted, about);
            return false;
        }
        if (std::find(accepted.begin(), accepted.end(), o) == accepted.end()) a.fail("unknown option '" + o + "'");
        const std::string v = a.value(o);
        if (o == "--ini") r.ini = v;
        else if (o == "--scenario") r.scenario = v;
        else if (o == "--draws") r.draws = v;
        else if (o == "--snapshots") r.snapshots = v;
        else if (o == "--dll") r.dll = v;
        else if (o == "--frames") {
            r.frames = parseFrameCount(v);
            if (!r.frames) a.fail("option --frames: '" + v + "' is not a frame count from 1 to " +
                              std::to_string(kMaxFrame));
        }
    }
    return true;
}

Scenario loadRunScenario(CommandLine& a, const RunOptions& r) {
    if (!r.scenario) return Scenario{};
    try {
        return loadScenario(*r.scenario);
    } catch (const ScenarioError& e) {
        a.fail(e.what());
    }
}

SessionResult runAndPrint(const RunOptions& r, const Scenario& scenario, const PluginHooks& plugin) {
    // --ini, else the settings the scenario carries, else none.
    SettingsFolder folder(r.ini ? readOptionalFile(r.ini) : scenario.ini);
    SessionOptions o;
    o.scenario = r.scenario ? &scenario : nullptr;
    o.frames = r.frames ? *r.frames : r.scenario ? scenario.frameCount() : kDefaultRunFrames;
    o.beforeFirstFrame = [&folder] { folder.enter(); };
    o.afterFirstFrame = [&folder] { folder.leave(); };
    o.probe = plugin.probe;
    plugin.load();
    const SessionResult result = runSession(o);
    plugin.unload();

    std::cout << frameTableHeader() << "\n";
    for (const FrameRow& row : changedRows(result.rows)) std::cout << formatFrameRow(row) << "\n";
    if (r.draws) writeFileAtomically(*r.draws, formatDrawList(result.snapshots));
    return result;
}

std::optional<std::uint64_t> parseFrameCount(const std::string& v) {
    char* end = nullptr;
    errno = 0;
    const unsigned long long n = std::strtoull(v.c_str(), &end, 10);
    if (v.empty() || v[0] == '-' || end != v.c_str() + v.size() || errno || n == 0 || n > kMaxFrame)
        return std::nullopt;
    return n;
}
