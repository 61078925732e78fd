// Saving. Where the browser lets a page write a file the player picked, Save
// writes back into the opened Pacelark.ini (after asking) and Save as lets
// the player pick the place; elsewhere Save downloads the file. Nothing is
// ever written to a file the player did not pick.
import { download } from "./download.js";
import { showError } from "./errors.js";
import { INI_TYPES } from "./file.js";
import { state, refresh } from "./state.js";
import { $, message, plural } from "./ui.js";

const canWrite = () => typeof window.showSaveFilePicker === "function";
const WHERE = "the folder the game starts in, beside ScriptHookFRTR.dll";

function saved(text) {
  state.doc.baseline = state.doc.bytes;
  refresh();
  message(text, "good");
}

function downloadFile() {
  const name = state.table.fileName;
  download(state.doc.bytes, name, "application/octet-stream");
  saved(`Downloaded ${name} (${plural(state.doc.bytes.length, "byte")}). A browser may rename it (say "Pacelark (1).ini") ` +
    `when your downloads hold one already: the plug-in reads only a file named exactly ${name}, in ${WHERE}. Rename and move it there.`);
}

async function writeInto(handle) {
  if (typeof handle.requestPermission === "function" &&
      (await handle.requestPermission({ mode: "readwrite" })) !== "granted") {
    message(`The browser was not allowed to write ${handle.name}; nothing was written.`, "bad");
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
  const ask = changed
    ? `${handle.name} has changed on disk since you opened it (another program may have written it). Replace it with the page's ${plural(doc.bytes.length, "byte")} anyway?`
    : `Write the page's ${plural(doc.bytes.length, "byte")} into ${handle.name}, the file you opened?`;
  if (!window.confirm(ask)) {
    message(`Not saved: ${handle.name} on disk was left as it was.`);
    return;
  }
  if (await writeInto(handle)) saved(`Saved into ${handle.name}: it now holds exactly what the page shows. The plug-in reads it when the game next starts.`);
}

async function saveAs() {
  const name = state.table.fileName;
  let handle;
  try {
    handle = await window.showSaveFilePicker({ suggestedName: name, types: INI_TYPES });
  } catch (e) {
    if (e && e.name === "AbortError") message("Not saved: no place was picked.");
    else showError(e, (why) => `Not saved (${why}).`);
    return;
  }
  if (!(await writeInto(handle))) return;
  if (handle.name === name) saved(`Saved ${name}. The plug-in reads it only in ${WHERE}.`);
  else {
    saved(`Saved as ${handle.name}; the plug-in reads only a file named exactly ${name}, in ${WHERE}.`);
    $("message").className = "bad";
  }
}

async function save() {
  try {
    if (!canWrite()) downloadFile();
    else if (state.doc.handle && state.doc.handle.name === state.table.fileName) await saveBack();
    else await saveAs();
  } catch (e) {
    showError(e, (why) => `Not saved (${why}); the file on disk was left as it was.`);
  }
}

export function setUpSave() {
  const write = canWrite();
  $("save-as").hidden = !write;
  $("save-note").textContent = write
    ? `Save writes into the Pacelark.ini you opened, after asking; Save as… picks the place. The plug-in reads only a file named exactly Pacelark.ini, in ${WHERE}.`
    : `Save downloads Pacelark.ini. A browser may rename it (say "Pacelark (1).ini"): the plug-in reads only a file named exactly Pacelark.ini, in ${WHERE}.`;
  $("save").addEventListener("click", save);
  $("save-as").addEventListener("click", () => saveAs().catch((e) => showError(e, (why) => `Not saved (${why}).`)));
}
