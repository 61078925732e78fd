// Messages: the plural rules, the choice of language, the fallbacks, and the
// pseudo-language the page's sweep relies on.
#include "tools/lib/messages.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

struct LanguageGuard {
    ~LanguageGuard() { setLanguage("en"); }
};

TEST(Messages, PluralRulesAsCatalogsWriteThem) {
    const char* russian =
        "(n%10==1 && n%100!=11 ? 0 : n%10>=2 && n%10<=4 && (n%100<10 || n%100>=20) ? 1 : 2)";
    const char* polish = "(n==1 ? 0 : n%10>=2 && n%10<=4 && (n%100<10 || n%100>=20) ? 1 : 2)";
    struct Row {
        const char* rule;
        long long n, form;
    } rows[] = {
        {"(n != 1)", 1, 0}, {"(n != 1)", 0, 1}, {"(n != 1)", 2, 1}, {"n > 1", 0, 0}, {"n > 1", 1, 0},
        {"n > 1", 2, 1},    {"0", 7, 0},        {russian, 1, 0},    {russian, 11, 2}, {russian, 21, 0},
        {russian, 3, 1},    {russian, 13, 2},   {russian, 24, 1},   {russian, 5, 2},  {polish, 1, 0},
        {polish, 21, 2},    {polish, 22, 1},    {polish, 12, 2},    {polish, 0, 2},   {"(n<=1)", 1, 1},
        {"!(n>=2)", 5, 0},  {"n/2 - 1", 7, 2},
    };
    for (const Row& r : rows) EXPECT_EQ(evalPluralRule(r.rule, r.n), r.form) << r.rule << " n=" << r.n;
    for (const char* bad : {"", "n +", "(n", "n % 0", "x", "n ? 1", "1 2"}) EXPECT_EQ(evalPluralRule(bad, 3), -1) << bad;
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

namespace {

// The catalogs are read twice: by the tools, from what the build embedded,
// and by the scripts (tools/lang/entries.sh: the check, the page's first
// lines, README.txt). Over every message of every catalog, both read the
// same words.
std::string unescapePo(const std::string& s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 1 < s.size()) {
            const char c = s[++i];
            out += c == 'n' ? '\n' : c == 't' ? '\t' : c;
        } else if ((s[i] == '{' || s[i] == '}') && i + 1 < s.size() && s[i + 1] == s[i]) {
            out += s[i++];
        } else {
            out += s[i];
        }
    }
    return out;
}

TEST(Messages, TheToolsAndTheScriptsReadTheCatalogsAlike) {
    LanguageGuard guard;
    const std::string dir = std::string(PLK_SOURCE_DIR) + "/tools/lang/";
    std::size_t compared = 0;
    for (const LanguageInfo& language : languages()) {
        const std::string file = dir + (language.tag == "en" ? std::string("pacelark.pot") : language.tag + ".po");
        FILE* p = popen(("bash " + dir + "entries.sh " + file).c_str(), "r");
        ASSERT_NE(p, nullptr);
        std::string lines;
        char buffer[4096];
        for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, p)) > 0;) lines.append(buffer, n);
        ASSERT_EQ(pclose(p), 0) << file;
        ASSERT_TRUE(setLanguage(language.tag));
        std::size_t at = 0, messages = 0;
        while (at < lines.size()) {
            const std::size_t end = lines.find('\n', at);
            std::vector<std::string> f;
            for (std::size_t i = at; i <= end;) {
                const std::size_t tab = std::min(lines.find('\t', i), end);
                f.push_back(lines.substr(i, tab - i));
                i = tab + 1;
            }
            at = end + 1;
            ASSERT_EQ(f.size(), 5u) << file;
            ++messages;
            const bool plural = f[2].find('|') != std::string::npos;
            if (plural) continue;  // which form shows is the plural rule's: tested above
            const std::string expected = unescapePo(language.tag == "en" ? f[2] : f[4]);
            EXPECT_EQ(tr(f[0]), expected) << language.tag << " " << f[0];
            ++compared;
        }
        EXPECT_GT(messages, 300u) << file;
    }
    EXPECT_GT(compared, 8u * 250u);
}

}  // namespace
