#include "tools/lib/quick_edit.h"

#include "config/ini_walk.h"
#include "config/settings.h"
#include "tools/lib/ini_edit.h"

std::size_t settingsPartEnd(std::string_view bytes) {
    const std::size_t end = iniSectionPartEnd(bytes, kSettingsSectionName);
    if (end == bytes.size()) return end;
    // A key added to [SETTINGS] takes the whole file's line end style.
    return lineEndStyle(bytes.substr(0, end)) == lineEndStyle(bytes) ? end : bytes.size();
}

EditResult setSettingValueQuick(std::string_view bytes, std::size_t key, std::string_view value) {
    const std::size_t end = settingsPartEnd(bytes);
    if (end == bytes.size()) return setSettingValue(bytes, key, value);
    EditResult out = setSettingValue(bytes.substr(0, end), key, value);
    if (out.ok()) out.text.append(bytes.substr(end));
    return out;
}
