// pacelark-sim as a player runs it: outputs, exit statuses and one-line errors.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cairo.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/tools/support.h"
#include "tools/lib/check_ini.h"
#include "tools/lib/files.h"
#include "tools/lib/messages.h"

namespace {

namespace fs = std::filesystem;

struct Outcome {
    int status = -1;
    std::string out, err;
};

using tooltest::scratch;

std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

Outcome runCommand(const std::string& command) {
    const fs::path out = scratch("stdout"), err = scratch("stderr");
    const int raw = std::system((command + " >" + out.string() + " 2>" + err.string()).c_str());
    Outcome o;
    o.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    o.out = slurp(out);
    o.err = slurp(err);
    return o;
}

// pacelark-sim in English, whatever language the tests' own environment asks
// for, unless `env` sets another.
Outcome sim(const std::string& args, const std::string& env = "LANGUAGE= LC_ALL=C.UTF-8") {
    return runCommand(env + " " + std::string(PLK_SIM) + " " + args);
}

std::string source(const std::string& relative) { return std::string(PLK_SOURCE_DIR) + "/" + relative; }

std::string write(const std::string& name, const std::string& content) {
    const fs::path p = scratch(name);
    writeFileAtomically(p, content);
    return p.string();
}

TEST(Cli, EveryErrorIsOneLineNamingTheCulpritWithStatusTwo) {
    const std::string badScenario = write("bad-scenario.txt", "frames 10\n4 tap F99\n");
    const std::string badList = write("bad-list.txt", "frame a 1 2\nrect 1\nend\n");
    const std::string missing = scratch("missing").string();
    const struct {
        std::string args, culprit;
    } cases[] = {
        {"", "which command"},
        {"fly", "'fly'"},
        {"run --bogus", "'--bogus'"},
        {"run --frames", "--frames"},
        {"run --frames 0", "--frames: '0' is not a frame count from 1 to 10000000"},
        {"run --frames 12x", "'12x'"},
        {"run --scenario " + missing, missing},
        {"run --scenario " + badScenario, badScenario + ":2:"},
        {"run --ini " + missing, missing},
        {"run --draws " + missing + "/x.txt", missing + "/x.txt"},
        {"run --snapshots /proc/no-folder-here", "/proc/no-folder-here"},
        {"check-ini", "which file"},
        {"check-ini " + missing, missing},
        {"check-ini a.ini b.ini", "'b.ini'"},
        {"check-ini --strict x.ini", "'--strict'"},
        {"preview", "-o"},
        {"preview --desired fast -o x.png", "'fast'"},
        {"preview --notice fly -o x.png", "'fly'"},
        {"preview --notice hud=maybe -o x.png", "'maybe'"},
        {"preview -o " + missing + "/x.png", missing + "/x.png"},
        {"preview --ini " + missing + " -o " + scratch("p.png").string(), missing},
        {"render", "which draw list"},
        {"render " + badList, "--out"},
        {"render " + badList + " --out " + scratch("r").string(), badList + ":2:"},
        {"render " + missing + " --out " + scratch("r").string(), missing},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args);
        const Outcome o = sim(c.args);
        EXPECT_EQ(o.status, 2);
        ASSERT_FALSE(o.err.empty());
        EXPECT_EQ(o.err.find('\n'), o.err.size() - 1) << o.err;
        EXPECT_NE(o.err.find(c.culprit), std::string::npos) << o.err;
        EXPECT_TRUE(o.out.empty()) << o.out;
    }
    EXPECT_FALSE(fs::exists(missing));
}

TEST(Cli, EveryCommandHasHelp) {
    for (const char* command : {"run", "check-ini", "preview", "render"}) {
        SCOPED_TRACE(command);
        const Outcome o = sim(std::string(command) + " --help");
        EXPECT_EQ(o.status, 0);
        EXPECT_NE(o.out.find(std::string("pacelark-sim ") + command), std::string::npos);
        EXPECT_TRUE(o.err.empty());
    }
    EXPECT_EQ(sim("--help").status, 0);
}

