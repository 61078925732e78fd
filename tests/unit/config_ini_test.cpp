#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "config/ini.h"
#include "config/ini_walk.h"
#include "config_test_support.h"

using namespace std::string_literals;

namespace {

using Entries = std::vector<std::pair<std::string, std::string>>;

TEST(IniNames, TrimUsesExactlySixBytesAndNormaliseLowersOnlyAscii) {
    const std::pair<std::string, std::string> cases[] = {
        {" \t\n\r\f\vMiXeD Key\v\f\r\n\t ", "mixed key"}, {" \t\n\r\f\v", ""},
        {"\xA0Key\x85", "\xA0key\x85"},  // NBSP and NEL are not whitespace
        {"\xC4\xD6_@[`{Z", "\xC4\xD6_@[`{z"},
        {"\0K\0"s, "\0k\0"s},  // nor is a zero byte
    };
    for (const auto& [raw, expected] : cases) EXPECT_EQ(normaliseIniName(raw), expected) << raw;
}

struct LineCase {
    std::string line;
    IniLineKind kind;
    std::string key, value;
};

void PrintTo(const LineCase& c, std::ostream* os) { *os << testing::PrintToString(c.line); }

class IniLine : public testing::TestWithParam<LineCase> {};
using K = IniLineKind;

TEST_P(IniLine, ClassifiesTheLineAsWritten) {
    const LineCase& c = GetParam();
    IniKeyValue out{"stale", "stale"};
    EXPECT_EQ(parseIniLine(c.line, out), c.kind);
    EXPECT_EQ(out.key, c.key);
    EXPECT_EQ(out.value, c.value);
    // Where the value lies: its bytes, or just after the "=" when it is empty.
    std::size_t at = 1000;
    EXPECT_EQ(parseIniLineAt("\t " + c.line, out, at), c.kind);
    if (c.kind == K::KeyValue) {
        const std::string line = "\t " + c.line;
        EXPECT_EQ(c.value.empty() ? line.substr(at - 1, 1) : line.substr(at, c.value.size()),
                  c.value.empty() ? "=" : c.value);
    }
}

INSTANTIATE_TEST_SUITE_P(Lines, IniLine, testing::Values(
    LineCase{" \t\f\v\r", K::Blank, "", ""},
    LineCase{"  ; a=b", K::Comment, "", ""},
    LineCase{"[Settings]", K::SectionHeader, "Settings", ""},
    LineCase{"[ SETTINGS ] ; note", K::SectionHeader, "SETTINGS", ""},
    LineCase{"[a]b]", K::SectionHeader, "a]b", ""},
    LineCase{"[settings", K::Unrecognised, "", ""},
    LineCase{"[a;b]", K::Unrecognised, "", ""},
    LineCase{"[a=b;c", K::KeyValue, "[a", "b"},
    LineCase{"Key = Value ; note", K::KeyValue, "Key", "Value ; note"},
    LineCase{"#key=1", K::KeyValue, "#key", "1"},
    LineCase{R"(a\=b = c\=d)", K::KeyValue, "a=b", R"(c\=d)"},
    LineCase{R"(a\=b)", K::Unrecognised, "", ""},
    LineCase{R"(a\\=b)", K::Unrecognised, "", ""},  // escapes pair from the left
    LineCase{R"(k\=\==v=w)", K::KeyValue, "k==", "v=w"},
    LineCase{R"(a\b=v)", K::KeyValue, R"(a\b)", "v"},  // a backslash before anything but "=" stays
    LineCase{R"(k\ = v\)", K::KeyValue, R"(k\)", R"(v\)"},
    LineCase{R"(k\)", K::Unrecognised, "", ""},
    LineCase{"=x", K::KeyValue, "", "x"},
    LineCase{"k=", K::KeyValue, "k", ""},
    LineCase{"k = \t", K::KeyValue, "k", ""},
    LineCase{"[k = v ; c", K::KeyValue, "[k", "v"}));

// The file and the text read alike; a mark is dropped only at the start, so
// the lines tell whether it was seen.
TEST(IniReader, SplitsBytesDroppingCarriageReturnsZerosAndTheByteOrderMark) {
    const std::pair<std::string, std::vector<std::string>> rows[] = {
        {"", {}},
        {"a\nb\n", {"a", "b", ""}},
        {"a\r\nb", {"a", "b"}},
        {"a\rb\r", {"ab"}},
        {"x\0y\n\0"s, {"xy", ""}},
        {"\xEF\xBB\xBF", {""}},
        {"\xEF\xBB\xBFk=v\n", {"k=v", ""}},
        {"\xEF\xBB", {"\xEF\xBB"}},
        {"k", {"k"}},
        {"x\xBB\xBF", {"x\xBB\xBF"}},
        {"\xEF\xBBx", {"\xEF\xBBx"}},
        {"\n\xEF\xBB\xBF", {"", "\xEF\xBB\xBF"}},
    };
    configtest::ScratchDir dir;
    for (const auto& [bytes, lines] : rows) {
        configtest::writeBytes("lines.ini", bytes);
        EXPECT_EQ(IniReader("lines.ini").readIniLines(), lines) << testing::PrintToString(bytes);
        EXPECT_EQ(IniReader::fromBytes(bytes).readIniLines(), lines) << testing::PrintToString(bytes);
        // The tools' walk sees the same lines.
        std::vector<std::string> walked;
        walkIniText(bytes, [&](const IniWalkLine& line) { walked.push_back(line.text); });
        EXPECT_EQ(walked, lines) << testing::PrintToString(bytes);
    }
}

// Each line's facts as the tools need them, positions into the file's bytes.
TEST(IniWalk, TellsEachLinesNumberSectionNameAndWhereItsValueLies) {
    const std::string bytes = "\xEF\xBB\xBFk0=a\r\n[One]\n[two\n K\0ey = v\0al \r\nx=\t \n\0\0A=1\rB=2\r\0C=3\ny=\r\0z\n[One;c]\n[x=y;c]\r\r\n"s;
    struct Row {
        IniLineKind kind;
        bool inSection;
        std::string section, name, value;
        std::vector<std::size_t> breaks;
        bool opensHeader, headerCut;
    };
    const std::vector<Row> rows = {
        {K::KeyValue, false, "", "k0", "a", {}, false, false},
        {K::SectionHeader, true, "one", "one", "", {}, false, false},
        {K::Unrecognised, true, "one", "", "", {}, true, false},
        {K::KeyValue, true, "one", "key", "val", {}, false, false},  // zero bytes dropped, CR before LF
        {K::KeyValue, true, "one", "x", "", {}, false, false},
        {K::KeyValue, true, "one", "a", "1B=2C=3", {3, 6}, false, false},
        {K::KeyValue, true, "one", "y", "z", {2}, false, false},  // a CR first among the dropped bytes
        {K::Unrecognised, true, "one", "", "", {}, true, true},
        {K::KeyValue, true, "one", "[x", "y", {}, true, true},  // no break for the CRs at its end
        {K::Blank, true, "one", "", "", {}, false, false},
    };
    std::size_t n = 0;
    walkIniText(bytes, [&](const IniWalkLine& line) {
        ASSERT_LT(n, rows.size());
        const Row& row = rows[n++];
        SCOPED_TRACE(line.number);
        EXPECT_EQ(line.number, n);
        EXPECT_EQ(line.kind, row.kind);
        EXPECT_EQ(line.inSection, row.inSection);
        EXPECT_EQ(line.section, row.section);
        EXPECT_EQ(line.name, row.name);
        EXPECT_EQ(line.parsed.value, row.value);
        EXPECT_EQ(line.breaks, row.breaks);
        EXPECT_EQ(line.opensHeader, row.opensHeader);
        EXPECT_EQ(line.headerCut, row.headerCut);
        // The line's bytes end at its LF or the file's end.
        EXPECT_TRUE(line.end == bytes.size() || bytes[line.end] == '\n');
        EXPECT_TRUE(line.begin == 3 || bytes[line.begin - 1] == '\n');
        if (row.kind != K::KeyValue) return;
        const std::string spanned = bytes.substr(line.valueFirst, line.valueLast - line.valueFirst);
        std::string kept;
        for (const char c : spanned) {
            if (c != '\0' && c != '\r') kept += c;
        }
        EXPECT_EQ(kept, row.value);
        EXPECT_TRUE(spanned.empty() || (spanned.front() != '\0' && spanned.back() != '\0'));
    });
    EXPECT_EQ(n, rows.size());
    // An empty value's place is after the "=" and the blanks that follow it,
    // within the line.
    const std::pair<std::string, std::size_t> empties[] = {{"x=\t \n", 4}, {"x=\r\n", 2}, {"x=\n", 2}, {"x= ", 3}};
    for (const auto& [text, at] : empties) {
        walkIniText(text, [&](const IniWalkLine& line) {
            if (line.number == 1) {
                EXPECT_EQ(line.valueFirst, at) << testing::PrintToString(text);
                EXPECT_EQ(line.valueLast, at) << testing::PrintToString(text);
            }
        });
    }
}

// Where an edit of one section may stop reading: at the first header of
// another section after that section's last header, as the reader finds
// headers (dropped bytes, blanks, ";" and the last "]").
TEST(IniWalk, FindsWhereASectionsPartEnds) {
    const std::pair<std::string, std::size_t> rows[] = {
        {"\xEF\xBB\xBF[S]\nk=v\n[x]\n", 11},
        {"[S]\r\n \0\t[ x ]\r\n"s, 5},
        {"[S]\n\n[x]\n", 5},
        {"[S]\n[s]\n[x]\n[ \0s\r ] ; c\nk=v\n[y]\n[z]\n"s, 28},
        {"[S]\n[x=y\n[s;]\n[a]b]\n", 14},
        {"[S]\n; [x]\nk=[x]\n[x\n", 19},
        {"[x]\n[S]", 7},
        {"[x]\n[y]\n", 8},
        {"[S]\r[x]\n", 8},
        {"", 0},
    };
    for (const auto& [bytes, end] : rows)
        EXPECT_EQ(iniSectionPartEnd(bytes, " s "), end) << testing::PrintToString(bytes);
}

// One byte past the reader's first chunk, then nothing more to read.
TEST(IniReader, ReadsAFileInChunksOnceThenCloses) {
    configtest::ScratchDir dir;
    const std::string megabyte((1 << 20) - 1, 'a');
    configtest::writeBytes("big.ini", megabyte + "\nb");
    IniReader reader("big.ini");
    EXPECT_TRUE(reader.isOpen());
    EXPECT_TRUE(reader.readIniLines() == (std::vector<std::string>{megabyte, "b"}));
    EXPECT_FALSE(reader.isOpen());
    EXPECT_TRUE(reader.readIniLines().empty()) << "read once";
    IniDocument doc;
    EXPECT_FALSE(reader.parseInto(doc));
}

TEST(IniDocument, ReopenedSectionsMergeAndOnlyTheForLookupsInsert) {
    IniDocument doc;
    loadIniText("early=1\n[One]\na=1\nb=2\n[two]\nx=9\n[empty]\n[ ONE ]\nB=3\nc=4\nA = 5\n", doc);
    std::vector<std::string> names;
    for (const auto& entry : doc.entries()) names.push_back(entry.first);
    EXPECT_EQ(names, (std::vector<std::string>{"one", "two", "empty"}));
    EXPECT_EQ(doc.getSection(" oNe\t").entries(), (Entries{{"a", "5"}, {"b", "3"}, {"c", "4"}}));
    EXPECT_TRUE(doc.getSection("TWO").hasKey("\vX "));

    EXPECT_TRUE(doc.getSection("absent").entries().empty());
    EXPECT_EQ(doc.getSection("one").getValue("absent"), "");
    EXPECT_FALSE(doc.hasSection("absent") || doc.getSection("one").hasKey("absent"));
    doc.sectionFor(" New ").valueFor(" Key ") = "v";
    EXPECT_EQ(doc.entries().back().first, "new");
    EXPECT_EQ(doc.getSection("new").entries(), (Entries{{"key", "v"}}));

    loadIniText("[two]\n", doc);  // empties the document first
    ASSERT_EQ(doc.entries().size(), 1u);
    EXPECT_FALSE(doc.hasSection("one"));
    doc.clear();
    EXPECT_FALSE(doc.hasSection("two"));
    doc.sectionFor("two");
    EXPECT_EQ(doc.entries().size(), 1u);
}

TEST(IniFile, FileAndTextReadAlikeAndBadPathsGiveAnEmptyDocument) {
    configtest::ScratchDir dir;
    const std::string bytes = "\xEF\xBB\xBF[a]\r\nk=1\r\n\0x=2\ry=3\nk2 = \\= \n"s;
    configtest::writeBytes("same.ini", bytes);
    IniDocument fromFile, fromText;
    EXPECT_FALSE(IniReader("missing.ini").isOpen());
    EXPECT_TRUE(loadIniFile("same.ini", fromFile));
    loadIniText(bytes, fromText);
    const Entries expected{{"k", "1"}, {"x", "2y=3"}, {"k2", "\\="}};
    EXPECT_EQ(fromFile.entries().size(), 1u);
    EXPECT_EQ(fromFile.getSection("a").entries(), expected);
    EXPECT_EQ(fromText.getSection("a").entries(), expected);
    for (const char* path : {"", "missing.ini"}) {
        EXPECT_FALSE(loadIniFile(path, fromFile)) << path;
        EXPECT_TRUE(fromFile.entries().empty()) << path;
    }
}

TEST(IniFile, MegabyteLinesOfEscapesParseWhole) {
    std::string escapes;
    for (int i = 0; i < 2'000'000; ++i) escapes += R"(\=)";
    IniDocument doc;
    loadIniText("[s]\n" + escapes + "=v\nk=" + escapes + "\n" + escapes + "\n", doc);
    EXPECT_EQ(doc.getSection("s").entries(), (Entries{{std::string(2'000'000, '='), "v"}, {"k", escapes}}));
}

}  // namespace
