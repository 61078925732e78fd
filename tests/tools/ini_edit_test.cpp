// The settings page's engine: numbers written as the plug-in reads them, one
// value changed and every other byte kept, and the look at a picked file.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "config/ini.h"
#include "config/settings.h"
#include "tools/lib/check_ini.h"
#include "tools/lib/float_text.h"
#include "tools/lib/ini_edit.h"
#include "tools/lib/messages.h"

namespace {

float fromBits(std::uint32_t b) {
    float f;
    std::memcpy(&f, &b, sizeof f);
    return f;
}

std::uint32_t bitsOf(float f) {
    std::uint32_t b;
    std::memcpy(&b, &f, sizeof b);
    return b;
}

std::size_t keyIndex(std::string_view name) {
    for (std::size_t i = 0; i < kSettingsTable.size(); ++i)
        if (kSettingsTable[i].name == name) return i;
    return kSettingsTable.size();
}

std::string set(std::string_view bytes, std::string_view key, std::string_view value) {
    const EditResult r = setSettingValue(bytes, keyIndex(key), value);
    EXPECT_TRUE(r.ok()) << tr(r.refusal);
    return r.text;
}

bool refused(std::string_view bytes, std::string_view key, std::string_view value) {
    const EditResult r = setSettingValue(bytes, keyIndex(key), value);
    return !r.ok() && r.text.empty();
}

float pluginReads(const std::string& text) {
    float value = 0.0f;
    EXPECT_EQ(parseIniFloat(text, value), SettingsLoadError::None) << text;
    return value;
}

// check-ini shows floats as std::to_chars does; the page's libc++ has none.
TEST(FloatText, MatchesToCharsWithoutIt) {
    std::mt19937 rng(7);
    std::vector<float> values = {0.1f, 0.15f, 3.0f, 1e4f, 1e5f, 123456792.0f, 1e-7f, 1e-4f, 16777216.0f,
                                 std::numeric_limits<float>::max(), std::numeric_limits<float>::denorm_min(),
                                 std::numeric_limits<float>::min(), -0.0f};
    for (int e = -149; e < 128; ++e) values.push_back(std::nextafter(std::ldexp(1.0f, e), 0.0f));
    for (int i = 0; i < 100000; ++i) values.push_back(fromBits(static_cast<std::uint32_t>(rng())));
    for (const float v : values) {
        if (!std::isfinite(v)) continue;
        char buf[64];
        const auto r = std::to_chars(buf, buf + sizeof buf, v);
        ASSERT_EQ(shortestFloatText(v, strtofParse), std::string(buf, r.ptr)) << std::hexfloat << v;
    }
}

TEST(FloatText, WritesWhatThePluginReadsBackBitForBit) {
    EXPECT_EQ(floatValueText(3.0f).text, "3");
    EXPECT_EQ(floatValueText(0.038f).text, "0.038");
    EXPECT_EQ(floatValueText(-0.0f).text, "-0");
    EXPECT_EQ(floatValueText(1e10f).text, "1e+10");
    EXPECT_EQ(floatValueText(std::numeric_limits<float>::infinity()).text, "inf");
    EXPECT_EQ(floatValueText(-std::numeric_limits<float>::infinity()).text, "-inf");
    EXPECT_TRUE(std::isnan(pluginReads(floatValueText(std::nanf("")).text)));
    std::mt19937 rng(11);
    for (int i = 0; i < 20000; ++i) {
        const float v = fromBits(static_cast<std::uint32_t>(rng()));
        if (!std::isfinite(v) || std::fpclassify(v) == FP_SUBNORMAL) continue;
        const std::string text = floatValueText(v).text;
        ASSERT_EQ(text.find(','), std::string::npos);
        ASSERT_EQ(bitsOf(pluginReads(text)), bitsOf(v)) << text;
    }
}

TEST(FieldText, TypedValuesBecomeWhatThePluginReads) {
    const SettingEntry& key = kSettingsTable[keyIndex("TOGGLE_MOD_KEY")];
    const SettingEntry& speed = kSettingsTable[keyIndex("INITIAL_WALK_SPEED")];
    const SettingEntry& flag = kSettingsTable[keyIndex("DISABLE_HORSE_SUPPORT")];
    const struct {
        const SettingEntry& entry;
        const char* typed;
        const char* written;  // nullptr: refused
    } cases[] = {
        {key, "120", "120"}, {key, " +007 ", "7"}, {key, "F9", "120"}, {key, "vk_f9", "120"}, {key, "0x78", "120"},
        {key, "-1", "-1"}, {key, "300", "300"}, {key, "99999999999", nullptr}, {key, "F99", nullptr},
        {key, "", nullptr}, {speed, "2,5", "2.5"}, {speed, "3.0", "3"}, {speed, "0.1", "0.1"},
        {speed, "1e39", nullptr}, {speed, "2.5x", nullptr}, {speed, "1,000.5", nullptr}, {speed, "nan", "nan"},
        {speed, "-Infinity", "-inf"}, {speed, "1000", "1000"}, {flag, "TRUE", "true"}, {flag, "false", "false"},
        {flag, "yes", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.entry.name) + " <- " + c.typed);
        const EditResult r = fieldValueText(c.entry, c.typed);
        if (c.written) EXPECT_EQ(r.text, c.written) << tr(r.refusal);
        else EXPECT_FALSE(r.ok()) << r.text;
    }
}

