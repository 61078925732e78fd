#include "tools/lib/check_findings.h"

#include <algorithm>
#include <bitset>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <vector>

#include "config/ini.h"
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
    if (std::isinf(v)) return tr(v > 0 ? "check.infinity" : "check.minus_infinity");
    return shortestFloatText(v, strtofParse);
}

std::string_view nanMessage(float Settings::*field) {
    if (field == &Settings::INITIAL_WALK_SPEED) return "check.range.nan_initial";
    if (field == &Settings::SCROLL_STEP_SIZE) return "check.range.nan_step";
    if (field == &Settings::MIN_SCROLL_VAL) return "check.range.nan_min";
    if (field == &Settings::MAX_SCROLL_VAL) return "check.range.nan_max";
    return "check.range.nan_bars";
}

std::string nameOfField(float Settings::*field) { return settingName(settingIndexOf(field)); }

// The bytes a value holds past the number the plug-in reads from it.
std::string_view afterNumber(std::string_view text, SettingKind kind) {
    return text.substr(kind == SettingKind::Integer ? parseInt32(text).used : parseFloat32(text).used);
}

// A comment the player wrote after the number: blanks, then ";" or "#".
bool commentAfterNumber(std::string_view text, SettingKind kind) {
    const std::string_view rest = afterNumber(text, kind);
    const std::size_t mark = rest.find_first_not_of(kIniWhitespace);
    return mark != 0 && mark != std::string_view::npos && (rest[mark] == ';' || rest[mark] == '#');
}

// Full-width digits, point or comma (U+FF10 to U+FF19, U+FF0E, U+FF0C), as
// an input method types them: the parses read only ASCII.
bool fullWidthNumber(std::string_view text) {
    for (std::size_t i = text.find("\xEF\xBC"); i != std::string_view::npos; i = text.find("\xEF\xBC", i + 1)) {
        if (i + 2 >= text.size()) break;
        const auto c = static_cast<unsigned char>(text[i + 2]);
        if ((c >= 0x90 && c <= 0x99) || c == 0x8E || c == 0x8C) return true;
    }
    return false;
}

// A key code written in hexadecimal, which the plug-in reads as 0: the code
// meant, when it is a watched key's, else none.
bool hexKey(std::string_view text, std::int64_t& code) {
    code = -1;
    if (text.size() < 2 || text[0] != '0' || (text[1] != 'x' && text[1] != 'X')) return false;
    std::size_t end = 2;
    std::int64_t value = 0;
    while (end < text.size() && end < 12 && std::isxdigit(static_cast<unsigned char>(text[end]))) {
        const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(text[end++])));
        value = value * 16 + (c <= '9' ? c - '0' : c - 'a' + 10);
    }
    const std::string_view rest = text.substr(end);
    const std::size_t mark = rest.find_first_not_of(kIniWhitespace);
    const bool whole = mark == std::string_view::npos || (mark > 0 && (rest[mark] == ';' || rest[mark] == '#'));
    if (end > 2 && whole && isWatchedKey(value) && !keyName(value).empty()) code = value;
    return true;
}

// The example every "write it in decimal" gives.
constexpr std::int64_t kExampleKey = 121;

// Values that load but are read otherwise than written. `explained`: the
// keys whose finding here already says what their code comes to.
void valueWarnings(const IniFacts& g, const Settings& loaded, std::size_t stop, std::vector<IniFinding>& out,
                   std::bitset<kKeys>& explained) {
    for (std::size_t i = 0; i < stop && i < kKeys; ++i) {
        const KeySpot& spot = g.keys[i];
        if (!spot.times) continue;
        const SettingEntry& e = kSettingsTable[i];
        const int setting = static_cast<int>(i);
        if (e.kind == SettingKind::Bool) {
            std::string lower = spot.value;
            for (char& c : lower) c = lowerAscii(c);
            if (lower != "true" && lower != "false")
                out.push_back(warningAt(spot.last, setting,
                                        {"check.value.not_a_switch",
                                         {{"name", settingName(i)},
                                          {"value", quotedValue(spot.value)},
                                          {"true", "true"},
                                          {"false", "false"}}}));
            continue;
        }
        if (wholeNumber(spot.value, e.kind)) continue;
        Message m{{}, {{"name", settingName(i)}, {"value", quotedValue(spot.value)}, {"read", valueText(e, loaded)}}};
        // The page names a key by its words, the report by its system name too.
        std::optional<Message> onPage;
        if (e.kind == SettingKind::Integer)
            onPage = Message{{}, {m.args[0], m.args[1], {"read", playerKeyText(loaded.*e.integerField)}}};
        std::int64_t code = -1;
        FindingSeverity severity = FindingSeverity::Warning;
        if (e.kind == SettingKind::Integer && hexKey(spot.value, code)) {
            explained.set(i);
            m.id = code >= 0 ? "check.value.hex_key" : "check.value.hex_key_unknown";
            const std::int64_t shown = code >= 0 ? code : kExampleKey;
            m.args.push_back({"code", std::to_string(shown)});
            onPage->args.push_back(m.args.back());
            m.args.push_back({"key", std::string(keyName(shown))});
            onPage->args.push_back({"key", keyWords(shown)});
        } else if (commentAfterNumber(spot.value, e.kind)) {
            m.id = "check.value.comment";
            severity = FindingSeverity::Note;
        } else {
            m.id = fullWidthNumber(spot.value) ? "check.value.full_width" : "check.value.leading_number";
        }
        if (onPage) onPage->id = m.id;
        out.push_back({severity, setting, spot.last, std::move(m), std::move(onPage)});
    }
}

