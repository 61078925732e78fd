// Windows virtual-key codes by name, for scenarios and the settings checker.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "host/keys.h"

// The key's name without the "VK_" prefix ("F10", "OEM_3", "A"), or "" when
// the code names no key: the system's name, for scenarios and reports.
std::string_view keyName(std::int64_t code);

// The key as a player knows it, in the current language: what its cap reads
// or where it is ("F10", "Backspace", "numpad 0", "Ö on German keyboards"
// in German); a code few keyboards have a key for says so; "" for no key.
std::string keyWords(std::int64_t code);

// Whether a common keyboard or mouse has the key: the keys a player picks
// from, all with words of their own.
bool isCommonKey(std::int64_t code);

// What a sentence calls a mouse button's code ("the left mouse button",
// "mouse button 4") in the current language, or "" for any other code.
std::string mouseButton(std::int64_t code);

// Whether the plug-in keeps a key state for the code.
inline bool isWatchedKey(std::int64_t code) { return code >= 0 && code < KEY_TABLE_SIZE; }

// "121 (F10)", "192 (OEM_3, US keyboards: ` ~)", "7 (no key)": the name
// for those who write it in a scenario or a report, then the words, in the
// current language.
std::string describeKey(std::int64_t code);

// A key as a player knows it, by code and words, never a system name:
// "121 (F10)", "192 (US keyboards: ` ~)", "8 (Backspace)", "7 (no key)".
std::string playerKeyText(std::int64_t code);

// A key by name (any case, "VK_" prefix optional, a few common aliases such
// as ESC, ENTER, PAGEUP) or by a watched code (decimal or 0x hex).
std::optional<std::uint32_t> parseKey(std::string_view text);

// `s` in upper case, for names matched in any case.
std::string upper(std::string_view s);
