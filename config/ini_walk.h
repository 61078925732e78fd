// The lines of a settings file as the plug-in reads them, with what the tools
// need beside: each line's number, the section it is in and where its value
// lies in the file. Built from the reader's own splitter and line parser; the
// plug-in itself does not use it.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "config/ini.h"

struct IniWalkLine {
    std::size_t number = 0;          // 1-based
    std::size_t begin = 0, end = 0;  // the line's bytes in the file, without its LF
    std::string text;                // as the reader sees it: no CR, no zero bytes
    std::vector<std::size_t> breaks; // positions in `text` where a CR was dropped before more of the line
    IniLineKind kind = IniLineKind::Blank;
    IniKeyValue parsed;              // as parseIniLine fills it
    bool opensHeader = false;        // opens with "[" but is no header (no "]" before any ";")
    bool headerCut = false;          // opensHeader, and a ";" ended it before any "]"
    std::string name;                // the normalised key, or a header's section name
    bool inSection = false;          // false before the first header
    std::string section;             // the normalised section the line is in (a header: its own)
    // A key/value line's value in the file, [valueFirst, valueLast); when
    // empty, the place a value goes: after the "=" and the blanks after it.
    std::size_t valueFirst = 0, valueLast = 0;
};

// Calls `visit` for every line of a file's bytes, in order, as the plug-in
// reads them (an empty file has none).
void walkIniText(std::string_view bytes, const std::function<void(const IniWalkLine&)>& visit);

// Where the lines an edit of `section` may touch end: the start of the first
// header of another section after the last header of `section`, or
// bytes.size() when there is none or `section` has no header.
std::size_t iniSectionPartEnd(std::string_view bytes, std::string_view section);
