// The settings page has no threads (a page opened from disk gets none), so it
// has no script context either: its preview runs one pass directly and never
// starts the script. Starting one is a fault, and says so.
#include <cstdio>
#include <cstdlib>

#include "standin/script_context.h"

namespace standin {

struct ScriptContext {};

ScriptContext* contextCreate(void (*)()) {
    std::fputs("stand-in: no script context in a build without threads\n", stderr);
    std::abort();
}

void contextResume(ScriptContext*) {}

// Off a script context there is nothing to hand back, as on the other platforms.
void contextYield() {}

void contextDestroy(ScriptContext*) {}

}  // namespace standin
