// Explains what the plug-in makes of a settings file: every setting with its
// value and origin, where and why the load stops, and values that load but
// will not do what the player probably meant. The facts come as findings, and
// one renderer turns them into the report.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/settings.h"
#include "tools/lib/messages.h"

enum class FindingSeverity { Note, Warning, Stop };  // Stop: the load stops here

struct IniFinding {
    FindingSeverity severity = FindingSeverity::Warning;
    int setting = -1;      // index into kSettingsTable, -1: about the file as a whole
    std::size_t line = 0;  // 1-based line in the file, 0: none
    // One sentence; the report puts "line N: " before a warning's or note's.
    Message text;
    // The settings page's sentence, when it differs: the page leaves out the
    // plug-in's runtime words, which only the command line shows.
    std::optional<Message> forPage;
};

struct IniCheck {
    std::string report;  // for standard output
    int status = 0;      // 0 clean, 1 warnings only, 2 the load stops early
    // The report's facts, for a front end that shows them its own way.
    Settings loaded;                                  // what the plug-in takes
    std::array<int, kSettingsTable.size()> lines{};   // line of each key in [SETTINGS]; 0: none
    std::array<std::string, kSettingsTable.size()> texts{};  // the value text on that line, as the plug-in reads it
    std::size_t stoppedAt = kSettingsTable.size();    // the key the load stops at, if any
    std::vector<IniFinding> findings;                 // in report order
    Message verdict;                                  // the report's opening sentence
};

// The report for a file's bytes, in the language tr() speaks; `name` is the
// file as the report names it (its last part must be Pacelark.ini for the
// plug-in to read it). Needs no file system.
IniCheck checkIniText(std::string_view bytes, const std::string& name);

// checkIniText on the file at `path`, named by `path`. Throws FileError when
// the file cannot be opened or read.
IniCheck checkIniFile(const std::string& path);
