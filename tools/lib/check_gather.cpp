#include "tools/lib/check_gather.h"

#include <algorithm>
#include <bitset>
#include <cctype>
#include <cstdint>

#include "config/ini.h"
#include "config/ini_walk.h"
#include "tools/lib/ini_edit.h"
#include "tools/lib/keynames.h"

namespace {

constexpr std::size_t kKeys = kSettingsTable.size();

// How far a key may be from a name for the name to be suggested: beyond a
// third of the name, the guess would only confuse.
constexpr std::size_t suggestionReach(std::string_view name) { return std::max<std::size_t>(2, name.size() / 3); }

constexpr std::size_t kFarthestReach = [] {
    std::size_t reach = 0;
    for (const SettingEntry& e : kSettingsTable) reach = std::max(reach, suggestionReach(e.name));
    return reach;
}();

constexpr std::size_t kLongestName = [] {
    std::size_t longest = 0;
    for (const SettingEntry& e : kSettingsTable) longest = std::max(longest, e.name.size());
    return longest;
}();
static_assert(kLongestName <= 64, "a name's positions fit in one word");

// The edit distance between `text` and setting `k`'s name, bit-parallel
// (Myers, as Hyyrö gives it for whole strings): a column of the table at a
// time, as bits of where its cells rise (pv) or fall (mv) by one going down
// and are one more (ph) or one less (mh) than the cell before in their row;
// `distance` follows the last row.
std::size_t editDistance(std::string_view text, std::size_t k) {
    // For each name and byte, the positions in the name that hold the byte.
    // Built on first use, so the page's binary does not carry it.
    static const auto matches = [] {
        std::array<std::array<std::uint64_t, 256>, kKeys> bits{};
        for (std::size_t n = 0; n < kKeys; ++n) {
            const std::string_view name = kSettingsTable[n].name;
            for (std::size_t i = 0; i < name.size(); ++i) bits[n][static_cast<unsigned char>(name[i])] |= std::uint64_t{1} << i;
        }
        return bits;
    }();
    const std::size_t lastRow = kSettingsTable[k].name.size() - 1;
    std::uint64_t pv = ~std::uint64_t{0}, mv = 0;
    std::size_t distance = lastRow + 1;
    for (const char c : text) {
        const std::uint64_t eq = matches[k][static_cast<unsigned char>(c)];
        const std::uint64_t xv = eq | mv;
        const std::uint64_t xh = (((eq & pv) + pv) ^ pv) | eq;
        std::uint64_t ph = mv | ~(xh | pv);
        std::uint64_t mh = pv & xh;
        distance += (ph >> lastRow) & 1;
        distance -= (mh >> lastRow) & 1;
        ph = (ph << 1) | 1;  // the first row rises by one along the text
        mh <<= 1;
        pv = mh | ~(xv | ph);
        mv = ph & xv;
    }
    return distance;
}

// The nearest setting's name (the first of equals), when the key is within
// that name's reach. Only distances up to the farthest reach can be
// suggested, and a distance is at least the difference in length.
std::string closestKey(const std::string& key) {
    const std::string wanted = upper(key);
    std::size_t best = kFarthestReach + 1, nearest = kKeys;
    for (std::size_t k = 0; k < kKeys; ++k) {
        const std::size_t length = kSettingsTable[k].name.size();
        if (std::max(wanted.size(), length) - std::min(wanted.size(), length) >= best) continue;
        const std::size_t d = editDistance(wanted, k);
        if (d < best) {
            best = d;
            nearest = k;
        }
    }
    return nearest < kKeys && best <= suggestionReach(kSettingsTable[nearest].name) ? settingName(nearest) : std::string();
}

const std::string& settingsSection() {
    static const std::string name = normaliseIniName(kSettingsSectionName);
    return name;
}

// The table index of a normalised key, or kKeys.
std::size_t settingIndex(std::string_view name) {
    static const std::array<std::string, kKeys> names = [] {
        std::array<std::string, kKeys> n;
        for (std::size_t i = 0; i < kKeys; ++i) n[i] = normaliseIniName(kSettingsTable[i].name);
        return n;
    }();
    return static_cast<std::size_t>(std::find(names.begin(), names.end(), name) - names.begin());
}

// The setting a line not read as a key/value line starts with, or kKeys:
// its name followed by something that cannot continue a name.
std::size_t settingNamedAtStart(std::string text) {
    trimWhitespace(text);
    for (std::size_t i = 0; i < kKeys; ++i) {
        const std::string_view name = kSettingsTable[i].name;
        if (text.size() < name.size() || upper(text.substr(0, name.size())) != name) continue;
        const char next = text.size() > name.size() ? text[name.size()] : ' ';
        if (!std::isalnum(static_cast<unsigned char>(next)) && next != '_') return i;
    }
    return kKeys;
}

// FNV-1a: the same 64 bits on every platform, the page's included.
std::uint64_t hash64(std::string_view text) {
    std::uint64_t h = 14695981039346656037ull;
    for (const char c : text) h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    return h;
}

// A key as the file writes it: the reader turns "\=" in a key into "=".
std::string keyAsWritten(std::string_view key) {
    std::string out;
    for (const char c : key) {
        if (c == '=') out += '\\';
        out += c;
    }
    return out;
}

// The current section's header as the file writes it, shown as a name.
std::string sectionShown(const IniFacts& g) { return shownText("[" + g.sectionWritten + "]"); }

// A carriage return without a line feed: the plug-in drops it and reads on,
// so the line takes in the ones the player meant to follow it.
void joinedLines(const IniWalkLine& line, bool inSettingsBefore, IniFacts& g) {
    if (line.breaks.empty()) return;
    bool inSettings = inSettingsBefore;
    std::bitset<kKeys> named;
    std::size_t pieces = 0, from = 0;
    IniKeyValue kv;
    for (std::size_t b = 0; b <= line.breaks.size(); ++b) {
        const std::size_t to = b < line.breaks.size() ? line.breaks[b] : line.text.size();
        const IniLineKind kind = parseIniLine(line.text.substr(from, to - from), kv);
        from = to;
        if (kind == IniLineKind::Blank) continue;
        ++pieces;
        if (kind == IniLineKind::SectionHeader) inSettings = normaliseIniName(kv.key) == settingsSection();
        const std::size_t index = settingIndex(normaliseIniName(kv.key));
        if (kind == IniLineKind::KeyValue && inSettings && index < kKeys) named.set(index);
    }
    const bool readInSettings = line.inSection && line.section == settingsSection();
    const std::size_t swallower =
        line.kind == IniLineKind::KeyValue && readInSettings ? settingIndex(line.name) : kKeys;
    if (swallower < kKeys) named.reset(swallower);
    if (pieces < 2 || (swallower == kKeys && named.none())) return;
    if (!g.tellSkipped()) return;
    std::vector<std::string> lost;
    int first = swallower < kKeys ? static_cast<int>(swallower) : -1;
    for (std::size_t i = 0; i < kKeys; ++i) {
        if (!named[i]) continue;
        lost.push_back(settingName(i));
        if (first < 0) first = static_cast<int>(i);
    }
    const bool one = lost.size() == 1;
    Message text;
    if (swallower < kKeys && lost.empty())
        text = {"check.line.joined_swallows", {count("n", static_cast<long long>(pieces)), {"name", settingName(swallower)}}};
    else if (swallower < kKeys)
        text = {one ? "check.line.joined_swallows_loses_one" : "check.line.joined_swallows_loses",
                {count("n", static_cast<long long>(pieces)), {"name", settingName(swallower)}, {"lost", listText(lost)}}};
    else
        text = {one ? "check.line.joined_loses_one" : "check.line.joined_loses",
                {count("n", static_cast<long long>(pieces)), {"lost", listText(lost)}}};
    g.lineFindings.push_back(warningAt(line.number, first, std::move(text)));
}

// A key of [SETTINGS] that is none of the settings: "#" before a setting's
// name, or one to list (the first few, by line; all counted).
void unknownKey(const IniWalkLine& line, IniFacts& g) {
    if (line.name.size() > 1 && line.name[0] == '#') {
        const std::size_t meant = settingIndex(normaliseIniName(std::string_view(line.name).substr(1)));
        if (meant < kKeys) {
            if (g.tellSkipped())
                g.lineFindings.push_back(warningAt(line.number, static_cast<int>(meant),
                                                   {"check.key.hash", {{"key", shownText(keyAsWritten(line.parsed.key))}}}));
            return;
        }
    }
    g.unknownHashes.push_back(hash64(line.name));
    if (g.unknownShown.size() < kMaxShown && g.unknownNames.insert(line.name).second) {
        const std::string close = closestKey(line.name);
        std::string key = quotedValue(keyAsWritten(line.parsed.key));
        g.unknownShown.push_back(warningAt(
            line.number, -1,
            close.empty() ? Message{"check.key.unknown", {{"key", std::move(key)}, {"section", sectionShown(g)}}}
                          : Message{"check.key.unknown_did_you_mean",
                                    {{"key", std::move(key)}, {"section", sectionShown(g)}, {"name", close}}}));
    }
}

// A setting's line in [SETTINGS]: the last one gives the value. A repeat is
// told once per key, where it is first repeated; its words wait for the count.
void settingLine(std::size_t index, const IniWalkLine& line, IniFacts& g) {
    KeySpot& spot = g.keys[index];
    if (++spot.times == 1) {
        spot.first = line.number;
    } else if (spot.times == 2) {
        spot.repeatFinding = g.lineFindings.size();
        g.lineFindings.push_back({FindingSeverity::Warning, static_cast<int>(index), 0, {}, {}});
    }
    spot.last = line.number;
    spot.value = line.parsed.value;
}

// One line's facts: settings, misplaced and unknown keys, and lines the
// plug-in skips although they look meant.
void gatherLine(const IniWalkLine& line, bool inSettingsBefore, IniFacts& g) {
    joinedLines(line, inSettingsBefore, g);
    const bool inSettings = line.inSection && line.section == settingsSection();
    if (line.kind == IniLineKind::SectionHeader) {
        g.hasSettings = g.hasSettings || inSettings;
        g.sectionWritten = line.parsed.key;
        return;
    }
    if (line.opensHeader) {
        if (!g.tellSkipped()) return;
        Message text = line.inSection
                           ? Message{line.headerCut ? "check.header.cut_in_section" : "check.header.no_bracket_in_section",
                                     {{"section", sectionShown(g)}}}
                           : Message{line.headerCut ? "check.header.cut_before_sections"
                                                    : "check.header.no_bracket_before_sections",
                                     {}};
        g.lineFindings.push_back(warningAt(line.number, -1, std::move(text)));
        return;
    }
    if (line.kind == IniLineKind::Unrecognised && inSettings) {
        const std::size_t index = settingNamedAtStart(line.text);
        if (index < kKeys && g.tellSkipped())
            g.lineFindings.push_back(warningAt(line.number, static_cast<int>(index),
                                               {"check.line.no_equals", {{"name", settingName(index)}}}));
        return;
    }
    if (line.kind != IniLineKind::KeyValue) return;
    const std::size_t index = settingIndex(line.name);
    if (!inSettings) {
        if (index < kKeys && ++g.misplaced <= kMaxShown)
            g.lineFindings.push_back(warningAt(
                line.number, static_cast<int>(index),
                line.inSection ? Message{"check.key.misplaced",
                                         {{"name", settingName(index)},
                                          {"section", sectionShown(g)},
                                          {"settings", settingsSectionHeader()}}}
                               : Message{"check.key.misplaced_before_sections",
                                         {{"name", settingName(index)}, {"settings", settingsSectionHeader()}}}));
        return;
    }
    if (index == kKeys) unknownKey(line, g);
    else settingLine(index, line, g);
}

}  // namespace

