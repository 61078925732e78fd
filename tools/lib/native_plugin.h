// The plug-in linked into the native simulator, loaded into the stand-in as
// the game would load the DLL: a fresh process state, then DllMain.
#pragma once

#include <cstdint>

#include "config/settings.h"
#include "control/mod_state.h"
#include "host/keys.h"
#include "standin/world.h"
#include "tools/lib/session.h"

void loadNativePlugin();
void unloadNativePlugin();

// The plug-in's flags as they stand between two passes.
PluginFlags readNativePluginFlags();

// One stand-in frame whose pass runs directly, without a script context.
int runNativePluginFrame();

// Between a load and its unload.
bool nativePluginLoaded();

// Everything of the plug-in and the stand-in that lasts from frame to frame.
struct NativePluginState {
    Settings settings;
    ModState mod;
    std::uint32_t keys[KEY_TABLE_SIZE][4] = {};
    standin::World world;
    std::uint32_t tick = 0, frameStep = 0;
};
NativePluginState saveNativePlugin();
// Loads the plug-in, then puts the saved state back.
void restoreNativePlugin(const NativePluginState& state);
