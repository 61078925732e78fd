#include "standin/standin.h"

#include <atomic>
#include <mutex>

#include "standin/script_context.h"

#ifdef _WIN32
#include "standin/iat_win32.h"
#endif

using namespace standin;

namespace {

struct Host {
    std::mutex registration;  // guards the fields below against the key thread
    HINSTANCE scriptModule = nullptr;
    ScriptEntry scriptEntry = nullptr;
    KeyboardHandler handler = nullptr;
    std::vector<RegistrationEvent> events;
    ScriptContext* context = nullptr;
    std::uint64_t scriptStarts = 0;

    World world;
    std::uint32_t frameStep = 0;
    std::atomic<std::uint32_t> tick{0};
    bool clockControlled = false;

    // The native call being assembled.
    std::uint64_t pendingHash = 0;
    std::vector<std::uint64_t> pendingArgs;
    alignas(16) std::uint64_t resultArea[4] = {0, 0, 0, 0};
};

Host& host() {
    static Host h;
    return h;
}

std::uint32_t currentTick() {
#ifdef _WIN32
    Host& h = host();
    return h.clockControlled ? h.tick.load(std::memory_order_relaxed) : ::GetTickCount();
#else
    return host().tick.load(std::memory_order_relaxed);
#endif
}

void logEvent(EventKind kind, void* module, void* fn) {
    host().events.push_back(RegistrationEvent{kind, module, fn});
}

}  // namespace

#ifndef _WIN32
extern "C" DWORD GetTickCount() { return host().tick.load(std::memory_order_relaxed); }
#else
static DWORD WINAPI standinTickCount() { return host().tick.load(std::memory_order_relaxed); }
#endif

// ---- the script hook functions ----

extern "C" void shfrtr_scriptRegister(HINSTANCE module, ScriptEntry entry) {
    Host& h = host();
    ScriptContext* old = nullptr;
    {
        std::lock_guard lock(h.registration);
        logEvent(EventKind::ScriptRegister, module, reinterpret_cast<void*>(entry));
        old = h.context;
        h.context = nullptr;
        h.scriptModule = module;
        h.scriptEntry = entry;
    }
    contextDestroy(old);
#ifdef _WIN32
    if (h.clockControlled) redirectTickCount(module, standinTickCount);
#endif
}

extern "C" void shfrtr_scriptUnregister(HINSTANCE module) {
    Host& h = host();
    ScriptContext* old = nullptr;
    {
        std::lock_guard lock(h.registration);
        logEvent(EventKind::ScriptUnregister, module, nullptr);
        if (module != h.scriptModule) return;
        old = h.context;
        h.context = nullptr;
        h.scriptEntry = nullptr;
        h.scriptModule = nullptr;
    }
    contextDestroy(old);
}

extern "C" void shfrtr_keyboardHandlerRegister(KeyboardHandler handler) {
    Host& h = host();
    std::lock_guard lock(h.registration);
    logEvent(EventKind::KeyboardRegister, nullptr, reinterpret_cast<void*>(handler));
    h.handler = handler;
}

extern "C" void shfrtr_keyboardHandlerUnregister(KeyboardHandler handler) {
    Host& h = host();
    // Taking the lock waits out a message being delivered right now, so
    // none reaches the handler after this returns.
    std::lock_guard lock(h.registration);
    logEvent(EventKind::KeyboardUnregister, nullptr, reinterpret_cast<void*>(handler));
    if (h.handler == handler) h.handler = nullptr;
}

extern "C" void shfrtr_scriptWait(DWORD milliseconds) {
    host().world.current.waits.push_back(milliseconds);
    contextYield();
}

extern "C" void shfrtr_nativeInit(std::uint64_t hash) {
    Host& h = host();
    h.pendingHash = hash;
    h.pendingArgs.clear();
}

extern "C" void shfrtr_nativePush64(std::uint64_t value) { host().pendingArgs.push_back(value); }

