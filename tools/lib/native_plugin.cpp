#include "tools/lib/native_plugin.h"

#include "control/control_loop.h"
#include "host/entry.h"
#include "standin/standin.h"

namespace {
// Any distinct address serves as the module handle.
char moduleTag;
HINSTANCE module() { return reinterpret_cast<HINSTANCE>(&moduleTag); }
bool loaded = false;
}  // namespace

void loadNativePlugin() {
    standin_reset();
    // What a fresh process would hold, so several sessions can share one.
    resetPluginState();
    DllMain(module(), DLL_PROCESS_ATTACH, nullptr);
    loaded = true;
}

void unloadNativePlugin() {
    DllMain(module(), DLL_PROCESS_DETACH, nullptr);
    standin_reset();
    unloadPluginState();
    loaded = false;
}

PluginFlags readNativePluginFlags() {
    return PluginFlags{modState.modEnabled, modState.hudVisible, modState.autoWalk, modState.horseSupportOff,
                       modState.desiredSpeed};
}

int runNativePluginFrame() { return standin_runFrameWith(runControlPass); }

bool nativePluginLoaded() { return loaded; }

NativePluginState saveNativePlugin() {
    NativePluginState s;
    s.settings = settings;
    s.mod = modState;
    for (DWORD k = 0; k < KEY_TABLE_SIZE; ++k) {
        const KeyState& r = keyStateTable[k];
        s.keys[k][0] = r.time.load(std::memory_order_relaxed);
        s.keys[k][1] = r.isWithAlt.load(std::memory_order_relaxed);
        s.keys[k][2] = r.wasDownBefore.load(std::memory_order_relaxed);
        s.keys[k][3] = r.isUpNow.load(std::memory_order_relaxed);
    }
    s.world = *standin_world();
    s.tick = standin_tick();
    s.frameStep = standin_frameStep();
    return s;
}

void restoreNativePlugin(const NativePluginState& s) {
    loadNativePlugin();
    settings = s.settings;
    modState = s.mod;
    for (DWORD k = 0; k < KEY_TABLE_SIZE; ++k) {
        KeyState& r = keyStateTable[k];
        r.time.store(s.keys[k][0], std::memory_order_relaxed);
        r.isWithAlt.store(s.keys[k][1], std::memory_order_relaxed);
        r.wasDownBefore.store(s.keys[k][2], std::memory_order_relaxed);
        r.isUpNow.store(s.keys[k][3], std::memory_order_relaxed);
    }
    *standin_world() = s.world;
    standin_setTick(s.tick);
    standin_setFrameStep(s.frameStep);
}
