// The file: opening (button, picker or drop), the panel of a file reported
// but not opened, and the lines about the open file that follow every change.
import { engine } from "./engine.js";
import { fromBase64, fromUtf8, sameBytes, utf8 } from "./bytes.js";
import { showError } from "./errors.js";
import { clearMark, stopListening } from "./form.js";
import { m, names, put, t } from "./i18n.js";
import { state, CHECK_LIMIT, EDIT_LIMIT, isDirty, refresh } from "./state.js";
import { $, megabytes, message } from "./ui.js";

// What the open file is, by where it came from and whether it has changes.
const DOC_LINES = {
  file: ["page.doc.file", "page.doc.file_changed"],
  sample: ["page.doc.sample", "page.doc.sample_changed"],
  defaults: ["page.doc.defaults", "page.doc.defaults_changed"],
};

export function showDoc() {
  const doc = state.doc, dirty = isDirty();
  $("text-line").textContent = t(dirty ? "page.doc.bytes_changed" : "page.doc.bytes", { n: doc.bytes.length });
  if ($("text-box").open) showText();
  $("doc-line").textContent = t(DOC_LINES[doc.source][dirty ? 1 : 0], { file: doc.name });
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

// `id`: the question, with what would be opened as {file} where it is a file.
function askToReplace(id, file) {
  return !isDirty() || window.confirm(t(id, { doc: state.doc.name, file }));
}

// A file reported but not opened; `line` the wording of the line above its report.
function showOther(name, bytes, look, line) {
  const other = state.other = { name, bytes, look, check: engine.check(bytes, name) };
  $("other").hidden = false;
  put($("other-title"), m("page.other.title", { file: name }));
  put($("other-line"), line);
  $("other-report").textContent = other.check.report;
  $("convert").hidden = !look.kind.startsWith("utf-16");
  return other;
}

// The report of a file not opened is the engine's: made again in the new language.
export function otherLanguageChanged() {
  const other = state.other;
  if (!other) return;
  other.check = engine.check(other.bytes, other.name);
  $("other-report").textContent = other.check.report;
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
    showError(e, (why) => m("page.open.check_failed", { file: name, why }));
  } finally {
    state.filesTaken++;
  }
}

function takeFileNow(name, bytes, from) {
  const doc = state.doc;
  if (doc.source === "file" && doc.name === name && sameBytes(bytes, doc.original)) {
    message(m(isDirty() ? "page.open.again_changed" : "page.open.again", { file: name }));
    if (from && from.handle) Object.assign(doc, from);
    return;
  }
  const look = engine.look(bytes);
  // Not opened: the line says what the file is, and the verdict (the
  // engine's words) what the plug-in makes of it; its report is below.
  const notOpened = (what, lineId) => {
    const other = showOther(name, bytes, look, m(lineId));
    message([what, () => other.check.verdict], "bad");
  };
  if (look.kind === "binary") {
    notOpened(m("page.open.binary", { file: name }), "page.other.line");
    return;
  }
  if (look.kind === "utf-16le" || look.kind === "utf-16be") {
    notOpened(m("page.open.utf16", { file: name, encoding: "UTF-16" }), "page.other.line_bytes");
    return;
  }
  if (bytes.length > EDIT_LIMIT) {
    notOpened(m("page.open.too_big_to_edit", { file: name, size: megabytes(bytes.length), limit: megabytes(EDIT_LIMIT) }),
      "page.other.line");
    return;
  }
  if (!askToReplace("page.confirm.open_file", name)) {
    message(m("page.open.declined", { file: name }));
    return;
  }
  closeOther();
  openDoc(name, bytes, "file", bytes, from);
  const said = [m("page.open.opened", { file: name })];
  if (look.kind === "empty") said.push(m("page.open.empty", { section: state.facts.section }));
  if (look.zeroBytes) said.push(m("page.open.zero_bytes", { n: look.zeroBytes }));
  // The checker's note says the plug-in reads only Pacelark.ini; this says what Save does about it.
  const renamed = name.toLowerCase() !== names.ini.toLowerCase();
  if (renamed) said.push(m("page.open.save_renames"));
  // The verdict below says how the plug-in reads it; green only when all is well.
  message(said, said.length > 1 ? "bad" : state.check.status === 0 ? "good" : "");
}

// `handle`: the picked file's handle where the browser gives one, so Save
// can write back into it.
function readFile(file, handle) {
  if (!file) return;
  if (file.size > CHECK_LIMIT) {
    closeOther();
    message(m("page.open.too_big", { file: file.name, size: megabytes(file.size), limit: megabytes(CHECK_LIMIT) }), "bad");
    state.filesTaken++;
    return;
  }
  if (file.size > EDIT_LIMIT) message(m("page.open.checking", { file: file.name, size: megabytes(file.size) }));
  const from = handle ? { handle, stamp: { lastModified: file.lastModified, size: file.size } } : null;
  file.arrayBuffer().then((buffer) => {
    // Let the message paint before a long check.
    setTimeout(() => takeFile(file.name, new Uint8Array(buffer), from), 0);
  }, (e) => {
    showError(e, (why) => m("page.open.read_failed", { file: file.name, why }));
    state.filesTaken++;
  });
}

const canPick = () => typeof window.showOpenFilePicker === "function";
export const iniTypes = () => [{ description: t("page.open.picker_type"), accept: { "text/plain": [".ini", ".txt"] } }];

async function openPicked() {
  if (!canPick()) { $("file-input").click(); return; }
  let handle;
  try {
    [handle] = await window.showOpenFilePicker({ types: iniTypes(), excludeAcceptAllOption: false });
  } catch (e) {
    if (e && e.name === "AbortError") return;  // the player closed the picker
    showError(e, (why) => m("page.open.pick_failed", { why }));
    return;
  }
  try {
    readFile(await handle.getFile(), handle);
  } catch (e) {
    showError(e, (why) => m("page.open.read_failed", { file: handle.name, why }));
  }
}

function convertOther() {
  const other = state.other;
  if (!other || !askToReplace("page.confirm.convert", other.name)) return;
  const text = new TextDecoder(other.look.kind).decode(other.bytes);
  closeOther();
  openDoc(other.name, utf8.encode(text), "file", null);
  message(m("page.open.converted", { file: other.name, encoding: "UTF-8" }), "good");
}

export function setUpFile() {
  $("open-file").addEventListener("click", openPicked);
  $("file-input").addEventListener("change", function () {
    const f = this.files[0];
    this.value = "";  // so picking the same file again is seen
    readFile(f, null);
  });
  $("use-sample").addEventListener("click", () => {
    if (!askToReplace("page.confirm.open_sample")) return;
    closeOther();
    const sample = sampleBytes();
    openDoc(names.ini, sample, "sample", sample);
    message(m("page.open.sample"), "good");
  });
  $("use-defaults").addEventListener("click", () => {
    if (!askToReplace("page.confirm.open_defaults")) return;
    closeOther();
    openDoc(names.ini, state.table.defaults, "defaults", state.table.defaults);
    message(m("page.open.defaults"), "good");
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
