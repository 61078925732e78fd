// The checker over bytes (what the settings page calls) and its key warnings.
#include <gtest/gtest.h>

#include <string>

#include "tests/tools/support.h"
#include "tools/lib/check_ini.h"
#include "tools/lib/files.h"

namespace {

TEST(CheckIniText, SameBytesSameNameSameReportAsTheFile) {
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

TEST(CheckIniText, KeysThatShareOrCannotFireAreNamed) {
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

}  // namespace
