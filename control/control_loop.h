// The per-frame control loop.
#pragma once

#include "control/mod_state.h"
#include "host/platform.h"

// Loads the settings, then one pass per frame; never returns.
void runControlLoop();

// What the loop does once, after the settings load: the desired speed and
// the mount support flag start from the settings.
void applyLoadedSettings();

// One pass without its closing wait; the caller ends it with scriptWait(0).
void runControlPass();

float clampDesiredSpeed(float speed);

#if PLK_NATIVE_BUILD
// Puts every process-wide record of the plug-in back to what a freshly loaded
// DLL holds, so one native process can host many sessions. The DLL has no
// such need: a new load is a fresh copy.
void resetPluginState();

// Gives back what the DLL gives back at its unload (there the runtime's
// exit-time destructors do it): a shown notice's text copies. Called after
// DllMain's detach, never from DllMain, which keeps to its registrations.
void unloadPluginState();
#endif
