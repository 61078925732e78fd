#include "tools/lib/check_ini.h"

#include <algorithm>
#include <bitset>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <new>
#include <unordered_set>

#include "config/ini_walk.h"
#include "config/numbers.h"
#include "control/mod_state.h"
#include "hud/speed_bars.h"
#include "tools/lib/files.h"
#include "tools/lib/float_text.h"
#include "tools/lib/ini_edit.h"
#include "tools/lib/keynames.h"

namespace {

constexpr std::size_t kKeys = kSettingsTable.size();
constexpr std::size_t kMaxShown = 20;  // findings of one kind before "... and N more"

std::string floatText(float v) {
    if (std::isnan(v)) return "NaN";
    if (std::isinf(v)) return v > 0 ? "infinity" : "-infinity";
    return shortestFloatText(v, strtofParse);
}

std::string valueText(const SettingEntry& e, const Settings& s) {
    switch (e.kind) {
        case SettingKind::Integer: return describeKey(s.*e.integerField);
        case SettingKind::Float: return floatText(s.*e.floatField);
        case SettingKind::Bool: return s.*e.boolField ? "true" : "false";
    }
    return {};
}

std::size_t editDistance(const std::string& a, const std::string& b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t up = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
            diagonal = up;
        }
    }
    return row[b.size()];
}

std::string closestKey(const std::string& key) {
    const std::string wanted = upper(key);
    if (wanted.size() > 64) return {};
    std::size_t best = SIZE_MAX;
    std::string name;
    for (const SettingEntry& e : kSettingsTable) {
        const std::size_t d = editDistance(wanted, std::string(e.name));
        if (d < best) {
            best = d;
            name = e.name;
        }
    }
    // Beyond a third of the name, the guess would only confuse.
    return best <= std::max<std::size_t>(2, name.size() / 3) ? name : std::string();
}

std::string nanEffect(float Settings::*field) {
    if (field == &Settings::INITIAL_WALK_SPEED) return "the speed is NaN until the first speed step";
    if (field == &Settings::SCROLL_STEP_SIZE) return "the first speed step sets the speed to MAX_SCROLL_VAL";
    if (field == &Settings::MIN_SCROLL_VAL) return "the speed has no lower bound";
    if (field == &Settings::MAX_SCROLL_VAL) return "every speed step makes the speed NaN";
    return "the speed bars cannot be placed";
}

std::string lineRef(std::size_t line) { return "line " + std::to_string(line); }

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

int settingOf(std::int32_t Settings::*field) {
    for (std::size_t i = 0; i < kKeys; ++i)
        if (kSettingsTable[i].integerField == field) return static_cast<int>(i);
    return -1;
}

std::string nameOf(std::size_t index) { return std::string(kSettingsTable[index].name); }

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

// Where each setting sits in the file: the line that gives its value (the
// last in [SETTINGS]) and how often it is given there.
struct KeySpot {
    std::size_t first = 0, last = 0, times = 0;
    std::size_t repeatFinding = 0;  // where the repeat is told, once it is
    std::string value;
};

// What one walk of the lines gathers: the settings' lines and values, the
// findings that belong to single lines (in line order), and the unknown keys.
// Only bounded lists are kept, so a huge file needs little memory.
struct Gathered {
    std::array<KeySpot, kKeys> keys;
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
    void skippedLine(IniFinding finding) {
        if (++skipped <= kMaxShown) lineFindings.push_back(std::move(finding));
    }
};

// FNV-1a: the same 64 bits on every platform, the page's included.
std::uint64_t hash64(std::string_view text) {
    std::uint64_t h = 14695981039346656037ull;
    for (const char c : text) h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    return h;
}

IniFinding warningAt(std::size_t line, int setting, std::string text) {
    return {FindingSeverity::Warning, setting, line, std::move(text)};
}

// A carriage return without a line feed: the plug-in drops it and reads on,
// so the line takes in the ones the player meant to follow it.
void joinedLines(const IniWalkLine& line, bool inSettingsBefore, Gathered& g) {
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
        lost += (lost.empty() ? "" : ", ") + nameOf(i);
        if (first < 0) first = static_cast<int>(i);
    }
    std::string text = "a carriage return without a line feed does not end a line (the plug-in drops the byte), so " +
                       std::to_string(pieces) + " lines run together";
    if (swallower < kKeys) text += ": the value of " + nameOf(swallower) + " swallows the rest";
    if (!lost.empty()) text += std::string(swallower < kKeys ? ", and " : ": ") + lost + (named.count() == 1 ? " is" : " are") + " lost";
    g.skippedLine(warningAt(line.number, first, text));
}

