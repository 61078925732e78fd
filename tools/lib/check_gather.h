// The settings checker's one walk of a file: where each setting sits and
// what it says, the findings that belong to single lines (in line order),
// and the unknown keys. Only bounded lists are kept, so a huge file needs
// little memory.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "config/settings.h"
#include "tools/lib/check_ini.h"

inline constexpr std::size_t kMaxShown = 20;  // findings of one kind before "... and N more"

// Where a setting sits in the file: the line that gives its value (the last
// in [SETTINGS]) and how often it is given there.
struct KeySpot {
    std::size_t first = 0, last = 0, times = 0;
    std::size_t repeatFinding = 0;  // where the repeat is told, once it is
    std::string value;
};

struct IniFacts {
    std::array<KeySpot, kSettingsTable.size()> keys;
    bool hasSettings = false;
    std::vector<IniFinding> lineFindings;
    std::size_t misplaced = 0;
    std::size_t skipped = 0;  // lines the plug-in skips or joins although they look meant
    std::vector<IniFinding> unknownShown;
    std::unordered_set<std::string> unknownNames;  // those shown
    // Hashes of every unknown key, to count the distinct ones; two keys
    // sharing a 64-bit hash would be counted once.
    std::vector<std::uint64_t> unknownHashes;

    // A finding about a line the plug-in skips or joins, the first few told.
    void skippedLine(IniFinding finding);
};

IniFacts gatherIniFacts(std::string_view bytes);

// The plug-in's load over the values the walk found: the same section, the
// same keys with their last values, the same stores in the same order.
SettingsLoadResult loadGathered(const IniFacts& facts, Settings& out);

// The words every part of the report shares.
std::string settingName(std::size_t index);
std::string lineRef(std::size_t line);
IniFinding warningAt(std::size_t line, int setting, std::string text);
