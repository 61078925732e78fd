// Start, once the engine runs; and the hooks the tests and the benchmark
// drive the shipped page through, inert until one of them calls enable().
import { fromBase64 } from "./bytes.js";
import { engine, startEngine } from "./engine.js";
import { catchStrays, fatal, reason } from "./errors.js";
import { openDoc, sampleBytes, setUpFile, showDoc } from "./file.js";
import { buildForm, edit, updateForm } from "./form.js";
import { drawPreview, setUpPreview } from "./preview.js";
import { showReport } from "./report.js";
import { setUpSave } from "./save.js";
import { state, currentIniBytes, isDirty, testHooks, whenFileChanges } from "./state.js";
import { setUpTry, tryFileChanged } from "./try.js";
import { $ } from "./ui.js";

function start() {
  try {
    state.table = engine.table();
    buildForm();
    setUpPreview();
    setUpFile();
    setUpSave();
    setUpTry();
    // After every change of the file's bytes, in this order.
    for (const fn of [updateForm, showReport, showDoc, drawPreview, tryFileChanged]) whenFileChanges(fn);
    if (!/Win/.test(navigator.platform)) $("layout-note").hidden = false;
    document.body.classList.remove("loading");  // laid out first: the preview zooms by the box's size
    openDoc(state.table.fileName, state.table.defaults, "defaults", state.table.defaults);
    state.firstShownAt = performance.now();
    $("status").textContent = "ready";
  } catch (e) {
    fatal(reason(e));
  }
}

catchStrays();
startEngine(fromBase64($("engine-wasm").textContent), start, fatal);

window.pacelarkTest = {
  enable() {
    const policy = [];
    document.addEventListener("securitypolicyviolation", (e) => policy.push(e.violatedDirective + " " + e.blockedURI));
    return Object.assign(this, { state, engine, edit, drawPreview, fromBase64, sampleBytes, isDirty, currentIniBytes, policy }, testHooks);
  },
};