// A key of [SETTINGS] that is none of the settings: "#" before a setting's
// name, or one to list (the first few, by line; all counted).
void unknownKey(const IniWalkLine& line, Gathered& g) {
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
void settingLine(std::size_t index, const IniWalkLine& line, Gathered& g) {
    KeySpot& spot = g.keys[index];
    if (++spot.times == 1) {
        spot.first = line.number;
    } else {
        const std::string text =
            spot.times == 2 ? nameOf(index) + " is given more than once (" + lineRef(spot.first) + " and " +
                                  lineRef(line.number) + "); the last one counts"
                            : nameOf(index) + " is given " + std::to_string(spot.times) + " times (" +
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
void gatherLine(const IniWalkLine& line, bool inSettingsBefore, Gathered& g) {
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
                                    nameOf(index) + " has no \"=\", so the plug-in ignores this line"));
        return;
    }
    if (line.kind != IniLineKind::KeyValue) return;
    const std::size_t index = settingIndex(line.name);
    if (!inSettings) {
        if (index < kKeys && ++g.misplaced <= kMaxShown)
            g.lineFindings.push_back(warningAt(
                line.number, static_cast<int>(index),
                nameOf(index) + " stands " +
                    (line.inSection ? "in section [" + line.section + "]" : std::string("before any section header")) +
                    ", so it is ignored; move it under [SETTINGS]"));
        return;
    }
    if (index == kKeys) unknownKey(line, g);
    else settingLine(index, line, g);
}

Gathered gather(std::string_view bytes) {
    Gathered g;
    bool inSettings = false;
    walkIniText(bytes, [&](const IniWalkLine& line) {
        gatherLine(line, inSettings, g);
        inSettings = line.inSection && line.section == settingsSection();
    });
    return g;
}

// The plug-in's load over the values the walk found: the same section, the
// same keys with their last values, the same stores in the same order.
SettingsLoadResult loadGathered(const Gathered& g, Settings& out) {
    IniDocument doc;
    if (g.hasSettings) {
        IniSection& section = doc.sectionFor(kSettingsSectionName);
        for (std::size_t i = 0; i < kKeys; ++i)
            if (g.keys[i].times > 0) section.valueFor(kSettingsTable[i].name) = g.keys[i].value;
    }
    return loadSettingsFrom(doc, out);
}

SettingsLoadResult stoppedWhileReading(SettingsLoadError error) {
    SettingsLoadResult stopped;
    stopped.end = SettingsLoadEnd::Stopped;
    stopped.error = error;
    return stopped;
}

// Where and why the load stops.
IniFinding stopFinding(const SettingsLoadResult& result, const Gathered& g) {
    const std::string why = settingsLoadMessage(result.error);
    const std::size_t stop = result.failedKey;
    if (stop >= kKeys)
        return {FindingSeverity::Stop, -1, 0,
                "The load stops while reading the file (" + (why.empty() ? std::string("unknown error") : why) +
                    "); every setting keeps its default."};
    const SettingEntry& e = kSettingsTable[stop];
    const KeySpot& spot = g.keys[stop];
    std::string text = "The load stops at " + nameOf(stop) + " = " + quotedValue(spot.value) + " (" +
                       (spot.times ? lineRef(spot.last) : std::string("?")) + "): ";
    if (why.find("out of range") != std::string::npos)
        text += "the number is out of range (" + why + ").";
    else
        text += std::string("it does not start with ") + (e.kind == SettingKind::Integer ? "a whole number" : "a number") +
                " (" + why + ")" +
                (e.kind == SettingKind::Integer ? "; key codes are written in decimal, e.g. 121 for F10" : "") + ".";
    return {FindingSeverity::Stop, static_cast<int>(stop), spot.last, text};
}

