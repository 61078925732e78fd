#include "tools/lib/check_ini.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <memory>
#include <new>
#include <optional>
#include <sstream>
#include <string_view>
#include <vector>

#include "config/ini.h"
#include "config/numbers.h"
#include "config/settings.h"
#include "tools/lib/files.h"
#include "tools/lib/float_text.h"
#include "tools/lib/keynames.h"

namespace {

constexpr std::size_t kKeys = kSettingsTable.size();
constexpr std::size_t kMaxUnknownShown = 20;

// Where each key/value line of the file sits, as the reader sees the lines.
struct KeyLine {
    std::optional<std::string> section;  // normalised; none before any header
    std::string key;                     // normalised
    std::string value;
    int line = 0;
};

std::unique_ptr<std::istream> memorySource(std::string_view bytes) {
    return std::make_unique<std::istringstream>(std::string(bytes), std::ios::in | std::ios::binary);
}

std::vector<KeyLine> scanLines(std::string_view bytes) {
    IniReader reader(memorySource(bytes));
    std::vector<KeyLine> out;
    std::optional<std::string> section;
    int number = 0;
    IniKeyValue kv;
    for (std::string& line : reader.readIniLines()) {
        ++number;
        switch (parseIniLine(std::move(line), kv)) {
            case IniLineKind::SectionHeader: section = normaliseIniName(kv.key); break;
            case IniLineKind::KeyValue: out.push_back({section, normaliseIniName(kv.key), kv.value, number}); break;
            default: break;
        }
    }
    return out;
}

std::string upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// Shown in quotes: unprintable bytes escaped, long values cut.
std::string shownValue(const std::string& s) {
    std::string out = "\"";
    for (std::size_t i = 0; i < s.size() && i < 40; ++i) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        if (c < 0x20 || c >= 0x7F || c == '"' || c == '\\') {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    if (s.size() > 40) out += "...";
    return out + "\"";
}

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

bool isDecimalDigit(char c) { return c >= '0' && c <= '9'; }
bool isHexDigit(char c) { return isDecimalDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

bool equalsIgnoringCase(std::string_view text, std::string_view lower) {
    if (text.size() != lower.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i)
        if ((text[i] >= 'A' && text[i] <= 'Z' ? text[i] + ('a' - 'A') : text[i]) != lower[i]) return false;
    return true;
}

// Whether the whole text is one number, in one pass over it; otherwise the
// parse reads a leading part and ignores the rest.
bool isWholeNumber(std::string_view text, SettingKind kind) {
    std::size_t i = 0;
    const auto skip = [&](bool (*accepts)(char)) {
        const std::size_t from = i;
        while (i < text.size() && accepts(text[i])) ++i;
        return i - from;
    };
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    if (kind == SettingKind::Integer) return skip(isDecimalDigit) > 0 && i == text.size();
    const std::string_view rest = text.substr(i);
    if (equalsIgnoringCase(rest, "inf") || equalsIgnoringCase(rest, "infinity") || equalsIgnoringCase(rest, "nan"))
        return true;
    const bool hex = rest.size() >= 2 && rest[0] == '0' && (rest[1] == 'x' || rest[1] == 'X');
    if (hex) i += 2;
    std::size_t digits = skip(hex ? isHexDigit : isDecimalDigit);
    if (i < text.size() && text[i] == '.') {
        ++i;
        digits += skip(hex ? isHexDigit : isDecimalDigit);
    }
    if (digits == 0) return false;
    if (i < text.size() && (hex ? text[i] == 'p' || text[i] == 'P' : text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
        if (skip(isDecimalDigit) == 0) return false;
    }
    return i == text.size();
}

std::string nanEffect(float Settings::*field) {
    if (field == &Settings::INITIAL_WALK_SPEED) return "the speed is NaN until the first speed step";
    if (field == &Settings::SCROLL_STEP_SIZE) return "the first speed step sets the speed to MAX_SCROLL_VAL";
    if (field == &Settings::MIN_SCROLL_VAL) return "the speed has no lower bound";
    if (field == &Settings::MAX_SCROLL_VAL) return "every speed step makes the speed NaN";
    return "the speed bars cannot be placed";
}

std::string lineRef(int line) { return "line " + std::to_string(line); }

// Mouse buttons have key codes, but a click sends no keyboard message.
std::string_view mouseButton(std::int32_t code) {
    switch (code) {
        case 0x01: return "the left mouse button";
        case 0x02: return "the right mouse button";
        case 0x04: return "the middle mouse button";
        case 0x05: return "mouse button 4";
        case 0x06: return "mouse button 5";
        default: return {};
    }
}

// The load as the plug-in does it, from bytes instead of the file: the same
// reader over the same bytes, and a failure while reading stops it the same way.
SettingsLoadResult loadFromBytes(std::string_view bytes, Settings& out) {
    IniDocument doc;
    SettingsLoadResult stopped;
    stopped.end = SettingsLoadEnd::Stopped;
    try {
        loadIniText(bytes, doc);
    } catch (const std::bad_alloc&) {
        stopped.error = SettingsLoadError::OutOfMemory;
        return stopped;
    } catch (const std::exception&) {
        stopped.error = SettingsLoadError::Other;
        return stopped;
    }
    return loadSettingsFrom(doc, out);
}

}  // namespace

IniCheck checkIniFile(const std::string& path) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) throw FileError(path + ": is a folder, not a file");
    return checkIniText(readWholeFile(path), path);
}

IniCheck checkIniText(std::string_view bytes, const std::string& path) {
    Settings loaded;
    const SettingsLoadResult result = loadFromBytes(bytes, loaded);
    const std::vector<KeyLine> lines = scanLines(bytes);

    std::vector<std::string> warnings, notes;
    std::string out;
    auto warn = [&](const std::string& w) { warnings.push_back(w); };

    // The line that gives each known key its value: the last in the section.
    // Repeats and misplaced keys are told once per key and a bounded number
    // of times, so a huge file gives a short report.
    std::array<const KeyLine*, kKeys> source{};
    std::array<int, kKeys> firstLine{}, times{};
    std::array<std::size_t, kKeys> repeatWarning{};
    std::array<std::string, kKeys> names;
    for (std::size_t i = 0; i < kKeys; ++i) names[i] = normaliseIniName(kSettingsTable[i].name);
    const std::string settingsSection = normaliseIniName(kSettingsSectionName);
    std::size_t misplaced = 0;
    std::map<std::string, int> unknown;
    for (const KeyLine& kl : lines) {
        std::size_t index = kKeys;
        for (std::size_t i = 0; i < kKeys; ++i)
            if (kl.key == names[i]) index = i;
        const bool inSettings = kl.section && *kl.section == settingsSection;
        if (!inSettings) {
            if (index < kKeys && ++misplaced <= kMaxUnknownShown)
                warn(lineRef(kl.line) + ": " + std::string(kSettingsTable[index].name) + " stands " +
                     (kl.section ? "in section [" + *kl.section + "]" : std::string("before any section header")) +
                     ", so it is ignored; move it under [SETTINGS]");
            continue;
        }
        if (index == kKeys) {
            unknown.emplace(kl.key, kl.line);  // the first line of each
            continue;
        }
        const std::string name(kSettingsTable[index].name);
        if (++times[index] == 1) {
            firstLine[index] = kl.line;
        } else if (times[index] == 2) {
            repeatWarning[index] = warnings.size();
            warn(name + " is given more than once (" + lineRef(firstLine[index]) + " and " + lineRef(kl.line) +
                 "); the last one counts");
        } else {
            warnings[repeatWarning[index]] = name + " is given " + std::to_string(times[index]) + " times (" +
                                             lineRef(firstLine[index]) + " first, " + lineRef(kl.line) +
                                             " last); the last one counts";
        }
        source[index] = &kl;
    }
    if (misplaced > kMaxUnknownShown)
        warn("... and " + std::to_string(misplaced - kMaxUnknownShown) + " more known keys outside [SETTINGS] are ignored");
    std::size_t shown = 0;
    for (const auto& [key, at] : unknown) {
        if (++shown > kMaxUnknownShown) continue;
        const std::string close = closestKey(key);
        warn(lineRef(at) + ": unknown key " + shownValue(upper(key)) + " in [SETTINGS] is ignored" +
             (close.empty() ? std::string() : "; did you mean " + close + "?"));
    }
    if (unknown.size() > kMaxUnknownShown)
        warn("... and " + std::to_string(unknown.size() - kMaxUnknownShown) + " more unknown keys in [SETTINGS]");

    const bool stopped = result.end == SettingsLoadEnd::Stopped;
    const std::size_t stop = stopped ? result.failedKey : kKeys;

    out += "What the plug-in reads from " + path + ":\n\n";
    if (result.end == SettingsLoadEnd::NoSection)
        warn("there is no section [SETTINGS], so every setting keeps its default");
    for (std::size_t i = 0; i < kKeys; ++i) {
        const SettingEntry& e = kSettingsTable[i];
        std::string origin;
        if (!source[i]) origin = "default";
        else if (i < stop) origin = "file, " + lineRef(source[i]->line);
        else if (i == stop) origin = "default: the load stops here (" + lineRef(source[i]->line) + ")";
        else origin = "default: " + lineRef(source[i]->line) + " is never read";
        char row[200];
        std::snprintf(row, sizeof row, "  %-26s %-34s %s\n", std::string(e.name).c_str(), valueText(e, loaded).c_str(),
                      origin.c_str());
        out += row;
    }

    if (stopped) {
        const std::string why = settingsLoadMessage(result.error);
        out += "\n";
        if (stop < kKeys) {
            const SettingEntry& e = kSettingsTable[stop];
            const std::string kindText = e.kind == SettingKind::Integer ? "a whole number" : "a number";
            out += "The load stops at " + std::string(e.name) + " = " + shownValue(source[stop] ? source[stop]->value : "") +
                   " (" + (source[stop] ? lineRef(source[stop]->line) : std::string("?")) + "): ";
            if (why.find("out of range") != std::string::npos)
                out += "the number is out of range (" + why + ").\n";
            else
                out += "it does not start with " + kindText + " (" + why + ")" +
                       (e.kind == SettingKind::Integer ? "; key codes are written in decimal, e.g. 121 for F10" : "") +
                       ".\n";
            std::string lost;
            for (std::size_t i = stop; i < kKeys; ++i)
                if (source[i])
                    lost += (lost.empty() ? "" : ", ") + std::string(kSettingsTable[i].name) + " (" +
                            lineRef(source[i]->line) + ")";
            out += "Keys the file sets that keep their defaults because of it: " + lost + ".\n";
            out += "Every key after " + std::string(e.name) + " in the list above keeps its default.\n";
        } else {
            out += "The load stops while reading the file (" + (why.empty() ? std::string("unknown error") : why) +
                   "); every setting keeps its default.\n";
        }
    }

    // Values that load but do not do what the player probably meant.
    for (std::size_t i = 0; i < stop && i < kKeys; ++i) {
        if (!source[i]) continue;
        const SettingEntry& e = kSettingsTable[i];
        const std::string& text = source[i]->value;
        const std::string at = lineRef(source[i]->line) + ": " + std::string(e.name);
        if (e.kind == SettingKind::Bool) {
            std::string lower = text;
            for (char& c : lower) c = lowerAscii(c);
            if (lower != "true" && lower != "false")
                warn(at + " = " + shownValue(text) + " is read as false; only the word true (in any case) means true");
        } else if (!isWholeNumber(text, e.kind)) {
            warn(at + " = " + shownValue(text) + " is read as " + valueText(e, loaded) +
                 ": only its leading number counts, the rest is ignored");
        }
    }
    for (std::size_t i = 0; i < 4; ++i) {
        const SettingEntry& e = kSettingsTable[i];
        const std::int32_t code = loaded.*e.integerField;
        if (code < 0 || code >= 255) {
            warn(std::string(e.name) + " = " + std::to_string(code) +
                 " can never fire: only codes 0 to 254 are watched, so this toggle has no key");
        } else if (keyName(code).empty()) {
            warn(std::string(e.name) + " = " + std::to_string(code) + " is not the code of any key, so this toggle never fires");
        } else if (!mouseButton(code).empty()) {
            warn(std::string(e.name) + " = " + describeKey(code) + " is " + std::string(mouseButton(code)) +
                 ": the plug-in hears only keyboard messages and a mouse button sends none, so this toggle never fires");
        } else {
            // A pass consumes a release at the first toggle that asks for it,
            // before that toggle's own conditions, so a later one never sees it.
            for (std::size_t j = 0; j < i; ++j) {
                const SettingEntry& earlier = kSettingsTable[j];
                if (loaded.*earlier.integerField != code) continue;
                warn(std::string(earlier.name) + " and " + std::string(e.name) + " share the key " + describeKey(code) +
                     ": " + std::string(earlier.name) + " takes every release of it, so " + std::string(e.name) +
                     " never fires");
                break;
            }
        }
    }
    for (const SettingEntry& e : kSettingsTable) {
        if (e.kind != SettingKind::Float) continue;
        const float v = loaded.*e.floatField;
        if (std::isnan(v))
            warn(std::string(e.name) + " is NaN (not a number): " + nanEffect(e.floatField));
        else if (std::isinf(v))
            warn(std::string(e.name) + " is " + floatText(v) + ", which is no usable speed or position");
    }
    if (loaded.MIN_SCROLL_VAL > loaded.MAX_SCROLL_VAL)
        warn("MIN_SCROLL_VAL " + floatText(loaded.MIN_SCROLL_VAL) + " is above MAX_SCROLL_VAL " +
             floatText(loaded.MAX_SCROLL_VAL) + ": every speed step sets the speed to MAX_SCROLL_VAL");
    const float initial = loaded.INITIAL_WALK_SPEED;
    if (!std::isnan(initial) && (initial < loaded.MIN_SCROLL_VAL || initial > loaded.MAX_SCROLL_VAL))
        warn("INITIAL_WALK_SPEED " + floatText(initial) + " is outside MIN_SCROLL_VAL " +
             floatText(loaded.MIN_SCROLL_VAL) + " to MAX_SCROLL_VAL " + floatText(loaded.MAX_SCROLL_VAL) +
             ": it is used as it is until the first speed step");

    // The last part of the name, as std::filesystem splits a POSIX path.
    const std::string base = path.substr(path.rfind('/') == std::string::npos ? 0 : path.rfind('/') + 1);
    if (upper(base) != upper(kSettingsFileName))
        notes.push_back("the plug-in reads only a file named " + std::string(kSettingsFileName) +
                        " in the game's folder; this one is named " + shownValue(base));

    if (!warnings.empty()) out += "\n";
    for (const std::string& w : warnings) out += "warning: " + w + "\n";
    for (const std::string& n : notes) out += "note: " + n + "\n";

    IniCheck check;
    check.status = stopped ? 2 : warnings.empty() ? 0 : 1;
    out += check.status == 2   ? "\nResult: the load stops early; some of the file's values are not used.\n"
           : check.status == 1 ? "\nResult: the file loads, with " + std::to_string(warnings.size()) + " warning" +
                                     (warnings.size() == 1 ? "" : "s") + ".\n"
                               : "\nResult: the file loads cleanly.\n";
    check.report = out;
    check.loaded = loaded;
    for (std::size_t i = 0; i < kKeys; ++i) check.lines[i] = source[i] ? source[i]->line : 0;
    check.stoppedAt = stop;
    return check;
}
