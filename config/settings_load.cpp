#include "config/settings.h"
#include "config/settings_table.h"

// Silent by design: a bad or missing file only means defaults.
void loadSettings() {
    loadSettingsFile(settingsFileName, settings);
}
