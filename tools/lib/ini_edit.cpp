#include "tools/lib/ini_edit.h"

#include <cmath>
#include <optional>
#include <vector>

#include "config/ini.h"
#include "config/numbers.h"
#include "tools/lib/float_text.h"
#include "tools/lib/keynames.h"

namespace {

constexpr std::string_view kWhitespace{" \t\n\r\f\v", 6};
bool isSpace(char c) { return kWhitespace.find(c) != std::string_view::npos; }

std::string trimmed(std::string_view text) {
    std::string s(text);
    trimWhitespace(s);
    return s;
}

// One line as the reader sees it (CR and zero bytes dropped), with each kept
// byte's offset in the file, so positions found in it land on the file.
struct ReadLine {
    std::size_t begin = 0, end = 0;  // the line in the file, without its LF
    std::string text;
    std::vector<std::size_t> at;
};

std::vector<ReadLine> readLines(std::string_view bytes) {
    // Files of three bytes or more are tested for the mark, as the reader does.
    std::size_t start = bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
    std::vector<ReadLine> lines;
    for (;;) {
        ReadLine line;
        line.begin = start;
        const std::size_t lf = bytes.find('\n', start);
        line.end = lf == std::string_view::npos ? bytes.size() : lf;
        for (std::size_t i = line.begin; i < line.end; ++i) {
            if (bytes[i] == '\r' || bytes[i] == '\0') continue;
            line.text.push_back(bytes[i]);
            line.at.push_back(i);
        }
        lines.push_back(std::move(line));
        if (lf == std::string_view::npos) return lines;
        start = lf + 1;
    }
}

// Where the file's bytes hold the value of a key/value line: [first, last)
// in the file, empty (first == last) just after the "=" and its blanks.
struct ValueSpan {
    std::size_t first = 0, last = 0;
};

ValueSpan valueSpan(std::string_view bytes, const ReadLine& line) {
    const std::string& t = line.text;
    std::size_t from = 0, to = t.size();
    while (from < to && isSpace(t[from])) ++from;
    while (to > from && isSpace(t[to - 1])) --to;
    // A line that opens like a header is cut at its first ";" before the "=" search.
    if (from < to && t[from] == '[') {
        const std::size_t semicolon = t.find(';', from);
        if (semicolon < to) to = semicolon;
        while (to > from && isSpace(t[to - 1])) --to;
    }
    std::size_t equals = from;
    for (; equals < to; ++equals) {
        if (t[equals] == '\\' && equals + 1 < to && t[equals + 1] == '=') ++equals;
        else if (t[equals] == '=') break;
    }
    std::size_t v = equals + 1;
    while (v < to && isSpace(t[v])) ++v;
    if (v < to) return {line.at[v], line.at[to - 1] + 1};
    std::size_t after = line.at[equals] + 1;
    while (after < line.end && (bytes[after] == ' ' || bytes[after] == '\t')) ++after;
    return {after, after};
}

std::string_view lineEndStyle(std::string_view bytes) {
    std::size_t crlf = 0, lf = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\n') continue;
        if (i > 0 && bytes[i - 1] == '\r') ++crlf;
        else ++lf;
    }
    return lf > crlf ? "\n" : "\r\n";
}

bool wholeInteger(std::string_view t) {
    std::size_t i = t.empty() ? 0 : (t[0] == '+' || t[0] == '-');
    if (i == t.size()) return false;
    for (; i < t.size(); ++i)
        if (t[i] < '0' || t[i] > '9') return false;
    return true;
}

std::string quoted(std::string_view t) {
    std::string s(t.substr(0, 40));
    for (char& c : s)
        if (static_cast<unsigned char>(c) < 0x20) c = '?';
    return "\"" + s + (t.size() > 40 ? "...\"" : "\"");
}

}  // namespace

std::string floatValueText(float value) {
    const std::string sign = std::signbit(value) ? "-" : "";
    if (std::isnan(value)) return sign + "nan";
    if (std::isinf(value)) return sign + "inf";
    std::string text = shortestFloatText(value, parseIniFloat);
    if (text.empty()) throw EditError(shortestFloatText(value, strtofParse) + " cannot be written so that the plug-in reads it");
    return text;
}

