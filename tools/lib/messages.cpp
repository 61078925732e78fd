#include "tools/lib/messages.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>

#include "tools/lib/catalog_data.h"

namespace {

constexpr std::string_view kEnglishRule = "n != 1";

// One message of a catalog: its forms, one unless it has a plural.
struct Entry {
    std::vector<std::string> forms;
    bool plural = false;
};

struct Catalog {
    std::string tag;
    std::string rule;  // the plural rule; English's for the template
    std::map<std::string, Entry, std::less<>> entries;
};

// ---- reading a PO file ---------------------------------------------------

// The C-escaped text between the quotes of a PO string line.
std::string unquote(std::string_view line) {
    const std::size_t open = line.find('"'), close = line.rfind('"');
    std::string out;
    if (open == std::string_view::npos || close <= open) return out;
    for (std::size_t i = open + 1; i < close; ++i) {
        char c = line[i];
        if (c == '\\' && i + 1 < close) {
            c = line[++i];
            c = c == 'n' ? '\n' : c == 't' ? '\t' : c == 'r' ? '\r' : c;
        }
        out += c;
    }
    return out;
}

struct PoEntry {
    std::string ctxt, id, idPlural;
    std::vector<std::string> strs;
    bool fuzzy = false;
};

// Entries in file order; comments but flags are dropped, obsolete ones too.
std::vector<PoEntry> readPo(std::string_view text) {
    std::vector<PoEntry> out;
    PoEntry cur;
    std::string* field = nullptr;
    bool hasCtxt = false, hasId = false;
    const auto finish = [&] {
        if (hasId) out.push_back(std::move(cur));
        cur = PoEntry{};
        field = nullptr;
        hasCtxt = hasId = false;
    };
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(at, end - at);
        at = end + 1;
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) line.remove_suffix(1);
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
        if (line.empty()) continue;
        if (line[0] == '#') {
            if (line.rfind("#,", 0) == 0) {
                if (hasId) finish();
                cur.fuzzy = cur.fuzzy || line.find("fuzzy") != std::string_view::npos;
            }
            continue;
        }
        if (line[0] == '"') {
            if (field) *field += unquote(line);
            continue;
        }
        const std::string_view word = line.substr(0, line.find_first_of(" \t"));
        if ((word == "msgctxt" && (hasCtxt || hasId)) || (word == "msgid" && hasId)) finish();
        field = nullptr;
        if (word == "msgctxt") field = &cur.ctxt, hasCtxt = true;
        else if (word == "msgid") field = &cur.id, hasId = true;
        else if (word == "msgid_plural") field = &cur.idPlural;
        else if (word.rfind("msgstr", 0) == 0) field = &cur.strs.emplace_back();
        if (field) *field = unquote(line);
    }
    finish();
    return out;
}

// A header field's value ("Language", "Plural-Forms").
std::string headerField(const std::string& header, std::string_view name) {
    std::size_t at = 0;
    while (at < header.size()) {
        std::size_t end = header.find('\n', at);
        if (end == std::string::npos) end = header.size();
        const std::string_view line(header.data() + at, end - at);
        if (line.size() > name.size() && line.substr(0, name.size()) == name && line[name.size()] == ':') {
            std::string_view v = line.substr(name.size() + 1);
            while (!v.empty() && v.front() == ' ') v.remove_prefix(1);
            return std::string(v);
        }
        at = end + 1;
    }
    return {};
}

Catalog readCatalog(const CatalogSource& src) {
    Catalog c;
    std::string file = src.file;
    const bool isTemplate = file.size() > 4 && file.substr(file.size() - 4) == ".pot";
    c.tag = isTemplate ? "en" : file.substr(0, file.rfind('.'));
    c.rule = kEnglishRule;
    for (PoEntry& e : readPo(src.text)) {
        if (e.ctxt.empty() && e.id.empty()) {
            const std::string forms = headerField(e.strs.empty() ? std::string() : e.strs[0], "Plural-Forms");
            const std::size_t p = forms.find("plural=");
            if (!isTemplate && p != std::string::npos) {
                std::string rule = forms.substr(p + 7);
                while (!rule.empty() && (rule.back() == ';' || rule.back() == ' ')) rule.pop_back();
                c.rule = rule;
            }
            continue;
        }
        if (e.ctxt.empty()) continue;
        Entry entry;
        entry.plural = !e.idPlural.empty();
        if (isTemplate) {
            entry.forms.push_back(e.id);
            if (entry.plural) entry.forms.push_back(e.idPlural);
        } else if (!e.fuzzy) {
            entry.forms = e.strs;
        }
        c.entries.emplace(e.ctxt, std::move(entry));
    }
    return c;
}

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

struct Catalogs {
    std::vector<Catalog> all;  // English first
    std::vector<LanguageInfo> infos;
    const Catalog* current = nullptr;
    std::string currentTag = "en";
    Catalog pseudoCatalog;

    Catalogs() {
        for (std::size_t i = 0; i < kCatalogSourceCount; ++i) all.push_back(readCatalog(kCatalogSources[i]));
        std::stable_sort(all.begin(), all.end(), [](const Catalog& a, const Catalog& b) {
            return (a.tag != "en") < (b.tag != "en") || ((a.tag != "en") == (b.tag != "en") && a.tag < b.tag);
        });
        current = &all.front();
        pseudoCatalog.tag = kPseudoLanguage;
        pseudoCatalog.rule = kEnglishRule;
        for (const auto& [id, entry] : all.front().entries) {
            Entry p = entry;
            for (std::string& f : p.forms) f = pseudo(f);
            pseudoCatalog.entries.emplace(id, std::move(p));
        }
    }
    const Catalog& english() const { return all.front(); }
};

