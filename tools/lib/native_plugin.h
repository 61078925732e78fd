// The plug-in linked into the native simulator, loaded into the stand-in as
// the game would load the DLL: a fresh process state, then DllMain.
#pragma once

#include "tools/lib/session.h"

void loadNativePlugin();
void unloadNativePlugin();

// The plug-in's flags as they stand between two passes.
PluginFlags readNativePluginFlags();
