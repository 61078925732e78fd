// The settings checker's judgement of what the walk gathered: where and why
// the load stops, the warnings and notes in report order, the status and the
// verdict.
#pragma once

#include <string>

#include "config/settings.h"
#include "tools/lib/check_gather.h"
#include "tools/lib/check_ini.h"

// Fills everything of `c` but the report: `load` is the load over `facts`,
// whose values `c.loaded` already holds; `name` is the file as the report
// names it.
void judgeIni(IniFacts facts, const SettingsLoadResult& load, const std::string& name, IniCheck& c);

// Where and why a stopped load stops.
IniFinding stopFinding(const SettingsLoadResult& load, const IniFacts& facts);

// A setting's value as the report writes it: a key with its name, a float in
// its shortest text.
std::string valueText(const SettingEntry& e, const Settings& s);