std::string_view mouseMessage(std::int32_t code) {
    switch (code) {
        case 0x01: return "check.toggle.mouse_left";
        case 0x02: return "check.toggle.mouse_right";
        case 0x04: return "check.toggle.mouse_middle";
        default: return "check.toggle.mouse_numbered";
    }
}

// Toggle keys that can never fire, in the order a pass takes them.
void toggleWarnings(const Settings& loaded, const std::bitset<kKeys>& explained, std::vector<IniFinding>& out) {
    for (std::size_t t = 0; t < std::size(kToggles); ++t) {
        const std::size_t at = settingIndexOf(kToggles[t].key);
        if (explained[at]) continue;
        const int index = static_cast<int>(at);
        const std::string name = settingName(at);
        const std::int32_t code = loaded.*kToggles[t].key;
        const auto warn = [&](Message text) { out.push_back(warningAt(0, index, std::move(text))); };
        // A sentence that names the key: the page's without its system name.
        const auto warnWithKey = [&](std::string_view id, std::vector<MessageArg> args) {
            IniFinding f = warningAt(0, index, {id, args});
            args.push_back({"key", playerKeyText(code)});
            f.text.args.push_back({"key", describeKey(code)});
            f.forPage = Message{id, std::move(args)};
            out.push_back(std::move(f));
        };
        if (!isWatchedKey(code)) {
            warn({"check.toggle.not_watched",
                  {{"name", name}, {"code", std::to_string(code)}, {"first", "0"}, {"last", std::to_string(KEY_TABLE_SIZE - 1)}}});
        } else if (keyName(code).empty()) {
            warn({"check.toggle.no_key", {{"name", name}, {"code", std::to_string(code)}}});
        } else if (!mouseButton(code).empty()) {
            // XBUTTON1 and 2 (codes 5 and 6) are mouse buttons 4 and 5.
            warnWithKey(mouseMessage(code), {{"name", name}, {"number", std::to_string(code - 1)}});
        } else {
            // A pass consumes a release at the first toggle that asks for it,
            // before that toggle's own conditions, so a later one never sees it.
            for (std::size_t j = 0; j < t; ++j) {
                if (loaded.*kToggles[j].key != code) continue;
                const std::string earlier = settingName(settingIndexOf(kToggles[j].key));
                warnWithKey("check.toggle.shared", {{"earlier", earlier}, {"name", name}});
                break;
            }
        }
    }
}

