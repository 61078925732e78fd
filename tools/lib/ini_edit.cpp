#include "tools/lib/ini_edit.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <optional>

#include "config/ini.h"
#include "config/ini_walk.h"
#include "config/numbers.h"
#include "tools/lib/float_text.h"
#include "tools/lib/keynames.h"
#include "tools/lib/messages.h"

namespace {

std::string trimmed(std::string_view text) {
    std::string s(text);
    trimWhitespace(s);
    return s;
}

EditResult refused(std::string_view id, std::initializer_list<MessageArg> args = {}) { return {{}, Message{id, args}}; }

bool pluginFloatParse(const std::string& text, float& out) {
    return parseIniFloat(text, out) == SettingsLoadError::None;
}

}  // namespace

std::string_view lineEndStyle(std::string_view bytes) {
    std::size_t crlf = 0, lf = 0;
    for (std::size_t i = bytes.find('\n'); i != std::string_view::npos; i = bytes.find('\n', i + 1)) {
        if (i > 0 && bytes[i - 1] == '\r') ++crlf;
        else ++lf;
    }
    return lf > crlf ? "\n" : "\r\n";
}

namespace {

constexpr std::size_t kShownBytes = 40;

// The code point of the UTF-8 sequence at text[i] and its length; 0 for a
// byte that starts none (cut short, overlong, a surrogate, beyond U+10FFFF).
std::size_t utf8At(std::string_view text, std::size_t i, char32_t& cp) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    cp = lead;
    if (lead < 0x80) return 1;
    // The sequence's length, the lead's bits, and the least code point it may carry.
    std::size_t n = 0;
    char32_t least = 0;
    if ((lead & 0xE0) == 0xC0) {
        n = 2, cp = lead & 0x1Fu, least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        n = 3, cp = lead & 0x0Fu, least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        n = 4, cp = lead & 0x07u, least = 0x10000;
    } else {
        return 0;
    }
    if (i + n > text.size()) return 0;
    for (std::size_t k = 1; k < n; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
        cp = cp << 6 | (byte(i + k) & 0x3Fu);
    }
    if (cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return n;
}

// Characters that do not show as themselves: controls, and the invisible
// ones that hide or reorder the text around them.
bool showable(char32_t cp) {
    return cp >= 0x20 && !(cp >= 0x7F && cp < 0xA0) && cp != 0xAD && !(cp >= 0x200B && cp <= 0x200F) &&
           !(cp >= 0x2028 && cp <= 0x202E) && !(cp >= 0x2060 && cp <= 0x2069) && cp != 0xFEFF;
}

// The first kShownBytes bytes of `text` at most, whole characters only, with
// each byte of what cannot be shown as \xNN; `cut` when more follows.
std::string shownPart(std::string_view text, bool& cut) {
    std::string out;
    std::size_t i = 0;
    while (i < text.size()) {
        char32_t cp = 0;
        const std::size_t n = utf8At(text, i, cp);
        const std::size_t take = n ? n : 1;
        if (i + take > kShownBytes) break;
        if (n && showable(cp)) {
            out.append(text.substr(i, n));
        } else {
            for (std::size_t k = i; k < i + take; ++k) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\x%02X", static_cast<unsigned char>(text[k]));
                out += buf;
            }
        }
        i += take;
    }
    cut = i < text.size();
    return out;
}

std::string marked(std::string shown, bool cut) {
    return cut ? tr("check.text_shortened", {{"text", std::move(shown)}}) : shown;
}

}  // namespace

std::string settingsSectionHeader() { return "[" + std::string(kSettingsSectionName) + "]"; }

std::string quotedValue(std::string_view text) {
    bool cut = false;
    std::string shown = "\"" + shownPart(text, cut) + "\"";
    return marked(std::move(shown), cut);
}

std::string shownText(std::string_view text) {
    bool cut = false;
    std::string shown = shownPart(text, cut);
    return marked(std::move(shown), cut);
}

bool wholeNumber(std::string_view text, SettingKind kind) {
    const std::size_t used = kind == SettingKind::Integer ? parseInt32(text).used : parseFloat32(text).used;
    return !text.empty() && used == text.size();
}

EditResult floatValueText(float value) {
    const std::string sign = std::signbit(value) ? "-" : "";
    if (std::isnan(value)) return {sign + "nan", {}};
    if (std::isinf(value)) return {sign + "inf", {}};
    std::string text = shortestFloatText(value, pluginFloatParse);
    if (text.empty()) return refused("edit.unwritable_float", {{"value", shortestFloatText(value, strtofParse)}});
    return {std::move(text), {}};
}

std::string typedNumberText(std::string_view typed) {
    std::string t = trimmed(typed);
    // The complaint "2,5 is read as 2" is about a decimal comma: take it as meant.
    if (t.find(',') != std::string::npos && t.find('.') == std::string::npos && t.find(',') == t.rfind(','))
        t[t.find(',')] = '.';
    return t;
}

std::optional<float> typedNumber(std::string_view typed) {
    const std::string t = typedNumberText(typed);
    float value = 0.0f;
    if (!wholeNumber(t, SettingKind::Float) || parseIniFloat(t, value) != SettingsLoadError::None || !std::isfinite(value))
        return std::nullopt;
    return value;
}

