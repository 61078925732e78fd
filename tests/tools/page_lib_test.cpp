// What the settings page takes from the tools' library beyond the checker and
// the editor: the setting descriptions, in step with the sample file and
// README, keys as a player knows them, the words in the page's language, and
// the quick edit of big files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "config/settings.h"
#include "tools/lib/descriptions.h"
#include "tools/lib/ini_edit.h"
#include "tools/lib/keynames.h"
#include "tools/lib/messages.h"
#include "tools/lib/quick_edit.h"

namespace {

struct LanguageGuard {
    ~LanguageGuard() { setLanguage("en"); }
};

std::string source(const std::string& path) {
    std::ifstream in(std::string(PLK_SOURCE_DIR) + "/" + path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// The sample's comment block above each key opens with its English
// description, and README's table gives it as the key's "What it does".
TEST(SettingDescriptions, SampleFileAndReadmeSayTheSame) {
    ASSERT_TRUE(setLanguage("en"));
    const std::vector<std::string> sample = linesOf(source("config/Pacelark.ini"));
    const std::vector<std::string> readme = linesOf(source("README.md"));
    for (std::size_t k = 0; k < kSettingsTable.size(); ++k) {
        const std::string name(kSettingsTable[k].name), what = settingDescription(k);
        SCOPED_TRACE(name);
        std::size_t at = 0;
        while (at < sample.size() && sample[at].rfind(name + "=", 0) != 0) ++at;
        ASSERT_LT(at, sample.size());
        std::size_t first = at;
        while (first > 0 && !sample[first - 1].empty() && sample[first - 1][0] == ';') --first;
        ASSERT_LT(first, at);
        EXPECT_EQ(sample[first], "; " + what);
        int rows = 0;
        for (const std::string& line : readme)
            if (line.rfind("| `" + name + "` |", 0) == 0) {
                ++rows;
                EXPECT_EQ(line.substr(line.rfind(" | ") + 3), what + " |");
            }
        EXPECT_EQ(rows, 1);
    }
}

// check-ini names a key as a scenario writes it, then its hint; the page
// gives the hint in place of a system name.
TEST(KeyText, ReportAndPageNameKeysEachTheirWay) {
    ASSERT_TRUE(setLanguage("en"));
    const struct {
        std::int64_t code;
        const char *report, *page;
    } rows[] = {
        {121, "121 (F10)", "121 (F10)"},
        {192, "192 (OEM_3, ` ~ on US keyboards)", "192 (` ~ on US keyboards)"},
        {220, "220 (OEM_5, \\ | on US keyboards)", "220 (\\ | on US keyboards)"},
        {8, "8 (BACK, Backspace)", "8 (Backspace)"},
        {106, "106 (MULTIPLY, numpad *)", "106 (numpad *)"},
        {187, "187 (OEM_PLUS, = +)", "187 (= +)"},
        {226, "226 (OEM_102, < > beside left Shift on some keyboards)", "226 (< > beside left Shift on some keyboards)"},
        {2, "2 (RBUTTON, right mouse button)", "2 (right mouse button)"},
        {6, "6 (XBUTTON2, mouse button 5)", "6 (mouse button 5)"},
        {160, "160 (LSHIFT)", "160 (LSHIFT)"},
        {7, "7 (no key)", "7 (no key)"},
        {-1, "-1 (no key)", "-1 (no key)"},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(describeKey(r.code), r.report);
        EXPECT_EQ(playerKeyText(r.code), r.page);
    }
    EXPECT_EQ(mouseButton(1), "the left mouse button");
    EXPECT_EQ(mouseButton(5), "mouse button 4");
}

// Descriptions, key hints and the editor's refusals come from the catalog: in
// the pseudo-language no English letter is left but in what they quote.
TEST(PageWords, FollowTheLanguage) {
    LanguageGuard guard;
    const struct {
        const char* what;
        std::string (*text)();
        const char* kept;
    } rows[] = {
        {"description", [] { return settingDescription(12); }, "3"},
        {"key hint", [] { return keyHint(192); }, "` ~"},
        {"mouse button", [] { return mouseButton(5); }, "4"},
        {"page's key", [] { return playerKeyText(8); }, "8"},
        {"no key", [] { return describeKey(7); }, "7"},
        {"refusal", [] { return tr(fieldValueText(kSettingsTable[0], "xyz").refusal); }, "xyz"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        ASSERT_TRUE(setLanguage("en"));
        const std::string english = r.text();
        ASSERT_TRUE(setLanguage(kPseudoLanguage));
        std::string pseudo = r.text();
        EXPECT_NE(pseudo, english);
        const std::size_t at = pseudo.find(r.kept);
        ASSERT_NE(at, std::string::npos) << pseudo;
        pseudo.erase(at, std::string_view(r.kept).size());
        EXPECT_TRUE(std::none_of(pseudo.begin(), pseudo.end(), [](char c) { return std::isalpha(static_cast<unsigned char>(c)); }))
            << pseudo;
    }
}

// Every edit of every setting: the quick edit gives setSettingValue's bytes,
// whether it may cut the file (other sections after [SETTINGS]) or not.
TEST(QuickEdit, GivesTheWholeFileEditsBytes) {
    const std::string tail = "; after\r\n[other]\r\nTOGGLE_MOD_KEY=1\r\n[ more ]\r\nx=y\r\n";
    const struct {
        const char* what;
        std::string bytes;
        bool cut;
    } files[] = {
        {"settings first, CRLF", "\xEF\xBB\xBF[SETTINGS]\r\nTOGGLE_MOD_KEY = 121 ; F10\r\n" + tail, true},
        {"two settings blocks", "[settings]\r\nUI_BAR_LENGTH=1\r\n[a]\r\nk=v\r\n[ SETTINGS ]\r\nMIN_SCROLL_VAL=abc\r\n" + tail, true},
        {"key after the last block's end", "[SETTINGS]\r\n[x]\r\nINITIAL_WALK_SPEED=2\r\n", true},
        {"a later block split by dropped bytes", std::string("[SETTINGS]\r\nA=1\r\n[x]\r\n[set\rtin\0gS]\r\nB=2\r\n[y]\r\n", 46), true},
        {"headers hidden as values", std::string("[SETTINGS]\n[x=y\n\0[other]\nk=v\n; [SETTINGS]\n", 42), true},
        {"line ends change style after the cut", "[SETTINGS]\r\nA=1\r\n[x]\nb\nc\nd\n", false},
        {"settings last", tail + "[SETTINGS]\r\nTOGGLE_HUD_KEY=1", false},
        {"no settings", tail, false},
        {"empty", "", false},
    };
    for (const auto& f : files) {
        SCOPED_TRACE(f.what);
        EXPECT_EQ(settingsPartEnd(f.bytes) < f.bytes.size(), f.cut);
        for (std::size_t k = 0; k < kSettingsTable.size(); ++k) {
            const std::string value = kSettingsTable[k].kind == SettingKind::Bool ? "true" : "7";
            EXPECT_EQ(setSettingValueQuick(f.bytes, k, value).text, setSettingValue(f.bytes, k, value).text) << kSettingsTable[k].name;
        }
    }
}

}  // namespace
