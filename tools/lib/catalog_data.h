// The message catalogs as the build writes them (cmake/catalog-table.sh,
// from what GNU gettext's msgfmt makes of tools/lang): every message id once,
// and per catalog its plural rule, compiled, and its texts by id.
#pragma once

#include <cstddef>
#include <string_view>

// The ids of the English template, in byte order.
extern const std::string_view kMessageIds[];
extern const std::size_t kMessageCount;

struct CatalogTable {
    const char* tag;                               // "en" (the template), "de", "pt_BR"
    std::size_t (*plural)(unsigned long long n);  // its Plural-Forms: the form for n
    // By message, as kMessageIds orders them: a plural's forms apart by a
    // NUL; empty where the catalog has no translation (none, or fuzzy).
    const std::string_view* texts;
};

// English first, then by tag.
extern const CatalogTable kCatalogTables[];
extern const std::size_t kCatalogTableCount;