// Values that load but are read otherwise than written.
void valueWarnings(const Gathered& g, const Settings& loaded, std::size_t stop, std::vector<IniFinding>& out) {
    for (std::size_t i = 0; i < stop && i < kKeys; ++i) {
        const KeySpot& spot = g.keys[i];
        if (!spot.times) continue;
        const SettingEntry& e = kSettingsTable[i];
        const std::string at = nameOf(i) + " = " + quotedValue(spot.value);
        if (e.kind == SettingKind::Bool) {
            std::string lower = spot.value;
            for (char& c : lower) c = lowerAscii(c);
            if (lower != "true" && lower != "false")
                out.push_back(warningAt(spot.last, static_cast<int>(i),
                                        at + " is read as false; only the word true (in any case) means true"));
        } else if (!wholeNumber(spot.value, e.kind)) {
            out.push_back(warningAt(spot.last, static_cast<int>(i),
                                    at + " is read as " + valueText(e, loaded) +
                                        ": only its leading number counts, the rest is ignored"));
        }
    }
}

// Toggle keys that can never fire, in the order a pass takes them.
void toggleWarnings(const Settings& loaded, std::vector<IniFinding>& out) {
    for (std::size_t t = 0; t < std::size(kToggles); ++t) {
        const int index = settingOf(kToggles[t].key);
        const std::string name = nameOf(static_cast<std::size_t>(index));
        const std::int32_t code = loaded.*kToggles[t].key;
        const auto warn = [&](int setting, std::string text) { out.push_back({FindingSeverity::Warning, setting, 0, text}); };
        if (!isWatchedKey(code)) {
            warn(index, name + " = " + std::to_string(code) + " can never fire: only codes 0 to " +
                            std::to_string(KEY_TABLE_SIZE - 1) + " are watched, so this toggle has no key");
        } else if (keyName(code).empty()) {
            warn(index, name + " = " + std::to_string(code) + " is not the code of any key, so this toggle never fires");
        } else if (!mouseButton(code).empty()) {
            warn(index, name + " = " + describeKey(code) + " is " + std::string(mouseButton(code)) +
                            ": the plug-in hears only keyboard messages and a mouse button sends none, so this toggle "
                            "never fires");
        } else {
            // A pass consumes a release at the first toggle that asks for it,
            // before that toggle's own conditions, so a later one never sees it.
            for (std::size_t j = 0; j < t; ++j) {
                if (loaded.*kToggles[j].key != code) continue;
                const std::string earlier = nameOf(static_cast<std::size_t>(settingOf(kToggles[j].key)));
                warn(index, earlier + " and " + name + " share the key " + describeKey(code) + ": " + earlier +
                                " takes every release of it, so " + name + " never fires");
                break;
            }
        }
    }
}

