#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <functional>
#include <limits>
#include <new>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "config/ini.h"
#include "config/settings.h"
#include "config_test_support.h"

using namespace std::string_literals;

namespace {

// The name the plug-in looks for, written out apart from its own constant.
constexpr char kFileName[] = "Pacelark.ini";

std::uint32_t bits(std::int32_t v) { return static_cast<std::uint32_t>(v); }
std::uint32_t bits(float v) { return std::bit_cast<std::uint32_t>(v); }
std::uint32_t bits(bool v) { return v; }

// The keys in load order, written out apart from kSettingsTable, each with a
// valid value that is not its default.
struct Field {
    const char* name;
    const char* good;
    std::uint32_t goodBits;
    std::uint32_t (*read)(const Settings&);
};
#define PLK_FIELD(key, text, value) {#key, text, bits(value), [](const Settings& s) { return bits(s.key); }}
const Field kFields[] = {
    PLK_FIELD(TOGGLE_MOD_KEY, "65", 65), PLK_FIELD(TOGGLE_HUD_KEY, "66", 66),
    PLK_FIELD(TOGGLE_AUTO_WALK_KEY, "67", 67), PLK_FIELD(TOGGLE_HORSE_SUPPORT, "68", 68),
    PLK_FIELD(INITIAL_WALK_SPEED, "2.25", 2.25f), PLK_FIELD(SCROLL_STEP_SIZE, "0.25", 0.25f),
    PLK_FIELD(MIN_SCROLL_VAL, "0.5", 0.5f), PLK_FIELD(MAX_SCROLL_VAL, "4.5", 4.5f),
    PLK_FIELD(DISABLE_HORSE_SUPPORT, "true", true), PLK_FIELD(UI_HIDE_PED_DESIRED_SPEED, "true", true),
    PLK_FIELD(UI_LEFT_OFFSET, "0.125", 0.125f), PLK_FIELD(UI_BOTTOM_OFFSET, "0.0625", 0.0625f),
    PLK_FIELD(UI_BAR_LENGTH, "0.375", 0.375f),
};
#undef PLK_FIELD

std::vector<std::uint32_t> snapshot(const Settings& s) {
    std::vector<std::uint32_t> out;
    for (const Field& field : kFields) out.push_back(field.read(s));
    return out;
}

// Every key at its good value, except `key`, which gets `text`.
std::string fileWith(std::string_view key, const std::string& text) {
    std::string file = "[SETTINGS]\n";
    for (const Field& field : kFields) file += field.name + "="s + (key == field.name ? text : field.good) + "\n";
    return file;
}

class SettingsLoad : public testing::Test {
protected:
    void SetUp() override { settings = Settings{}; }
    configtest::ScratchDir dir_;
};

struct ValueCase {
    const char* key;
    std::string text;
    std::optional<std::uint32_t> stored;  // none: the load stops at this key
    const char* message;
};

void PrintTo(const ValueCase& c, std::ostream* os) { *os << c.key << " = " << testing::PrintToString(c.text); }

class SettingsValue : public SettingsLoad, public testing::WithParamInterface<ValueCase> {};

TEST_P(SettingsValue, ParsesAsItsKindAndTheFirstBadOneEndsTheLoad) {
    const auto& [key, text, stored, message] = GetParam();
    configtest::writeBytes(kFileName, fileWith(key, text));
    const auto at = static_cast<std::size_t>(
        std::find_if(std::begin(kFields), std::end(kFields), [&](const Field& f) { return f.name == std::string_view(key); }) -
        std::begin(kFields));
    std::vector<std::uint32_t> expected = snapshot(Settings{});
    for (std::size_t i = 0; i < expected.size(); ++i)
        if (stored || i < at) expected[i] = kFields[i].goodBits;
    if (stored) expected[at] = *stored;

    settings = Settings{};
    EXPECT_NO_THROW(loadSettings());
    EXPECT_EQ(snapshot(settings), expected);
    Settings viaFile;
    const SettingsLoadResult result = loadSettingsFile(kFileName, viaFile);
    EXPECT_EQ(snapshot(viaFile), expected);
    EXPECT_EQ(result.end, stored ? SettingsLoadEnd::Complete : SettingsLoadEnd::Stopped);
    EXPECT_EQ(result.failedKey, stored ? kSettingsTable.size() : at);
    EXPECT_STREQ(settingsLoadMessage(result.error), message);
    // The tools load the same bytes from memory, and must end alike.
    Settings viaText;
    const SettingsLoadResult fromText = loadSettingsText(fileWith(key, text), viaText);
    EXPECT_EQ(snapshot(viaText), expected);
    EXPECT_EQ(fromText.end, result.end);
    EXPECT_EQ(fromText.failedKey, result.failedKey);
    EXPECT_EQ(fromText.error, result.error);
}

using F = std::numeric_limits<float>;
INSTANTIATE_TEST_SUITE_P(Values, SettingsValue, testing::Values(
    ValueCase{"TOGGLE_MOD_KEY", "0x7A", bits(0), ""},
    ValueCase{"TOGGLE_MOD_KEY", "121 ; F10", bits(121), ""},
    ValueCase{"TOGGLE_MOD_KEY", "-0", bits(0), ""},
    ValueCase{"TOGGLE_HUD_KEY", "-1", bits(-1), ""},
    ValueCase{"TOGGLE_HUD_KEY", "255", bits(255), ""},
    ValueCase{"TOGGLE_MOD_KEY", "", std::nullopt, "invalid stoi argument"},
    ValueCase{"TOGGLE_MOD_KEY", "F10", std::nullopt, "invalid stoi argument"},
    ValueCase{"TOGGLE_HUD_KEY", "2147483648", std::nullopt, "stoi argument out of range"},
    ValueCase{"TOGGLE_HORSE_SUPPORT", "-99999999999999999999", std::nullopt, "stoi argument out of range"},
    ValueCase{"INITIAL_WALK_SPEED", "2,5", bits(2.0f), ""},
    ValueCase{"INITIAL_WALK_SPEED", "10", bits(10.0f), ""},
    ValueCase{"INITIAL_WALK_SPEED", "nan", bits(F::quiet_NaN()), ""},
    ValueCase{"UI_BAR_LENGTH", "-Infinity", bits(-F::infinity()), ""},
    ValueCase{"UI_BAR_LENGTH", "-0", bits(-0.0f), ""},
    ValueCase{"UI_LEFT_OFFSET", "0x1p-2", bits(0.25f), ""},
    ValueCase{"MIN_SCROLL_VAL", "abc", std::nullopt, "invalid stof argument"},
    ValueCase{"MAX_SCROLL_VAL", "1e39", std::nullopt, "stof argument out of range"},
    ValueCase{"UI_LEFT_OFFSET", "left", std::nullopt, "invalid stof argument"},
    ValueCase{"UI_BOTTOM_OFFSET", ".", std::nullopt, "invalid stof argument"},
    ValueCase{"UI_BAR_LENGTH", "-1e-50", std::nullopt, "stof argument out of range"},
    ValueCase{"DISABLE_HORSE_SUPPORT", "TRUE", bits(true), ""},
    ValueCase{"DISABLE_HORSE_SUPPORT", "1", bits(false), ""},
    ValueCase{"DISABLE_HORSE_SUPPORT", "yes", bits(false), ""},
    ValueCase{"DISABLE_HORSE_SUPPORT", "true ; comment", bits(false), ""}));

TEST_F(SettingsLoad, BadFilesKeepDefaultsOrWhatTheirReadableLinesSay) {
    enum Setup { File, Missing, Directory };
    std::mt19937 random(20240611);
    std::string garbage(1 << 16, '\0');
    for (char& byte : garbage) byte = static_cast<char>(random());
    std::string huge = "[SETTINGS]\n";
    for (int i = 0; i < 1'000'000; ++i) huge += "TOGGLE_MOD_KEY = " + std::to_string(1'000'000 + i) + "\n";
    const auto none = [](Settings&) {};
    const auto mod65 = [](Settings& s) { s.TOGGLE_MOD_KEY = 65; };
    const std::tuple<const char*, Setup, std::string, std::function<void(Settings&)>> rows[] = {
        {"missing", Missing, "", none},
        {"directory", Directory, "", none},
        {"empty", File, "", none},
        {"mark alone", File, "\xEF\xBB\xBF", none},
        {"garbage", File, garbage + "\n[SETTINGS]\nTOGGLE_MOD_KEY=65\n", mod65},
        {"zero bytes", File, "[SETT\0INGS]\r\n\0TOGGLE_\0MOD_KEY=6\0" "5\r\n"s, mod65},
        {"invalid utf-8", File, "[SETTINGS]\n\xC0\xAF=\xFF\nTOGGLE_HUD_KEY\xFF=1\nTOGGLE_MOD_KEY=65\xC3\x28", mod65},
        {"megabyte line", File, "[SETTINGS]\nTOGGLE_MOD_KEY=65 " + std::string(4 << 20, 'x') + "\n", mod65},
        {"tens of megabytes", File, huge, [](Settings& s) { s.TOGGLE_MOD_KEY = 1'999'999; }},
        {"reopened, any case, outside keys", File,
         "TOGGLE_MOD_KEY=2\n[settings]\ntoggle_mod_key=1\n[Other]\nTOGGLE_HUD_KEY=1\n"
         "[ Settings ] ; again\nToggle_Hud_Key=66\nTOGGLE_MOD_KEY=65\n",
         [](Settings& s) { s.TOGGLE_MOD_KEY = 65; s.TOGGLE_HUD_KEY = 66; }},
    };
    for (const auto& [name, setup, bytes, expect] : rows) {
        SCOPED_TRACE(name);
        std::filesystem::remove_all(kFileName);
        if (setup == File) configtest::writeBytes(kFileName, bytes);
        if (setup == Directory) std::filesystem::create_directory(kFileName);
        Settings expected;
        expect(expected);
        settings = Settings{};
        EXPECT_NO_THROW(loadSettings());
        EXPECT_EQ(snapshot(settings), snapshot(expected));
    }
}

TEST_F(SettingsLoad, UnreadableFileKeepsDefaults) {
    configtest::writeBytes(kFileName, fileWith("", ""));
    std::filesystem::permissions(kFileName, std::filesystem::perms::none);
    // Root reads anything, so the load runs in a child as an ordinary user.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (geteuid() == 0 && setuid(65534) != 0) _exit(3);
        if (std::ifstream(kFileName).is_open()) _exit(4);
        loadSettings();
        _exit(snapshot(settings) == snapshot(Settings{}) ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "3: cannot drop privileges, 4: file still readable, 1: not the defaults";
}

TEST_F(SettingsLoad, ThePresenceTestAndTheReadGiveTheirFileBack) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the sanitizer runtimes open descriptors of their own (a pipe to test memory), so one free is too few";
#endif
    configtest::writeBytes(kFileName, "[SETTINGS]\nTOGGLE_MOD_KEY=65\n");
    // With one descriptor free, the file can be read only after the probe
    // closed it, and loaded a second time only when the read closed it too.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        rlimit limit{};
        getrlimit(RLIMIT_NOFILE, &limit);
        limit.rlim_cur = 64;
        if (setrlimit(RLIMIT_NOFILE, &limit) != 0) _exit(3);
        int last = -1;
        for (int fd; (fd = open("/dev/null", O_RDONLY)) >= 0;) last = fd;
        if (last < 0) _exit(4);
        close(last);
        loadSettings();
        const bool first = settings.TOGGLE_MOD_KEY == 65;
        settings = Settings{};
        loadSettings();
        _exit(first && settings.TOGGLE_MOD_KEY == 65 ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "3: no limit set, 4: no descriptor to take, 1: a load did not read the file";
}

TEST(SettingsParse, FailuresGiveTheRuntimesMessagesAndLeaveTheValue) {
    std::int32_t integer = 7;
    float real = 7.0f;
    EXPECT_STREQ(settingsLoadMessage(parseIniInt("F10", integer)), "invalid stoi argument");
    EXPECT_STREQ(settingsLoadMessage(parseIniInt("2147483648", integer)), "stoi argument out of range");
    EXPECT_STREQ(settingsLoadMessage(parseIniFloat("abc", real)), "invalid stof argument");
    EXPECT_STREQ(settingsLoadMessage(parseIniFloat("1e39", real)), "stof argument out of range");
    EXPECT_EQ(integer, 7);
    EXPECT_EQ(bits(real), bits(7.0f));
    EXPECT_STREQ(settingsLoadMessage(SettingsLoadError::OutOfMemory), std::bad_alloc().what());
}

TEST(SettingsFromDocument, StoreTheSectionUpToTheFirstBadValue) {
    IniDocument doc;
    loadIniText("[settings]\nTOGGLE_HUD_KEY=66\nMIN_SCROLL_VAL=x\nMAX_SCROLL_VAL=4.5\n", doc);
    Settings out;
    const SettingsLoadResult result = loadSettingsFrom(doc, out);
    EXPECT_EQ(result.end, SettingsLoadEnd::Stopped);
    EXPECT_EQ(result.failedKey, 6u);
    EXPECT_EQ(result.error, SettingsLoadError::InvalidFloat);
    EXPECT_EQ(out.TOGGLE_HUD_KEY, 66);
    EXPECT_EQ(bits(out.MAX_SCROLL_VAL), 0x40400000u);
}

TEST(SettingsDefaults, AreTheStatedOnesInLoadOrder) {
    EXPECT_EQ(snapshot(Settings{}), (std::vector<std::uint32_t>{121, 122, 192, 119, 0x3FC00000, 0x3DCCCCCD, 0x3E4CCCCD,
                                                              0x40400000, 0, 0, 0x3D1BA5E3, 0x3C75C28F, 0x3E19999A}));
    std::vector<std::string> names;
    for (const SettingEntry& e : kSettingsTable) names.emplace_back(e.name);
    std::vector<std::string> expected;
    for (const Field& f : kFields) expected.emplace_back(f.name);
    EXPECT_EQ(names, expected);
}

// By the load order above; each kind of field, and the table's ends.
TEST(SettingsTable, FindsASettingByItsField) {
    EXPECT_EQ(settingIndexOf(&Settings::TOGGLE_MOD_KEY), 0u);
    EXPECT_EQ(settingIndexOf(&Settings::TOGGLE_HORSE_SUPPORT), 3u);
    EXPECT_EQ(settingIndexOf(&Settings::MIN_SCROLL_VAL), 6u);
    EXPECT_EQ(settingIndexOf(&Settings::UI_HIDE_PED_DESIRED_SPEED), 9u);
    EXPECT_EQ(settingIndexOf(&Settings::UI_BAR_LENGTH), 12u);
}

TEST_F(SettingsLoad, SampleFileHoldsEveryKeyAtItsDefault) {
    Settings loaded;
    for (std::size_t i = 0; i < kSettingsTable.size(); ++i) storeSetting(kSettingsTable[i], kFields[i].good, loaded);
    ASSERT_NE(snapshot(loaded), snapshot(Settings{}));
    EXPECT_EQ(loadSettingsFile(PLK_SOURCE_DIR "/config/Pacelark.ini", loaded).end, SettingsLoadEnd::Complete);
    EXPECT_EQ(snapshot(loaded), snapshot(Settings{}));
}

}  // namespace
