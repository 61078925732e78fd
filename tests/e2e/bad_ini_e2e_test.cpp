// Bad settings files, each read by the real DLL at its start under Wine: the
// plug-in keeps running, and what it does shows the settings it ended with.
#include <gtest/gtest.h>
#include <windows.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "bench/load_cycles.h"
#include "standin/standin.h"

namespace {

constexpr std::uint64_t kPlayerIndex = 0x217E9DC48139933DULL;
constexpr std::uint64_t kSetSpeedPrimary = 0x433083750C5E064AULL;

// What the recorded natives reveal of the settings.
struct Observed {
    std::uint32_t initialSpeedBits;  // the first speed set on foot with no control active
    float barLength;                 // width of the lower bar's background
    int barRows;
    DWORD modKey;                    // 0xFFFFFFFF when no probed key toggles the mod
};

struct Expected {
    std::uint32_t initialSpeedBits = 0x3FC00000u;  // 1.5
    bool initialSpeedNaN = false;
    float barLength = 0.15f;
    int barRows = 2;
    DWORD modKey = 0x79;
};

std::uint32_t bitsOf(float f) {
    std::uint32_t b;
    std::memcpy(&b, &f, sizeof b);
    return b;
}

bool modRan(const standin::FrameRecord& f) {
    for (const auto& c : f.calls)
        if (c.hash == kPlayerIndex) return true;
    return false;
}

class BadIniEndToEnd : public ::testing::Test {
public:
    std::string dir;
    std::string oldDir;
    HANDLE held = INVALID_HANDLE_VALUE;

    void SetUp() override {
        char tmp[MAX_PATH], cwd[MAX_PATH];
        GetTempPathA(MAX_PATH, tmp);
        GetCurrentDirectoryA(MAX_PATH, cwd);
        oldDir = cwd;
        dir = std::string(tmp) + "plk-bad-ini-" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(dir.c_str(), nullptr);
    }
    void TearDown() override {
        clean();
        RemoveDirectoryA(dir.c_str());
        standin_reset();
    }
    void clean() {
        if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
        held = INVALID_HANDLE_VALUE;
        const std::string ini = dir + "\\Pacelark.ini";
        // Windows refuses to delete a file someone still has open.
        if (!DeleteFileA(ini.c_str())) {
            EXPECT_NE(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION)) << "the plug-in left its file open";
        }
        RemoveDirectoryA(ini.c_str());
    }
    void write(const std::string& bytes) {
        std::ofstream out(dir + "\\Pacelark.ini", std::ios::binary);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }

    // Loads the DLL with the settings file in the working directory, runs
    // it, probes the mod key, unloads it.
    Observed runDll(bool& keptRunning) {
        Observed o{0, 0, 0, 0xFFFFFFFFu};
        standin_reset();
        standin_setTick(50000);
        standin_setFrameStep(16);
        SetCurrentDirectoryA(dir.c_str());
        HMODULE dll = LoadLibraryA(loadcycles::dllBesideProgram().c_str());
        EXPECT_NE(dll, nullptr);
        if (!dll) {
            SetCurrentDirectoryA(oldDir.c_str());
            return o;
        }
        standin::World& w = *standin_world();
        keptRunning = true;
        for (int i = 0; i < 5; ++i) {
            standin_runFrame();
            keptRunning = keptRunning && modRan(w.history.back());
        }
        SetCurrentDirectoryA(oldDir.c_str());
        const standin::FrameRecord& first = w.history.front();
        for (const auto& c : first.calls)
            if (c.hash == kSetSpeedPrimary) o.initialSpeedBits = static_cast<std::uint32_t>(c.args.at(1));
        for (const auto& d : first.draws) {
            if (d.kind != standin::DrawItem::Rect || d.r != 50 || d.a != 200) continue;
            ++o.barRows;
            o.barLength = d.w;  // the lower row comes last
        }
        // The first of these keys that switches the mod off is its key.
        for (DWORD key : {DWORD{0x79}, DWORD{0x7A}, DWORD{0}}) {
            standin_tapKey(key);
            standin_runFrame();
            if (!modRan(w.history.back())) {
                o.modKey = key;
                break;
            }
        }
        FreeLibrary(dll);
        return o;
    }

