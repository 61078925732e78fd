// The number table on the DLL's own C runtime: in the "C" locale the
// runtime's strtol, strtof, tolower and snprintf give the table's answers
// (MinGW-w64 12's strtof those of its own column), and so do the plug-in's own parses and
// label formatter; after another module sets a German or Turkish locale the
// runtime's answers change and the plug-in's do not.
#include <gtest/gtest.h>

#include <clocale>
#include <string>
#include <vector>

#include "tests/numbers/number_rows.h"
#include "tests/numbers/number_runtime.h"

namespace {

const std::vector<numtable::Row>& table() {
    static const auto rows = numtable::read(std::string(PLK_SOURCE_DIR) + "/tests/data/number_reference.txt");
    return rows;
}

class NumbersInLocale : public ::testing::Test {
protected:
    void TearDown() override { std::setlocale(LC_ALL, "C"); }

    // Rows where ours differ from the table (must be none) and rows where
    // the runtime differs from it.
    void run(int& oursDiffer, int& runtimeDiffers) {
        oursDiffer = runtimeDiffers = 0;
        ASSERT_GT(table().size(), 800u);
        for (const auto& row : table()) {
            ASSERT_GE(row.tokens.size(), 3u) << "line " << row.line;
            const std::string expected = numtable::expected(row);
            const std::string mine = numtable::ours(row);
            if (mine != expected) {
                ++oursDiffer;
                ADD_FAILURE() << "line " << row.line << ": ours " << mine << ", table " << expected;
            }
            if (numtable::runtimeResult(row) != numtable::expectedOfRuntime(row)) ++runtimeDiffers;
        }
    }
};

TEST_F(NumbersInLocale, TheTableIsWhatTheRuntimeGivesInTheCLocale) {
    int ours = 0, runtime = 0;
    run(ours, runtime);
    EXPECT_EQ(ours, 0);
    EXPECT_EQ(runtime, 0);
}

TEST_F(NumbersInLocale, GermanAndTurkishChangeTheRuntimeButNotOurs) {
    for (const char* name : {"German", "Turkish"}) {
        ASSERT_NE(std::setlocale(LC_ALL, name), nullptr) << name;
        int ours = 0, runtime = 0;
        run(ours, runtime);
        EXPECT_EQ(ours, 0) << name;
        EXPECT_GT(runtime, 100) << name << ": the locale did not reach the runtime";
        std::setlocale(LC_ALL, "C");
    }
}

}  // namespace
