// The script's own context: a fiber on Windows, a thread with a strict
// hand-off elsewhere. Only one side runs at any time.
#pragma once

namespace standin {

struct ScriptContext;

ScriptContext* contextCreate(void (*entry)());
// Runs the script until it yields (or returns); must not be called from it.
void contextResume(ScriptContext* context);
// Called by the script: hands control back to the resumer.
void contextYield();
// The script is never resumed again; its resources are released.
void contextDestroy(ScriptContext* context);

}  // namespace standin
