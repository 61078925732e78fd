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
    std::string lost;
    int first = swallower < kKeys ? static_cast<int>(swallower) : -1;
    for (std::size_t i = 0; i < kKeys; ++i) {
        if (!named[i]) continue;
        lost += (lost.empty() ? "" : ", ") + settingName(i);
        if (first < 0) first = static_cast<int>(i);
    }
    std::string text = "a carriage return without a line feed does not end a line (the plug-in drops the byte), so " +
                       std::to_string(pieces) + " lines run together";
    if (swallower < kKeys) text += ": the value of " + settingName(swallower) + " swallows the rest";
    if (!lost.empty()) text += std::string(swallower < kKeys ? ", and " : ": ") + lost + (named.count() == 1 ? " is" : " are") + " lost";
    g.skippedLine(warningAt(line.number, first, text));
}

// A key of [SETTINGS] that is none of the settings: "#" before a setting's
// name, or one to list (the first few, by line; all counted).
void unknownKey(const IniWalkLine& line, IniFacts& g) {
    if (line.name.size() > 1 && line.name[0] == '#') {
        const std::size_t meant = settingIndex(normaliseIniName(std::string_view(line.name).substr(1)));
        if (meant < kKeys) {
            g.skippedLine(warningAt(line.number, static_cast<int>(meant),
                                    "\"#\" does not start a comment for the plug-in (\";\" does): it reads a key "
                                    "named " + upper(line.name) + " and ignores it, so the line acts as a comment"));
            return;
        }
    }
    g.unknownHashes.push_back(hash64(line.name));
    if (g.unknownShown.size() < kMaxShown && g.unknownNames.insert(line.name).second) {
        const std::string close = closestKey(line.name);
        g.unknownShown.push_back(warningAt(line.number, -1,
                                           "unknown key " + quotedValue(upper(line.name)) + " in [SETTINGS] is ignored" +
                                               (close.empty() ? std::string() : "; did you mean " + close + "?")));
    }
}

// A setting's line in [SETTINGS]: the last one gives the value.
void settingLine(std::size_t index, const IniWalkLine& line, IniFacts& g) {
    KeySpot& spot = g.keys[index];
    if (++spot.times == 1) {
        spot.first = line.number;
    } else {
        const std::string text =
            spot.times == 2 ? settingName(index) + " is given more than once (" + lineRef(spot.first) + " and " +
                                  lineRef(line.number) + "); the last one counts"
                            : settingName(index) + " is given " + std::to_string(spot.times) + " times (" +
                                  lineRef(spot.first) + " first, " + lineRef(line.number) + " last); the last one counts";
        // Told once per key, where it is first repeated.
        if (spot.times == 2) {
            spot.repeatFinding = g.lineFindings.size();
            g.lineFindings.push_back({FindingSeverity::Warning, static_cast<int>(index), 0, text});
        } else {
            g.lineFindings[spot.repeatFinding].text = text;
        }
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
        return;
    }
    if (line.opensHeader) {
        g.skippedLine(warningAt(
            line.number, -1,
            std::string(line.headerCut
                            ? "this header has no \"]\" before its \";\" (the plug-in cuts a header there)"
                            : "this header has no \"]\"") +
                ", so the plug-in skips it and the lines below stay " +
                (line.inSection ? "in section [" + line.section + "]" : std::string("before any section header"))));
        return;
    }
    if (line.kind == IniLineKind::Unrecognised && inSettings) {
        const std::size_t index = settingNamedAtStart(line.text);
        if (index < kKeys)
            g.skippedLine(warningAt(line.number, static_cast<int>(index),
                                    settingName(index) + " has no \"=\", so the plug-in ignores this line"));
        return;
    }
    if (line.kind != IniLineKind::KeyValue) return;
    const std::size_t index = settingIndex(line.name);
    if (!inSettings) {
        if (index < kKeys && ++g.misplaced <= kMaxShown)
            g.lineFindings.push_back(warningAt(
                line.number, static_cast<int>(index),
                settingName(index) + " stands " +
                    (line.inSection ? "in section [" + line.section + "]" : std::string("before any section header")) +
                    ", so it is ignored; move it under [SETTINGS]"));
        return;
    }
    if (index == kKeys) unknownKey(line, g);
    else settingLine(index, line, g);
}

}  // namespace

void IniFacts::skippedLine(IniFinding finding) {
    if (++skipped <= kMaxShown) lineFindings.push_back(std::move(finding));
}

IniFacts gatherIniFacts(std::string_view bytes) {
    IniFacts g;
    bool inSettings = false;
    walkIniText(bytes, [&](const IniWalkLine& line) {
        gatherLine(line, inSettings, g);
        inSettings = line.inSection && line.section == settingsSection();
    });
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

std::string lineRef(std::size_t line) { return "line " + std::to_string(line); }

IniFinding warningAt(std::size_t line, int setting, std::string text) {
    return {FindingSeverity::Warning, setting, line, std::move(text)};
}