extern "C" std::uint64_t* shfrtr_nativeCall() {
    Host& h = host();
    const std::uint64_t result = h.world.answer(h.pendingHash, h.pendingArgs);
    h.world.current.calls.push_back(NativeCallRecord{h.pendingHash, h.pendingArgs, result});
    h.resultArea[0] = result;
    h.resultArea[1] = h.resultArea[2] = h.resultArea[3] = 0;
    return h.resultArea;
}

// ---- the test and tool interface ----

STANDIN_API void standin_reset() {
    Host& h = host();
    ScriptContext* old = nullptr;
    {
        std::lock_guard lock(h.registration);
        old = h.context;
        h.context = nullptr;
        h.scriptModule = nullptr;
        h.scriptEntry = nullptr;
        h.handler = nullptr;
        h.events.clear();
        h.scriptStarts = 0;
    }
    contextDestroy(old);
    h.world.resetAll();
    h.frameStep = 0;
    h.tick.store(0, std::memory_order_relaxed);
    h.clockControlled = false;
}

STANDIN_API World* standin_world() { return &host().world; }
STANDIN_API const std::vector<RegistrationEvent>* standin_events() { return &host().events; }

STANDIN_API int standin_runFrame() {
    Host& h = host();
    h.world.beginFrame(currentTick());
    ScriptContext* c = nullptr;
    {
        std::lock_guard lock(h.registration);
        if (h.scriptEntry && !h.context) {
            h.context = contextCreate(h.scriptEntry);
            ++h.scriptStarts;
        }
        c = h.context;
    }
    if (c) contextResume(c);
    h.world.endFrame(c != nullptr);
    h.tick.fetch_add(h.frameStep, std::memory_order_relaxed);
    return c != nullptr;
}

STANDIN_API void standin_setFrameStep(std::uint32_t ms) { host().frameStep = ms; }
STANDIN_API std::uint32_t standin_frameStep() { return host().frameStep; }

STANDIN_API int standin_runFrameWith(void (*pass)()) {
    Host& h = host();
    h.world.beginFrame(currentTick());
    pass();
    h.world.current.waits.push_back(0);
    h.world.endFrame(true);
    h.tick.fetch_add(h.frameStep, std::memory_order_relaxed);
    return 1;
}

STANDIN_API int standin_key(DWORD key, WORD repeats, BYTE scanCode, BOOL isExtended,
                            BOOL isWithAlt, BOOL wasDownBefore, BOOL isUpNow) {
    Host& h = host();
    std::lock_guard lock(h.registration);
    if (!h.handler) return 0;
    h.handler(key, repeats, scanCode, isExtended, isWithAlt, wasDownBefore, isUpNow);
    return 1;
}

STANDIN_API void standin_tapKey(DWORD key) {
    standin_key(key, 1, 0, FALSE, FALSE, FALSE, FALSE);
    standin_key(key, 1, 0, FALSE, FALSE, TRUE, TRUE);
}

STANDIN_API void standin_setTick(std::uint32_t tick) {
    Host& h = host();
    h.tick.store(tick, std::memory_order_relaxed);
#ifdef _WIN32
    if (!h.clockControlled) {
        h.clockControlled = true;
        std::lock_guard lock(h.registration);
        if (h.scriptModule) redirectTickCount(h.scriptModule, standinTickCount);
    }
#endif
}

STANDIN_API std::uint32_t standin_tick() { return currentTick(); }

STANDIN_API int standin_scriptRegistered() {
    std::lock_guard lock(host().registration);
    return host().scriptEntry != nullptr;
}
STANDIN_API int standin_handlerRegistered() {
    std::lock_guard lock(host().registration);
    return host().handler != nullptr;
}
STANDIN_API std::uint64_t standin_scriptStarts() { return host().scriptStarts; }

#ifdef _WIN32
STANDIN_API void* standin_redirectImport(HINSTANCE module, const char* dll, const char* name, void* replacement) {
    return redirectImport(module, dll, name, replacement);
}
#endif
