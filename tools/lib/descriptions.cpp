#include "tools/lib/descriptions.h"

#include <array>

#include "config/settings.h"
#include "tools/lib/messages.h"

namespace {

// Made from the table's names, so an added setting needs only its message;
// kept, since a Message holds its id by view.
const std::array<std::string, kSettingsTable.size()>& descriptionIds() {
    static const auto ids = [] {
        std::array<std::string, kSettingsTable.size()> out;
        for (std::size_t i = 0; i < out.size(); ++i) {
            out[i] = "setting.";
            for (const char c : kSettingsTable[i].name) out[i] += c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
            out[i] += ".what";
        }
        return out;
    }();
    return ids;
}

}  // namespace

std::string settingDescription(std::size_t i) {
    if (i >= kSettingsTable.size()) return {};
    // The names and numbers the descriptions quote; each takes those it names.
    return tr(Message{descriptionIds()[i],
                      {{"plugin", "Pacelark"}, {"on", "true"}, {"horse_toggle", "TOGGLE_HORSE_SUPPORT"}, {"full", "3"}}});
}