EditResult fieldValueText(const SettingEntry& entry, std::string_view typed) {
    std::string t = trimmed(typed);
    if (t.empty()) return refused("edit.empty");
    switch (entry.kind) {
        case SettingKind::Integer:
            if (wholeNumber(t, SettingKind::Integer)) {
                std::int32_t code = 0;
                using Int32 = std::numeric_limits<std::int32_t>;
                if (parseIniInt(t, code) != SettingsLoadError::None)
                    return refused("edit.integer_range", {{"value", quotedValue(t)},
                                                          {"min", std::to_string(Int32::min())},
                                                          {"max", std::to_string(Int32::max())}});
                return {std::to_string(code), {}};
            }
            if (const std::optional<std::uint32_t> code = parseKey(t)) return {std::to_string(*code), {}};
            return refused("edit.not_a_key", {{"value", quotedValue(t)}});
        case SettingKind::Float: {
            t = typedNumberText(t);
            // Whole, as the plug-in's own parse reads it: nothing left over.
            if (!wholeNumber(t, SettingKind::Float)) return refused("edit.not_a_number", {{"value", quotedValue(typed)}});
            float value = 0.0f;
            switch (parseIniFloat(t, value)) {
                case SettingsLoadError::None: return floatValueText(value);
                case SettingsLoadError::FloatOutOfRange:
                    return refused("edit.float_range", {{"value", quotedValue(t)}});
                default: return refused("edit.not_a_number", {{"value", quotedValue(typed)}});
            }
        }
        case SettingKind::Bool: {
            std::string lower = t;
            for (char& c : lower) c = lowerAscii(c);
            if (lower == "true" || lower == "false") return {lower, {}};
            return refused("edit.not_a_switch", {{"value", quotedValue(t)}, {"on", "true"}, {"off", "false"}});
        }
    }
    return refused("edit.unknown_setting");
}

EditResult settingValueText(const SettingEntry& entry, const Settings& values) {
    switch (entry.kind) {
        case SettingKind::Integer: return {std::to_string(values.*entry.integerField), {}};
        case SettingKind::Float: return floatValueText(values.*entry.floatField);
        case SettingKind::Bool: return {values.*entry.boolField ? "true" : "false", {}};
    }
    return {};
}

EditResult setSettingValue(std::string_view bytes, std::size_t key, std::string_view value) {
    if (key >= kSettingsTable.size()) return refused("edit.unknown_setting");
    const SettingEntry& entry = kSettingsTable[key];
    if (value.empty() || trimmed(value) != value || value.find_first_of(std::string_view("\n\r\0", 3)) != value.npos)
        return refused("edit.not_a_value", {{"value", quotedValue(value)}});

    const std::string section = normaliseIniName(kSettingsSectionName);
    const std::string name = normaliseIniName(entry.name);
    struct Spot {
        std::size_t begin = 0, end = 0, valueFirst = 0, valueLast = 0;
    };
    std::optional<Spot> current;  // the line that gives the value
    std::optional<Spot> anchor;   // the last header or key line of [SETTINGS]
    walkIniText(bytes, [&](const IniWalkLine& line) {
        if (!line.inSection || line.section != section) return;
        const Spot spot{line.begin, line.end, line.valueFirst, line.valueLast};
        if (line.kind == IniLineKind::SectionHeader) anchor = spot;
        if (line.kind != IniLineKind::KeyValue) return;
        anchor = spot;
        if (line.name == name) current = spot;
    });

    std::string out(bytes);
    const std::string eol(lineEndStyle(bytes));
    const std::string line = std::string(entry.name) + "=" + std::string(value);
    if (current) {
        out.replace(current->valueFirst, current->valueLast - current->valueFirst, value);
    } else if (anchor) {
        std::size_t at = anchor->end;
        if (at > anchor->begin && bytes[at - 1] == '\r') --at;
        out.insert(at, eol + line);
    } else {
        if (!out.empty() && out.back() != '\n') out += eol;
        out += settingsSectionHeader() + eol + line + eol;
    }

    // The plug-in must now read exactly this value for the key.
    IniDocument doc;
    loadIniText(out, doc);
    if (doc.getSection(kSettingsSectionName).getValue(entry.name) != value)
        return refused("edit.not_read_back", {{"value", quotedValue(value)}, {"name", std::string(entry.name)}});
    return {std::move(out), {}};
}

std::string defaultsText() {
    std::string text;
    const Settings defaults;
    for (std::size_t i = 0; i < kSettingsTable.size(); ++i)
        text = setSettingValue(text, i, settingValueText(kSettingsTable[i], defaults).text).text;
    return text;
}

FileLook lookAtBytes(std::string_view bytes) {
    FileLook look;
    if (bytes.empty()) {
        look.kind = FileKind::Empty;
        return look;
    }
    std::size_t controls = 0, zeroEven = 0, zeroOdd = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c == 0) ++(i % 2 ? zeroOdd : zeroEven);
        else if (c < 0x20 && kIniWhitespace.find(static_cast<char>(c)) == std::string_view::npos) ++controls;
    }
    look.zeroBytes = zeroEven + zeroOdd;
    // UTF-16 of a settings file is mostly ASCII: a mark, or a zero in every
    // other byte. Text has few control bytes; anything else is binary.
    const std::size_t pairs = bytes.size() / 2;
    if (bytes.substr(0, 2) == "\xFF\xFE" || (pairs >= 2 && zeroOdd * 2 >= pairs && zeroEven * 20 < pairs))
        look.kind = FileKind::Utf16LittleEndian;
    else if (bytes.substr(0, 2) == "\xFE\xFF" || (pairs >= 2 && zeroEven * 2 >= pairs && zeroOdd * 20 < pairs))
        look.kind = FileKind::Utf16BigEndian;
    else if (controls * 20 > bytes.size() || look.zeroBytes * 10 > bytes.size())
        look.kind = FileKind::Binary;
    return look;
}
