// What this C runtime itself does with the rows of the number table: reads
// the table and writes it back with every result taken from the runtime.
// Comment lines pass through, so the output of the Windows build, run under
// Wine, is the table. Built with MinGW-w64 12, the results go to the rows'
// "mingw12:" columns (where they differ from the main ones) instead.
//   number_probe TABLE [LOCALE]
// With LOCALE the runtime's locale is set first (setlocale(LC_ALL, LOCALE)).
#include <clocale>
#include <cstdio>
#include <fstream>
#include <string>

#include "tests/numbers/number_runtime.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: number_probe TABLE [LOCALE]\n");
        return 2;
    }
    if (argc > 2) {
        const char* name = std::setlocale(LC_ALL, argv[2]);
        std::fprintf(stderr, "setlocale(LC_ALL, \"%s\") = %s\n", argv[2], name ? name : "(null)");
        if (!name) return 1;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == '#') {
            std::printf("%s\n", line.c_str());
            continue;
        }
        numtable::Row row;
        const bool read = numtable::tokenize(line, row.tokens);
        numtable::splitMingw12(row);
        if (!read || row.tokens.size() < 2) {
            std::fprintf(stderr, "bad line: %s\n", line.c_str());
            return 1;
        }
        const std::string result = numtable::runtimeResult(row);
        if (result.empty()) {
            std::fprintf(stderr, "unknown kind: %s\n", row.tokens[0].c_str());
            return 1;
        }
        const bool bare = row.tokens[0] == "lower" || row.tokens[0] == "label";
        const std::string input = bare ? row.tokens[1] : numtable::quote(row.tokens[1]);
        const auto join = [&](auto begin, auto end) {
            std::string out;
            for (auto t = begin; t != end; ++t) {
                if (!out.empty()) out += ' ';
                out += row.tokens[0] == "label" ? numtable::quote(*t) : *t;
            }
            return out;
        };
        std::string main = join(row.tokens.begin() + 2, row.tokens.end());
        std::string newer = join(row.mingw12.begin(), row.mingw12.end());
        if (numtable::kRuntimeIsMingw12)
            newer = result == main ? "" : result;
        else
            main = result;
        std::printf("%-5s %-24s %s%s%s\n", row.tokens[0].c_str(), input.c_str(), main.c_str(),
                    newer.empty() ? "" : " mingw12: ", newer.c_str());
    }
    return 0;
}
