// What this C runtime itself does with the rows of the number table: reads
// the table and writes it back with every result taken from the runtime,
// called the way the plug-in used to call it. Comment lines pass through.
//   number_probe TABLE [LOCALE]
// With LOCALE the runtime's locale is set first (setlocale(LC_ALL, LOCALE)).
#include <cctype>
#include <cerrno>
#include <clocale>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "tests/numbers/number_table.h"

namespace {

std::string runtimeInt(const std::string& text) {
    const char* begin = text.c_str();
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(begin, &end, 10);
    const long used = static_cast<long>(end - begin);
    const char* status = used == 0 ? "invalid" : errno == ERANGE ? "range" : "ok";
    if (sizeof(long) > 4 && used && (value < INT32_MIN || value > INT32_MAX)) status = "range";
    char out[64];
    std::snprintf(out, sizeof out, "%s %ld %ld", status, value, used);
    return out;
}

std::string runtimeFloat(const std::string& text) {
    const char* begin = text.c_str();
    char* end = nullptr;
    errno = 0;
    const float value = std::strtof(begin, &end);
    const int error = errno;
    const long used = static_cast<long>(end - begin);
    std::uint32_t bits;
    std::memcpy(&bits, &value, 4);
    char out[64];
    std::snprintf(out, sizeof out, "%s %08X %ld", used == 0 ? "invalid" : error == ERANGE ? "range" : "ok",
                  static_cast<unsigned>(bits), used);
    return out;
}

std::string runtimeBool(const std::string& text) {
    std::string lowered = text;
    for (char& c : lowered) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lowered == "true" ? "true" : "false";
}

std::string runtimeLabel(std::uint32_t bits) {
    float value;
    std::memcpy(&value, &bits, 4);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.2f", static_cast<double>(value));
    return numtable::quote(buf);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: number_probe TABLE [LOCALE]\n");
        return 2;
    }
    if (argc > 2) {
        const char* name = std::setlocale(LC_ALL, argv[2]);
        std::fprintf(stderr, "setlocale(LC_ALL, \"%s\") = %s; decimal point \"%s\"\n", argv[2],
                     name ? name : "(null)", std::localeconv()->decimal_point);
        if (!name) return 1;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    std::string line;
    std::vector<std::string> t;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == '#') {
            std::printf("%s\n", line.c_str());
            continue;
        }
        if (!numtable::tokenize(line, t) || t.size() < 2) {
            std::fprintf(stderr, "bad line: %s\n", line.c_str());
            return 1;
        }
        const std::string& kind = t[0];
        std::string result;
        std::string input = numtable::quote(t[1]);
        if (kind == "int") {
            result = runtimeInt(t[1]);
        } else if (kind == "float") {
            result = runtimeFloat(t[1]);
        } else if (kind == "bool") {
            result = runtimeBool(t[1]);
        } else if (kind == "lower") {
            const int byte = static_cast<int>(numtable::parseHex(t[1]));
            char out[16];
            std::snprintf(out, sizeof out, "%02X", std::tolower(byte) & 0xFF);
            input = t[1];
            result = out;
        } else if (kind == "label") {
            input = t[1];
            result = runtimeLabel(static_cast<std::uint32_t>(numtable::parseHex(t[1])));
        } else {
            std::fprintf(stderr, "unknown kind: %s\n", kind.c_str());
            return 1;
        }
        std::printf("%-5s %-24s %s\n", kind.c_str(), input.c_str(), result.c_str());
    }
    return 0;
}
