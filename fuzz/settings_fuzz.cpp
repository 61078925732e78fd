// The settings load on arbitrary file contents: it never throws, the first
// bad value leaves itself and every later key at its default, and reading
// the bytes from a file gives exactly what reading them from memory gives.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>

#include "config/ini.h"
#include "config/settings.h"

namespace {

void require(bool ok) {
    if (!ok) std::abort();
}

bool sameField(const SettingEntry& e, const Settings& a, const Settings& b) {
    switch (e.kind) {
        case SettingKind::Integer: return a.*e.integerField == b.*e.integerField;
        case SettingKind::Bool: return a.*e.boolField == b.*e.boolField;
        case SettingKind::Float: return std::memcmp(&(a.*e.floatField), &(b.*e.floatField), sizeof(float)) == 0;
    }
    return false;
}

bool sameSettings(const Settings& a, const Settings& b) {
    for (const SettingEntry& e : kSettingsTable)
        if (!sameField(e, a, b)) return false;
    return true;
}

const std::string& scratchPath() {
    static const std::string path = "/tmp/plk-settings-fuzz-" + std::to_string(getpid()) + ".ini";
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const Settings defaults{};
    IniDocument doc;
    loadIniText(bytes, doc);
    Settings loaded{};
    const SettingsLoadResult r = loadSettingsFrom(doc, loaded);
    const IniSection section = doc.getSection("SETTINGS");

    switch (r.end) {
        case SettingsLoadEnd::NoSection: require(sameSettings(loaded, defaults)); break;
        case SettingsLoadEnd::Complete: require(r.failedKey == kSettingsTable.size() && r.error == SettingsLoadError::None); break;
        case SettingsLoadEnd::Stopped: {
            require(r.failedKey < kSettingsTable.size());
            const SettingEntry& bad = kSettingsTable[r.failedKey];
            require(section.hasKey(bad.name));
            // The failing value fails alone too, with one of the four messages.
            Settings scratch{};
            require(storeSetting(bad, section.getValue(bad.name), scratch) == r.error);
            const std::string m = settingsLoadMessage(r.error);
            require(m == "invalid stoi argument" || m == "stoi argument out of range" ||
                    m == "invalid stof argument" || m == "stof argument out of range");
            for (std::size_t i = r.failedKey; i < kSettingsTable.size(); ++i)
                require(sameField(kSettingsTable[i], loaded, defaults));
            break;
        }
        case SettingsLoadEnd::NoFile: require(false); break;
    }
    for (const SettingEntry& e : kSettingsTable)
        if (!section.hasKey(e.name)) require(sameField(e, loaded, defaults));

    // The same bytes as a file, through the presence test and the file reader.
    FILE* f = std::fopen(scratchPath().c_str(), "wb");
    require(f != nullptr);
    require(std::fwrite(data, 1, size, f) == size);
    std::fclose(f);
    Settings fromFile{};
    const SettingsLoadResult rf = loadSettingsFile(scratchPath(), fromFile);
    std::remove(scratchPath().c_str());
    require(rf.end == r.end && rf.failedKey == r.failedKey);
    require(sameSettings(fromFile, loaded));
    return 0;
}
