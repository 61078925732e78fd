#include "tools/lib/native_plugin.h"

#include "control/control_loop.h"
#include "host/entry.h"
#include "standin/standin.h"

namespace {
// Any distinct address serves as the module handle.
char moduleTag;
HINSTANCE module() { return reinterpret_cast<HINSTANCE>(&moduleTag); }
}  // namespace

void loadNativePlugin() {
    standin_reset();
    // What a fresh process would hold, so several sessions can share one.
    resetPluginState();
    DllMain(module(), DLL_PROCESS_ATTACH, nullptr);
}

void unloadNativePlugin() {
    DllMain(module(), DLL_PROCESS_DETACH, nullptr);
    standin_reset();
    unloadPluginState();
}

PluginFlags readNativePluginFlags() {
    return PluginFlags{modState.modEnabled, modState.hudVisible, modState.autoWalk, modState.horseSupportOff,
                       modState.desiredSpeed};
}
