// The number table through the real DLL: each int and float row becomes a
// settings value that Pacelark.dll reads at its start, and what the DLL then
// does shows the value it stored and whether the load went on past it.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "bench/load_cycles.h"
#include "standin/standin.h"
#include "tests/numbers/number_table.h"

namespace {

constexpr std::uint64_t kPlayerIndex = 0x217E9DC48139933DULL;
constexpr std::uint64_t kSetSpeedPrimary = 0x433083750C5E064AULL;
constexpr std::uint64_t kRectDraw = 0x405224591DF02025ULL;
constexpr std::uint32_t kBarLengthAfter = 0x3E99999Au;  // 0.3, set after the row's key
constexpr std::uint32_t kDefaultBarLength = 0x3E19999Au;

struct Seen {
    std::uint32_t firstSpeedBits = 0;
    std::uint32_t barLengthBits = 0;
    bool modOffAfterTap = false;
};

bool modRan(const standin::FrameRecord& f) {
    for (const auto& c : f.calls)
        if (c.hash == kPlayerIndex) return true;
    return false;
}

// Loads the DLL over `ini` in a scratch folder; taps `key` (when below 255)
// after the first frame and tells whether the mod went off.
Seen runOver(const std::string& dir, const std::string& ini, std::uint32_t key) {
    std::ofstream(dir + "\\Pacelark.ini", std::ios::binary).write(ini.data(), static_cast<std::streamsize>(ini.size()));
    char cwd[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, cwd);
    standin_reset();
    standin_setTick(50000);
    standin_setFrameStep(16);
    SetCurrentDirectoryA(dir.c_str());
    HMODULE dll = LoadLibraryA(loadcycles::dllBesideProgram().c_str());
    Seen seen;
    if (dll) {
        standin::World& w = *standin_world();
        standin_runFrame();
        SetCurrentDirectoryA(cwd);
        for (const auto& c : w.history.front().calls) {
            if (c.hash == kSetSpeedPrimary && !seen.firstSpeedBits) seen.firstSpeedBits = static_cast<std::uint32_t>(c.args.at(1));
            if (c.hash == kRectDraw && c.args.at(4) == 50) seen.barLengthBits = static_cast<std::uint32_t>(c.args.at(2));
        }
        if (key < 255) {
            standin_tapKey(key);
            standin_runFrame();
            seen.modOffAfterTap = !modRan(w.history.back());
        }
        FreeLibrary(dll);
    }
    SetCurrentDirectoryA(cwd);
    standin_reset();
    return seen;
}

// A row's text reaches the parse unchanged only if the INI reader keeps it:
// no line breaks or zero bytes, nothing it trims at either end.
bool survivesTheReader(const std::string& text) {
    const std::string trimmed = " \t\n\r\f\v";
    if (text.find_first_of(std::string("\n\r\0", 3)) != std::string::npos) return false;
    return text.empty() || (trimmed.find(text.front()) == std::string::npos && trimmed.find(text.back()) == std::string::npos);
}

TEST(NumberTableThroughTheDll, EveryIntAndFloatRowIsStoredOrStopsTheLoadAsTheTableSays) {
    const auto rows = numtable::read(std::string(PLK_SOURCE_DIR) + "/tests/data/number_reference.txt");
    char tmp[MAX_PATH];
    GetTempPathA(MAX_PATH, tmp);
    const std::string dir = std::string(tmp) + "plk-number-table-" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(dir.c_str(), nullptr);
    int ran = 0;
    for (const auto& row : rows) {
        ASSERT_GE(row.tokens.size(), 3u) << "line " << row.line;
        const std::string& kind = row.tokens[0];
        if ((kind != "int" && kind != "float") || !survivesTheReader(row.tokens[1])) continue;
        SCOPED_TRACE("table line " + std::to_string(row.line) + ": " + numtable::quote(row.tokens[1]));
        const bool stored = row.tokens[2] == "ok";
        ++ran;
        if (kind == "float") {
            const Seen s = runOver(dir, "[SETTINGS]\nINITIAL_WALK_SPEED=" + row.tokens[1] + "\nUI_BAR_LENGTH=0.3\n", 255);
            EXPECT_EQ(s.firstSpeedBits, stored ? numtable::parseHex(row.tokens[3]) : 0x3FC00000u);
            EXPECT_EQ(s.barLengthBits, stored ? kBarLengthAfter : kDefaultBarLength);
        } else {
            const long value = std::stol(row.tokens[3]);
            const bool key = stored && value >= 0 && value < 255;
            const Seen s = runOver(dir, "[SETTINGS]\nTOGGLE_MOD_KEY=" + row.tokens[1] + "\nUI_BAR_LENGTH=0.3\n",
                                   key ? static_cast<std::uint32_t>(value) : stored ? 255u : 0x79u);
            EXPECT_EQ(s.barLengthBits, stored ? kBarLengthAfter : kDefaultBarLength);
            if (key || !stored) {
                EXPECT_TRUE(s.modOffAfterTap) << "the key the table says does not toggle";
            }
        }
    }
    DeleteFileA((dir + "\\Pacelark.ini").c_str());
    RemoveDirectoryA(dir.c_str());
    EXPECT_GT(ran, 300);
}

}  // namespace
