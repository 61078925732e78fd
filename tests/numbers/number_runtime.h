// The row's result columns as this C runtime gives them, called the way the
// plug-in called it before it had its own parses: strtol and strtof after
// errno = 0, tolower per byte, snprintf "%.2f" of the float widened.
#pragma once

#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tests/numbers/number_table.h"

namespace numtable {

inline std::string runtimeResult(const Row& row) {
    const std::string& kind = row.tokens[0];
    const std::string& input = row.tokens[1];
    char out[96];
    if (kind == "int") {
        const char* begin = input.c_str();
        char* end = nullptr;
        errno = 0;
        const long value = std::strtol(begin, &end, 10);
        const long used = static_cast<long>(end - begin);
        const char* status = used == 0 ? "invalid" : errno == ERANGE ? "range" : "ok";
        if (sizeof(long) > 4 && used && (value < INT32_MIN || value > INT32_MAX)) status = "range";
        std::snprintf(out, sizeof out, "%s %ld %ld", status, value, used);
    } else if (kind == "float") {
        const char* begin = input.c_str();
        char* end = nullptr;
        errno = 0;
        const float value = std::strtof(begin, &end);
        const int error = errno;
        const long used = static_cast<long>(end - begin);
        std::uint32_t bits;
        std::memcpy(&bits, &value, 4);
        std::snprintf(out, sizeof out, "%s %08X %ld", used == 0 ? "invalid" : error == ERANGE ? "range" : "ok",
                      static_cast<unsigned>(bits), used);
    } else if (kind == "bool") {
        std::string lowered = input;
        for (char& c : lowered) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return lowered == "true" ? "true" : "false";
    } else if (kind == "lower") {
        std::snprintf(out, sizeof out, "%02X", std::tolower(static_cast<int>(parseHex(input))) & 0xFF);
    } else if (kind == "label") {
        const std::uint32_t bits = static_cast<std::uint32_t>(parseHex(input));
        float value;
        std::memcpy(&value, &bits, 4);
        char label[64];
        std::snprintf(label, sizeof label, "%.2f", static_cast<double>(value));
        return quote(label);
    } else {
        return "";
    }
    return out;
}

}  // namespace numtable