// Speeds, step and bars that load but cannot work as meant.
void rangeWarnings(const IniFacts& g, const Settings& s, std::vector<IniFinding>& out) {
    // `atLine`: the report names the line that gives the value.
    const auto warn = [&](float Settings::*field, Message text, bool atLine = false) {
        const std::size_t index = settingIndexOf(field);
        out.push_back(warningAt(atLine ? g.keys[index].last : 0, static_cast<int>(index), std::move(text)));
    };
    const std::string minName = nameOfField(&Settings::MIN_SCROLL_VAL), maxName = nameOfField(&Settings::MAX_SCROLL_VAL);
    for (const SettingEntry& e : kSettingsTable) {
        if (e.kind != SettingKind::Float) continue;
        const float v = s.*e.floatField;
        if (std::isnan(v))
            warn(e.floatField, {nanMessage(e.floatField), {{"name", std::string(e.name)}, {"max", maxName}}});
        else if (std::isinf(v))
            warn(e.floatField, {"check.range.infinite", {{"name", std::string(e.name)}, {"value", floatText(v)}}});
    }
    if (s.MIN_SCROLL_VAL > s.MAX_SCROLL_VAL)
        warn(&Settings::MIN_SCROLL_VAL, {"check.range.min_above_max",
                                         {{"min_name", minName},
                                          {"min", floatText(s.MIN_SCROLL_VAL)},
                                          {"max_name", maxName},
                                          {"max", floatText(s.MAX_SCROLL_VAL)}}});
    const float initial = s.INITIAL_WALK_SPEED;
    if (!std::isnan(initial) && (initial < s.MIN_SCROLL_VAL || initial > s.MAX_SCROLL_VAL))
        warn(&Settings::INITIAL_WALK_SPEED, {"check.range.initial_outside",
                                             {{"name", nameOfField(&Settings::INITIAL_WALK_SPEED)},
                                              {"value", floatText(initial)},
                                              {"min_name", minName},
                                              {"min", floatText(s.MIN_SCROLL_VAL)},
                                              {"max_name", maxName},
                                              {"max", floatText(s.MAX_SCROLL_VAL)}}});
    const std::string step = nameOfField(&Settings::SCROLL_STEP_SIZE);
    if (s.SCROLL_STEP_SIZE == 0.0f)
        warn(&Settings::SCROLL_STEP_SIZE, {"check.range.step_zero", {{"name", step}, {"value", "0"}}}, true);
    else if (s.SCROLL_STEP_SIZE < 0.0f)
        warn(&Settings::SCROLL_STEP_SIZE,
             {"check.range.step_below_zero", {{"name", step}, {"value", floatText(s.SCROLL_STEP_SIZE)}}}, true);
    if (s.UI_BAR_LENGTH <= 0.0f)
        warn(&Settings::UI_BAR_LENGTH,
             {"check.range.bar_length",
              {{"name", nameOfField(&Settings::UI_BAR_LENGTH)}, {"value", floatText(s.UI_BAR_LENGTH)}}},
             true);
    // The lower row's background, as the bars are drawn, in single precision.
    const float left = s.UI_LEFT_OFFSET, right = s.UI_LEFT_OFFSET + s.UI_BAR_LENGTH;
    const float bottom = 1.0f - s.UI_BOTTOM_OFFSET, top = bottom - kSpeedBarHeight;
    if (!std::isfinite(left) || !std::isfinite(right) || !std::isfinite(top) || !std::isfinite(bottom)) return;
    const bool offLeftRight = std::max(left, right) <= 0.0f || std::min(left, right) >= 1.0f;
    if (offLeftRight || bottom <= 0.0f || top >= 1.0f)
        warn(offLeftRight ? &Settings::UI_LEFT_OFFSET : &Settings::UI_BOTTOM_OFFSET,
             {"check.range.off_screen",
              {{"left_name", nameOfField(&Settings::UI_LEFT_OFFSET)},
               {"left", floatText(s.UI_LEFT_OFFSET)},
               {"bottom_name", nameOfField(&Settings::UI_BOTTOM_OFFSET)},
               {"bottom", floatText(s.UI_BOTTOM_OFFSET)},
               {"x_from", floatText(std::min(left, right))},
               {"x_to", floatText(std::max(left, right))},
               {"y_from", floatText(top)},
               {"y_to", floatText(bottom)}}},
             true);
}

// The plug-in reads one file name only.
void fileNameNote(const std::string& path, std::vector<IniFinding>& out) {
    // The last part of the name, as std::filesystem splits a POSIX path.
    const std::string base = path.substr(path.rfind('/') == std::string::npos ? 0 : path.rfind('/') + 1);
    if (upper(base) != upper(kSettingsFileName))
        out.push_back({FindingSeverity::Note, -1, 0,
                       {"check.file.other_name", {{"expected", std::string(kSettingsFileName)}, {"name", quotedValue(base)}}},
                       {}});
}

