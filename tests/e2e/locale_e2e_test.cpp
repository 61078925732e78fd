// The real DLL shares the C runtime, and so its locale, with every other
// module in the game. Another module's setlocale must not change what the
// plug-in reads from its settings or what its labels say: the same session
// under German and Turkish must make exactly the calls it makes under "C".
#include <gtest/gtest.h>
#include <windows.h>

#include <clocale>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "bench/load_cycles.h"
#include "standin/standin.h"

namespace {

constexpr std::uint32_t kSpeedUp = 0x81457A1Au, kSpeedDown = 0x9DA42644u;
constexpr std::uint64_t kSetSpeedPrimary = 0x433083750C5E064AULL;
constexpr std::uint64_t kTextHandle = 0xFA925AC00EB830B9ULL;

std::string hex(std::uint64_t v) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    do {
        out.insert(out.begin(), digits[v & 15]);
        v >>= 4;
    } while (v);
    return out;
}

// Every native call of every frame, with its slots, and every text drawn
// (the text handle's slots are addresses, which differ from load to load).
std::vector<std::string> traceOf(const standin::FrameRecord& f) {
    std::vector<std::string> lines;
    for (const auto& c : f.calls) {
        std::string line = "frame " + std::to_string(f.frame) + " " + hex(c.hash);
        for (std::size_t i = 0; i < (c.hash == kTextHandle ? 1 : c.args.size()); ++i) line += " " + hex(c.args[i]);
        lines.push_back(line);
    }
    for (const auto& d : f.draws)
        if (d.kind == standin::DrawItem::Text) lines.push_back("frame " + std::to_string(f.frame) + " text " + d.text);
    return lines;
}

// Loads the DLL over `ini` and runs a session that shows all thirteen
// settings: the initial speed, steps up and down to both bounds, every
// candidate toggle key, riding, and the overlay's geometry and labels.
std::vector<std::string> session(const std::string& ini) {
    char tmp[MAX_PATH], cwd[MAX_PATH];
    GetTempPathA(MAX_PATH, tmp);
    GetCurrentDirectoryA(MAX_PATH, cwd);
    const std::string dir = std::string(tmp) + "plk-locale-" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(dir.c_str(), nullptr);
    std::ofstream(dir + "\\Pacelark.ini", std::ios::binary).write(ini.data(), static_cast<std::streamsize>(ini.size()));

    standin_reset();
    standin_setTick(50000);
    standin_setFrameStep(16);
    SetCurrentDirectoryA(dir.c_str());
    HMODULE dll = LoadLibraryA(loadcycles::dllBesideProgram().c_str());
    std::vector<std::string> trace;
    if (dll) {
        standin::World& w = *standin_world();
        const auto frames = [&](int n) {
            for (int i = 0; i < n; ++i) {
                standin_runFrame();
                const auto lines = traceOf(w.history.back());
                trace.insert(trace.end(), lines.begin(), lines.end());
                w.history.clear();
            }
        };
        frames(1);
        SetCurrentDirectoryA(cwd);
        w.setControl(kSpeedUp, true);
        frames(3);
        w.clearControls();
        w.setControl(kSpeedDown, true);
        frames(60);
        w.clearControls();
        w.setControl(kSpeedUp, true);
        frames(60);
        w.clearControls();
        for (DWORD key : {0x79, 0x7A, 0xC0, 0x77, 0x41, 0x42, 0x43, 0x44}) {
            standin_tapKey(key);
            frames(2);
        }
        w.mounted = true;
        frames(3);
        FreeLibrary(dll);
    }
    SetCurrentDirectoryA(cwd);
    DeleteFileA((dir + "\\Pacelark.ini").c_str());
    RemoveDirectoryA(dir.c_str());
    standin_reset();
    return trace;
}

std::string firstSpeedSent(const std::vector<std::string>& trace) {
    const std::string prefix = "frame 0 " + hex(kSetSpeedPrimary) + " ";
    for (const std::string& line : trace)
        if (line.rfind(prefix, 0) == 0) return line.substr(line.rfind(' ') + 1);
    return {};
}

bool drew(const std::vector<std::string>& trace, const std::string& text) {
    const std::string suffix = " text " + text;
    for (const std::string& line : trace)
        if (line.size() >= suffix.size() && line.compare(line.size() - suffix.size(), suffix.size(), suffix) == 0)
            return true;
    return false;
}

std::string sampleFile() {
    std::ifstream in(PLK_SOURCE_DIR "/config/Pacelark.ini", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Lower-case keys, bytes above 0x7F in names, values with decimals.
const std::string kAwkward =
    "[\xC4\xD6 Other]\nINITIAL_WALK_SPEED=9\n"
    "[ settings ]\n\xC4NAME\xDD=1\ntoggle_mod_key = 65\nToggle_Hud_Key=66\ntoggle_auto_walk_key=67\n"
    "toggle_horse_support=68\ninitial_walk_speed = 2.25\nscroll_step_size=0.25\nmin_scroll_val=0.5\n"
    "max_scroll_val=4.5\ndisable_horse_support=False\nui_hide_ped_desired_speed=TRUE\nui_left_offset=0.125\n"
    "ui_bottom_offset=0.0625\nui_bar_length=0.375\n";
const std::string kLargeSpeed = "[SETTINGS]\nINITIAL_WALK_SPEED=3000000.5\nMAX_SCROLL_VAL=1e30\n";

class OtherLocale : public testing::TestWithParam<const char*> {
protected:
    void TearDown() override { std::setlocale(LC_ALL, "C"); }
};

TEST_P(OtherLocale, ChangesNothingTheDllReadsOrDraws) {
    std::setlocale(LC_ALL, "C");
    const std::vector<std::string> sample = session(sampleFile());
    const std::vector<std::string> awkward = session(kAwkward);
    const std::vector<std::string> large = session(kLargeSpeed);
    // The files were read: the first speed sent is the file's, and the label says it.
    ASSERT_EQ(firstSpeedSent(sample), "3fc00000");  // 1.5
    ASSERT_EQ(firstSpeedSent(awkward), "40100000");  // 2.25
    ASSERT_TRUE(drew(large, "3000000.50"));

    ASSERT_NE(std::setlocale(LC_ALL, GetParam()), nullptr);
    // The shared runtime itself now reads and writes a decimal comma.
    ASSERT_EQ(std::strtod("1.5", nullptr), 1.0) << "the locale did not take";
    EXPECT_EQ(session(sampleFile()), sample);
    EXPECT_EQ(session(kAwkward), awkward);
    EXPECT_EQ(session(kLargeSpeed), large);
}

INSTANTIATE_TEST_SUITE_P(Locales, OtherLocale, testing::Values("German", "Turkish"));

}  // namespace
