// The page's state, in one place: every other part reads and changes it here.
// Everything the plug-in would do (the report, the edits, the preview's pass)
// happens in the tools' C++ compiled to WebAssembly (engine.js); the parts of
// this script only move bytes in and out and show what comes back.

const EDIT_LIMIT = 1 << 20;    // files up to this size are opened and edited
const CHECK_LIMIT = 64 << 20;  // bigger ones are reported only; beyond this, refused

const state = {
  table: null,      // settings (name, kind, default, what), key names, the defaults file
  doc: null,        // the open file: name, bytes, baseline (as opened or saved), original, source, handle, stamp
  check: null,      // the engine's report of doc.bytes
  other: null,      // a file reported but not opened: name, bytes, look
  listening: -1,    // the key setting whose Listen button waits for a key
  lastDraws: [],    // what the preview's last pass drew
  filesTaken: 0,    // picked files whose outcome is on the page
  firstShownAt: 0,  // when the first report and preview were on the page (ms since navigation)
  try: null,        // the Try panel's session, input and drawing (try.js)
};

// The settings file's bytes as the page would save them (i.e. as the plug-in
// would read them), for any part of the page that needs them; empty before
// start. Bytes, not text: a decode would turn a stray Latin-1 byte into U+FFFD.
function currentIniBytes() {
  return state.doc ? state.doc.bytes.slice() : new Uint8Array(0);
}

// Parts that follow every change of the file's bytes: each gets the state.
const fileWatchers = [];
function whenFileChanges(fn) { fileWatchers.push(fn); }

// Parts that set themselves up once the engine runs and the table is known,
// before the first file is shown: each gets the state.
const starters = [];
function whenStarted(fn) { starters.push(fn); }

// What a part offers its tests; window.pacelarkTest shows it only once a
// test has called pacelarkTest.enable().
const testHooks = {};

const $ = (id) => document.getElementById(id);
const utf8 = new TextEncoder();
// The byte-order mark stays in the text shown, so the text is the file's bytes.
const fromUtf8 = new TextDecoder("utf-8", { ignoreBOM: true });

function sameBytes(a, b) {
  if (!a || !b || a.length !== b.length) return false;
  for (let i = 0; i < a.length; i++) if (a[i] !== b[i]) return false;
  return true;
}
const isDirty = () => !!state.doc && !sameBytes(state.doc.bytes, state.doc.baseline);
const megabytes = (n) => (n / 1048576).toFixed(1) + " MB";
const plural = (n, word) => n + " " + word + (n === 1 ? "" : "s");

function element(tag, props, children) {
  const e = document.createElement(tag);
  for (const k in props || {}) {
    if (k === "text") e.textContent = props[k];
    else if (k.startsWith("aria-") || k === "role" || k === "for" || k === "href") e.setAttribute(k, props[k]);
    else e[k] = props[k];
  }
  for (const c of children || []) e.appendChild(c);
  return e;
}

function message(text, tone) {
  const m = $("message");
  m.textContent = text;
  m.className = tone || "";
}

function fatal(text) {
  message("The page cannot go on: " + text + ". Reload it to start again.", "bad");
  $("status").textContent = "failed";
  document.body.classList.remove("loading");
}
