// Placeholder until the INI reader lands: the defaults stay.
#include "config/settings.h"

void loadSettings() {}
