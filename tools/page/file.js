// The file: opening (button, picker or drop), the panel of a file reported
// but not opened, and the lines about the open file that follow every change.
import { engine } from "./engine.js";
import { fromBase64, fromUtf8, sameBytes, utf8 } from "./bytes.js";
import { showError } from "./errors.js";
import { clearMark, stopListening } from "./form.js";
import { state, CHECK_LIMIT, EDIT_LIMIT, isDirty, refresh } from "./state.js";
import { $, megabytes, message, plural } from "./ui.js";

export function showDoc() {
  const doc = state.doc, dirty = isDirty();
  $("text-line").textContent = `${plural(doc.bytes.length, "byte")}${dirty ? ", changed and not saved yet" : ""}. This is exactly what Save writes.`;
  if ($("text-box").open) showText();
  const source = doc.source === "file" ? "your file " + doc.name : doc.source === "sample" ? "the sample Pacelark.ini" : "the defaults";
  $("doc-line").textContent = "Showing " + source + (dirty ? ", with changes not saved yet." : ".");
}

// The file's text is laid out only while its box is open: a megabyte of
// text would cost more than the rest of an edit.
function showText() { $("text").textContent = fromUtf8.decode(state.doc.bytes); }

export function openDoc(name, bytes, source, baseline, from) {
  if (state.listening >= 0) stopListening();
  state.doc = { name, bytes, baseline, source, original: source === "file" ? baseline : null,
    handle: from && from.handle || null, stamp: from && from.stamp || null };
  state.table.settings.forEach((s, i) => clearMark(i));
  refresh();
}

function askToReplace(what) {
  return !isDirty() || window.confirm(`Your changes to ${state.doc.name} are not saved. Open ${what} anyway and drop them?`);
}

function showOther(name, bytes, look, line) {
  state.other = { name, bytes, look };
  const c = engine.check(bytes, name);
  $("other").hidden = false;
  $("other-title").textContent = "Not opened: " + name;
  $("other-line").textContent = line;
  $("other-report").textContent = c.report;
  $("convert").hidden = !look.kind.startsWith("utf-16");
  return c;
}

function closeOther() {
  state.other = null;
  $("other").hidden = true;
  $("other-report").textContent = "";
}

function takeFile(name, bytes, from) {
  try {
    takeFileNow(name, bytes, from);
  } catch (e) {
    showError(e, (why) => `${name} could not be checked (${why}); nothing changed.`);
  } finally {
    state.filesTaken++;
  }
}

function takeFileNow(name, bytes, from) {
  const doc = state.doc;
  if (doc.source === "file" && doc.name === name && sameBytes(bytes, doc.original)) {
    message(`${name} is open already, as it is on disk${isDirty() ? "; your changes are kept." : "; nothing changed."}`);
    if (from && from.handle) Object.assign(doc, from);
    return;
  }
  const look = engine.look(bytes);
  if (look.kind === "binary") {
    const b = showOther(name, bytes, look, "What the plug-in makes of it:");
    message(`${name} is not a text file (it holds binary bytes): the plug-in ${b.summary}; nothing was opened.`, "bad");
    return;
  }
  if (look.kind === "utf-16le" || look.kind === "utf-16be") {
    const u = showOther(name, bytes, look, "What the plug-in makes of its bytes:");
    message(`${name} is UTF-16 text: the plug-in reads bytes, drops the zero bytes and ${u.summary}; convert it to plain text to use it.`, "bad");
    return;
  }
  if (bytes.length > EDIT_LIMIT) {
    const big = showOther(name, bytes, look, "What the plug-in makes of it:");
    message(`${name} is ${megabytes(bytes.length)}: the plug-in ${big.summary} (report below), but the page edits files up to 1 MB only; nothing was opened.`, "bad");
    return;
  }
  if (!askToReplace(name)) {
    message(`${name} was not opened; your changes are kept.`);
    return;
  }
  closeOther();
  openDoc(name, bytes, "file", bytes, from);
  const notes = [];
  if (look.kind === "empty") notes.push("it is empty (0 bytes), so the plug-in keeps every default; a change adds [SETTINGS]");
  if (look.zeroBytes) notes.push(`it holds ${plural(look.zeroBytes, "zero byte")}, which the plug-in skips; edits keep them`);
  if (name.toLowerCase() !== state.table.fileName.toLowerCase())
    notes.push(`the plug-in reads only ${state.table.fileName}, and Save names it so`);
  // The verdict below says how the plug-in reads it; green only when all is well.
  message(`Opened ${name}${notes.length ? ": " + notes.join("; ") + "." : "."}`, notes.length ? "bad" : state.check.status === 0 ? "good" : "");
}

