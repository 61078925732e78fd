#include "tools/lib/quick_edit.h"

#include "config/ini.h"
#include "config/settings.h"
#include "tools/lib/ini_edit.h"

namespace {

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

// Whether the letters s-e-t-t-i-n-g-s, in any case, stand in `line` with
// nothing but dropped bytes (CR, NUL) between them.
bool mentionsSettings(std::string_view line) {
    static constexpr std::string_view word = "settings";
    std::size_t matched = 0;
    for (const char c : line) {
        if (c == '\r' || c == '\0') continue;
        const char lower = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        if (lower == word[matched]) {
            if (++matched == word.size()) return true;
        } else {
            matched = lower == word[0] ? 1 : 0;
        }
    }
    return false;
}

}  // namespace

std::size_t settingsPartEnd(std::string_view bytes) {
    const std::string settings = normaliseIniName(kSettingsSectionName);
    std::size_t end = bytes.size();   // the first other header after the last [SETTINGS]
    bool seenSettings = false;
    std::size_t crlfBefore = 0, lfBefore = 0, crlf = 0, lf = 0;
    std::size_t start = bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
    while (start <= bytes.size()) {
        std::size_t stop = bytes.find('\n', start);
        if (stop == std::string_view::npos) stop = bytes.size();
        // Only a line whose first byte the reader keeps is "[" can be a header.
        std::size_t i = start;
        while (i < stop && (isSpace(bytes[i]) || bytes[i] == '\0')) ++i;
        // Once the part's end is known, only a later [SETTINGS] matters; a
        // header without the word cannot be one.
        if (i < stop && bytes[i] == '[' && (end == bytes.size() || mentionsSettings(bytes.substr(i, stop - i)))) {
            std::string line;
            line.reserve(stop - start);
            for (std::size_t j = start; j < stop; ++j)
                if (bytes[j] != '\r' && bytes[j] != '\0') line.push_back(bytes[j]);
            IniKeyValue kv;
            if (parseIniLine(std::move(line), kv) == IniLineKind::SectionHeader) {
                if (normaliseIniName(kv.key) == settings) {
                    seenSettings = true;
                    end = bytes.size();
                } else if (seenSettings && end == bytes.size()) {
                    end = start;
                    crlfBefore = crlf;
                    lfBefore = lf;
                }
            }
        }
        if (stop == bytes.size()) break;
        ++(stop > 0 && bytes[stop - 1] == '\r' ? crlf : lf);
        start = stop + 1;
    }
    // A key added to [SETTINGS] takes the file's line end style.
    if (end < bytes.size() && (lfBefore > crlfBefore) != (lf > crlf)) return bytes.size();
    return seenSettings ? end : bytes.size();
}

std::string setSettingValueQuick(std::string_view bytes, std::size_t key, std::string_view value) {
    const std::size_t end = settingsPartEnd(bytes);
    if (end == bytes.size()) return setSettingValue(bytes, key, value);
    std::string out = setSettingValue(bytes.substr(0, end), key, value);
    out.append(bytes.substr(end));
    return out;
}
