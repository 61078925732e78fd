#include "config/settings.h"

#include <cstdio>
#include <exception>
#include <new>

#include "config/ini.h"
#include "config/numbers.h"

constinit Settings settings{};

// The parses read alike in every locale the game's modules may set (see
// config/numbers.h).
SettingsLoadError parseIniInt(const std::string& text, std::int32_t& out) {
    const Int32Parse parse = parseInt32(text);
    if (parse.status == NumberStatus::Invalid)
        return SettingsLoadError::InvalidInteger;
    if (parse.status == NumberStatus::OutOfRange)
        return SettingsLoadError::IntegerOutOfRange;
    out = parse.value;
    return SettingsLoadError::None;
}

SettingsLoadError parseIniFloat(const std::string& text, float& out) {
    const FloatParse parse = parseFloat32(text);
    if (parse.status == NumberStatus::Invalid)
        return SettingsLoadError::InvalidFloat;
    if (parse.status == NumberStatus::OutOfRange)
        return SettingsLoadError::FloatOutOfRange;
    out = parse.value;
    return SettingsLoadError::None;
}

bool parseIniBool(const std::string& text) { return parseBool(text); }

SettingsLoadError storeSetting(const SettingEntry& entry, const std::string& text, Settings& out) {
    switch (entry.kind) {
    case SettingKind::Integer:
        return parseIniInt(text, out.*entry.integerField);
    case SettingKind::Float:
        return parseIniFloat(text, out.*entry.floatField);
    case SettingKind::Bool:
        out.*entry.boolField = parseIniBool(text);
        break;
    }
    return SettingsLoadError::None;
}

namespace {

// Runs `load`, which stops at the first value that does not read; what is
// left to catch is storage running out inside the containers.
template <class Load>
SettingsLoadResult guarded(Load load) {
    SettingsLoadResult result;
    try {
        load(result);
    } catch (const std::bad_alloc&) {
        result.error = SettingsLoadError::OutOfMemory;
    } catch (const std::exception&) {
        result.error = SettingsLoadError::Other;
    }
    // The keys stored so far stay; this one and the rest keep their values.
    if (result.error != SettingsLoadError::None)
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
        if (section.hasKey(entry.name)) {
            result.error = storeSetting(entry, section.getValue(entry.name), out);
            if (result.error != SettingsLoadError::None)
                return;
        }
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
        std::FILE* probe = std::fopen(path.c_str(), "r");
        const bool present = probe != nullptr;
        if (probe != nullptr)
            std::fclose(probe);
        if (!present)
            return;
        IniDocument doc;
        loadIniFile(path, doc);
        storeSection(doc, out, result);
    });
}

SettingsLoadResult loadSettingsText(std::string_view bytes, Settings& out) {
    return guarded([&](SettingsLoadResult& result) {
        IniDocument doc;
        loadIniText(bytes, doc);
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
