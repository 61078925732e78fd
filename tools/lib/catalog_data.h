// The message catalogs as the build embeds them (cmake/embed-catalogs.cmake):
// each file of tools/lang by name, its text without comments but flags.
#pragma once

#include <cstddef>

struct CatalogSource {
    const char* file;  // "pacelark.pot" (English), "de.po", ...
    const char* text;
};

extern const CatalogSource kCatalogSources[];
extern const std::size_t kCatalogSourceCount;
