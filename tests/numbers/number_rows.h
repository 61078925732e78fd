// Runs the rows of the number table through the locale-independent parses
// and the label formatter; shared by the native and the Windows test.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "config/numbers.h"
#include "hud/label_format.h"
#include "tests/numbers/number_table.h"

namespace numtable {

inline const char* statusName(NumberStatus s) {
    return s == NumberStatus::Ok ? "ok" : s == NumberStatus::Invalid ? "invalid" : "range";
}

inline std::uint32_t bitsOf(float f) {
    std::uint32_t b;
    std::memcpy(&b, &f, 4);
    return b;
}

// The row's result columns as the new functions give them, in the table's
// spelling; "" for a row of unknown kind.
inline std::string ours(const Row& row) {
    const std::string& kind = row.tokens[0];
    const std::string& input = row.tokens[1];
    char out[96];
    if (kind == "int") {
        const Int32Parse r = parseInt32(input);
        std::snprintf(out, sizeof out, "%s %ld %lu", statusName(r.status), static_cast<long>(r.value),
                      static_cast<unsigned long>(r.used));
    } else if (kind == "float") {
        const FloatParse r = parseFloat32(input);
        std::snprintf(out, sizeof out, "%s %08X %lu", statusName(r.status), static_cast<unsigned>(bitsOf(r.value)),
                      static_cast<unsigned long>(r.used));
    } else if (kind == "bool") {
        return parseBool(input) ? "true" : "false";
    } else if (kind == "lower") {
        std::snprintf(out, sizeof out, "%02X", static_cast<unsigned char>(lowerAscii(static_cast<char>(parseHex(input)))));
    } else if (kind == "label") {
        float v;
        const std::uint32_t b = static_cast<std::uint32_t>(parseHex(input));
        std::memcpy(&v, &b, 4);
        char label[64];
        formatSpeedLabel(label, sizeof label, v);
        return quote(label);
    } else {
        return "";
    }
    return out;
}

// Result columns joined by single blanks.
inline std::string joined(const std::string& kind, const std::vector<std::string>& columns, std::size_t from) {
    std::string out;
    for (std::size_t k = from; k < columns.size(); ++k) {
        if (k > from) out += ' ';
        out += kind == "label" ? quote(columns[k]) : columns[k];
    }
    return out;
}

// The row's expected result columns: the plug-in's in every build.
inline std::string expected(const Row& row) { return joined(row.tokens[0], row.tokens, 2); }

// What this build's C runtime gives for the row, as the table says.
inline std::string expectedOfRuntime(const Row& row) {
    return kRuntimeIsMingw12 && !row.mingw12.empty() ? joined(row.tokens[0], row.mingw12, 0) : expected(row);
}

}  // namespace numtable
