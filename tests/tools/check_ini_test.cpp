// The settings checker on good and bad files: its verdict, the key that
// stops the load, the keys that fall back because of it, and its warnings.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "config/settings.h"
#include "tests/tools/support.h"
#include "tools/lib/check_ini.h"
#include "tools/lib/files.h"
#include "tools/lib/messages.h"

namespace {

// The reports compared here are English.
struct CheckIni : testing::Test {
    void SetUp() override { setLanguage("en"); }
};

std::string writeTemp(const std::string& name, const std::string& content) {
    const std::string path = tooltest::scratch(name).string();
    writeFileAtomically(path, content);
    return path;
}

// The report's row for one key: "  NAME   VALUE   ORIGIN".
std::string rowOf(const std::string& report, std::string_view key) {
    const std::string start = "  " + std::string(key) + " ";
    const std::size_t at = report.find(start);
    if (at == std::string::npos) return {};
    return report.substr(at, report.find('\n', at) - at);
}

struct Case {
    const char* what;
    std::string content;
    int status;
    std::vector<std::string> contains;
};

std::string garbage(std::size_t n) {
    std::string s(n, '\0');
    std::uint32_t x = 12345;
    for (char& c : s) {
        x = x * 1664525u + 1013904223u;
        c = static_cast<char>(x >> 24);
    }
    return s;
}

template <std::size_t N>
std::string withZeros(const char (&bytes)[N]) {
    return std::string(bytes, N - 1);
}

TEST_F(CheckIni, BadFilesAreExplained) {
    const std::string bom = "\xEF\xBB\xBF";
    const std::vector<Case> cases = {
        {"empty file", "", 1, {"no section [SETTINGS]"}},
        {"byte-order mark alone", bom, 1, {"no section [SETTINGS]"}},
        {"byte-order mark before the section", bom + "[SETTINGS]\nTOGGLE_HUD_KEY=100\n", 0,
         {"100 (NUMPAD4, numpad 4)", "file, line 2"}},
        {"binary garbage", garbage(4096), 1, {"no section [SETTINGS]"}},
        {"zero bytes inside a value are dropped", withZeros("[SETTINGS]\nTOGGLE_MOD_KEY=1\0\0" "20\n"), 0,
         {"120 (F9)"}},
        {"invalid UTF-8 in a key", "[SETTINGS]\n\xC3\x28\xFF=1\n", 1, {"unknown key \"\\xC3(\\xFF\""}},
        {"nan", "[SETTINGS]\nSCROLL_STEP_SIZE=nan\n", 1,
         {"SCROLL_STEP_SIZE is NaN", "MAX_SCROLL_VAL"}},
        {"inf", "[SETTINGS]\nMAX_SCROLL_VAL=inf\n", 1, {"MAX_SCROLL_VAL is infinity"}},
        {"minus zero", "[SETTINGS]\nUI_LEFT_OFFSET=-0\n", 0, {"-0 "}},
        {"1e39 stops the load at its key",
         "[SETTINGS]\nINITIAL_WALK_SPEED=2\nMAX_SCROLL_VAL=1e39\nUI_BAR_LENGTH=0.3\n", 2,
         {"The load stops at MAX_SCROLL_VAL = \"1e39\" (line 3)", "out of range",
          "MAX_SCROLL_VAL (line 3), UI_BAR_LENGTH (line 4)"}},
        // Hexadecimal is read as 0: one warning, with the decimal to write.
        {"0x7A is read as 0", "[SETTINGS]\nTOGGLE_MOD_KEY=0x7A ; F11\n", 1,
         {"\"0x7A ; F11\" is read as 0 (no key): the plug-in reads key codes in decimal only, so write 122 for F11 instead",
          "with 1 warning."}},
        {"hexadecimal that is no watched key", "[SETTINGS]\nTOGGLE_HUD_KEY=0x100\n", 1,
         {"\"0x100\" is read as 0 (no key): the plug-in reads key codes in decimal only; write the key's code in "
          "decimal, e.g. 121 for F10",
          "with 1 warning."}},
        // A comment after a number does no harm: a note, and the file is clean.
        {"a comment after a number", "[SETTINGS]\nTOGGLE_MOD_KEY= 121 ; F10\nINITIAL_WALK_SPEED=1.0 # was 0.15\n", 0,
         {"note: line 2: TOGGLE_MOD_KEY = \"121 ; F10\" is read as 121 (F10); the comment after the number is ignored",
          "note: line 3: INITIAL_WALK_SPEED = \"1.0 # was 0.15\" is read as 1;"}},
        {"a semicolon right after a number is no comment", "[SETTINGS]\nUI_BAR_LENGTH=0.3;x\n", 1,
         {"is read as 0.3: only its leading number counts"}},
        {"full-width digits", "[SETTINGS]\nTOGGLE_MOD_KEY=1２\nINITIAL_WALK_SPEED=２.５\n", 2,
         {"TOGGLE_MOD_KEY = \"1２\" is read as 1 (LBUTTON, left mouse button): the plug-in reads only the digits 0-9, so "
          "the number ends at the first full-width character",
          "The load stops at INITIAL_WALK_SPEED = \"２.５\" (line 3): it is written in full-width digits, and the plug-in "
          "reads only the digits 0-9 (invalid stof argument)."}},
        {"a key name instead of its code stops everything",
         "[SETTINGS]\nTOGGLE_MOD_KEY=F10\nTOGGLE_HUD_KEY=100\nUI_BAR_LENGTH=0.3\n", 2,
         {"The load stops at TOGGLE_MOD_KEY = \"F10\" (line 2)", "invalid stoi argument", "121 for F10",
          "TOGGLE_MOD_KEY (line 2), TOGGLE_HUD_KEY (line 3), UI_BAR_LENGTH (line 4)"}},
        {"an empty value stops the load", "[SETTINGS]\nTOGGLE_MOD_KEY=\n", 2, {"TOGGLE_MOD_KEY = \"\""}},
        {"a key code beyond 32 bits stops the load", "[SETTINGS]\nTOGGLE_HUD_KEY=-99999999999\n", 2,
         {"(line 2): the number is out of range (stoi argument out of range)."}},
        {"a word for a speed stops the load", "[SETTINGS]\nMAX_SCROLL_VAL=fast\n", 2,
         {"(line 2): it does not start with a number (invalid stof argument)."}},
        {"keys in any case", "[sEtTiNgS]\ntOgGlE_hUd_KeY=100\n", 0, {"100 (NUMPAD4, numpad 4)"}},
        {"reopened sections merge and the last value counts",
         "[SETTINGS]\nTOGGLE_HUD_KEY=100\n[OTHER]\nUI_BAR_LENGTH=0.3\n[ settings ]\nTOGGLE_HUD_KEY=101\n", 1,
         {"101 (NUMPAD5, numpad 5)", "given more than once (line 2 and line 6)",
          "line 4: UI_BAR_LENGTH stands in section [OTHER]"}},
        {"a key before any header", "TOGGLE_HUD_KEY=100\n[SETTINGS]\n", 1,
         {"line 1: TOGGLE_HUD_KEY stands before any section header"}},
        {"a misspelt key", "[SETTINGS]\nTOGGLE_HUD_KY=100\n", 1, {"did you mean TOGGLE_HUD_KEY?"}},
        // Names as the file writes them, not as the reader matches them.
        {"names as written", "[Settings]\nToggle\\=Key=1\n[General]\nUI_BAR_LENGTH=0.3\n", 1,
         {"line 2: unknown key \"Toggle\\=Key\" in [Settings] is ignored",
          "line 4: UI_BAR_LENGTH stands in section [General], so it is ignored; move it under [SETTINGS]"}},
        {"toggles that cannot fire", "[SETTINGS]\nTOGGLE_HUD_KEY=255\nTOGGLE_AUTO_WALK_KEY=-1\n", 1,
         {"TOGGLE_HUD_KEY = 255 can never fire: only codes 0 to 254 are watched",
          "TOGGLE_AUTO_WALK_KEY = -1 can never fire"}},
        {"minimum above maximum and the start outside",
         "[SETTINGS]\nINITIAL_WALK_SPEED=10\nMIN_SCROLL_VAL=4\nMAX_SCROLL_VAL=2\n", 1,
         {"MIN_SCROLL_VAL 4 is above MAX_SCROLL_VAL 2", "INITIAL_WALK_SPEED 10 is outside"}},
        {"booleans other than true and false", "[SETTINGS]\nDISABLE_HORSE_SUPPORT=true ; yes\n", 1,
         {"\"true ; yes\" is read as false"}},
        {"booleans in capitals", "[SETTINGS]\nDISABLE_HORSE_SUPPORT=TRUE\n", 0, {"true "}},
        {"a comma as decimal point", "[SETTINGS]\nINITIAL_WALK_SPEED=2,5\n", 1, {"\"2,5\" is read as 2"}},
        // Numbers of any length are told whole in one pass (a regex once recursed per byte).
        {"a key code after 100,000 zeros", "[SETTINGS]\nTOGGLE_MOD_KEY=" + std::string(100'000, '0') + "65\n", 0,
         {"65 (A)"}},
        {"a speed with 100,000 zeros", "[SETTINGS]\nINITIAL_WALK_SPEED=1." + std::string(100'000, '0') + "\n", 0,
         {"file, line 2"}},
        {"a long number with a tail", "[SETTINGS]\nUI_BAR_LENGTH=0." + std::string(100'000, '1') + "x\n", 1,
         {"only its leading number counts"}},
        // Lines the plug-in reads otherwise than they look.
        {"lone carriage returns make one line", "[SETTINGS]\rTOGGLE_MOD_KEY=100\rUI_BAR_LENGTH=0.3\r", 1,
         {"line 1: a carriage return without a line feed", "3 lines run together: TOGGLE_MOD_KEY, UI_BAR_LENGTH are lost",
          "No setting comes from it"}},
        {"a value swallows the next line", "[SETTINGS]\nTOGGLE_MOD_KEY=100\rTOGGLE_HUD_KEY=101\r\n", 1,
         {"line 2: a carriage", "the value of TOGGLE_MOD_KEY swallows the rest, and TOGGLE_HUD_KEY is lost"}},
        {"a setting without \"=\"", "[SETTINGS]\nINITIAL_WALK_SPEED 2.0\nmax_scroll_val: 4\nMAX_SCROLL_VALUE 3\n", 1,
         {"line 2: INITIAL_WALK_SPEED has no \"=\", so the plug-in ignores this line", "line 3: MAX_SCROLL_VAL has no"}},
        {"a header without its bracket", "[OTHER]\n[SETTINGS\nTOGGLE_HUD_KEY=100\n", 1,
         {"line 2: this header has no \"]\", so the plug-in skips it and the lines below stay in section [OTHER]"}},
        {"a header cut at its comment", "[SETTINGS ; main]\nTOGGLE_HUD_KEY=100\n", 1,
         {"line 1: this header has no \"]\" before its \";\"", "stay before any section header"}},
        {"a hash is no comment mark", "[SETTINGS]\n#Toggle_Hud_Key=2\n", 1,
         {"line 2: \"#\" does not start a comment for the plug-in (\";\" does): it reads a key named #Toggle_Hud_Key "}},
        {"a step of zero", "[SETTINGS]\nSCROLL_STEP_SIZE=0\n", 1, {"line 2: SCROLL_STEP_SIZE is 0, so the speed controls do nothing"}},
        {"a step below zero", "[SETTINGS]\nSCROLL_STEP_SIZE=-0.1\n", 1, {"speed-up and speed-down swap"}},
        {"a bar of no length", "[SETTINGS]\nUI_BAR_LENGTH=-0\n", 1, {"line 2: UI_BAR_LENGTH -0 is not above zero"}},
        {"bars beyond the right edge", "[SETTINGS]\nUI_LEFT_OFFSET=1\n", 1, {"line 2: UI_LEFT_OFFSET 1 and", "off the screen"}},
        {"bars below the bottom edge", "[SETTINGS]\nUI_BOTTOM_OFFSET=-0.02\n", 1, {"y 1.01 to 1.02"}},
        {"bars at the very top still show", "[SETTINGS]\nUI_BOTTOM_OFFSET=0.99\n", 0, {"file, line 2"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const IniCheck r = checkIniFile(writeTemp("Pacelark.ini", c.content));
        EXPECT_EQ(r.status, c.status) << r.report;
        for (const std::string& s : c.contains) EXPECT_NE(r.report.find(s), std::string::npos) << s << "\n" << r.report;
        // Every key is listed, whatever the file holds.
        for (const SettingEntry& e : kSettingsTable) EXPECT_FALSE(rowOf(r.report, e.name).empty()) << e.name;
    }
}

TEST_F(CheckIni, AStopSaysWhichKeysFellBackAndWhichStillCount) {
    const IniCheck r = checkIniFile(writeTemp("Pacelark.ini",
                                              "[SETTINGS]\n"
                                              "TOGGLE_MOD_KEY=100\n"
                                              "SCROLL_STEP_SIZE=0.5\n"
                                              "MIN_SCROLL_VAL=abc\n"
                                              "UI_BAR_LENGTH=0.3\n"));
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(rowOf(r.report, "TOGGLE_MOD_KEY").find("file, line 2"), std::string::npos);
    EXPECT_NE(rowOf(r.report, "SCROLL_STEP_SIZE").find("0.5"), std::string::npos);
    EXPECT_NE(rowOf(r.report, "MIN_SCROLL_VAL").find("the load stops here (line 4)"), std::string::npos);
    EXPECT_NE(rowOf(r.report, "MAX_SCROLL_VAL").find("default"), std::string::npos);
    EXPECT_NE(rowOf(r.report, "UI_BAR_LENGTH").find("0.15"), std::string::npos);
    EXPECT_NE(rowOf(r.report, "UI_BAR_LENGTH").find("line 5 is never read"), std::string::npos);
}

TEST_F(CheckIni, TheShippedSampleIsCleanAndReadsEveryKeyFromTheFile) {
    const IniCheck r = checkIniFile(std::string(PLK_SOURCE_DIR) + "/config/Pacelark.ini");
    EXPECT_EQ(r.status, 0) << r.report;
    for (const SettingEntry& e : kSettingsTable)
        EXPECT_NE(rowOf(r.report, e.name).find("file, line"), std::string::npos) << e.name;
}

TEST_F(CheckIni, AFileOfSeveralMegabytesOnOneLineIsQuick) {
    const std::string path = writeTemp("Pacelark.ini", "[SETTINGS]\nX=" + std::string(8 << 20, '\\') + "\n");
    const IniCheck r = checkIniFile(path);
    EXPECT_EQ(r.status, 1);
    // The long key is named, cut short.
    EXPECT_LT(r.report.size(), 4000u);
}

TEST_F(CheckIni, AnotherFileNameGetsANoteButNoWarning) {
    const IniCheck r = checkIniFile(writeTemp("settings.txt", "[SETTINGS]\n"));
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.report.find("note: the plug-in reads only a file named Pacelark.ini"), std::string::npos);
}

TEST_F(CheckIni, MissingFilesAndFoldersAreErrors) {
    EXPECT_THROW(checkIniFile(tooltest::scratch("no-such-file.ini").string()), FileError);
    const std::filesystem::path dir = tooltest::scratch("Pacelark.ini");
    std::filesystem::create_directories(dir);
    EXPECT_THROW(checkIniFile(dir.string()), FileError);
}

}  // namespace