Catalogs& catalogs() {
    static Catalogs c;
    return c;
}

std::string formOf(const Catalog& c, const Entry& e, const std::vector<MessageArg>& args, bool& ok) {
    ok = false;
    if (e.forms.empty()) return {};
    std::size_t index = 0;
    if (e.plural) {
        long long n = 0;
        for (const MessageArg& a : args)
            if (a.name == "n") n = std::strtoll(a.value.c_str(), nullptr, 10);
        const long long k = evalPluralRule(c.rule, n);
        if (k < 0 || static_cast<std::size_t>(k) >= e.forms.size()) return {};
        index = static_cast<std::size_t>(k);
    }
    ok = !e.forms[index].empty();
    return e.forms[index];
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

// ---- plural rules -----------------------------------------------------------

// A recursive descent over C's operators as plural rules use them.
struct RuleParser {
    std::string_view s;
    std::size_t at = 0;
    long long n = 0;
    bool bad = false;

    void space() {
        while (at < s.size() && std::isspace(static_cast<unsigned char>(s[at]))) ++at;
    }
    bool take(std::string_view op) {
        space();
        if (s.substr(at, op.size()) != op) return false;
        // "<" is not "<=", "!" is not "!=", "|" alone is no operator.
        if (op.size() == 1 && at + 1 < s.size() && s[at + 1] == '=' && (op == "<" || op == ">" || op == "!"))
            return false;
        at += op.size();
        return true;
    }
    long long primary() {
        space();
        if (take("(")) {
            const long long v = ternary();
            if (!take(")")) bad = true;
            return v;
        }
        if (take("!")) return !primary();
        if (take("-")) return -primary();
        if (at < s.size() && s[at] == 'n') {
            ++at;
            return n;
        }
        if (at < s.size() && std::isdigit(static_cast<unsigned char>(s[at]))) {
            long long v = 0;
            while (at < s.size() && std::isdigit(static_cast<unsigned char>(s[at]))) v = v * 10 + (s[at++] - '0');
            return v;
        }
        bad = true;
        return 0;
    }
    long long product() {
        long long v = primary();
        for (;;) {
            if (take("*")) v *= primary();
            else if (take("/") || take("%")) {
                const char op = s[at - 1];
                const long long r = primary();
                if (r == 0) {
                    bad = true;
                    return 0;
                }
                v = op == '/' ? v / r : v % r;
            } else return v;
        }
    }
    long long sum() {
        long long v = product();
        for (;;) {
            if (take("+")) v += product();
            else if (take("-")) v -= product();
            else return v;
        }
    }
    long long relation() {
        long long v = sum();
        for (;;) {
            if (take("<=")) v = v <= sum();
            else if (take(">=")) v = v >= sum();
            else if (take("<")) v = v < sum();
            else if (take(">")) v = v > sum();
            else return v;
        }
    }
    long long equality() {
        long long v = relation();
        for (;;) {
            if (take("==")) v = v == relation();
            else if (take("!=")) v = v != relation();
            else return v;
        }
    }
    long long conjunction() {
        long long v = equality();
        while (take("&&")) {
            const long long r = equality();
            v = v && r;
        }
        return v;
    }
    long long disjunction() {
        long long v = conjunction();
        while (take("||")) {
            const long long r = conjunction();
            v = v || r;
        }
        return v;
    }
    long long ternary() {
        const long long c = disjunction();
        if (!take("?")) return c;
        const long long a = ternary();
        if (!take(":")) bad = true;
        const long long b = ternary();
        return c ? a : b;
    }
};

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

long long evalPluralRule(std::string_view rule, long long n) {
    RuleParser p{rule, 0, n};
    const long long v = p.ternary();
    p.space();
    return p.bad || p.at != rule.size() ? -1 : v;
}

std::string tr(const Message& m) {
    Catalogs& all = catalogs();
    bool ok = false;
    std::string text;
    if (const auto it = all.current->entries.find(m.id); it != all.current->entries.end())
        text = formOf(*all.current, it->second, m.args, ok);
    if (!ok) {
        const auto it = all.english().entries.find(m.id);
        if (it == all.english().entries.end()) return std::string(m.id);
        text = formOf(all.english(), it->second, m.args, ok);
    }
    return fill(text, m.args);
}

std::string tr(std::string_view id, std::initializer_list<MessageArg> args) { return tr(Message{id, args}); }

MessageArg count(std::string_view name, long long n) { return {name, std::to_string(n)}; }

const std::vector<LanguageInfo>& languages() {
    Catalogs& all = catalogs();
    if (all.infos.empty()) {
        const Catalog* was = all.current;
        for (const Catalog& c : all.all) {
            all.current = &c;
            all.infos.push_back({c.tag, tr("language.name")});
        }
        all.current = was;
    }
    return all.infos;
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
    all.current = &all.english();
    all.currentTag = "en";
    if (tag == kPseudoLanguage) {
        all.current = &all.pseudoCatalog;
        all.currentTag = kPseudoLanguage;
        return true;
    }
    for (const Catalog& c : all.all)
        if (c.tag == tag) {
            all.current = &c;
            all.currentTag = c.tag;
            return true;
        }
    return tag == "en";
}

const std::string& currentLanguage() { return catalogs().currentTag; }
