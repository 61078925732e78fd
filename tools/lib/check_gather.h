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
    // While walking: the section's name as the last header wrote it, for
    // findings that name the section as the player sees it.
    std::string sectionWritten;

    // Counts a line the plug-in skips or joins; true while such lines are
    // still told one by one, so a finding is made only for those.
    bool tellSkipped();
};

IniFacts gatherIniFacts(std::string_view bytes);

// The plug-in's load over the values the walk found: the same section, the
// same keys with their last values, the same stores in the same order.
SettingsLoadResult loadGathered(const IniFacts& facts, Settings& out);

// What every part of the checker shares.
std::string settingName(std::size_t index);
IniFinding warningAt(std::size_t line, int setting, Message text);
// Names joined into one argument, in the current language's list style.
std::string listText(const std::vector<std::string>& names);