    void expectSettings(const Expected& e) {
        bool keptRunning = false;
        const Observed o = runDll(keptRunning);
        EXPECT_TRUE(keptRunning);
        if (e.initialSpeedNaN) {
            float f;
            std::memcpy(&f, &o.initialSpeedBits, sizeof f);
            EXPECT_TRUE(std::isnan(f)) << std::hex << o.initialSpeedBits;
        } else {
            EXPECT_EQ(o.initialSpeedBits, e.initialSpeedBits) << std::hex << o.initialSpeedBits;
        }
        EXPECT_EQ(o.barLength, e.barLength);
        EXPECT_EQ(o.barRows, e.barRows);
        EXPECT_EQ(o.modKey, e.modKey) << std::hex << o.modKey;
    }
};

Expected with(std::function<void(Expected&)> f) {
    Expected e;
    f(e);
    return e;
}

// Files that cannot be had, or hold nothing usable: all defaults.
TEST_F(BadIniEndToEnd, UnusableFilesLeaveEveryDefault) {
    struct Case {
        const char* name;
        std::function<void(BadIniEndToEnd&)> make;
    };
    std::mt19937 rng(12345);
    std::string garbage(64 * 1024, '\0');
    for (char& c : garbage) c = static_cast<char>(rng());
    const std::vector<Case> cases = {
        {"missing file", [](BadIniEndToEnd&) {}},
        {"empty file", [](BadIniEndToEnd& t) { t.write(""); }},
        {"directory named Pacelark.ini",
         [](BadIniEndToEnd& t) { CreateDirectoryA((t.dir + "\\Pacelark.ini").c_str(), nullptr); }},
        {"file held open without sharing",
         [](BadIniEndToEnd& t) {
             t.write("[SETTINGS]\nINITIAL_WALK_SPEED=2.5\nUI_BAR_LENGTH=0.3\n");
             t.held = CreateFileA((t.dir + "\\Pacelark.ini").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
             EXPECT_NE(t.held, INVALID_HANDLE_VALUE);
         }},
        {"binary garbage", [&](BadIniEndToEnd& t) { t.write(garbage); }},
        {"zero bytes only", [](BadIniEndToEnd& t) { t.write(std::string(4096, '\0')); }},
        {"byte-order mark alone", [](BadIniEndToEnd& t) { t.write("\xEF\xBB\xBF"); }},
        {"settings before any header", [](BadIniEndToEnd& t) { t.write("INITIAL_WALK_SPEED=2.5\n[Other]\nUI_BAR_LENGTH=0.3\n"); }},
        {"empty mod key value",
         [](BadIniEndToEnd& t) { t.write("[SETTINGS]\nTOGGLE_MOD_KEY=\nINITIAL_WALK_SPEED=2.5\nUI_BAR_LENGTH=0.3\n"); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.make(*this);
        expectSettings(Expected{});
        clean();
    }
}

// Files that are read, with the values the rules give.
TEST_F(BadIniEndToEnd, OddFilesGiveTheSettingsTheRulesSay) {
    static const char kZeros[] = "[SETTINGS]\0\r\nINITIAL_\0WALK_SPEED=2\0.5\0\r\n";
    std::string big;
    for (int s = 0; big.size() < (24u << 20); ++s) {
        big += "[Section " + std::to_string(s) + "]\n";
        for (int k = 0; k < 20; ++k) big += "key" + std::to_string(k) + " = some value \\= " + std::to_string(s * k) + "\n";
    }
    big += "[SETTINGS]\nINITIAL_WALK_SPEED=2.75\n";

    struct Case {
        const char* name;
        std::string bytes;
        Expected expected;
    };
    const std::vector<Case> cases = {
        {"zero bytes inside lines", std::string(kZeros, sizeof kZeros - 1),
         with([](Expected& e) { e.initialSpeedBits = bitsOf(2.5f); })},
        {"invalid UTF-8", "[SETTINGS]\nINITIAL_WALK_SPEED=2.25\xFF\xFE\n\xC3\x28\xA0=\xFF\nUI_BAR_LENGTH=\xED\xA0\x80\n",
         with([](Expected& e) { e.initialSpeedBits = bitsOf(2.25f); })},
        {"a Ctrl-Z byte, the end of a text-mode read", "[SETTINGS]\n;\x1A\nINITIAL_WALK_SPEED=2.5\n",
         with([](Expected& e) { e.initialSpeedBits = bitsOf(2.5f); })},
        {"byte-order mark before the header", "\xEF\xBB\xBF[SETTINGS]\r\nUI_BAR_LENGTH=0.3\r\n",
         with([](Expected& e) { e.barLength = 0.3f; })},
        {"a line of several megabytes",
         "[SETTINGS]\nINITIAL_WALK_SPEED=2.5\n;" + std::string(4u << 20, 'x') + "\nUI_BAR_LENGTH=0.3\n",
         with([](Expected& e) {
             e.initialSpeedBits = bitsOf(2.5f);
             e.barLength = 0.3f;
         })},
        {"a value of several megabytes",
         "[SETTINGS]\nTOGGLE_MOD_KEY=122\nTOGGLE_HUD_KEY=" + std::string(3u << 20, '1') + "\nINITIAL_WALK_SPEED=2.5\n",
         with([](Expected& e) { e.modKey = 0x7A; })},
        {"tens of megabytes", big, with([](Expected& e) { e.initialSpeedBits = bitsOf(2.75f); })},
        {"nan", "[SETTINGS]\nINITIAL_WALK_SPEED=nan\nUI_BAR_LENGTH=0.3\n",
         with([](Expected& e) {
             e.initialSpeedNaN = true;
             e.barLength = 0.3f;
         })},
        {"inf", "[SETTINGS]\nINITIAL_WALK_SPEED=inf\nUI_BAR_LENGTH=0.3\n",
         with([](Expected& e) {
             e.initialSpeedBits = 0x7F800000u;
             e.barLength = 0.3f;
         })},
        {"-0", "[SETTINGS]\nINITIAL_WALK_SPEED=-0\n", with([](Expected& e) { e.initialSpeedBits = 0x80000000u; })},
        {"1e39 stops the load there", "[SETTINGS]\nINITIAL_WALK_SPEED=2.5\nMAX_SCROLL_VAL=1e39\nUI_BAR_LENGTH=0.3\n",
         with([](Expected& e) { e.initialSpeedBits = bitsOf(2.5f); })},
        {"0x7A is 0", "[SETTINGS]\nTOGGLE_MOD_KEY=0x7A\n", with([](Expected& e) { e.modKey = 0; })},
        {"121 ; F10", "[SETTINGS]\nTOGGLE_MOD_KEY= 121 ; F10\nUI_BAR_LENGTH=0.3\n",
         with([](Expected& e) { e.barLength = 0.3f; })},
        {"keys and section in any case", "[ sEtTiNgS ]\ninitial_walk_speed=2.5\nUi_Bar_Length=0.3\nTOGGLE_mod_KEY=122\n",
         with([](Expected& e) {
             e.initialSpeedBits = bitsOf(2.5f);
             e.barLength = 0.3f;
             e.modKey = 0x7A;
         })},
        {"section reopened",
         "[SETTINGS]\nINITIAL_WALK_SPEED=2.5\n[Other]\nUI_BAR_LENGTH=9\n[settings]\nUI_BAR_LENGTH=0.3\n"
         "INITIAL_WALK_SPEED=2.75\nUI_HIDE_PED_DESIRED_SPEED=TRUE\n",
         with([](Expected& e) {
             e.initialSpeedBits = bitsOf(2.75f);
             e.barLength = 0.3f;
             e.barRows = 1;
         })},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        write(c.bytes);
        expectSettings(c.expected);
        clean();
    }
}

}  // namespace