TEST(FieldText, TypedSpeedsTakeTheSameDecimalCommaRule) {
    EXPECT_EQ(typedNumber(" 2,5 "), 2.5f);
    EXPECT_EQ(typedNumber("0.5"), 0.5f);
    for (const char* bad : {"", "abc", "1,000.5", "2.5x", "inf", "nan", "1e39"})
        EXPECT_FALSE(typedNumber(bad)) << bad;
}

// Values in messages: text as it is, quotes and backslashes too; bytes that
// cannot be shown as codes; a cut marked outside the quotes, at a whole
// character.
TEST(QuotedValue, ShowsTheTextAndCodesOnlyWhatCannotBeShown) {
    setLanguage("en");
    const std::string forty(40, 'x');
    const struct {
        std::string text, shown;
    } rows[] = {
        {"\"1.5\" C:\\x", "\"\"1.5\" C:\\x\""},
        {"２.５ é", "\"２.５ é\""},
        {"a\tb\x1B[0m\x7F", "\"a\\x09b\\x1B[0m\\x7F\""},
        {"\xC3\x28\xFF\xC0\xAF\xED\xA0\x80", "\"\\xC3(\\xFF\\xC0\\xAF\\xED\\xA0\\x80\""},  // no UTF-8
        {"\xC2\x85|\xE2\x80\xAE|\xEF\xBB\xBF", "\"\\xC2\\x85|\\xE2\\x80\\xAE|\\xEF\\xBB\\xBF\""},  // invisible
        {forty, "\"" + forty + "\""},
        {forty + "y", "\"" + forty + "\"… (shortened)"},
        {forty.substr(1) + "é", "\"" + forty.substr(1) + "\"… (shortened)"},
    };
    for (const auto& row : rows) EXPECT_EQ(quotedValue(row.text), row.shown) << row.text;
}

TEST(IniEdit, ReplacesOnlyTheValueThePluginReads) {
    // The mark, CRLF, a comment, the key given twice (the last counts), the
    // same key elsewhere, a reopened section in another case, a lone CR that
    // ends no line, zero bytes and an escaped "=" in another key.
    const std::string file = std::string("\xEF\xBB\xBF; mine\r\n[SETTINGS]\r\nMAX_SCROLL_VAL=2 ; slow\r\n") +
                             "a\\=b = 1\r\n[OTHER]\r\nmax_scroll_val=9\r\n[ settings ]\r\n" +
                             std::string(" Max_Scroll_Val \t=\t 4\0.5 ; note\r\n", 33) + "UI_BAR_LENGTH=0.1\rX=2\r\n";
    const std::string edited = set(file, "MAX_SCROLL_VAL", "2.75");
    const std::string expected = std::string("\xEF\xBB\xBF; mine\r\n[SETTINGS]\r\nMAX_SCROLL_VAL=2 ; slow\r\n") +
                                 "a\\=b = 1\r\n[OTHER]\r\nmax_scroll_val=9\r\n[ settings ]\r\n" +
                                 " Max_Scroll_Val \t=\t 2.75\r\nUI_BAR_LENGTH=0.1\rX=2\r\n";
    EXPECT_EQ(edited, expected);
    // The lone CR keeps "X=2" inside the value the plug-in reads for UI_BAR_LENGTH.
    EXPECT_EQ(set(file, "UI_BAR_LENGTH", "0.3"), file.substr(0, file.rfind("UI_BAR")) + "UI_BAR_LENGTH=0.3\r\n");
}

