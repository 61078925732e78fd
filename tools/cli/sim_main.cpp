// pacelark-sim: the plug-in in the stand-in host, for players and developers.
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "tools/cli/render.h"
#include "tools/lib/check_ini.h"
#include "tools/lib/messages.h"
#include "tools/lib/command_line.h"
#include "tools/lib/drawlist.h"
#include "tools/lib/files.h"
#include "tools/lib/native_plugin.h"
#include "tools/lib/preview.h"
#include "tools/lib/run_command.h"

namespace fs = std::filesystem;

namespace {

const char* const kUsage =
    "usage: pacelark-sim COMMAND [OPTIONS]\n"
    "\n"
    "commands:\n"
    "  run        run the plug-in through a scenario and print the frame table\n"
    "  check-ini  explain what the plug-in makes of a settings file\n"
    "  preview    draw one frame's HUD into a PNG\n"
    "  render     draw the frames of a draw list (from pacelark-host) into PNGs\n"
    "\n"
    "pacelark-sim COMMAND --help shows a command's options.\n";

const char* const kRunAbout =
    "Loads the plug-in into the stand-in host and runs it frame by frame, then prints\n"
    "one row per frame in which something changed: frame, tick, mod, overlay, auto-walk,\n"
    "mount support, mounted, desired speed, the two speeds sent, the speed the game\n"
    "reports, the notice shown.\n";

const char* const kCheckHelp =
    "usage: pacelark-sim check-ini FILE\n"
    "\n"
    "Shows each of the thirteen settings with the value the plug-in takes from FILE and\n"
    "where it comes from, where and why the load stops early, and warnings about values\n"
    "that load but will not work as meant.\n"
    "Exit status: 0 clean, 1 warnings only, 2 the load stops early (or FILE cannot be read).\n";

const char* const kPreviewHelp =
    "usage: pacelark-sim preview [--ini FILE] [--desired V] [--reported V] [--mounted]\n"
    "                            [--notice KIND[=on|off]] [--size WxH] -o FILE.png\n"
    "\n"
    "Runs one pass of the plug-in and draws what it draws, at 1920x1080 over a neutral\n"
    "backdrop.\n"
    "\n"
    "  --ini FILE        the settings file (bar position and length, upper row hidden)\n"
    "  --desired V       the desired speed (default: the settings' initial speed)\n"
    "  --reported V      the speed the game reports (default: the desired speed)\n"
    "  --mounted         the player rides\n"
    "  --notice KIND     press a toggle key first: mod, hud, auto-walk or mount-support;\n"
    "                    =on or =off picks the state it switches to (default: away\n"
    "                    from the state at start, as one press does)\n"
    "  --size WxH        the screen in pixels, 640x360 to 7680x4320 (default 1920x1080)\n"
    "  -o FILE.png       where to write the picture\n";

const char* const kRenderHelp =
    "usage: pacelark-sim render DRAWLIST --out DIR\n"
    "\n"
    "Draws every frame of DRAWLIST (written by pacelark-host --draws or run --draws) into\n"
    "DIR/NAME.png at 1920x1080.\n";

float parseSpeed(CommandLine& a, const std::string& option, const std::string& text) {
    char* end = nullptr;
    errno = 0;
    const float v = std::strtof(text.c_str(), &end);
    if (text.empty() || end != text.c_str() + text.size() || errno || !std::isfinite(v))
        a.fail("option " + option + ": '" + text + "' is not a number");
    return v;
}

void renderSnapshots(const std::vector<DrawSnapshot>& snapshots, const fs::path& dir) {
    for (const DrawSnapshot& s : snapshots) {
        const fs::path png = dir / (s.name + ".png");
        renderDrawList(s.draws, png);
        std::cout << "wrote " << png.string() << "\n";
    }
}

int run(CommandLine a) {
    RunOptions r;
    if (!readRunOptions(a, "pacelark-sim run", {"--ini", "--scenario", "--frames", "--snapshots", "--draws"}, kRunAbout,
                        r))
        return 0;
    const Scenario scenario = loadRunScenario(a, r);
    if (r.ini) requireReadable(a, "--ini", *r.ini);
    if (r.draws) requireFolderOf(a, "--draws", *r.draws);
    if (r.snapshots) ensureFolder(a, "--snapshots", *r.snapshots);

    const SessionResult result = runAndPrint(r, scenario, {loadNativePlugin, unloadNativePlugin, readNativePluginFlags});
    if (r.snapshots) renderSnapshots(result.snapshots, *r.snapshots);
    return 0;
}

int checkIni(CommandLine a) {
    std::optional<std::string> file;
    while (!a.done()) {
        const std::string o = a.next();
        if (isHelp(o)) {
            std::cout << kCheckHelp;
            return 0;
        }
        if (o.size() > 1 && o[0] == '-') a.fail("unknown option '" + o + "'");
        if (file) a.fail("takes one file, not also '" + o + "'");
        file = o;
    }
    if (!file) a.fail("which file? usage: pacelark-sim check-ini FILE");
    // The report speaks the user's language, as command-line tools do.
    setLanguage(languageFromEnvironment());
    IniCheck c;
    try {
        c = checkIniFile(*file);
    } catch (const FileError& e) {
        a.fail(std::string(e.what()) + " (the plug-in would keep every default)");
    }
    std::cout << c.report;
    return c.status;
}

PreviewRequest::Notice parseNotice(CommandLine& a, const std::string& text) {
    const std::size_t eq = text.find('=');
    const std::string name = text.substr(0, eq);
    PreviewRequest::Notice n;
    if (name == "mod") n.kind = kNoticeMod;
    else if (name == "hud") n.kind = kNoticeHud;
    else if (name == "auto-walk") n.kind = kNoticeAutoWalk;
    else if (name == "mount-support") n.kind = kNoticeHorseSupport;
    else a.fail("option --notice: '" + name + "' is not one of mod, hud, auto-walk, mount-support");
    if (eq != std::string::npos) {
        const std::string state = text.substr(eq + 1);
        if (state != "on" && state != "off") a.fail("option --notice: '" + state + "' is neither on nor off");
        n.on = state == "on";
    }
    return n;
}

// "2560x1080": a screen size within what a preview can sensibly paint.
std::pair<int, int> parseSize(CommandLine& a, const std::string& text) {
    int w = 0, h = 0;
    char rest = 0;
    if (std::sscanf(text.c_str(), "%dx%d%c", &w, &h, &rest) != 2 || w < 640 || h < 360 || w > 7680 || h > 4320)
        a.fail("option --size: '" + text + "' is not WIDTHxHEIGHT between 640x360 and 7680x4320");
    return {w, h};
}

int preview(CommandLine a) {
    std::optional<std::string> ini, output;
    std::pair<int, int> size{kRenderWidth, kRenderHeight};
    PreviewRequest request;
    while (!a.done()) {
        const std::string o = a.next();
        if (isHelp(o)) {
            std::cout << kPreviewHelp;
            return 0;
        }
        if (o == "--ini") ini = a.value(o);
        else if (o == "--desired") request.desired = parseSpeed(a, o, a.value(o));
        else if (o == "--reported") request.reported = parseSpeed(a, o, a.value(o));
        else if (o == "--mounted") request.mounted = true;
        else if (o == "--size") size = parseSize(a, a.value(o));
        else if (o == "--notice") request.notice = parseNotice(a, a.value(o));
        else if (o == "-o" || o == "--output") output = a.value(o);
        else a.fail("unknown option '" + o + "'");
    }
    if (!output) a.fail("where to? give -o FILE.png");
    requireFolderOf(a, "-o", *output);
    if (ini) requireReadable(a, "--ini", *ini);
    request.settingsText = readOptionalFile(ini);

    const PreviewFrame frame = previewFrame(request);
    if (frame.noticeRefused)
        std::cerr << "pacelark-sim preview: note: with these settings the plug-in refuses that toggle, so no notice is drawn\n";
    renderDrawList(frame.draws, *output, size.first, size.second);
    std::cout << "wrote " << *output << "\n";
    return 0;
}

int render(CommandLine a) {
    std::optional<std::string> list, out;
    while (!a.done()) {
        const std::string o = a.next();
        if (isHelp(o)) {
            std::cout << kRenderHelp;
            return 0;
        }
        if (o == "--out" || o == "-o") out = a.value(o);
        else if (o.size() > 1 && o[0] == '-') a.fail("unknown option '" + o + "'");
        else if (list) a.fail("takes one draw list, not also '" + o + "'");
        else list = o;
    }
    if (!list) a.fail("which draw list? usage: pacelark-sim render DRAWLIST --out DIR");
    if (!out) a.fail("where to? give --out DIR");
    std::vector<DrawSnapshot> snapshots;
    try {
        snapshots = parseDrawList(readWholeFile(*list), *list);
    } catch (const std::runtime_error& e) {
        a.fail(e.what());
    }
    ensureFolder(a, "--out", *out);
    renderSnapshots(snapshots, *out);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        std::cerr << "pacelark-sim: which command? run, check-ini, preview or render (--help for more)\n";
        return 2;
    }
    const std::string command = args.front();
    args.erase(args.begin());
    try {
        if (isHelp(command) || command == "help") {
            std::cout << kUsage;
            return 0;
        }
        const std::string prefix = "pacelark-sim " + command;
        if (command == "run") return run(CommandLine(prefix, args));
        if (command == "check-ini") return checkIni(CommandLine(prefix, args));
        if (command == "preview") return preview(CommandLine(prefix, args));
        if (command == "render") return render(CommandLine(prefix, args));
        std::cerr << "pacelark-sim: unknown command '" << command << "' (run, check-ini, preview, render)\n";
        return 2;
    } catch (const CommandError& e) {
        std::cerr << e.what() << "\n";
        return 2;
    } catch (const std::exception& e) {
        std::cerr << "pacelark-sim " << command << ": " << e.what() << "\n";
        return 2;
    }
}
