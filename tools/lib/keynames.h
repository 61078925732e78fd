// Windows virtual-key codes by name, for scenarios and the settings checker.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The key's name without the "VK_" prefix ("F10", "OEM_3", "A"), or "" when
// the code names no key.
std::string_view keyName(std::int64_t code);

// A hint for keys whose name does not say where they are ("` ~" for OEM_3),
// or "".
std::string_view keyHint(std::int64_t code);

// "121 (F10)", "192 (OEM_3, ` ~ on US keyboards)", "7 (no key)".
std::string describeKey(std::int64_t code);

// A key by name (any case, "VK_" prefix optional, a few common aliases such
// as ESC, ENTER, PAGEUP) or by code (decimal or 0x hex, 0 to 254).
std::optional<std::uint32_t> parseKey(std::string_view text);
