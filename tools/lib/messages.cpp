#include "tools/lib/messages.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <string>

#include "tools/lib/catalog_data.h"

namespace {

// ---- the pseudo-language --------------------------------------------------

constexpr const char* kAccentedLower[26] = {"á", "ƀ", "ç", "ď", "é", "ƒ", "ĝ", "ĥ", "í", "ĵ", "ķ", "ļ", "ɱ",
                                            "ñ", "ó", "þ", "ǫ", "ŕ", "š", "ţ", "ú", "ṽ", "ŵ", "ẋ", "ý", "ž"};
constexpr const char* kAccentedUpper[26] = {"Á", "Ɓ", "Ç", "Ď", "É", "Ƒ", "Ĝ", "Ĥ", "Í", "Ĵ", "Ķ", "Ļ", "Ṁ",
                                            "Ñ", "Ó", "Þ", "Ǫ", "Ŕ", "Š", "Ţ", "Ú", "Ṽ", "Ŵ", "Ẋ", "Ý", "Ž"};

std::string accented(char c) {
    if (c >= 'a' && c <= 'z') return kAccentedLower[c - 'a'];
    if (c >= 'A' && c <= 'Z') return kAccentedUpper[c - 'A'];
    return std::string(1, c);
}

// Each word accented and a third longer; {arguments} stay as they are.
std::string pseudo(std::string_view text) {
    std::string out;
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] == '{') {
            const std::size_t close = text.find('}', i);
            const std::size_t end = close == std::string_view::npos ? text.size() : close + 1;
            out.append(text.substr(i, end - i));
            i = end;
            continue;
        }
        if (!std::isalpha(static_cast<unsigned char>(text[i]))) {
            out += text[i++];
            continue;
        }
        std::size_t end = i;
        while (end < text.size() && std::isalpha(static_cast<unsigned char>(text[end]))) ++end;
        const std::string_view word = text.substr(i, end - i);
        for (char c : word) out += accented(c);
        for (std::size_t k = 0; k < (word.size() + 2) / 3; ++k)
            out += accented(static_cast<char>(std::tolower(static_cast<unsigned char>(word[k]))));
        i = end;
    }
    return out;
}

// ---- the catalogs -----------------------------------------------------------

// A catalog as tr() reads it: a table of the build, or the pseudo-language.
struct Catalog {
    std::string tag;
    std::size_t (*plural)(unsigned long long n);
    const std::string_view* texts;  // as kMessageIds orders them
};

struct Catalogs {
    std::vector<Catalog> all;  // English first
    const Catalog* current = nullptr;

    Catalogs() {
        for (std::size_t i = 0; i < kCatalogTableCount; ++i)
            all.push_back({kCatalogTables[i].tag, kCatalogTables[i].plural, kCatalogTables[i].texts});
        current = &all.front();
    }
    const Catalog& english() const { return all.front(); }
};

Catalogs& catalogs() {
    static Catalogs c;
    return c;
}

// English with every text through pseudo(), made when first asked for.
const Catalog& pseudoCatalog() {
    static const std::vector<std::string> texts = [] {
        std::vector<std::string> out;
        for (std::size_t i = 0; i < kMessageCount; ++i) out.push_back(pseudo(catalogs().english().texts[i]));
        return out;
    }();
    static const std::vector<std::string_view> views(texts.begin(), texts.end());
    static const Catalog c{std::string(kPseudoLanguage), catalogs().english().plural, views.data()};
    return c;
}

// The message's place in kMessageIds; kMessageCount for an id no catalog knows.
std::size_t indexOf(std::string_view id) {
    const std::string_view* end = kMessageIds + kMessageCount;
    const std::string_view* at = std::lower_bound(kMessageIds, end, id);
    return at != end && *at == id ? static_cast<std::size_t>(at - kMessageIds) : kMessageCount;
}

// The text of message `i` in `c`, a plural's form for the argument n; empty
// where `c` has none.
std::string_view textOf(const Catalog& c, std::size_t i, const std::vector<MessageArg>& args) {
    std::string_view text = c.texts[i];
    if (catalogs().english().texts[i].find('\0') == std::string_view::npos) return text;
    unsigned long long n = 0;
    for (const MessageArg& a : args)
        if (a.name == "n") n = std::strtoull(a.value.c_str(), nullptr, 10);
    for (std::size_t form = c.plural(n); form > 0 && !text.empty(); --form) {
        const std::size_t end = text.find('\0');
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    }
    return text.substr(0, text.find('\0'));
}

