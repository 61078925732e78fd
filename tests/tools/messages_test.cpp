// Messages: the plural rules, the choice of language, the fallbacks, and the
// pseudo-language the page's sweep relies on.
#include "tools/lib/messages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "tools/lib/catalog_data.h"

namespace {

struct LanguageGuard {
    ~LanguageGuard() { setLanguage("en"); }
};

// Each catalog's Plural-Forms, compiled by the build, picks the forms its
// language needs.
TEST(Messages, PluralRulesOfEachCatalog) {
    struct Row {
        const char* tag;
        unsigned long long n;
        std::size_t form;
    } rows[] = {
        {"en", 1, 0},    {"en", 0, 1},    {"en", 2, 1},    {"de", 1, 0},    {"de", 0, 1},
        {"fr", 0, 0},    {"fr", 1, 0},    {"fr", 2, 1},    {"pt_BR", 1, 0}, {"pt_BR", 2, 1},
        {"ru", 1, 0},    {"ru", 11, 2},   {"ru", 21, 0},   {"ru", 3, 1},    {"ru", 13, 2},
        {"ru", 24, 1},   {"ru", 5, 2},    {"pl", 1, 0},    {"pl", 21, 2},   {"pl", 22, 1},
        {"pl", 12, 2},   {"pl", 0, 2},    {"zh_CN", 1, 0}, {"zh_CN", 7, 0},
    };
    for (const Row& r : rows) {
        const CatalogTable* table = std::find_if(kCatalogTables, kCatalogTables + kCatalogTableCount,
                                                 [&](const CatalogTable& t) { return std::string_view(t.tag) == r.tag; });
        ASSERT_NE(table, kCatalogTables + kCatalogTableCount) << r.tag;
        EXPECT_EQ(table->plural(r.n), r.form) << r.tag << " n=" << r.n;
    }
}

// tr() gives a plural message the form the current catalog's rule names.
TEST(Messages, PluralMessagesTakeTheFormTheRuleNames) {
    LanguageGuard guard;
    const auto words = [](long long n) {
        std::string text = tr("check.verdict.warnings", {count("n", n)});
        text.erase(std::remove_if(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }), text.end());
        return text;
    };
    ASSERT_TRUE(setLanguage("ru"));
    EXPECT_EQ(words(1), words(21));
    EXPECT_EQ(words(3), words(24));
    EXPECT_EQ(words(5), words(11));
    EXPECT_NE(words(1), words(3));
    EXPECT_NE(words(3), words(5));
    ASSERT_TRUE(setLanguage("en"));
    EXPECT_EQ(words(0), words(2));
    EXPECT_NE(words(1), words(2));
}

TEST(Messages, ChoosesTheFirstPreferenceItHas) {
    struct Row {
        const char* preferences;
        const char* chosen;
    } rows[] = {
        {"de-AT,en", "de"}, {"en-GB,de", "en"},  {"xx,de", "de"},    {"xx", "en"},   {"", "en"},
        {"DE", "de"},       {"de_DE.UTF-8@euro", "de"}, {"sv:de", "de"}, {"qps", "qps"},
        // Simplified Chinese for its tags, never for Traditional's: those take
        // the next preference; European Portuguese takes the Brazilian.
        {"zh", "zh_CN"},    {"zh-CN", "zh_CN"},  {"zh-SG", "zh_CN"},  {"zh-Hans", "zh_CN"}, {"zh-Hans-TW", "zh_CN"},
        {"zh-TW", "en"},    {"zh-HK,fr", "fr"},  {"zh-MO", "en"},     {"zh-Hant", "en"},   {"zh-Hant-CN,de", "de"},
        {"zh_TW.UTF-8:zh_CN", "zh_CN"},          {"pt-PT", "pt_BR"},  {"pt", "pt_BR"},
    };
    for (const Row& r : rows) EXPECT_EQ(chooseLanguage(r.preferences), r.chosen) << r.preferences;
}

TEST(Messages, FollowsTheEnvironmentAsCommandLineToolsDo) {
    struct Row {
        const char *language, *all, *messages, *lang, *chosen;
    } rows[] = {
        {"", "", "", "", "en"},
        {"", "", "", "de_DE.UTF-8", "de"},
        {"", "", "de_DE.UTF-8", "C", "de"},
        {"", "C.UTF-8", "de_DE.UTF-8", "de_DE.UTF-8", "en"},
        {"xx:de", "", "", "fr_FR.UTF-8", "de"},
        {"de", "POSIX", "", "", "en"},
    };
    for (const Row& r : rows) {
        setenv("LANGUAGE", r.language, 1);
        setenv("LC_ALL", r.all, 1);
        setenv("LC_MESSAGES", r.messages, 1);
        setenv("LANG", r.lang, 1);
        EXPECT_EQ(languageFromEnvironment(), r.chosen) << r.language << "|" << r.all << "|" << r.messages << "|" << r.lang;
    }
    for (const char* v : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) unsetenv(v);
}

TEST(Messages, FillsArgumentsAndFallsBack) {
    LanguageGuard guard;
    EXPECT_EQ(tr("language.readme", {{"page", "P.html"}}), "For help in English, open P.html in your browser.");
    EXPECT_EQ(tr("no.such.message"), "no.such.message");
    ASSERT_FALSE(setLanguage("xx"));
    EXPECT_EQ(currentLanguage(), "en");
    ASSERT_TRUE(setLanguage("de"));
    EXPECT_EQ(tr("language.name"), "Deutsch");
}

TEST(Messages, PseudoLanguageLeavesNoPlainWordButArguments) {
    LanguageGuard guard;
    ASSERT_TRUE(setLanguage(kPseudoLanguage));
    const std::string text = tr("language.readme", {{"page", "Pacelark-settings.html"}});
    EXPECT_NE(text.find("Pacelark-settings.html"), std::string::npos);
    std::string rest = text;
    rest.erase(rest.find("Pacelark-settings.html"), 22);
    for (char c : rest) EXPECT_FALSE((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) << text;
    // Each word a third longer, rounded up: 33 letters in 8 words gain 15.
    std::size_t letters = 0;
    for (std::size_t i = 0; i < rest.size(); ++i) letters += (static_cast<unsigned char>(rest[i]) & 0xC0) == 0xC0;
    EXPECT_EQ(letters, 33u + 15u);
}

}  // namespace
