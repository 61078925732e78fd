#include "config/settings.h"

#include <cstdio>
#include <new>
#include <stdexcept>

#include "config/ini.h"
#include "config/numbers.h"

constinit Settings settings{};

// The parses read alike in every locale the game's modules may set (see
// config/numbers.h); only their failures are the standard exceptions.
std::int32_t parseIniInt(const std::string& text) {
    const Int32Parse parse = parseInt32(text);
    if (parse.status == NumberStatus::Invalid)
        throw std::invalid_argument("invalid stoi argument");
    if (parse.status == NumberStatus::OutOfRange)
        throw std::out_of_range("stoi argument out of range");
    return parse.value;
}

float parseIniFloat(const std::string& text) {
    const FloatParse parse = parseFloat32(text);
    if (parse.status == NumberStatus::Invalid)
        throw std::invalid_argument("invalid stof argument");
    if (parse.status == NumberStatus::OutOfRange)
        throw std::out_of_range("stof argument out of range");
    return parse.value;
}

bool parseIniBool(const std::string& text) { return parseBool(text); }

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
