// Start, once the engine runs; and the hooks the tests and the benchmark
// drive the shipped page through, inert until one of them calls enable().
import { fromBase64 } from "./bytes.js";
import { engine, startEngine } from "./engine.js";
import { catchStrays, fatal, reason } from "./errors.js";
import { openDoc, otherLanguageChanged, sampleBytes, setUpFile, showDoc } from "./file.js";
import { buildForm, edit, labelForm, updateForm } from "./form.js";
import { language, names, setLanguage, setUpLanguageMenu, whenLanguageChanges } from "./i18n.js";
import { drawPreview, labelPreview, setUpPreview } from "./preview.js";
import { showReport } from "./report.js";
import { setUpSave } from "./save.js";
import { state, currentIniBytes, isDirty, refresh, testHooks, whenFileChanges } from "./state.js";
import { setUpTry, tryLanguageChanged, tryFileChanged } from "./try.js";
import { $ } from "./ui.js";

function start() {
  try {
    state.facts = engine.facts();
    Object.assign(names, state.facts.names);
    setUpLanguageMenu($("language"));  // the markup in the player's language first
    state.table = engine.table();
    buildForm();
    setUpPreview();
    setUpFile();
    setUpSave();
    setUpTry();
    // After every change of the file's bytes, in this order.
    for (const fn of [updateForm, showReport, showDoc, drawPreview, tryFileChanged]) whenFileChanges(fn);
    // After a change of language: the engine's own texts (descriptions, key
    // hints, the report) are made again, then everything that shows them.
    whenLanguageChanges(() => {
      state.table = engine.table();
      labelForm();
      labelPreview();
      otherLanguageChanged();
      tryLanguageChanged();
      refresh();
    });
    if (!/Win/.test(navigator.platform)) $("layout-note").hidden = false;
    document.body.classList.remove("loading");  // laid out first: the preview zooms by the box's size
    openDoc(names.ini, state.table.defaults, "defaults", state.table.defaults);
    state.firstShownAt = performance.now();
    document.body.dataset.state = "ready";
  } catch (e) {
    fatal("page.fatal.error", reason(e));
  }
}

catchStrays();
startEngine(fromBase64($("engine-wasm").textContent), start, (what) => fatal("page.fatal.stopped", what));

window.pacelarkTest = {
  enable() {
    const policy = [];
    document.addEventListener("securitypolicyviolation", (e) => policy.push(e.violatedDirective + " " + e.blockedURI));
    // setLanguage takes the pseudo-language too, which the menu never offers.
    return Object.assign(this, { state, engine, edit, drawPreview, fromBase64, sampleBytes, isDirty, currentIniBytes, policy,
      setLanguage, language }, testHooks);
  },
};
