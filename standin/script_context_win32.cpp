// A real fiber for the script; the frame loop's thread becomes a fiber too.
// GetCurrentFiber reads the thread block through gs:, which GCC's bounds
// analysis mistakes for an access to a zero-length array.
#pragma GCC diagnostic ignored "-Warray-bounds"
#include <windows.h>

#include "standin/script_context.h"

namespace standin {

struct ScriptContext {
    void (*entry)() = nullptr;
    void* fiber = nullptr;
    void* resumer = nullptr;
    bool finished = false;
};

namespace {
ScriptContext* current = nullptr;

void WINAPI fiberMain(void* p) {
    auto* c = static_cast<ScriptContext*>(p);
    c->entry();
    // A script that returns is parked for good.
    c->finished = true;
    for (;;) SwitchToFiber(c->resumer);
}
}  // namespace

ScriptContext* contextCreate(void (*entry)()) {
    auto* c = new ScriptContext;
    c->entry = entry;
    c->fiber = CreateFiber(0, fiberMain, c);
    return c;
}

void contextResume(ScriptContext* c) {
    if (!c || c->finished || !c->fiber) return;
    void* self = IsThreadAFiber() ? GetCurrentFiber() : ConvertThreadToFiber(nullptr);
    c->resumer = self;
    ScriptContext* outer = current;
    current = c;
    SwitchToFiber(c->fiber);
    current = outer;
}

void contextYield() {
    ScriptContext* c = current;
    if (!c) return;
    SwitchToFiber(c->resumer);
}

void contextDestroy(ScriptContext* c) {
    if (!c) return;
    if (c->fiber) DeleteFiber(c->fiber);
    delete c;
}

}  // namespace standin
