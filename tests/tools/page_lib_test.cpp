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

// check-ini names a key as a scenario writes it, then its words; the page
// gives the words alone, in the player's language.
TEST(KeyText, ReportAndPageNameKeysEachTheirWay) {
    LanguageGuard guard;
    const struct {
        const char* language;
        std::int64_t code;
        const char *report, *page;
    } rows[] = {
        {"en", 121, "121 (F10)", "121 (F10)"},
        {"en", 192, "192 (OEM_3, US keyboards: ` ~)", "192 (US keyboards: ` ~)"},
        {"en", 219, "219 (OEM_4, US keyboards: [ {)", "219 (US keyboards: [ {)"},
        {"en", 193, "193 (ABNT_C1, not on US keyboards)", "193 (not on US keyboards)"},
        {"en", 8, "8 (BACK, Backspace)", "8 (Backspace)"},
        {"en", 106, "106 (MULTIPLY, numpad *)", "106 (numpad *)"},
        {"en", 96, "96 (NUMPAD0, numpad 0)", "96 (numpad 0)"},
        {"en", 160, "160 (LSHIFT, left Shift)", "160 (left Shift)"},
        {"en", 2, "2 (RBUTTON, right mouse button)", "2 (right mouse button)"},
        {"en", 6, "6 (XBUTTON2, mouse button 5)", "6 (mouse button 5)"},
        {"en", 246, "246 (ATTN, a key few keyboards have)", "246 (a key few keyboards have)"},
        {"en", 7, "7 (no key)", "7 (no key)"},
        {"en", -1, "-1 (no key)", "-1 (no key)"},
        {"de", 192, "192 (OEM_3, Ö auf deutschen Tastaturen)", "192 (Ö auf deutschen Tastaturen)"},
        {"de", 220, "220 (OEM_5, ^ ° auf deutschen Tastaturen)", "220 (^ ° auf deutschen Tastaturen)"},
        {"de", 16, "16 (SHIFT, Umschalt)", "16 (Umschalt)"},
        {"fr", 192, "192 (OEM_3, ù % sur les claviers français)", "192 (ù % sur les claviers français)"},
        {"es", 192, "192 (OEM_3, Ñ en teclados españoles)", "192 (Ñ en teclados españoles)"},
        {"ru", 192, "192 (OEM_3, Ё (` ~))", "192 (Ё (` ~))"},
        {"ru", 221, "221 (OEM_6, Ъ (] }))", "221 (Ъ (] }))"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.language);
        ASSERT_TRUE(setLanguage(r.language));
        EXPECT_EQ(describeKey(r.code), r.report);
        EXPECT_EQ(playerKeyText(r.code), r.page);
    }
    ASSERT_TRUE(setLanguage("en"));
    EXPECT_EQ(mouseButton(1), "the left mouse button");
    EXPECT_EQ(mouseButton(5), "mouse button 4");
}

// Each catalog names every code whose key the layout decides, in its own
// words (English's would be a US keyboard's); no code's text on the page
// holds a system name, in any language; the pickers leave out keys few
// keyboards have.
TEST(KeyText, EveryLanguageNamesEveryKeyInWords) {
    LanguageGuard guard;
    const std::int64_t layoutCodes[] = {186, 187, 188, 189, 190, 191, 192, 193, 194, 219, 220, 221, 222, 223, 226};
    ASSERT_TRUE(setLanguage("en"));
    std::vector<std::string> english;
    for (const std::int64_t code : layoutCodes) english.push_back(keyWords(code));
    for (const LanguageInfo& language : languages()) {
        SCOPED_TRACE(language.tag);
        ASSERT_TRUE(setLanguage(language.tag));
        for (std::size_t k = 0; k < std::size(layoutCodes); ++k) {
            EXPECT_FALSE(keyWords(layoutCodes[k]).empty()) << layoutCodes[k];
            if (language.tag != "en") EXPECT_NE(keyWords(layoutCodes[k]), english[k]) << layoutCodes[k];
        }
        for (std::int64_t code = 0; code < 256; ++code) {
            const std::string name(keyName(code));
            const bool cap = name.size() == 1 || (name[0] == 'F' && name.find_first_not_of("0123456789", 1) == std::string::npos);
            if (!name.empty() && !cap) EXPECT_EQ(playerKeyText(code).find(name), std::string::npos) << playerKeyText(code);
        }
    }
    for (const std::int64_t code : {0x20, 0x60, 0xAD, 0xC0, 0xC1, 0xE2, 0x01}) EXPECT_TRUE(isCommonKey(code)) << code;
    for (const std::int64_t code : {0x07, 0x15, 0x2A, 0xF6, 0xFD, 0xFE}) EXPECT_FALSE(isCommonKey(code)) << code;
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
        {"key words", [] { return keyWords(192); }, "` ~"},
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