TEST(Cli, RunPrintsTheTableAndItsPicturesMatchTheRenderedDrawList) {
    const fs::path pictures = scratch("pictures"), rendered = scratch("rendered");
    const fs::path draws = scratch("draws.txt");
    const std::string scenario = write("s.txt", "frames 40\n5 tap F11\n6 snapshot hud-off\n20 tap F11\n21 snapshot\n");
    const Outcome run = sim("run --scenario " + scenario + " --snapshots " + pictures.string() + " --draws " +
                            draws.string());
    ASSERT_EQ(run.status, 0) << run.err;
    std::istringstream lines(run.out);
    std::string header, first;
    std::getline(lines, header);
    std::getline(lines, first);
    EXPECT_EQ(header.rfind("frame", 0), 0u);
    EXPECT_EQ(first.find("    0 "), 0u);
    EXPECT_NE(run.out.find("PLK HUD: Off"), std::string::npos);

    const Outcome render = sim("render " + draws.string() + " --out " + rendered.string());
    ASSERT_EQ(render.status, 0) << render.err;
    for (const char* name : {"hud-off.png", "frame-21.png"}) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(fs::exists(pictures / name));
        EXPECT_EQ(slurp(pictures / name), slurp(rendered / name));
    }
}

TEST(Cli, PreviewWritesAFullScreenPicture) {
    const fs::path png = scratch("preview.png");
    const Outcome o = sim("preview --desired 2.9 --reported 1.6 --notice auto-walk --mounted -o " + png.string());
    ASSERT_EQ(o.status, 0) << o.err;
    cairo_surface_t* s = cairo_image_surface_create_from_png(png.string().c_str());
    ASSERT_EQ(cairo_surface_status(s), CAIRO_STATUS_SUCCESS);
    EXPECT_EQ(cairo_image_surface_get_width(s), 1920);
    EXPECT_EQ(cairo_image_surface_get_height(s), 1080);
    cairo_surface_destroy(s);
}

TEST(Cli, PreviewSaysWhenTheSettingsRefuseTheToggle) {
    const fs::path dir = scratch("refuse");
    fs::create_directories(dir);
    const std::string ini = (dir / "Pacelark.ini").string();
    writeFileAtomically(ini, "[SETTINGS]\nDISABLE_HORSE_SUPPORT=true\n");
    const Outcome o = sim("preview --ini " + ini + " --notice mount-support -o " + scratch("refused.png").string());
    EXPECT_EQ(o.status, 0);
    EXPECT_NE(o.err.find("refuses"), std::string::npos);
}

TEST(Cli, CheckIniStatusesAreCleanWarningsAndStopped) {
    EXPECT_EQ(sim("check-ini " + source("config/Pacelark.ini")).status, 0);
    EXPECT_EQ(sim("check-ini " + write("w.ini", "[SETTINGS]\nTOGGLE_HUD_KEY=255\n")).status, 1);
    const Outcome stopped = sim("check-ini " + write("s.ini", "[SETTINGS]\nTOGGLE_MOD_KEY=F10\n"));
    EXPECT_EQ(stopped.status, 2);
    EXPECT_NE(stopped.out.find("The load stops at TOGGLE_MOD_KEY"), std::string::npos);
    EXPECT_TRUE(stopped.err.empty());
}

