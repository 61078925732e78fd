// What each setting does, in one line a player reads: the settings page shows
// it beside the field, and the sample Pacelark.ini and README's table carry
// the English words (a test keeps them in step). Tools only; the plug-in has
// no use for it.
#pragma once

#include <cstddef>
#include <string>

// Setting i of kSettingsTable (message setting.<name>.what, the name in lower
// case), in the current language.
std::string settingDescription(std::size_t i);
