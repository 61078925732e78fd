// The INI reader on arbitrary bytes: besides not crashing, what it stores
// must be findable by its names and shaped as the line rules allow.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "config/ini.h"

namespace {

constexpr std::string_view kWhitespace(" \t\n\r\f\v", 6);

void require(bool ok) {
    if (!ok) std::abort();
}

bool trimmed(const std::string& s) {
    return s.empty() || (kWhitespace.find(s.front()) == std::string_view::npos &&
                         kWhitespace.find(s.back()) == std::string_view::npos);
}

std::string shouted(const std::string& name) {
    std::string s = " \t";
    for (char c : name) s += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
    return s + "\v ";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    IniDocument doc;
    loadIniText(bytes, doc);
    std::size_t newlines = 0;
    for (char c : bytes) newlines += c == '\n';
    require(doc.entries().size() <= newlines + 1);  // at most one section per line

    for (const auto& [name, section] : doc.entries()) {
        require(name == normaliseIniName(name));
        require(doc.hasSection(name) && doc.hasSection(shouted(name)));
        for (const auto& [key, value] : section.entries()) {
            require(key == normaliseIniName(key));
            require(section.hasKey(shouted(key)));
            require(section.getValue(key) == value);
            require(trimmed(value));
            require(value.find_first_of(std::string_view("\n\r\0", 3)) == std::string::npos);
        }
        require(doc.getSection(shouted(name)).entries().size() == section.entries().size());
    }
    // Lookups of absent names insert nothing.
    const std::size_t sections = doc.entries().size();
    (void)doc.getSection("\x01" "absent");
    require(doc.entries().size() == sections);
    return 0;
}
