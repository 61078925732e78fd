// setSettingValue for a big file that holds [SETTINGS] near its top: the edit
// touches only the part of the file up to the last [SETTINGS] block's end, so
// it is made on that part alone and the rest is appended unchanged. Same bytes
// out as setSettingValue on the whole file, in a fraction of the time.
#pragma once

#include <cstddef>
#include <string_view>

#include "tools/lib/ini_edit.h"

// Where the part an edit may touch ends: the start of the first header line
// of another section after the last [SETTINGS] header, provided the line ends
// before and after it are of one style. bytes.size() when there is no such
// header (the whole file is needed).
std::size_t settingsPartEnd(std::string_view bytes);

// setSettingValue(bytes, key, value), made on the part settingsPartEnd gives.
EditResult setSettingValueQuick(std::string_view bytes, std::size_t key, std::string_view value);
