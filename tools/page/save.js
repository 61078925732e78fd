// Saving. Where the browser lets a page write a file the player picked, Save
// writes back into the opened Pacelark.ini (after asking) and Save as lets
// the player pick the place; elsewhere Save downloads the file. Nothing is
// ever written to a file the player did not pick.
import { download } from "./download.js";
import { showError } from "./errors.js";
import { iniTypes } from "./file.js";
import { m, names, put, render } from "./i18n.js";
import { state, refresh } from "./state.js";
import { $, message } from "./ui.js";

const canWrite = () => typeof window.showSaveFilePicker === "function";

function saved(wording, tone) {
  state.doc.baseline = state.doc.bytes;
  refresh();
  message(wording, tone || "good");
}

// What a browser names a download when the folder has the file already.
const renamedCopy = () => names.ini.replace(/(\.[^.]*)?$/, " (1)$&");

function downloadFile() {
  const name = names.ini;
  download(state.doc.bytes, name, "application/octet-stream");
  saved(m("page.save.downloaded", { file: name, n: state.doc.bytes.length, renamed: renamedCopy() }));
}

async function writeInto(handle) {
  if (typeof handle.requestPermission === "function" &&
      (await handle.requestPermission({ mode: "readwrite" })) !== "granted") {
    message(m("page.save.not_allowed", { file: handle.name }), "bad");
    return false;
  }
  const w = await handle.createWritable();
  await w.write(state.doc.bytes);
  await w.close();
  const now = await handle.getFile();
  Object.assign(state.doc, { handle, stamp: { lastModified: now.lastModified, size: now.size }, original: state.doc.bytes });
  return true;
}

// Back into the file that was opened, once the player says so; the question
// warns first when the file changed on disk since it was opened.
async function saveBack() {
  const doc = state.doc, handle = doc.handle, now = await handle.getFile();
  const changed = doc.stamp && (now.lastModified !== doc.stamp.lastModified || now.size !== doc.stamp.size);
  const ask = m(changed ? "page.save.ask_changed_on_disk" : "page.save.ask", { file: handle.name, n: doc.bytes.length });
  if (!window.confirm(render(ask))) {
    message(m("page.save.declined", { file: handle.name }));
    return;
  }
  if (await writeInto(handle)) saved(m("page.save.saved_back", { file: handle.name }));
}

async function saveAs() {
  const name = names.ini;
  let handle;
  try {
    handle = await window.showSaveFilePicker({ suggestedName: name, types: iniTypes() });
  } catch (e) {
    if (e && e.name === "AbortError") message(m("page.save.no_place"));
    else showError(e, (why) => m("page.save.failed", { why }));
    return;
  }
  if (!(await writeInto(handle))) return;
  if (handle.name === name) saved(m("page.save.saved", { file: name }));
  else saved(m("page.save.saved_as", { file: handle.name }), "bad");
}

async function save() {
  try {
    if (!canWrite()) downloadFile();
    else if (state.doc.handle && state.doc.handle.name === names.ini) await saveBack();
    else await saveAs();
  } catch (e) {
    showError(e, (why) => m("page.save.failed_kept", { why }));
  }
}

export function setUpSave() {
  const write = canWrite();
  $("save-as").hidden = !write;
  // Where the plug-in reads the file the header says; this says what Save does.
  put($("save-note"), m(write ? "page.save.note_write" : "page.save.note_download", { renamed: renamedCopy() }));
  $("save").addEventListener("click", save);
  $("save-as").addEventListener("click", () => saveAs().catch((e) => showError(e, (why) => m("page.save.failed", { why }))));
}