bool IniFacts::tellSkipped() { return ++skipped <= kMaxShown; }

IniFacts gatherIniFacts(std::string_view bytes) {
    IniFacts g;
    bool inSettings = false;
    walkIniText(bytes, [&](const IniWalkLine& line) {
        gatherLine(line, inSettings, g);
        inSettings = line.inSection && line.section == settingsSection();
    });
    for (std::size_t i = 0; i < kKeys; ++i) {
        const KeySpot& spot = g.keys[i];
        if (spot.times < 2) continue;
        const std::string first = std::to_string(spot.first), last = std::to_string(spot.last);
        g.lineFindings[spot.repeatFinding].text =
            spot.times == 2 ? Message{"check.key.repeated", {{"name", settingName(i)}, {"first", first}, {"last", last}}}
                            : Message{"check.key.repeated_times",
                                      {count("n", static_cast<long long>(spot.times)),
                                       {"name", settingName(i)},
                                       {"first", first},
                                       {"last", last}}};
    }
    return g;
}

SettingsLoadResult loadGathered(const IniFacts& g, Settings& out) {
    IniDocument doc;
    if (g.hasSettings) {
        IniSection& section = doc.sectionFor(kSettingsSectionName);
        for (std::size_t i = 0; i < kKeys; ++i)
            if (g.keys[i].times > 0) section.valueFor(kSettingsTable[i].name) = g.keys[i].value;
    }
    return loadSettingsFrom(doc, out);
}

std::string settingName(std::size_t index) { return std::string(kSettingsTable[index].name); }

IniFinding warningAt(std::size_t line, int setting, Message text) {
    return {FindingSeverity::Warning, setting, line, std::move(text), {}};
}

std::string listText(const std::vector<std::string>& names) {
    const std::string separator = tr("check.list_separator");
    std::string out;
    for (const std::string& name : names) out += (out.empty() ? "" : separator) + name;
    return out;
}