// `handle`: the picked file's handle where the browser gives one, so Save
// can write back into it.
function readFile(file, handle) {
  if (!file) return;
  if (file.size > CHECK_LIMIT) {
    closeOther();
    message(`${file.name} is ${megabytes(file.size)}: too big to check here (up to ${megabytes(CHECK_LIMIT)}); nothing changed.`, "bad");
    state.filesTaken++;
    return;
  }
  if (file.size > EDIT_LIMIT) message(`Checking ${file.name} (${megabytes(file.size)})…`);
  const from = handle ? { handle, stamp: { lastModified: file.lastModified, size: file.size } } : null;
  file.arrayBuffer().then((buffer) => {
    // Let the message paint before a long check.
    setTimeout(() => takeFile(file.name, new Uint8Array(buffer), from), 0);
  }, (e) => {
    showError(e, (why) => `${file.name} could not be read (${why}); nothing changed.`);
    state.filesTaken++;
  });
}

const canPick = () => typeof window.showOpenFilePicker === "function";
export const INI_TYPES = [{ description: "Settings file", accept: { "text/plain": [".ini", ".txt"] } }];

async function openPicked() {
  if (!canPick()) { $("file-input").click(); return; }
  let handle;
  try {
    [handle] = await window.showOpenFilePicker({ types: INI_TYPES, excludeAcceptAllOption: false });
  } catch (e) {
    if (e && e.name === "AbortError") return;  // the player closed the picker
    showError(e, (why) => `The file could not be picked (${why}); nothing changed.`);
    return;
  }
  try {
    readFile(await handle.getFile(), handle);
  } catch (e) {
    showError(e, (why) => `${handle.name} could not be read (${why}); nothing changed.`);
  }
}

function convertOther() {
  const other = state.other;
  if (!other || !askToReplace(other.name + " as plain text")) return;
  const text = new TextDecoder(other.look.kind).decode(other.bytes);
  closeOther();
  openDoc(other.name, utf8.encode(text), "file", null);
  message(`Converted ${other.name} to plain text (UTF-8); Save writes it as ${state.table.fileName}.`, "good");
}

export function setUpFile() {
  $("open-file").addEventListener("click", openPicked);
  $("file-input").addEventListener("change", function () {
    const f = this.files[0];
    this.value = "";  // so picking the same file again is seen
    readFile(f, null);
  });
  $("use-sample").addEventListener("click", () => {
    if (!askToReplace("the sample")) return;
    closeOther();
    const sample = sampleBytes();
    openDoc(state.table.fileName, sample, "sample", sample);
    message("Started from the sample Pacelark.ini.", "good");
  });
  $("use-defaults").addEventListener("click", () => {
    if (!askToReplace("the defaults")) return;
    closeOther();
    openDoc(state.table.fileName, state.table.defaults, "defaults", state.table.defaults);
    message("Started from the defaults.", "good");
  });
  $("convert").addEventListener("click", convertOther);
  $("other-close").addEventListener("click", closeOther);
  $("text-box").addEventListener("toggle", () => { if ($("text-box").open) showText(); });

  document.addEventListener("dragover", (e) => { e.preventDefault(); document.body.classList.add("dragging"); });
  document.addEventListener("dragleave", (e) => { if (!e.relatedTarget) document.body.classList.remove("dragging"); });
  document.addEventListener("drop", (e) => {
    e.preventDefault();
    document.body.classList.remove("dragging");
    const files = e.dataTransfer && e.dataTransfer.files;
    if (!files || !files.length) return;
    const item = e.dataTransfer.items && e.dataTransfer.items[0];
    // The handle must be asked for during the drop event itself.
    const asked = item && typeof item.getAsFileSystemHandle === "function" ? item.getAsFileSystemHandle() : null;
    const file = files[0];
    if (!asked) { readFile(file, null); return; }
    asked.then((h) => readFile(file, h && h.kind === "file" ? h : null), () => readFile(file, null));
  });
  window.addEventListener("beforeunload", (e) => {
    if (!isDirty()) return;
    e.preventDefault();
    e.returnValue = "";
  });
}

// The sample Pacelark.ini, shipped in the page as base64.
export const sampleBytes = () => fromBase64($("sample-ini").textContent);