// Speeds, step and bars that load but cannot work as meant.
void rangeWarnings(const Gathered& g, const Settings& s, std::vector<IniFinding>& out) {
    // `atLine`: the report names the line that gives the value.
    const auto warn = [&](float Settings::*field, std::string text, bool atLine = false) {
        int index = 0;
        while (kSettingsTable[static_cast<std::size_t>(index)].floatField != field) ++index;
        out.push_back({FindingSeverity::Warning, index, atLine ? g.keys[static_cast<std::size_t>(index)].last : 0,
                       std::move(text)});
    };
    for (const SettingEntry& e : kSettingsTable) {
        if (e.kind != SettingKind::Float) continue;
        const float v = s.*e.floatField;
        if (std::isnan(v))
            warn(e.floatField, std::string(e.name) + " is NaN (not a number): " + nanEffect(e.floatField));
        else if (std::isinf(v))
            warn(e.floatField, std::string(e.name) + " is " + floatText(v) + ", which is no usable speed or position");
    }
    if (s.MIN_SCROLL_VAL > s.MAX_SCROLL_VAL)
        warn(&Settings::MIN_SCROLL_VAL, "MIN_SCROLL_VAL " + floatText(s.MIN_SCROLL_VAL) + " is above MAX_SCROLL_VAL " +
                                            floatText(s.MAX_SCROLL_VAL) + ": every speed step sets the speed to MAX_SCROLL_VAL");
    const float initial = s.INITIAL_WALK_SPEED;
    if (!std::isnan(initial) && (initial < s.MIN_SCROLL_VAL || initial > s.MAX_SCROLL_VAL))
        warn(&Settings::INITIAL_WALK_SPEED,
             "INITIAL_WALK_SPEED " + floatText(initial) + " is outside MIN_SCROLL_VAL " + floatText(s.MIN_SCROLL_VAL) +
                 " to MAX_SCROLL_VAL " + floatText(s.MAX_SCROLL_VAL) + ": it is used as it is until the first speed step");
    if (s.SCROLL_STEP_SIZE == 0.0f)
        warn(&Settings::SCROLL_STEP_SIZE, "SCROLL_STEP_SIZE is 0, so the speed controls do nothing", true);
    else if (s.SCROLL_STEP_SIZE < 0.0f)
        warn(&Settings::SCROLL_STEP_SIZE, "SCROLL_STEP_SIZE " + floatText(s.SCROLL_STEP_SIZE) +
                                              " is below zero, so speed-up and speed-down swap", true);
    if (s.UI_BAR_LENGTH <= 0.0f)
        warn(&Settings::UI_BAR_LENGTH, "UI_BAR_LENGTH " + floatText(s.UI_BAR_LENGTH) +
                                           " is not above zero, and the bars are drawn with that length", true);
    // The lower row's background, as the bars are drawn, in single precision.
    const float left = s.UI_LEFT_OFFSET, right = s.UI_LEFT_OFFSET + s.UI_BAR_LENGTH;
    const float bottom = 1.0f - s.UI_BOTTOM_OFFSET, top = bottom - kSpeedBarHeight;
    if (!std::isfinite(left) || !std::isfinite(right) || !std::isfinite(top) || !std::isfinite(bottom)) return;
    const bool offLeftRight = std::max(left, right) <= 0.0f || std::min(left, right) >= 1.0f;
    if (offLeftRight || bottom <= 0.0f || top >= 1.0f)
        warn(offLeftRight ? &Settings::UI_LEFT_OFFSET : &Settings::UI_BOTTOM_OFFSET,
             "UI_LEFT_OFFSET " + floatText(s.UI_LEFT_OFFSET) + " and UI_BOTTOM_OFFSET " + floatText(s.UI_BOTTOM_OFFSET) +
                 " put the speed bars off the screen: the lower bar spans x " + floatText(std::min(left, right)) +
                 " to " + floatText(std::max(left, right)) + " and y " + floatText(top) + " to " + floatText(bottom) +
                 ", and the screen runs from 0 to 1",
             true);
}

// The plug-in reads one file name only.
void fileNameNote(const std::string& path, std::vector<IniFinding>& out) {
    // The last part of the name, as std::filesystem splits a POSIX path.
    const std::string base = path.substr(path.rfind('/') == std::string::npos ? 0 : path.rfind('/') + 1);
    if (upper(base) != upper(kSettingsFileName))
        out.push_back({FindingSeverity::Note, -1, 0,
                       "the plug-in reads only a file named " + std::string(kSettingsFileName) +
                           " in the game's folder; this one is named " + quotedValue(base)});
}

std::string verdictFor(const IniCheck& c, std::size_t warnings, bool anyFromFile) {
    if (c.status == 2) {
        if (c.stoppedAt >= kKeys) return "The plug-in stops while reading the file: every setting keeps its default.";
        const std::size_t after = kKeys - c.stoppedAt - 1;
        return "The plug-in stops reading at " + nameOf(c.stoppedAt) + ", " + lineRef(static_cast<std::size_t>(c.lines[c.stoppedAt])) +
               ": it" + (after == 0 ? std::string(" keeps its default")
                                    : " and the " + std::to_string(after) + (after == 1 ? " setting" : " settings") +
                                          " after it keep their defaults") +
               ".";
    }
    std::string verdict = warnings == 0 ? "The file loads cleanly."
                                        : "The file loads, with " + std::to_string(warnings) + " warning" +
                                              (warnings == 1 ? "" : "s") + ".";
    if (!anyFromFile) verdict += " No setting comes from it: every one keeps its default.";
    return verdict;
}

