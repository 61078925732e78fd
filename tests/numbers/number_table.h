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
};

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
        rows.push_back(std::move(row));
    }
    return rows;
}

inline unsigned long parseHex(const std::string& text) { return std::stoul(text, nullptr, 16); }

}  // namespace numtable