std::string fill(std::string_view text, const std::vector<MessageArg>& args) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if ((c == '{' || c == '}') && i + 1 < text.size() && text[i + 1] == c) {
            out += c;
            ++i;
            continue;
        }
        const std::size_t close = c == '{' ? text.find('}', i) : std::string_view::npos;
        if (close == std::string_view::npos) {
            out += c;
            continue;
        }
        const std::string_view name = text.substr(i + 1, close - i - 1);
        const auto arg = std::find_if(args.begin(), args.end(), [&](const MessageArg& a) { return a.name == name; });
        if (arg == args.end()) {
            out += c;
            continue;
        }
        out += arg->value;
        i = close;
    }
    return out;
}

std::string lowerTag(std::string_view t) {
    std::string out;
    for (char c : t) out += c == '-' ? '_' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// Whether a Chinese tag asks for Traditional characters: by its script
// subtag, else by a region that writes them.
bool traditionalChinese(const std::string& tag) {
    bool traditional = false;
    for (std::size_t at = tag.find('_'); at != std::string::npos; at = tag.find('_', at + 1)) {
        const std::string part = tag.substr(at + 1, tag.find('_', at + 1) - at - 1);
        if (part == "hans") return false;
        if (part == "hant") return true;
        traditional = traditional || part == "tw" || part == "hk" || part == "mo";
    }
    return traditional;
}

}  // namespace

std::string tr(const Message& m) {
    const std::size_t i = indexOf(m.id);
    if (i == kMessageCount) return std::string(m.id);
    std::string_view text = textOf(*catalogs().current, i, m.args);
    if (text.empty()) text = textOf(catalogs().english(), i, m.args);
    return fill(text, m.args);
}

std::string tr(std::string_view id, std::initializer_list<MessageArg> args) { return tr(Message{id, args}); }

MessageArg count(std::string_view name, long long n) { return {name, std::to_string(n)}; }

const std::vector<LanguageInfo>& languages() {
    static const std::vector<LanguageInfo> infos = [] {
        std::vector<LanguageInfo> out;
        const std::size_t name = indexOf("language.name");
        for (const Catalog& c : catalogs().all) {
            const std::string_view own = textOf(c, name, {});
            out.push_back({c.tag, std::string(own.empty() ? textOf(catalogs().english(), name, {}) : own)});
        }
        return out;
    }();
    return infos;
}

std::string chooseLanguage(std::string_view preferences) {
    const std::vector<Catalog>& all = catalogs().all;
    std::size_t at = 0;
    while (at <= preferences.size()) {
        std::size_t end = preferences.find_first_of(":,", at);
        if (end == std::string_view::npos) end = preferences.size();
        std::string want = lowerTag(preferences.substr(at, end - at));
        at = end + 1;
        want = want.substr(0, want.find_first_of(".@; "));
        if (want.empty()) continue;
        const std::string language = want.substr(0, want.find('_'));
        for (const Catalog& c : all)
            if (lowerTag(c.tag) == want) return c.tag;
        // A reader of Traditional Chinese gets the next preference, not the
        // Simplified catalog; any other tag takes its language's catalog
        // (pt-PT the Brazilian one, whose key names say they are Brazilian).
        if (language == "zh" && traditionalChinese(want)) continue;
        for (const Catalog& c : all)
            if (lowerTag(c.tag).substr(0, lowerTag(c.tag).find('_')) == language) return c.tag;
        if (want == kPseudoLanguage) return std::string(kPseudoLanguage);
    }
    return "en";
}

std::string languageFromEnvironment() {
    const auto env = [](const char* name) {
        const char* v = std::getenv(name);
        return std::string(v ? v : "");
    };
    std::string locale = env("LC_ALL");
    if (locale.empty()) locale = env("LC_MESSAGES");
    if (locale.empty()) locale = env("LANG");
    const std::string base = locale.substr(0, locale.find('.'));
    if (base.empty() || base == "C" || base == "POSIX") return "en";
    const std::string list = env("LANGUAGE");
    return chooseLanguage(list.empty() ? locale : list);
}

bool setLanguage(std::string_view tag) {
    Catalogs& all = catalogs();
    all.current = tag == kPseudoLanguage ? &pseudoCatalog() : &all.english();
    for (const Catalog& c : all.all)
        if (c.tag == tag) all.current = &c;
    return all.current->tag == tag;
}

const std::string& currentLanguage() { return catalogs().current->tag; }
