// Explains what the plug-in makes of a settings file: every setting with its
// value and origin, where and why the load stops, and values that load but
// will not do what the player probably meant.
#pragma once

#include <string>

struct IniCheck {
    std::string report;  // for standard output
    int status = 0;      // 0 clean, 1 warnings only, 2 the load stops early
};

// Throws FileError when the file cannot be opened or read.
IniCheck checkIniFile(const std::string& path);