std::string render(const IniCheck& c, const std::string& path) {
    std::string out = "Result: " + std::string(1, static_cast<char>(std::tolower(c.verdict[0]))) + c.verdict.substr(1) +
                      "\n\nWhat the plug-in reads from " + path + ":\n\n";
    const std::size_t stop = c.stoppedAt;
    for (std::size_t i = 0; i < kKeys; ++i) {
        const SettingEntry& e = kSettingsTable[i];
        const std::size_t at = static_cast<std::size_t>(c.lines[i]);
        std::string origin;
        if (!at) origin = "default";
        else if (i < stop) origin = "file, " + lineRef(at);
        else if (i == stop) origin = "default: the load stops here (" + lineRef(at) + ")";
        else origin = "default: " + lineRef(at) + " is never read";
        char row[200];
        std::snprintf(row, sizeof row, "  %-26s %-34s %s\n", std::string(e.name).c_str(), valueText(e, c.loaded).c_str(),
                      origin.c_str());
        out += row;
    }
    bool warned = false;
    for (const IniFinding& f : c.findings) {
        if (f.severity == FindingSeverity::Stop) {
            out += "\n" + f.text + "\n";
            if (stop >= kKeys) continue;
            std::string lost;
            for (std::size_t i = stop; i < kKeys; ++i)
                if (c.lines[i])
                    lost += (lost.empty() ? "" : ", ") + nameOf(i) + " (" + lineRef(static_cast<std::size_t>(c.lines[i])) + ")";
            out += "Keys the file sets that keep their defaults because of it: " + lost + ".\n";
            out += "Every key after " + nameOf(stop) + " in the list above keeps its default.\n";
            continue;
        }
        const bool warning = f.severity == FindingSeverity::Warning;
        if (warning && !warned) out += "\n";
        warned = warned || warning;
        out += (warning ? "warning: " : "note: ") + (f.line ? lineRef(f.line) + ": " : std::string()) + f.text + "\n";
    }
    return out;
}

}  // namespace

IniCheck checkIniFile(const std::string& path) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) throw FileError(path + ": is a folder, not a file");
    return checkIniText(readWholeFile(path), path);
}

IniCheck checkIniText(std::string_view bytes, const std::string& path) {
    IniCheck c;
    Gathered g;
    SettingsLoadResult result;
    // A failure while reading stops the load as it stops the plug-in's.
    try {
        g = gather(bytes);
        result = loadGathered(g, c.loaded);
    } catch (const std::bad_alloc&) {
        g = Gathered{};
        result = stoppedWhileReading(SettingsLoadError::OutOfMemory);
    } catch (const std::exception&) {
        g = Gathered{};
        result = stoppedWhileReading(SettingsLoadError::Other);
    }
    const bool stopped = result.end == SettingsLoadEnd::Stopped;
    c.stoppedAt = stopped ? result.failedKey : kKeys;
    for (std::size_t i = 0; i < kKeys; ++i) {
        c.lines[i] = static_cast<int>(g.keys[i].times ? g.keys[i].last : 0);
        c.texts[i] = g.keys[i].value;
    }

    std::vector<IniFinding>& f = c.findings;
    if (stopped) f.push_back(stopFinding(result, g));
    f.insert(f.end(), g.lineFindings.begin(), g.lineFindings.end());
    if (g.misplaced > kMaxShown)
        f.push_back(warningAt(0, -1, "... and " + std::to_string(g.misplaced - kMaxShown) +
                                         " more known keys outside [SETTINGS] are ignored"));
    if (g.skipped > kMaxShown)
        f.push_back(warningAt(0, -1, "... and " + std::to_string(g.skipped - kMaxShown) +
                                         " more lines the plug-in skips or runs together"));
    f.insert(f.end(), g.unknownShown.begin(), g.unknownShown.end());
    std::sort(g.unknownHashes.begin(), g.unknownHashes.end());
    const auto distinct = static_cast<std::size_t>(
        std::unique(g.unknownHashes.begin(), g.unknownHashes.end()) - g.unknownHashes.begin());
    if (distinct > kMaxShown)
        f.push_back(warningAt(0, -1, "... and " + std::to_string(distinct - kMaxShown) + " more unknown keys in [SETTINGS]"));
    if (result.end == SettingsLoadEnd::NoSection)
        f.push_back(warningAt(0, -1, "there is no section [SETTINGS], so every setting keeps its default"));
    valueWarnings(g, c.loaded, c.stoppedAt, f);
    toggleWarnings(c.loaded, f);
    rangeWarnings(g, c.loaded, f);
    fileNameNote(path, f);

    const auto warnings = static_cast<std::size_t>(std::count_if(
        f.begin(), f.end(), [](const IniFinding& x) { return x.severity == FindingSeverity::Warning; }));
    bool anyFromFile = false;
    for (std::size_t i = 0; i < std::min(c.stoppedAt, kKeys); ++i) anyFromFile = anyFromFile || c.lines[i] != 0;
    c.status = stopped ? 2 : warnings ? 1 : 0;
    c.verdict = verdictFor(c, warnings, anyFromFile);
    c.report = render(c, path);
    return c;
}