// check-ini speaks the language the environment asks for, as command-line
// tools do: the report is the checker's in that language, whose words differ
// from English while the names and values it quotes stay as they are.
TEST(Cli, CheckIniSpeaksTheLanguageOfTheEnvironment) {
    struct LanguageGuard {
        ~LanguageGuard() { setLanguage("en"); }
    } guard;
    const std::string file = write("Pacelark.ini", "[Settings]\nToggleKey=1\nTOGGLE_MOD_KEY=0x7A\nINITIAL_WALK_SPEED=fast\n");
    const struct {
        const char *env, *language;
    } rows[] = {
        {"LANGUAGE= LC_ALL=C.UTF-8 LC_MESSAGES= LANG=", "en"},
        {"LANGUAGE=qps LC_ALL= LC_MESSAGES= LANG=en_US.UTF-8", "qps"},
        {"LANGUAGE= LC_ALL=qps.UTF-8 LC_MESSAGES= LANG=", "qps"},
        {"LANGUAGE= LC_ALL= LC_MESSAGES= LANG=qps", "qps"},
        {"LANGUAGE=qps LC_ALL=C LC_MESSAGES= LANG=qps", "en"},  // the C locale keeps English
    };
    setLanguage("en");
    const std::string english = checkIniFile(file).report;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.env);
        const Outcome o = sim("check-ini " + file, row.env);
        EXPECT_EQ(o.status, 2);
        ASSERT_TRUE(setLanguage(row.language));
        EXPECT_EQ(o.out, checkIniFile(file).report);
        if (std::string(row.language) == "en") continue;
        EXPECT_NE(o.out, english);
        EXPECT_EQ(o.out.find("warning"), std::string::npos) << o.out;
        for (const std::string kept : {"TOGGLE_MOD_KEY", "\"ToggleKey\"", "[Settings]", "\"0x7A\"", "122", "F11",
                                       "\"fast\"", "(invalid stof argument)", file.c_str()})
            EXPECT_NE(o.out.find(kept), std::string::npos) << kept << "\n" << o.out;
    }
}

// The real DLL under Wine against the plug-in linked natively: the same
// table and the same pictures for the demo.
// A session saved in the Try panel carries its Pacelark.ini; --ini overrides it.
TEST(Cli, ASavedSessionPlaysWithTheSettingsItCarries) {
    const std::string session = source("tests/tools/scenarios/try-session.txt");
    const Outcome carried = sim("run --scenario " + session);
    ASSERT_EQ(carried.status, 0) << carried.err;
    // F9 is auto-walk only in the settings the session carries.
    EXPECT_NE(carried.out.find("PLK Auto-Walk: On"), std::string::npos) << carried.out;
    const Outcome overridden = sim("run --scenario " + session + " --ini " + write("empty.ini", ""));
    ASSERT_EQ(overridden.status, 0) << overridden.err;
    EXPECT_EQ(overridden.out.find("PLK Auto-Walk"), std::string::npos) << overridden.out;
}

TEST(Cli, TheWindowsHostAgreesWithTheNativeSimulator) {
    const fs::path bin = PLK_WINDOWS_BIN;
    if (!fs::exists(bin / "pacelark-host.exe") || !fs::exists(bin / "Pacelark.dll"))
        GTEST_SKIP() << "no Windows build in " << bin;
    const fs::path draws = scratch("host-draws.txt");
    const Outcome host = runCommand("cd " + bin.string() + " && " + source("cmake/wine-run.sh") +
                                    " pacelark-host.exe --scenario " + source("scenarios/demo.txt") + " --draws " +
                                    draws.string());
    ASSERT_EQ(host.status, 0) << host.err;
    const fs::path pictures = scratch("native-pictures"), hostPictures = scratch("host-pictures");
    const Outcome native = sim("run --scenario " + source("scenarios/demo.txt") + " --snapshots " + pictures.string());
    ASSERT_EQ(native.status, 0) << native.err;
    EXPECT_EQ(host.out, native.out.substr(0, native.out.find("wrote ")));
    ASSERT_EQ(sim("render " + draws.string() + " --out " + hostPictures.string()).status, 0);
    int compared = 0;
    for (const auto& entry : fs::directory_iterator(pictures)) {
        SCOPED_TRACE(entry.path().filename().string());
        EXPECT_EQ(slurp(entry.path()), slurp(hostPictures / entry.path().filename()));
        ++compared;
    }
    EXPECT_GT(compared, 0);
    // A session saved in the Try panel, with the settings it carries.
    const std::string session = source("tests/tools/scenarios/try-session.txt");
    const Outcome saved = runCommand("cd " + bin.string() + " && " + source("cmake/wine-run.sh") +
                                     " pacelark-host.exe --scenario " + session);
    ASSERT_EQ(saved.status, 0) << saved.err;
    EXPECT_EQ(saved.out, sim("run --scenario " + session).out);
}

}  // namespace
