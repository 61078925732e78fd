#include "config/settings.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <new>
#include <stdexcept>

#include "config/ini.h"

constinit Settings settings{};

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

namespace {

// Runs `load` and turns any standard exception into a stopped result; the
// parse errors are told apart by the kind of the key being read, if any.
template <class Load>
SettingsLoadResult guarded(Load load) {
    SettingsLoadResult result;
    const auto kindAt = [&result] {
        return result.failedKey < kSettingsTable.size() ? kSettingsTable[result.failedKey].kind : SettingKind::Bool;
    };
    try {
        load(result);
        return result;
    } catch (const std::invalid_argument&) {
        const SettingKind kind = kindAt();
        result.error = kind == SettingKind::Integer ? SettingsLoadError::InvalidInteger
                       : kind == SettingKind::Float ? SettingsLoadError::InvalidFloat
                                                    : SettingsLoadError::Other;
    } catch (const std::out_of_range&) {
        const SettingKind kind = kindAt();
        result.error = kind == SettingKind::Integer ? SettingsLoadError::IntegerOutOfRange
                       : kind == SettingKind::Float ? SettingsLoadError::FloatOutOfRange
                                                    : SettingsLoadError::Other;
    } catch (const std::bad_alloc&) {
        result.error = SettingsLoadError::OutOfMemory;
    } catch (const std::exception&) {
        result.error = SettingsLoadError::Other;
    }
    // The keys stored so far stay; this one and the rest keep their values.
    result.end = SettingsLoadEnd::Stopped;
    return result;
}

void storeSection(const IniDocument& doc, Settings& out, SettingsLoadResult& result) {
    result.end = SettingsLoadEnd::NoSection;
    if (!doc.hasSection(kSettingsSectionName))
        return;
    const IniSection section = doc.getSection(kSettingsSectionName);
    for (std::size_t i = 0; i < kSettingsTable.size(); ++i) {
        result.failedKey = i;
        const SettingEntry& entry = kSettingsTable[i];
        if (section.hasKey(entry.name))
            storeSetting(entry, section.getValue(entry.name), out);
    }
    result.failedKey = kSettingsTable.size();
    result.end = SettingsLoadEnd::Complete;
}

}  // namespace

SettingsLoadResult loadSettingsFrom(const IniDocument& doc, Settings& out) {
    return guarded([&](SettingsLoadResult& result) { storeSection(doc, out, result); });
}

SettingsLoadResult loadSettingsFile(const std::string& path, Settings& out) {
    return guarded([&](SettingsLoadResult& result) {
        // A separate text-mode open decides whether there is a file at all.
        std::ifstream probe(path);
        const bool present = probe.good();
        probe.close();
        if (!present)
            return;
        IniDocument doc;
        loadIniFile(path, doc);
        storeSection(doc, out, result);
    });
}

// Silent by design: a bad or missing file only means defaults.
void loadSettings() {
    loadSettingsFile(kSettingsFileName, settings);
}

const char* settingsLoadMessage(SettingsLoadError error) {
    switch (error) {
    case SettingsLoadError::InvalidInteger: return "invalid stoi argument";
    case SettingsLoadError::IntegerOutOfRange: return "stoi argument out of range";
    case SettingsLoadError::InvalidFloat: return "invalid stof argument";
    case SettingsLoadError::FloatOutOfRange: return "stof argument out of range";
    case SettingsLoadError::OutOfMemory: return "std::bad_alloc";
    default: return "";
    }
}
