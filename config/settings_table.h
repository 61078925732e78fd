// The keys of section "SETTINGS" in the order the load reads them, how each
// value is parsed, and the load itself. The order matters: the first bad
// value ends the load, so later keys keep their defaults.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

#include "config/settings.h"

class IniDocument;

enum class SettingKind { Integer, Float, Bool };

// One key; exactly the member pointer matching `kind` is set.
struct SettingEntry {
    std::string_view name;
    SettingKind kind;
    std::int32_t Settings::*integerField = nullptr;
    float Settings::*floatField = nullptr;
    bool Settings::*boolField = nullptr;
};

inline constexpr std::array<SettingEntry, 13> settingsTable{{
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

inline constexpr char settingsFileName[] = "Pacelark.ini";
inline constexpr char settingsSectionName[] = "SETTINGS";

// Base-10 int32 from the leading digits of `text`; throws
// std::invalid_argument("invalid stoi argument") when there are none and
// std::out_of_range("stoi argument out of range") beyond int32.
std::int32_t parseIniInt(const std::string& text);

// Float from the leading part of `text` that strtof accepts; throws
// std::invalid_argument("invalid stof argument") when nothing converts and
// std::out_of_range("stof argument out of range") on a reported range error.
float parseIniFloat(const std::string& text);

// True exactly when `text`, lower-cased, is "true".
bool parseIniBool(const std::string& text);

// Parses `text` as `entry` says and stores it into `out`; throws as the parse does.
void storeSetting(const SettingEntry& entry, const std::string& text, Settings& out);

enum class SettingsLoadEnd {
    NoFile,     // the presence test failed: nothing was read
    NoSection,  // no section "SETTINGS"
    Complete,   // every present key was stored
    Stopped,    // an exception ended the load
};

struct SettingsLoadResult {
    SettingsLoadEnd end = SettingsLoadEnd::NoFile;
    // Table index of the key whose value ended the load; settingsTable.size()
    // when the load stopped before the keys (reading the file) or did not stop.
    std::size_t failedKey = settingsTable.size();
    std::exception_ptr error;  // what ended the load, when Stopped
};

// Stores the present keys of section "SETTINGS" into `out`, in table order,
// until the first that fails. Never throws.
SettingsLoadResult loadSettingsFrom(const IniDocument& doc, Settings& out);

// The whole load of the file at `path` into `out`, as loadSettings does it.
// Never throws.
SettingsLoadResult loadSettingsFile(const std::string& path, Settings& out);

// The message of `result.error`, or "" when there is none.
std::string settingsLoadMessage(const SettingsLoadResult& result);
