// The thirteen values of section "SETTINGS": the record with its built-in
// defaults, the keys in the order the load reads them, how each value is
// parsed, and the load itself. The order matters: the first bad value ends
// the load, so later keys keep their defaults.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

struct Settings {
    std::int32_t TOGGLE_MOD_KEY = 121;        // VK_F10
    std::int32_t TOGGLE_HUD_KEY = 122;        // VK_F11
    std::int32_t TOGGLE_AUTO_WALK_KEY = 192;  // VK_OEM_3
    std::int32_t TOGGLE_HORSE_SUPPORT = 119;  // VK_F8
    float INITIAL_WALK_SPEED = 1.5f;
    float SCROLL_STEP_SIZE = 0.1f;
    float MIN_SCROLL_VAL = 0.2f;
    float MAX_SCROLL_VAL = 3.0f;
    bool DISABLE_HORSE_SUPPORT = false;
    bool UI_HIDE_PED_DESIRED_SPEED = false;
    float UI_LEFT_OFFSET = 0.038f;
    float UI_BOTTOM_OFFSET = 0.015f;
    float UI_BAR_LENGTH = 0.15f;
};

extern Settings settings;

// Fills `settings` from "Pacelark.ini" in the working directory; never throws.
void loadSettings();

inline constexpr char kSettingsFileName[] = "Pacelark.ini";
inline constexpr char kSettingsSectionName[] = "SETTINGS";

enum class SettingKind { Integer, Float, Bool };

// One key; exactly the member pointer matching `kind` is set.
struct SettingEntry {
    std::string_view name;
    SettingKind kind;
    std::int32_t Settings::*integerField = nullptr;
    float Settings::*floatField = nullptr;
    bool Settings::*boolField = nullptr;
};

inline constexpr std::array<SettingEntry, 13> kSettingsTable{{
    {.name = "TOGGLE_MOD_KEY", .kind = SettingKind::Integer, .integerField = &Settings::TOGGLE_MOD_KEY},
    {.name = "TOGGLE_HUD_KEY", .kind = SettingKind::Integer, .integerField = &Settings::TOGGLE_HUD_KEY},
    {.name = "TOGGLE_AUTO_WALK_KEY", .kind = SettingKind::Integer, .integerField = &Settings::TOGGLE_AUTO_WALK_KEY},
    {.name = "TOGGLE_HORSE_SUPPORT", .kind = SettingKind::Integer, .integerField = &Settings::TOGGLE_HORSE_SUPPORT},
    {.name = "INITIAL_WALK_SPEED", .kind = SettingKind::Float, .floatField = &Settings::INITIAL_WALK_SPEED},
    {.name = "SCROLL_STEP_SIZE", .kind = SettingKind::Float, .floatField = &Settings::SCROLL_STEP_SIZE},
    {.name = "MIN_SCROLL_VAL", .kind = SettingKind::Float, .floatField = &Settings::MIN_SCROLL_VAL},
    {.name = "MAX_SCROLL_VAL", .kind = SettingKind::Float, .floatField = &Settings::MAX_SCROLL_VAL},
    {.name = "DISABLE_HORSE_SUPPORT", .kind = SettingKind::Bool, .boolField = &Settings::DISABLE_HORSE_SUPPORT},
    {.name = "UI_HIDE_PED_DESIRED_SPEED", .kind = SettingKind::Bool, .boolField = &Settings::UI_HIDE_PED_DESIRED_SPEED},
    {.name = "UI_LEFT_OFFSET", .kind = SettingKind::Float, .floatField = &Settings::UI_LEFT_OFFSET},
    {.name = "UI_BOTTOM_OFFSET", .kind = SettingKind::Float, .floatField = &Settings::UI_BOTTOM_OFFSET},
    {.name = "UI_BAR_LENGTH", .kind = SettingKind::Float, .floatField = &Settings::UI_BAR_LENGTH},
}};

// The table's index of the setting held in `field` (the table's size for
// none): a setting is found by its field here alone.
template <class T>
constexpr std::size_t settingIndexOf(T Settings::*field) {
    for (std::size_t i = 0; i < kSettingsTable.size(); ++i) {
        const SettingEntry& e = kSettingsTable[i];
        if constexpr (std::is_same_v<T, std::int32_t>) {
            if (e.integerField == field) return i;
        } else if constexpr (std::is_same_v<T, float>) {
            if (e.floatField == field) return i;
        } else {
            if (e.boolField == field) return i;
        }
    }
    return kSettingsTable.size();
}

enum class SettingsLoadEnd {
    NoFile,     // the presence test failed: nothing was read
    NoSection,  // no section "SETTINGS"
    Complete,   // every present key was stored
    Stopped,    // a value that does not read, or storage running out, ended the load
};

// What ended a stopped load; settingsLoadMessage gives each its text.
enum class SettingsLoadError {
    None,
    InvalidInteger,
    IntegerOutOfRange,
    InvalidFloat,
    FloatOutOfRange,
    OutOfMemory,
    Other,  // any other standard exception
};

// Base-10 int32 from the leading digits of `text`, as strtol reads them in
// the "C" locale, into `out`; None, or InvalidInteger when there are none and
// IntegerOutOfRange beyond int32, `out` then untouched.
SettingsLoadError parseIniInt(const std::string& text, std::int32_t& out);

// Float from the leading part of `text` that strtof accepts in the "C"
// locale, whatever locale the process has set, into `out`; None, or
// InvalidFloat when nothing converts and FloatOutOfRange on a reported range
// error, `out` then untouched.
SettingsLoadError parseIniFloat(const std::string& text, float& out);

// True exactly when `text`, lower-cased, is "true".
bool parseIniBool(const std::string& text);

// Parses `text` as `entry` says and stores it into `out`; the parse's status.
SettingsLoadError storeSetting(const SettingEntry& entry, const std::string& text, Settings& out);

class IniDocument;

struct SettingsLoadResult {
    SettingsLoadEnd end = SettingsLoadEnd::NoFile;
    // Table index of the key whose value ended the load; kSettingsTable.size()
    // when the load stopped before the keys (reading the file) or did not stop.
    std::size_t failedKey = kSettingsTable.size();
    SettingsLoadError error = SettingsLoadError::None;
};

// Stores the present keys of section "SETTINGS" into `out`, in table order,
// until the first that fails. Never throws.
SettingsLoadResult loadSettingsFrom(const IniDocument& doc, Settings& out);

// The whole load of the file at `path` into `out`, as loadSettings does it.
// Never throws.
SettingsLoadResult loadSettingsFile(const std::string& path, Settings& out);

// The same load from a file's bytes held in memory (the tools' previews and
// live sessions); a file is there, so the load never ends with NoFile.
// Never throws.
SettingsLoadResult loadSettingsText(std::string_view bytes, Settings& out);

// The text of what stopped the load, as the runtime's own exceptions word
// it, or "" when nothing did.
const char* settingsLoadMessage(SettingsLoadError error);
