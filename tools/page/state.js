// The page's state, in one place: every other part reads and changes it here.
// Everything the plug-in would do (the report, the edits, the preview's pass)
// happens in the tools' C++ compiled to WebAssembly (engine.js); the parts of
// this script only move bytes in and out and show what comes back.
import { engine } from "./engine.js";
import { sameBytes } from "./bytes.js";

export const EDIT_LIMIT = 1 << 20;    // files up to this size are opened and edited
export const CHECK_LIMIT = 64 << 20;  // bigger ones are reported only; beyond this, refused

export const state = {
  facts: null,      // the engine's facts in no language (engine.facts)
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
// would read them); empty before start. Bytes, not text: a decode would turn
// a stray Latin-1 byte into U+FFFD.
export function currentIniBytes() {
  return state.doc ? state.doc.bytes.slice() : new Uint8Array(0);
}

export const isDirty = () => !!state.doc && !sameBytes(state.doc.bytes, state.doc.baseline);
export const settingCount = () => state.table.settings.length;
export const nameOf = (i) => state.table.settings[i].name;

// What a part offers its tests; window.pacelarkTest shows it only once a
// test has called pacelarkTest.enable().
export const testHooks = {};

// Parts that follow every change of the file's bytes, in the order given.
const fileWatchers = [];
export function whenFileChanges(fn) { fileWatchers.push(fn); }

// The file's bytes changed (or another file is open): checked again, and
// every part that shows it follows.
export function refresh() {
  state.check = engine.check(state.doc.bytes, state.doc.name);
  for (const fn of fileWatchers) fn(state);
}
