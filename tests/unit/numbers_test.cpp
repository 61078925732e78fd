// The locale-independent number parses and the label formatter against the
// reference table (what the DLL's own runtime gives in the "C" locale), and
// the float parse against glibc's strtof where the two runtimes agree.
#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <string>

#include "tests/numbers/number_rows.h"

namespace {

const std::string kTable = std::string(PLK_SOURCE_DIR) + "/tests/data/number_reference.txt";

TEST(NumberTable, EveryRowGivesTheReferenceResult) {
    const auto rows = numtable::read(kTable);
    std::map<std::string, int> counts;
    for (const auto& row : rows) {
        ASSERT_GE(row.tokens.size(), 3u) << "malformed table line " << row.line;
        const std::string mine = numtable::ours(row);
        ASSERT_FALSE(mine.empty()) << "unknown kind on line " << row.line;
        EXPECT_EQ(mine, numtable::expected(row)) << "line " << row.line << ": " << row.tokens[0] << ' '
                                                 << numtable::quote(row.tokens[1]);
        ++counts[row.tokens[0]];
    }
    // A table that failed to load, or lost a kind, must not pass.
    EXPECT_GT(counts["int"], 50);
    EXPECT_GT(counts["float"], 400);
    EXPECT_GT(counts["bool"], 10);
    EXPECT_EQ(counts["lower"], 256);
    EXPECT_GT(counts["label"], 50);
}

// glibc's strtof is correctly rounded and, for decimal text, flags range
// errors by the same rule; random digit strings around the interesting
// magnitudes (the program tests/numbers/float_check.cpp runs millions).
TEST(FloatParse, AgreesWithGlibcOnRandomDecimalText) {
    std::mt19937_64 rng(20240611);
    char text[96];
    for (int n = 0; n < 20000; ++n) {
        const int digits = 1 + static_cast<int>(rng() % 30);
        int pos = 0;
        if (rng() & 1) text[pos++] = '-';
        const int point = static_cast<int>(rng() % (digits + 1));
        for (int k = 0; k < digits; ++k) {
            if (k == point) text[pos++] = '.';
            text[pos++] = static_cast<char>('0' + rng() % 10);
        }
        pos += std::snprintf(text + pos, sizeof text - pos, "e%d", static_cast<int>(rng() % 110) - 70);
        errno = 0;
        char* end = nullptr;
        const float theirs = std::strtof(text, &end);
        const bool theirRange = errno == ERANGE;
        const FloatParse mine = parseFloat32(text);
        ASSERT_EQ(numtable::bitsOf(mine.value), numtable::bitsOf(theirs)) << text;
        ASSERT_EQ(mine.used, static_cast<std::size_t>(end - text)) << text;
        ASSERT_EQ(mine.status == NumberStatus::OutOfRange, theirRange) << text;
    }
}

TEST(NumberParse, TextEndsAtItsFirstNulAndViewsNeedNoTerminator) {
    const std::string withNul("12\0" "34", 5);
    EXPECT_EQ(parseInt32(withNul).value, 12);
    EXPECT_EQ(parseFloat32(std::string("nan(12\0)", 8)).used, 3u);  // as the C string "nan(12"
    const char buffer[] = "1.5e3";
    const FloatParse r = parseFloat32(std::string_view(buffer, 3));  // "1.5", not 1500
    EXPECT_EQ(r.value, 1.5f);
    EXPECT_EQ(r.used, 3u);
}

}  // namespace