std::string fieldValueText(const SettingEntry& entry, std::string_view typed) {
    std::string t = trimmed(typed);
    if (t.empty()) throw EditError("the field is empty: an empty value stops the load");
    switch (entry.kind) {
        case SettingKind::Integer:
            if (wholeInteger(t)) {
                try {
                    return std::to_string(parseIniInt(t));
                } catch (const std::out_of_range&) {
                    throw EditError(quoted(t) + " is beyond -2147483648 to 2147483647, which would stop the load here");
                }
            }
            if (const std::optional<std::uint32_t> code = parseKey(t)) return std::to_string(*code);
            throw EditError(quoted(t) + " is neither a key name nor a whole number");
        case SettingKind::Float: {
            // The complaint "2,5 is read as 2" is about a decimal comma: take it as meant.
            if (t.find(',') != std::string::npos && t.find('.') == std::string::npos &&
                t.find(',') == t.rfind(','))
                t[t.find(',')] = '.';
            // Whole, as the plug-in's own parse reads it: nothing left over.
            if (parseFloat32(t).used != t.size()) throw EditError(quoted(typed) + " is not a number");
            try {
                return floatValueText(parseIniFloat(t));
            } catch (const std::out_of_range&) {
                throw EditError(quoted(t) + " is beyond the plug-in's float range, which would stop the load here");
            } catch (const std::invalid_argument&) {
                throw EditError(quoted(typed) + " is not a number");
            }
        }
        case SettingKind::Bool: {
            std::string lower = t;
            for (char& c : lower) c = lowerAscii(c);
            if (lower == "true" || lower == "false") return lower;
            throw EditError(quoted(t) + " is neither true nor false");
        }
    }
    throw EditError("unknown setting");
}

std::string settingValueText(const SettingEntry& entry, const Settings& values) {
    switch (entry.kind) {
        case SettingKind::Integer: return std::to_string(values.*entry.integerField);
        case SettingKind::Float: return floatValueText(values.*entry.floatField);
        case SettingKind::Bool: return values.*entry.boolField ? "true" : "false";
    }
    return {};
}

std::string setSettingValue(std::string_view bytes, std::size_t key, std::string_view value) {
    if (key >= kSettingsTable.size()) throw EditError("unknown setting");
    const SettingEntry& entry = kSettingsTable[key];
    if (value.empty() || trimmed(value) != value || value.find_first_of(std::string_view("\n\r\0", 3)) != value.npos)
        throw EditError(quoted(value) + " cannot stand as a value");

    const std::string section = normaliseIniName(kSettingsSectionName);
    const std::string name = normaliseIniName(entry.name);
    const std::vector<ReadLine> lines = readLines(bytes);
    std::optional<std::size_t> current;  // the line that gives the value
    std::optional<std::size_t> anchor;   // the last header or key line of [SETTINGS]
    bool inSettings = false;
    IniKeyValue kv;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        switch (parseIniLine(lines[i].text, kv)) {
            case IniLineKind::SectionHeader:
                inSettings = normaliseIniName(kv.key) == section;
                if (inSettings) anchor = i;
                break;
            case IniLineKind::KeyValue:
                if (!inSettings) break;
                anchor = i;
                if (normaliseIniName(kv.key) == name) current = i;
                break;
            default: break;
        }
    }

    std::string out(bytes);
    const std::string eol(lineEndStyle(bytes));
    const std::string line = std::string(entry.name) + "=" + std::string(value);
    if (current) {
        const ValueSpan span = valueSpan(bytes, lines[*current]);
        out.replace(span.first, span.last - span.first, value);
    } else if (anchor) {
        std::size_t at = lines[*anchor].end;
        if (at > lines[*anchor].begin && bytes[at - 1] == '\r') --at;
        out.insert(at, eol + line);
    } else {
        if (!out.empty() && out.back() != '\n') out += eol;
        out += "[" + std::string(kSettingsSectionName) + "]" + eol + line + eol;
    }

    // The plug-in must now read exactly this value for the key.
    IniDocument doc;
    loadIniText(out, doc);
    if (doc.getSection(kSettingsSectionName).getValue(entry.name) != value)
        throw EditError("the plug-in would not read " + quoted(value) + " for " + std::string(entry.name) +
                        " from the edited file, so it was left as it was");
    return out;
}

std::string defaultsText() {
    std::string text;
    const Settings defaults;
    for (std::size_t i = 0; i < kSettingsTable.size(); ++i)
        text = setSettingValue(text, i, settingValueText(kSettingsTable[i], defaults));
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
        else if (c < 0x20 && !isSpace(static_cast<char>(c))) ++controls;
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
