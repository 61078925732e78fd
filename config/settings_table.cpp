#include "config/settings_table.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <stdexcept>

#include "config/ini.h"

std::int32_t parseIniInt(const std::string& text) {
    const char* begin = text.c_str();
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(begin, &end, 10);
    if (end == begin)
        throw std::invalid_argument("invalid stoi argument");
    bool outOfRange = errno == ERANGE;
    // Where long is 64 bits, ERANGE alone lets values beyond int32 through.
    if constexpr (sizeof(long) > sizeof(std::int32_t)) {
        outOfRange = outOfRange || value < std::numeric_limits<std::int32_t>::min() ||
                     value > std::numeric_limits<std::int32_t>::max();
    }
    if (outOfRange)
        throw std::out_of_range("stoi argument out of range");
    return static_cast<std::int32_t>(value);
}

float parseIniFloat(const std::string& text) {
    const char* begin = text.c_str();
    char* end = nullptr;
    errno = 0;
    const float value = std::strtof(begin, &end);
    if (end == begin)
        throw std::invalid_argument("invalid stof argument");
    if (errno == ERANGE)
        throw std::out_of_range("stof argument out of range");
    return value;
}

bool parseIniBool(const std::string& text) {
    std::string lowered = text;
    for (char& byte : lowered)
        byte = static_cast<char>(std::tolower(static_cast<unsigned char>(byte)));
    return lowered == "true";
}

void storeSetting(const SettingEntry& entry, const std::string& text, Settings& out) {
    switch (entry.kind) {
    case SettingKind::Integer:
        out.*entry.integerField = parseIniInt(text);
        break;
    case SettingKind::Float:
        out.*entry.floatField = parseIniFloat(text);
        break;
    case SettingKind::Bool:
        out.*entry.boolField = parseIniBool(text);
        break;
    }
}

SettingsLoadResult loadSettingsFrom(const IniDocument& doc, Settings& out) {
    SettingsLoadResult result;
    result.end = SettingsLoadEnd::NoSection;
    try {
        if (!doc.hasSection(settingsSectionName))
            return result;
        const IniSection section = doc.getSection(settingsSectionName);
        for (std::size_t i = 0; i < settingsTable.size(); ++i) {
            result.failedKey = i;
            const SettingEntry& entry = settingsTable[i];
            if (section.hasKey(entry.name))
                storeSetting(entry, section.getValue(entry.name), out);
        }
        result.failedKey = settingsTable.size();
        result.end = SettingsLoadEnd::Complete;
    } catch (const std::exception&) {
        // The keys stored so far stay; this one and the rest keep their values.
        result.end = SettingsLoadEnd::Stopped;
        result.error = std::current_exception();
    }
    return result;
}

SettingsLoadResult loadSettingsFile(const std::string& path, Settings& out) {
    SettingsLoadResult result;
    try {
        // A separate text-mode open decides whether there is a file at all.
        std::ifstream probe(path);
        const bool present = probe.good();
        probe.close();
        if (!present)
            return result;
        IniDocument doc;
        loadIniFile(path, doc);
        return loadSettingsFrom(doc, out);
    } catch (const std::exception&) {
        result.end = SettingsLoadEnd::Stopped;
        result.error = std::current_exception();
    }
    return result;
}

std::string settingsLoadMessage(const SettingsLoadResult& result) {
    if (!result.error)
        return {};
    try {
        std::rethrow_exception(result.error);
    } catch (const std::exception& error) {
        return error.what();
    } catch (...) {
        return {};
    }
}
