// Thread-based stand-in for a fiber. The host and the script thread pass a
// baton under one mutex, so their steps never overlap and every hand-off is
// a happens-before edge that sanitizers can see.
#include <condition_variable>
#include <mutex>
#include <thread>

#include "standin/script_context.h"

namespace standin {

namespace {
struct Abandoned {};  // unwinds a parked script that will never be resumed
thread_local ScriptContext* tlsCurrent = nullptr;
}  // namespace

struct ScriptContext {
    void (*entry)() = nullptr;
    std::mutex m;
    std::condition_variable cv;
    bool scriptTurn = false;
    bool abandoned = false;
    bool finished = false;
    std::thread thread;
};

static void run(ScriptContext* c) {
    tlsCurrent = c;
    {
        std::unique_lock lock(c->m);
        c->cv.wait(lock, [c] { return c->scriptTurn || c->abandoned; });
        if (c->abandoned) {
            c->finished = true;
            return;
        }
    }
    try {
        c->entry();
    } catch (const Abandoned&) {
    }
    std::lock_guard lock(c->m);
    c->finished = true;
    c->scriptTurn = false;
    c->cv.notify_all();
}

ScriptContext* contextCreate(void (*entry)()) {
    auto* c = new ScriptContext;
    c->entry = entry;
    c->thread = std::thread(run, c);
    return c;
}

void contextResume(ScriptContext* c) {
    std::unique_lock lock(c->m);
    if (c->finished) return;
    c->scriptTurn = true;
    c->cv.notify_all();
    c->cv.wait(lock, [c] { return !c->scriptTurn; });
}

void contextYield() {
    ScriptContext* c = tlsCurrent;
    if (!c) return;  // not on a script context: nothing to hand back
    std::unique_lock lock(c->m);
    c->scriptTurn = false;
    c->cv.notify_all();
    c->cv.wait(lock, [c] { return c->scriptTurn || c->abandoned; });
    if (c->abandoned) throw Abandoned{};
}

void contextDestroy(ScriptContext* c) {
    if (!c) return;
    {
        std::lock_guard lock(c->m);
        c->abandoned = true;
        c->cv.notify_all();
    }
    c->thread.join();
    delete c;
}

}  // namespace standin
