// The checker over bytes (what the settings page calls) and its key warnings.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/tools/support.h"
#include "tools/lib/check_findings.h"
#include "tools/lib/check_ini.h"
#include "tools/lib/files.h"
#include "tools/lib/messages.h"

namespace {

// The words compared here are English.
struct CheckIniText : testing::Test {
    void SetUp() override { setLanguage("en"); }
};

TEST_F(CheckIniText, SameBytesSameNameSameReportAsTheFile) {
    const std::string bytes = std::string("\xEF\xBB\xBF[SETTINGS]\r\nTOGGLE_MOD_KEY=1\0" "20\r\nSCROLL_STEP_SIZE=0.5\r\n", 58) +
                              "MIN_SCROLL_VAL=abc\r\nUI_BAR_LENGTH=0.3\r\n[x]\r\nTOGGLE_HUD_KEY=1\r\n";
    const std::string path = tooltest::scratch("my.ini").string();
    writeFileAtomically(path, bytes);
    const IniCheck fromFile = checkIniFile(path);
    const IniCheck fromText = checkIniText(bytes, path);
    EXPECT_EQ(fromText.report, fromFile.report);
    EXPECT_EQ(fromText.status, 2);
    EXPECT_EQ(fromText.stoppedAt, 6u);
    EXPECT_EQ(fromText.loaded.TOGGLE_MOD_KEY, 120);
    EXPECT_EQ(fromText.lines[0], 2);
    EXPECT_EQ(fromText.lines[1], 0);  // only in [x]
    EXPECT_NE(fromText.report.find("What the plug-in reads from " + path + ":"), std::string::npos);
}

TEST_F(CheckIniText, KeysThatShareOrCannotFireAreNamed) {
    const IniCheck c = checkIniText(
        "[SETTINGS]\nTOGGLE_MOD_KEY=120\nTOGGLE_HUD_KEY=2\nTOGGLE_AUTO_WALK_KEY=120\nTOGGLE_HORSE_SUPPORT=120\n",
        "Pacelark.ini");
    EXPECT_EQ(c.status, 1);
    EXPECT_NE(c.report.find("warning: TOGGLE_MOD_KEY and TOGGLE_AUTO_WALK_KEY share the key 120 (F9): "
                            "TOGGLE_MOD_KEY takes every release of it, so TOGGLE_AUTO_WALK_KEY never fires"),
              std::string::npos)
        << c.report;
    EXPECT_NE(c.report.find("warning: TOGGLE_MOD_KEY and TOGGLE_HORSE_SUPPORT share the key 120 (F9)"), std::string::npos);
    EXPECT_NE(c.report.find("warning: TOGGLE_HUD_KEY = 2 (RBUTTON, right mouse button) is the right mouse button"),
              std::string::npos);
    EXPECT_EQ(c.report.find("note:"), std::string::npos);
    // Keys that cannot fire share nothing.
    const IniCheck off = checkIniText("[SETTINGS]\nTOGGLE_MOD_KEY=255\nTOGGLE_HUD_KEY=255\n", "x/Pacelark.ini");
    EXPECT_EQ(off.report.find("share"), std::string::npos);
    EXPECT_EQ(off.report.find("note:"), std::string::npos);
}

// The page shows findings beside their fields: each carries its severity,
// setting and line, in report order, and the verdict opens the report.
TEST_F(CheckIniText, FindingsCarryTheirSettingAndLineAndTheVerdictComesFirst) {
    const IniCheck c = checkIniText("[SETTINGS]\nZETA=1\nTOGGLE_MOD_KEY=0x7A\nALPHA=2\nZETA=3\nMIN_SCROLL_VAL=abc\n",
                                    "x.ini");
    EXPECT_EQ(tr(c.verdict),
              "The plug-in stops reading at MIN_SCROLL_VAL, line 6: it and the 6 settings after it keep their defaults.");
    EXPECT_EQ(c.report.rfind("Result: the plug-in stops reading at MIN_SCROLL_VAL, line 6:", 0), 0u) << c.report;
    struct Expected {
        FindingSeverity severity;
        int setting;
        std::size_t line;
        std::string start;
    };
    const std::vector<Expected> expected = {
        {FindingSeverity::Stop, 6, 6, "The load stops at MIN_SCROLL_VAL = \"abc\" (line 6)"},
        {FindingSeverity::Warning, -1, 2, "unknown key \"ZETA\""},  // in the order of their lines
        {FindingSeverity::Warning, -1, 4, "unknown key \"ALPHA\""},
        {FindingSeverity::Warning, 0, 3, "TOGGLE_MOD_KEY = \"0x7A\" is read as 0"},
        {FindingSeverity::Note, -1, 0, "the plug-in reads only a file named Pacelark.ini"},
    };
    ASSERT_EQ(c.findings.size(), expected.size()) << c.report;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const std::string text = tr(c.findings[i].text);
        SCOPED_TRACE(text);
        EXPECT_EQ(c.findings[i].severity, expected[i].severity);
        EXPECT_EQ(c.findings[i].setting, expected[i].setting);
        EXPECT_EQ(c.findings[i].line, expected[i].line);
        EXPECT_EQ(text.rfind(expected[i].start, 0), 0u);
    }
    // The report keeps the plug-in's runtime words for the stop; the page's
    // sentence leaves them out.
    EXPECT_NE(c.report.find("it does not start with a number (invalid stof argument)."), std::string::npos);
    ASSERT_TRUE(c.findings[0].forPage.has_value());
    EXPECT_EQ(tr(*c.findings[0].forPage),
              "The load stops at MIN_SCROLL_VAL = \"abc\" (line 6): it does not start with a number.");
}

// The guess for an unknown key: the nearest name (the first of equals), and
// only when the key is within a third of that name.
TEST_F(CheckIniText, AnUnknownKeyIsMatchedToTheNearestNameWithinReach) {
    const struct {
        const char* key;
        std::string guess;  // "" for none
    } rows[] = {
        {"toggle_xxd_key", "TOGGLE_MOD_KEY"},                // two edits from MOD and HUD alike
        {"PED_DESIRED_SPEED", "UI_HIDE_PED_DESIRED_SPEED"},  // eight edits, the longest name's reach
        {"UI_DESIRED_SPEED", ""},                            // nine
        {"TOGGLE_WALKS_KEY", ""},  // 5 from MOD_KEY, beyond its reach; AUTO_WALK_KEY is farther
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.key);
        const IniCheck c = checkIniText("[SETTINGS]\n" + std::string(row.key) + "=1\n", "Pacelark.ini");
        ASSERT_FALSE(c.findings.empty());
        const std::string text = tr(c.findings.front().text);
        EXPECT_EQ(text.substr(text.find(" is ignored")),
                  " is ignored" + (row.guess.empty() ? "" : "; did you mean " + row.guess + "?"));
    }
}

// Storage running out at a key is no bad number; no file can make it
// happen, so the load's result is made by hand.
TEST_F(CheckIniText, AStopForWantOfStorageIsNotBlamedOnTheValue) {
    IniFacts facts;
    facts.keys[4] = {.first = 3, .last = 3, .times = 1, .value = "2"};
    SettingsLoadResult load;
    load.end = SettingsLoadEnd::Stopped;
    load.failedKey = 4;
    load.error = SettingsLoadError::OutOfMemory;
    EXPECT_EQ(tr(stopFinding(load, facts).text),
              "The load stops at INITIAL_WALK_SPEED = \"2\" (line 3): reading it fails (std::bad_alloc).");
}

}  // namespace
