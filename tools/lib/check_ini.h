// Explains what the plug-in makes of a settings file: every setting with its
// value and origin, where and why the load stops, and values that load but
// will not do what the player probably meant.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "config/settings.h"

struct IniCheck {
    std::string report;  // for standard output
    int status = 0;      // 0 clean, 1 warnings only, 2 the load stops early
    // The report's facts, for a front end that shows them its own way.
    Settings loaded;                                  // what the plug-in takes
    std::array<int, kSettingsTable.size()> lines{};   // line of each key in [SETTINGS]; 0: none
    std::size_t stoppedAt = kSettingsTable.size();    // the key the load stops at, if any
};

// The report for a file's bytes; `name` is the file as the report names it
// (its last part must be Pacelark.ini for the plug-in to read it). Needs no
// file system.
IniCheck checkIniText(std::string_view bytes, const std::string& name);

// checkIniText on the file at `path`, named by `path`. Throws FileError when
// the file cannot be opened or read.
IniCheck checkIniFile(const std::string& path);
