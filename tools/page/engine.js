// Calls into the engine: bytes in, one result buffer out.

const FILE_KINDS = ["text", "empty", "utf-16le", "utf-16be", "binary"];

function fromBase64(text) {
  const s = atob(text), b = new Uint8Array(s.length);
  for (let i = 0; i < s.length; i++) b[i] = s.charCodeAt(i);
  return b;
}

// The Emscripten runtime after this script picks this object up as its Module.
window.Module = {
  wasmBinary: fromBase64(window.__wasmBase64),
  print: (t) => console.log(t),
  printErr: (t) => console.warn(t),
  onAbort: (what) => fatal("the page's engine stopped (" + what + ")"),
  onRuntimeInitialized: () => start(),
};

// The engine catches no C++ exception: one that is thrown anyway arrives
// here as a bare number, and is named for the player instead.
function withBytes(bytes, fn) {
  const p = Module._malloc(bytes.length || 1);
  if (!p) throw new Error("out of memory");
  Module.HEAPU8.set(bytes, p);
  try {
    return fn(p, bytes.length);
  } catch (e) {
    throw e instanceof Error ? e : new Error("the page's engine met an error it does not handle");
  } finally {
    Module._free(p);
  }
}
function withString(text, fn) {
  const b = utf8.encode(text), z = new Uint8Array(b.length + 1);
  z.set(b);
  return withBytes(z, (p) => fn(p));
}
// Memory growth replaces the heap's buffer, so the view is taken afresh.
function outBytes() {
  const p = Module._plk_out(), n = Module._plk_out_size();
  return Module.HEAPU8.slice(p, p + n);
}
const outText = () => fromUtf8.decode(outBytes());

const engine = {
  table() { Module._plk_table(); return JSON.parse(outText()); },
  check(bytes, name) {
    return withBytes(bytes, (p, n) => withString(name, (s) => {
      if (!Module._plk_check(p, n, s)) throw new Error(outText());
      return JSON.parse(outText());
    }));
  },
  look(bytes) {
    return withBytes(bytes, (p, n) => {
      const kind = Module._plk_look(p, n);
      return { kind: FILE_KINDS[kind], zeroBytes: Number(outText()) };
    });
  },
  // The file with setting `key` set from what was typed, or why not.
  set(bytes, key, typed) {
    return withBytes(bytes, (p, n) => withString(typed, (s) =>
      Module._plk_set(p, n, key, s) ? { bytes: outBytes() } : { error: outText() }));
  },
  preview(bytes, v) {
    return withBytes(bytes, (p, n) => {
      if (!Module._plk_preview(p, n, v.desired, v.reported, v.mounted, v.notice, v.noticeOn)) throw new Error(outText());
      return JSON.parse(outText());
    });
  },
};
