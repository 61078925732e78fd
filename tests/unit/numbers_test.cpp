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

#include <sys/mman.h>
#include <unistd.h>

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

// Text placed flush against an unreadable page: a parse that reads one byte
// past the end of its view faults.
class GuardedText {
public:
    GuardedText() {
        page_ = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
        void* p = mmap(nullptr, 2 * page_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED) return;
        base_ = static_cast<char*>(p);
        if (mprotect(base_ + page_, page_, PROT_NONE) != 0) {
            munmap(base_, 2 * page_);
            base_ = nullptr;
        }
    }
    ~GuardedText() {
        if (base_) munmap(base_, 2 * page_);
    }
    bool ok() const { return base_ != nullptr; }
    std::string_view place(std::string_view text) {
        char* at = base_ + page_ - text.size();
        std::memcpy(at, text.data(), text.size());
        return {at, text.size()};
    }

private:
    char* base_ = nullptr;
    std::size_t page_ = 0;
};

bool sameParse(const FloatParse& a, const FloatParse& b) {
    return a.status == b.status && a.used == b.used && numtable::bitsOf(a.value) == numtable::bitsOf(b.value);
}

// Every prefix of texts that stop at each point a parse looks ahead, once at
// the end of readable memory and once followed by the rest of the text: both
// must read as the same bytes in a C string.
TEST(NumberParse, ReadsNothingPastTheEndOfTheView) {
    GuardedText guard;
    ASSERT_TRUE(guard.ok());
    const char* texts[] = {" \t-12e+5x", "+7", "1.5e-3", "0x1.8p-3", "0X", "-nan(0x1f 2)", "nan( 0x12)", "infinity",
                           "-INFINITY", "TRUE", "true", "nan(0", "nan(0x"};
    for (const char* text : texts) {
        const std::string_view full(text);
        for (std::size_t n = 0; n <= full.size(); ++n) {
            const std::string copy(full.substr(0, n));
            const std::string_view guarded = guard.place(copy);
            const FloatParse f = parseFloat32(copy);
            EXPECT_TRUE(sameParse(parseFloat32(guarded), f)) << numtable::quote(copy);
            EXPECT_TRUE(sameParse(parseFloat32(full.substr(0, n)), f)) << numtable::quote(copy);
            const Int32Parse i = parseInt32(copy), g = parseInt32(guarded), v = parseInt32(full.substr(0, n));
            EXPECT_TRUE(g.status == i.status && g.value == i.value && g.used == i.used) << numtable::quote(copy);
            EXPECT_TRUE(v.status == i.status && v.value == i.value && v.used == i.used) << numtable::quote(copy);
            EXPECT_EQ(parseBool(guarded), parseBool(copy)) << numtable::quote(copy);
            EXPECT_EQ(parseBool(full.substr(0, n)), parseBool(copy)) << numtable::quote(copy);
        }
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
