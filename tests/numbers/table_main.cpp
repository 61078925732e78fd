// The number table through one build's own parses and label formatter, as a
// plain program: the settings page's WebAssembly build runs it under node, so
// the page reads numbers as the DLL and check-ini do.
#include <cstdio>
#include <string>

#include "tests/numbers/number_rows.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s number_reference.txt\n", argv[0]);
        return 2;
    }
    const auto rows = numtable::read(argv[1]);
    int differ = 0;
    for (const auto& row : rows) {
        if (row.tokens.size() < 3) {
            std::printf("line %d: malformed\n", row.line);
            ++differ;
            continue;
        }
        const std::string got = numtable::ours(row), want = numtable::expected(row);
        if (got != want) {
            std::printf("line %d: %s gives %s, the table says %s\n", row.line, row.tokens[0].c_str(), got.c_str(),
                        want.c_str());
            ++differ;
        }
    }
    std::printf("number table: %zu rows, %d differ\n", rows.size(), differ);
    return rows.size() > 800 && differ == 0 ? 0 : 1;
}
