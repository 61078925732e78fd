// Reader and writer of tests/data/number_reference.txt, shared by the native
// test, the Windows test and the Windows probe that produced the table.
//
// One row per line, tokens separated by blanks; '#' starts a comment line.
// A quoted token holds bytes 0x20..0x7E except '"' and '\' as they are and
// every other byte as \xHH.
//   int   "<text>"  ok|invalid|range  <int32 value>  <bytes used>
//   float "<text>"  ok|invalid|range  <float bits, 8 hex>  <bytes used>
//   bool  "<text>"  true|false
//   lower <byte, 2 hex>  <lower-cased byte, 2 hex>
//   label <float bits, 8 hex>  "<%.2f text>"
// A float row may end with "mingw12:" and the three result columns again:
// what the strtof of MinGW-w64 12 gives where it differs from 10's.
#pragma once

#include <cstdio>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace numtable {

struct Row {
    int line = 0;
    std::vector<std::string> tokens;  // tokens[0] is the kind
    std::vector<std::string> mingw12;  // MinGW-w64 12's result columns, where they differ
};

// MinGW-w64 12 took netlib's gdtoa of January 2023 for its strtof (10 has
// the one of September 2010): NaN payloads and a few hexadecimal roundings
// read otherwise. The plug-in's own parses give the main columns in every build.
#if defined(__MINGW64_VERSION_MAJOR) && __MINGW64_VERSION_MAJOR >= 12
inline constexpr bool kRuntimeIsMingw12 = true;
#else
inline constexpr bool kRuntimeIsMingw12 = false;
#endif
inline constexpr const char* kMingw12Mark = "mingw12:";

inline int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

inline std::string quote(std::string_view bytes) {
    std::string out = "\"";
    for (unsigned char c : bytes) {
        if (c >= 0x20 && c <= 0x7E && c != '"' && c != '\\') {
            out += static_cast<char>(c);
        } else {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\x%02X", c);
            out += esc;
        }
    }
    return out + "\"";
}

// Splits one line; false on a malformed quoted token.
inline bool tokenize(const std::string& line, std::vector<std::string>& out) {
    out.clear();
    std::size_t i = 0;
    while (i < line.size()) {
        if (line[i] == ' ' || line[i] == '\t' || line[i] == '\r') { ++i; continue; }
        std::string token;
        if (line[i] == '"') {
            ++i;
            while (i < line.size() && line[i] != '"') {
                if (line[i] == '\\') {
                    if (i + 3 >= line.size() || line[i + 1] != 'x') return false;
                    const int hi = hexDigit(line[i + 2]), lo = hexDigit(line[i + 3]);
                    if (hi < 0 || lo < 0) return false;
                    token += static_cast<char>(hi * 16 + lo);
                    i += 4;
                } else {
                    token += line[i++];
                }
            }
            if (i >= line.size()) return false;
            ++i;
        } else {
            while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') token += line[i++];
        }
        out.push_back(token);
    }
    return true;
}

// Moves the columns after the "mingw12:" mark out of the row's tokens.
inline void splitMingw12(Row& row) {
    for (std::size_t i = 0; i < row.tokens.size(); ++i) {
        if (row.tokens[i] != kMingw12Mark) continue;
        row.mingw12.assign(row.tokens.begin() + static_cast<std::ptrdiff_t>(i) + 1, row.tokens.end());
        row.tokens.resize(i);
        return;
    }
}

// Every row of the file; a malformed line becomes a row with no tokens.
inline std::vector<Row> read(const std::string& path) {
    std::vector<Row> rows;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == '#') continue;
        Row row;
        row.line = number;
        if (!tokenize(line, row.tokens)) row.tokens.clear();
        splitMingw12(row);
        rows.push_back(std::move(row));
    }
    return rows;
}

inline unsigned long parseHex(const std::string& text) { return std::stoul(text, nullptr, 16); }

}  // namespace numtable
