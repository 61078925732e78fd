#include "tools/lib/check_findings.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "config/numbers.h"
#include "control/mod_state.h"
#include "hud/speed_bars.h"
#include "tools/lib/float_text.h"
#include "tools/lib/ini_edit.h"
#include "tools/lib/keynames.h"

namespace {

constexpr std::size_t kKeys = kSettingsTable.size();

std::string floatText(float v) {
    if (std::isnan(v)) return "NaN";
    if (std::isinf(v)) return v > 0 ? "infinity" : "-infinity";
    return shortestFloatText(v, strtofParse);
}

std::string nanEffect(float Settings::*field) {
    if (field == &Settings::INITIAL_WALK_SPEED) return "the speed is NaN until the first speed step";
    if (field == &Settings::SCROLL_STEP_SIZE) return "the first speed step sets the speed to MAX_SCROLL_VAL";
    if (field == &Settings::MIN_SCROLL_VAL) return "the speed has no lower bound";
    if (field == &Settings::MAX_SCROLL_VAL) return "every speed step makes the speed NaN";
    return "the speed bars cannot be placed";
}

int settingOf(std::int32_t Settings::*field) {
    for (std::size_t i = 0; i < kKeys; ++i)
        if (kSettingsTable[i].integerField == field) return static_cast<int>(i);
    return -1;
}

// Values that load but are read otherwise than written.
void valueWarnings(const IniFacts& g, const Settings& loaded, std::size_t stop, std::vector<IniFinding>& out) {
    for (std::size_t i = 0; i < stop && i < kKeys; ++i) {
        const KeySpot& spot = g.keys[i];
        if (!spot.times) continue;
        const SettingEntry& e = kSettingsTable[i];
        const std::string at = settingName(i) + " = " + quotedValue(spot.value);
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
        const std::string name = settingName(static_cast<std::size_t>(index));
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
                const std::string earlier = settingName(static_cast<std::size_t>(settingOf(kToggles[j].key)));
                warn(index, earlier + " and " + name + " share the key " + describeKey(code) + ": " + earlier +
                                " takes every release of it, so " + name + " never fires");
                break;
            }
        }
    }
}

// Speeds, step and bars that load but cannot work as meant.
void rangeWarnings(const IniFacts& g, const Settings& s, std::vector<IniFinding>& out) {
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
        return "The plug-in stops reading at " + settingName(c.stoppedAt) + ", " +
               lineRef(static_cast<std::size_t>(c.lines[c.stoppedAt])) + ": it" +
               (after == 0 ? std::string(" keeps its default")
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

}  // namespace

std::string valueText(const SettingEntry& e, const Settings& s) {
    switch (e.kind) {
        case SettingKind::Integer: return describeKey(s.*e.integerField);
        case SettingKind::Float: return floatText(s.*e.floatField);
        case SettingKind::Bool: return s.*e.boolField ? "true" : "false";
    }
    return {};
}

IniFinding stopFinding(const SettingsLoadResult& load, const IniFacts& g) {
    const std::string why = settingsLoadMessage(load.error);
    const std::string cause = why.empty() ? std::string("unknown error") : why;
    const std::size_t stop = load.failedKey;
    if (stop >= kKeys)
        return {FindingSeverity::Stop, -1, 0,
                "The load stops while reading the file (" + cause + "); every setting keeps its default."};
    const KeySpot& spot = g.keys[stop];
    std::string text = "The load stops at " + settingName(stop) + " = " + quotedValue(spot.value) + " (" +
                       (spot.times ? lineRef(spot.last) : std::string("?")) + "): ";
    switch (load.error) {
        case SettingsLoadError::IntegerOutOfRange:
        case SettingsLoadError::FloatOutOfRange:
            text += "the number is out of range (" + why + ").";
            break;
        case SettingsLoadError::InvalidInteger:
            text += "it does not start with a whole number (" + why +
                    "); key codes are written in decimal, e.g. 121 for F10.";
            break;
        case SettingsLoadError::InvalidFloat:
            text += "it does not start with a number (" + why + ").";
            break;
        case SettingsLoadError::OutOfMemory:
        case SettingsLoadError::Other:
        case SettingsLoadError::None:
            text += "reading it fails (" + cause + ").";
            break;
    }
    return {FindingSeverity::Stop, static_cast<int>(stop), spot.last, text};
}

void judgeIni(IniFacts g, const SettingsLoadResult& load, const std::string& name, IniCheck& c) {
    const bool stopped = load.end == SettingsLoadEnd::Stopped;
    c.stoppedAt = stopped ? load.failedKey : kKeys;
    for (std::size_t i = 0; i < kKeys; ++i) {
        c.lines[i] = static_cast<int>(g.keys[i].times ? g.keys[i].last : 0);
        c.texts[i] = g.keys[i].value;
    }

    std::vector<IniFinding>& f = c.findings;
    if (stopped) f.push_back(stopFinding(load, g));
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
    if (load.end == SettingsLoadEnd::NoSection)
        f.push_back(warningAt(0, -1, "there is no section [SETTINGS], so every setting keeps its default"));
    valueWarnings(g, c.loaded, c.stoppedAt, f);
    toggleWarnings(c.loaded, f);
    rangeWarnings(g, c.loaded, f);
    fileNameNote(name, f);

    const auto warnings = static_cast<std::size_t>(std::count_if(
        f.begin(), f.end(), [](const IniFinding& x) { return x.severity == FindingSeverity::Warning; }));
    bool anyFromFile = false;
    for (std::size_t i = 0; i < std::min(c.stoppedAt, kKeys); ++i) anyFromFile = anyFromFile || c.lines[i] != 0;
    c.status = stopped ? 2 : warnings ? 1 : 0;
    c.verdict = verdictFor(c, warnings, anyFromFile);
}
