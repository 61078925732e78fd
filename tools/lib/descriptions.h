// What each setting does, in one line a player reads: the settings page shows
// it beside the field, and the sample Pacelark.ini and README's table carry
// the same words (a test keeps them in step). Tools only; the plug-in has no
// use for it.
#pragma once

#include <array>
#include <string_view>

#include "config/settings.h"

// In the order of kSettingsTable.
extern const std::array<std::string_view, kSettingsTable.size()> kSettingDescriptions;
