#include "config/ini_walk.h"

namespace {

// The file offset of byte `at` of the line's text, past the bytes dropped before it.
std::size_t fileOffset(const IniWalkLine& line, const std::vector<std::size_t>& dropped, std::size_t at) {
    std::size_t offset = line.begin + at;
    for (const std::size_t d : dropped) {
        if (d > offset)
            break;
        ++offset;
    }
    return offset;
}

}  // namespace

void walkIniText(std::string_view bytes, const std::function<void(const IniWalkLine&)>& visit) {
    if (bytes.empty())
        return;
    IniWalkLine line;
    std::vector<std::size_t> dropped;
    std::size_t start = startsWithByteOrderMark(bytes) ? 3 : 0;
    for (;;) {
        line.text.clear();
        line.breaks.clear();
        dropped.clear();
        const std::size_t lf = readIniLineAt(bytes, start, line.text, &dropped);
        ++line.number;
        line.begin = start;
        line.end = lf == std::string_view::npos ? bytes.size() : lf;
        // A carriage return before the line's end joins nothing.
        for (std::size_t i = 0; i < dropped.size(); ++i) {
            if (bytes[dropped[i]] == '\r' && dropped[i] - start - i < line.text.size())
                line.breaks.push_back(dropped[i] - start - i);
        }
        std::size_t valueAt;  // set for a key/value line, the only one that reads it
        line.kind = parseIniLineAt(line.text, line.parsed, valueAt);
        const std::size_t first = line.text.find_first_not_of(kIniWhitespace);
        line.opensHeader = line.kind != IniLineKind::SectionHeader && first != std::string::npos &&
                           line.text[first] == '[';
        line.headerCut = line.opensHeader && line.text.find(';', first) != std::string::npos;
        line.name = line.kind == IniLineKind::SectionHeader || line.kind == IniLineKind::KeyValue
                        ? normaliseIniName(line.parsed.key)
                        : std::string();
        if (line.kind == IniLineKind::SectionHeader) {
            line.inSection = true;
            line.section = line.name;
        }
        if (line.kind == IniLineKind::KeyValue) {
            if (line.parsed.value.empty()) {
                // After the "=" itself: the blanks that follow stay before a new value.
                std::size_t at = fileOffset(line, dropped, valueAt - 1) + 1;
                while (at < line.end && (bytes[at] == ' ' || bytes[at] == '\t'))
                    ++at;
                line.valueFirst = line.valueLast = at;
            } else {
                line.valueFirst = fileOffset(line, dropped, valueAt);
                line.valueLast = fileOffset(line, dropped, valueAt + line.parsed.value.size() - 1) + 1;
            }
        }
        visit(line);
        if (lf == std::string_view::npos)
            return;
        start = lf + 1;
    }
}

std::size_t iniSectionPartEnd(std::string_view bytes, std::string_view section) {
    const std::string wanted = normaliseIniName(section);
    std::size_t end = bytes.size();
    bool seen = false;
    IniKeyValue header;
    std::size_t start = startsWithByteOrderMark(bytes) ? 3 : 0;
    for (;;) {
        // Only a line whose first byte kept past the blanks is "[" can be a
        // header: the others are passed over without being copied.
        std::size_t first = start;
        while (first < bytes.size() && bytes[first] != '\n' &&
               (bytes[first] == '\0' || kIniWhitespace.find(bytes[first]) != std::string_view::npos))
            ++first;
        const std::size_t lf = bytes.find('\n', first);
        if (first < bytes.size() && bytes[first] == '[') {
            std::string text;
            readIniLineAt(bytes, start, text);
            if (parseIniLine(std::move(text), header) == IniLineKind::SectionHeader) {
                if (normaliseIniName(header.key) == wanted) {
                    seen = true;
                    end = bytes.size();
                } else if (seen && end == bytes.size()) {
                    end = start;
                }
            }
        }
        if (lf == std::string_view::npos)
            return end;
        start = lf + 1;
    }
}
