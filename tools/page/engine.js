// The engine: the tools' C++ compiled to WebAssembly, called through its
// Embind bindings (page_api.cpp, try_api.cpp) with the script's own values.
// Only this module touches the Emscripten runtime.

let runtime = null;

// Embind's enums, once the engine runs: a setting's kind (Integer, Float,
// Bool) and a finding's severity (Note, Warning, Stop), the engine's own
// values, compared by identity.
export const SettingKind = {};
export const FindingSeverity = {};

// The engine failed: a refusal is a value, this is not. `id`: the message
// that tells the player, for a failure the engine cannot word itself.
export class EngineError extends Error {
  constructor(text, id) {
    super(text);
    this.id = id;
  }
}

// The Emscripten runtime, which runs after this script, takes this object
// as its Module; the wasm is handed over, never fetched. The page carries it
// gzipped (its catalogs of every language make most of it), so it is
// inflated by the browser's own DecompressionStream first.
export function startEngine(gzipped, onReady, onAbort) {
  window.Module = {
    instantiateWasm(imports, receive) {
      const inflated = new Blob([gzipped]).stream().pipeThrough(new DecompressionStream("gzip"));
      new Response(inflated).arrayBuffer()
        .then((wasm) => WebAssembly.instantiate(wasm, imports))
        .then((r) => receive(r.instance, r.module), (e) => onAbort(String(e)));
      return {};  // the exports arrive through receive
    },
    print: (t) => console.log(t),
    printErr: (t) => console.warn(t),
    onAbort: (what) => onAbort(String(what)),
    onRuntimeInitialized: () => {
      runtime = window.Module;
      Object.assign(SettingKind, runtime.SettingKind);
      Object.assign(FindingSeverity, runtime.FindingSeverity);
      onReady();
    },
  };
}

// The engine catches no C++ exception: one thrown anyway arrives as a bare
// number, and is named instead.
function guard(run) {
  try {
    return run();
  } catch (e) {
    throw e instanceof Error ? e : new EngineError("unhandled C++ exception " + e, "page.error.unhandled");
  }
}
const call = (name, ...args) => guard(() => runtime[name](...args));
const construct = (name, ...args) => guard(() => new runtime[name](...args));

export const engine = {
  // Its facts in no language, once: names, the settings' section, the toggles, screen sizes, the Try panel's inputs.
  facts: () => call("facts"),
  // The settings (name, kind, default, what), the keys to pick from, the defaults file's bytes.
  table: () => call("table"),
  // The checker's report of a file's bytes, its facts, and the settings as loaded.
  check: (bytes, name) => call("check", bytes, name),
  look: (bytes) => call("look", bytes),
  // The file with setting `key` set from what was typed: {bytes}, or {error}.
  set: (bytes, key, typed) => call("set", bytes, key, typed),
  // A typed speed: null when blank, NaN when no number.
  speed: (typed) => call("speed", typed),
  // One pass over settings as a check loaded them: {refused, draws}.
  preview: (loaded, view) => call("preview", loaded, view),
  // Message `id` in the current language, with named arguments {name: value}.
  message: (id, args) => call("message", id, args || {}),
  // A key code as the page names it: {words, text}, in the current language.
  key: (code) => call("key", code),
  // [{tag, name}]: the languages built in, each by its own name, English first.
  languages: () => call("languages"),
  setLanguage: (tag) => call("setLanguage", tag),
  // The first of a list of language tags ("de-AT,en") the page has, else "en".
  chooseLanguage: (list) => call("chooseLanguage", list),
};

// The WebAssembly heap's bytes in use, for the Try panel's memory figure.
export const heapInUse = () => call("tryHeap");

// A live session: the plug-in over the stand-in world, recorded as it runs.
// Its owner deletes it, which unloads the plug-in; one started while another
// lives ends that one, whose frames are then refused.
export class TrySession {
  constructor(bytes, step) {
    this.native = construct("TrySession", bytes, step);
    this.keys = this.native.keys();  // [{code}]: the toggles' keys as bound
  }
  // keys: [code, message, ...]. Out: {row, draws}.
  frame(keys, held, step) {
    const f = guard(() => this.native.frame(keys, held, step));
    if (f.error) throw new EngineError(f.error);
    return f;
  }
  table() { return guard(() => this.native.table()); }
  scenario() { return guard(() => this.native.scenario()); }
  delete() { this.native.delete(); }
}
