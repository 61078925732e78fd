#include "bench/noop_host.h"

#include <atomic>

#include "control/control_loop.h"
#include "host/platform.h"

namespace {
std::atomic<std::uint32_t> tickCount{0};
std::uint64_t calls = 0;
std::uint64_t slots[16];
std::uint32_t pushed = 0;
alignas(16) std::uint64_t resultArea[4] = {0, 0, 0, 0};
std::uint64_t currentHash = 0;

struct Answer {
    std::uint64_t hash, value;
};
Answer answers[8];
std::uint32_t answerCount = 0;

noophost::CallShape* recording = nullptr;
std::uint32_t recordCapacity = 0;
std::uint32_t recorded = 0;
}  // namespace

namespace noophost {
void setTick(std::uint32_t t) { tickCount.store(t, std::memory_order_relaxed); }
std::uint32_t tick() { return tickCount.load(std::memory_order_relaxed); }
std::uint64_t nativeCalls() { return calls; }
void setAnswer(std::uint64_t hash, std::uint64_t value) {
    for (std::uint32_t i = 0; i < answerCount; ++i)
        if (answers[i].hash == hash) {
            answers[i].value = value;
            return;
        }
    if (answerCount < 8) answers[answerCount++] = {hash, value};
}
void clearAnswers() { answerCount = 0; }
void startRecording(CallShape* out, std::uint32_t capacity) {
    recording = out;
    recordCapacity = capacity;
    recorded = 0;
}
std::uint32_t stopRecording() {
    recording = nullptr;
    return recorded;
}
}  // namespace noophost

extern "C" {
DWORD GetTickCount() { return tickCount.load(std::memory_order_relaxed); }
void shfrtr_scriptRegister(HINSTANCE, ScriptEntry) {}
void shfrtr_scriptUnregister(HINSTANCE) {}
void shfrtr_keyboardHandlerRegister(KeyboardHandler) {}
void shfrtr_keyboardHandlerUnregister(KeyboardHandler) {}
void shfrtr_scriptWait(DWORD) {}

void shfrtr_nativeInit(std::uint64_t hash) {
    ++calls;
    pushed = 0;
    currentHash = hash;
    if (recording && recorded < recordCapacity) recording[recorded++] = {hash, 0};
}

// Keeps the slot, as a script hook must; bounded so a runaway push is harmless.
void shfrtr_nativePush64(std::uint64_t value) {
    slots[pushed & 15] = value;
    ++pushed;
    if (recording && recorded > 0) recording[recorded - 1].slots = pushed;
}

std::uint64_t* shfrtr_nativeCall() {
    std::uint64_t value = 0;
    for (std::uint32_t i = 0; i < answerCount; ++i)
        if (answers[i].hash == currentHash) value = answers[i].value;
    resultArea[0] = value;
    return resultArea;
}
}

void noophost::resetPlugin() {
    resetPluginState();
    clearAnswers();
    setTick(100000);
    applyLoadedSettings();
}
