// Every text the tools show a player, by message id, in the player's
// language. The words live in gettext catalogs (tools/lang: the English
// template pacelark.pot and one .po per language), built into the program;
// a message's arguments are named ({name} in the text) and a plural message
// takes its form from the argument n, by the catalog's own plural rule.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

struct MessageArg {
    std::string_view name;
    std::string value;
};

// A message not yet put into words: what the checker and the editor return.
struct Message {
    std::string_view id;
    std::vector<MessageArg> args;
};

// The message in the current language; English where its catalog has no
// translation; the id itself for an id no catalog knows.
std::string tr(const Message& m);
std::string tr(std::string_view id, std::initializer_list<MessageArg> args = {});

// `n` as a plural message's argument.
MessageArg count(std::string_view name, long long n);

struct LanguageInfo {
    std::string tag;   // the catalog's file name: "de", "pt_BR"
    std::string name;  // the language in its own words: "Deutsch"
};

// The languages built in, English first, then by tag.
const std::vector<LanguageInfo>& languages();

// The pseudo-language for tests: every English word accented and lengthened
// by a third. Not among languages().
inline constexpr std::string_view kPseudoLanguage = "qps";

// The language of the first of `preferences` (tags such as "de-AT", "pt_BR",
// "zh-Hans-CN"; split at ':' or ',') that has a catalog, matched whole, then
// by its language alone, but never Simplified Chinese for a tag of
// Traditional (zh-TW, zh-HK, zh-MO, zh-Hant); "en" when none has.
std::string chooseLanguage(std::string_view preferences);

// The language a command-line tool speaks: LANGUAGE's list, unless the locale
// (LC_ALL, else LC_MESSAGES, else LANG) is C or POSIX; else the locale's.
std::string languageFromEnvironment();

// Sets the language tr() speaks ("en", a tag of languages(), or the
// pseudo-language); false, and English, for any other.
bool setLanguage(std::string_view tag);
const std::string& currentLanguage();