TEST(IniEdit, AddsMissingKeysAndSectionsInTheFilesStyle) {
    // After the last key of the last [SETTINGS] block, before its line end.
    EXPECT_EQ(set("[settings]\nA=1\n[x]\nB=2\n[SETTINGS]\nC=3\n\n; end\n", "UI_BAR_LENGTH", "0.3"),
              "[settings]\nA=1\n[x]\nB=2\n[SETTINGS]\nC=3\nUI_BAR_LENGTH=0.3\n\n; end\n");
    EXPECT_EQ(set("[SETTINGS]\r\nA=1", "UI_BAR_LENGTH", "0.3"), "[SETTINGS]\r\nA=1\r\nUI_BAR_LENGTH=0.3");
    // No section: appended, after a line end the file lacked.
    EXPECT_EQ(set("; only a note", "TOGGLE_MOD_KEY", "120"), "; only a note\r\n[SETTINGS]\r\nTOGGLE_MOD_KEY=120\r\n");
    EXPECT_EQ(set("TOGGLE_MOD_KEY=1\n", "TOGGLE_MOD_KEY", "120"), "TOGGLE_MOD_KEY=1\n[SETTINGS]\nTOGGLE_MOD_KEY=120\n");
    EXPECT_EQ(set("\xEF\xBB\xBF", "TOGGLE_MOD_KEY", "120"), "\xEF\xBB\xBF\r\n[SETTINGS]\r\nTOGGLE_MOD_KEY=120\r\n");
    // An empty value gets the new one right after the "=".
    EXPECT_EQ(set("[SETTINGS]\nTOGGLE_MOD_KEY= \r\n", "TOGGLE_MOD_KEY", "120"), "[SETTINGS]\nTOGGLE_MOD_KEY= 120\r\n");
    EXPECT_TRUE(refused("[SETTINGS]\n", "TOGGLE_MOD_KEY", "1 "));
    EXPECT_TRUE(refused("[SETTINGS]\n", "TOGGLE_MOD_KEY", "1\n2"));
}

TEST(IniEdit, DefaultsFileLoadsCleanlyWithEveryKeyFromIt) {
    const std::string text = defaultsText();
    EXPECT_EQ(text.substr(0, 30), "[SETTINGS]\r\nTOGGLE_MOD_KEY=121");
    EXPECT_EQ(text.substr(text.size() - 20), "UI_BAR_LENGTH=0.15\r\n");
    const IniCheck c = checkIniText(text, "Pacelark.ini");
    EXPECT_EQ(c.status, 0) << c.report;
    for (std::size_t i = 0; i < kSettingsTable.size(); ++i) EXPECT_EQ(c.lines[i], static_cast<int>(i) + 2);
}

TEST(IniEdit, EveryEditOfTheSampleKeepsAllOtherBytes) {
    IniDocument doc;
    std::string sample = defaultsText();
    sample = "; top\n" + sample;
    for (std::size_t i = 0; i < kSettingsTable.size(); ++i) {
        const std::string value = kSettingsTable[i].kind == SettingKind::Bool ? "true" : "7";
        const std::string edited = setSettingValue(sample, i, value).text;
        loadIniText(edited, doc);
        EXPECT_EQ(doc.getSection("SETTINGS").getValue(kSettingsTable[i].name), value);
        // Exactly one line differs.
        std::size_t a = 0;
        while (sample[a] == edited[a]) ++a;
        EXPECT_EQ(sample.substr(sample.find('\n', a)), edited.substr(edited.find('\n', a)));
    }
}

TEST(FileLook, TellsBadFilesApart) {
    EXPECT_EQ(lookAtBytes("").kind, FileKind::Empty);
    EXPECT_EQ(lookAtBytes("[SETTINGS]\r\nA=1\r\n").kind, FileKind::Text);
    const FileLook zeros = lookAtBytes(std::string("[SETTINGS]\nTOGGLE_MOD_KEY=1\0\0" "20\n", 29));
    EXPECT_EQ(zeros.kind, FileKind::Text);
    EXPECT_EQ(zeros.zeroBytes, 2u);
    EXPECT_EQ(lookAtBytes(std::string("\xFF\xFE[\0S\0]\0", 8)).kind, FileKind::Utf16LittleEndian);
    EXPECT_EQ(lookAtBytes(std::string("[\0S\0E\0T\0]\0", 10)).kind, FileKind::Utf16LittleEndian);
    EXPECT_EQ(lookAtBytes(std::string("\0[\0S\0E\0T\0]", 10)).kind, FileKind::Utf16BigEndian);
    std::string binary(4096, '\0');
    std::mt19937 rng(3);
    for (char& c : binary) c = static_cast<char>(rng());
    EXPECT_EQ(lookAtBytes(binary).kind, FileKind::Binary);
}

}  // namespace