Message verdictFor(const IniCheck& c, std::size_t warnings, bool anyFromFile) {
    if (c.status == 2) {
        if (c.stoppedAt >= kKeys) return {"check.verdict.stops_reading_file", {}};
        const std::size_t after = kKeys - c.stoppedAt - 1;
        Message m{after == 0 ? "check.verdict.stops_at_last" : "check.verdict.stops_at",
                  {{"name", settingName(c.stoppedAt)}, {"line", std::to_string(c.lines[c.stoppedAt])}}};
        if (after) m.args.push_back(count("n", static_cast<long long>(after)));
        return m;
    }
    if (warnings == 0) return {anyFromFile ? "check.verdict.clean" : "check.verdict.clean_nothing_read", {}};
    return {anyFromFile ? "check.verdict.warnings" : "check.verdict.warnings_nothing_read",
            {count("n", static_cast<long long>(warnings))}};
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
    // The plug-in's own words for the error, for the command line only.
    const MessageArg runtime{"why", why.empty() ? tr("check.unknown_error") : why};
    const std::size_t stop = load.failedKey;
    if (stop >= kKeys)
        return {FindingSeverity::Stop, -1, 0, {"check.stop.while_reading.runtime", {runtime}},
                Message{"check.stop.while_reading", {}}};
    const KeySpot& spot = g.keys[stop];
    const int setting = static_cast<int>(stop);
    if (!spot.times)  // storage ran out at a key the file does not set
        return {FindingSeverity::Stop, setting, 0, {"check.stop.not_set.runtime", {{"name", settingName(stop)}, runtime}},
                Message{"check.stop.not_set", {{"name", settingName(stop)}}}};
    // Each stop's sentence with the plug-in's words for the error, and without.
    struct StopIds {
        std::string_view runtime, page;
    } ids{"check.stop.fails.runtime", "check.stop.fails"};
    std::vector<MessageArg> args = {
        {"name", settingName(stop)}, {"value", quotedValue(spot.value)}, {"line", std::to_string(spot.last)}};
    switch (load.error) {
        case SettingsLoadError::IntegerOutOfRange:
        case SettingsLoadError::FloatOutOfRange:
            ids = {"check.stop.out_of_range.runtime", "check.stop.out_of_range"};
            break;
        case SettingsLoadError::InvalidInteger:
        case SettingsLoadError::InvalidFloat:
            if (fullWidthNumber(spot.value)) {
                ids = {"check.stop.full_width.runtime", "check.stop.full_width"};
            } else if (load.error == SettingsLoadError::InvalidFloat) {
                ids = {"check.stop.not_a_number.runtime", "check.stop.not_a_number"};
            } else {
                ids = {"check.stop.not_a_whole_number.runtime", "check.stop.not_a_whole_number"};
                args.push_back({"code", std::to_string(kExampleKey)});
                args.push_back({"key", std::string(keyName(kExampleKey))});
            }
            break;
        case SettingsLoadError::OutOfMemory:
        case SettingsLoadError::Other:
        case SettingsLoadError::None: break;
    }
    Message forPage{ids.page, args};
    args.push_back(runtime);
    return {FindingSeverity::Stop, setting, spot.last, {ids.runtime, std::move(args)}, std::move(forPage)};
}

void judgeIni(IniFacts g, const SettingsLoadResult& load, const std::string& name, IniCheck& c) {
    const bool stopped = load.end == SettingsLoadEnd::Stopped;
    c.stoppedAt = stopped ? load.failedKey : kKeys;
    for (std::size_t i = 0; i < kKeys; ++i) {
        c.lines[i] = static_cast<int>(g.keys[i].times ? g.keys[i].last : 0);
        c.texts[i] = g.keys[i].value;
    }

    std::vector<IniFinding>& f = c.findings;
    const std::string settings = settingsSectionHeader();
    const auto more = [&](std::string_view id, std::size_t n) {
        f.push_back(warningAt(0, -1, {id, {count("n", static_cast<long long>(n)), {"section", settings}}}));
    };
    if (stopped) f.push_back(stopFinding(load, g));
    f.insert(f.end(), g.lineFindings.begin(), g.lineFindings.end());
    if (g.misplaced > kMaxShown) more("check.more.misplaced", g.misplaced - kMaxShown);
    if (g.skipped > kMaxShown) more("check.more.skipped", g.skipped - kMaxShown);
    f.insert(f.end(), g.unknownShown.begin(), g.unknownShown.end());
    std::sort(g.unknownHashes.begin(), g.unknownHashes.end());
    const auto distinct = static_cast<std::size_t>(
        std::unique(g.unknownHashes.begin(), g.unknownHashes.end()) - g.unknownHashes.begin());
    if (distinct > kMaxShown) more("check.more.unknown", distinct - kMaxShown);
    if (load.end == SettingsLoadEnd::NoSection)
        f.push_back(warningAt(0, -1, {"check.no_settings_section", {{"section", settings}}}));
    std::bitset<kKeys> explained;
    valueWarnings(g, c.loaded, c.stoppedAt, f, explained);
    toggleWarnings(c.loaded, explained, f);
    rangeWarnings(g, c.loaded, f);
    fileNameNote(name, f);

    const auto warnings = static_cast<std::size_t>(std::count_if(
        f.begin(), f.end(), [](const IniFinding& x) { return x.severity == FindingSeverity::Warning; }));
    bool anyFromFile = false;
    for (std::size_t i = 0; i < std::min(c.stoppedAt, kKeys); ++i) anyFromFile = anyFromFile || c.lines[i] != 0;
    c.status = stopped ? 2 : warnings ? 1 : 0;
    c.verdict = verdictFor(c, warnings, anyFromFile);
}
