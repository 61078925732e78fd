// Start, once the engine runs; and the hooks the tests and the benchmark
// drive the shipped page through, inert until one of them calls enable().

function start() {
  try {
    state.table = engine.table();
    state.table.defaultsBytes = utf8.encode(state.table.defaultsText);
    buildForm();
    setUpPreview();
    setUpFile();
    setUpSave();
    for (const fn of starters) fn(state);
    if (!/Win/.test(navigator.platform)) $("layout-note").hidden = false;
    document.body.classList.remove("loading");  // laid out first: the preview zooms by the box's size
    openDoc(state.table.fileName, state.table.defaultsBytes, "defaults", state.table.defaultsBytes);
    state.firstShownAt = performance.now();
    $("status").textContent = "ready";
  } catch (e) {
    fatal(String((e && e.message) || e));
  }
}

window.pacelarkTest = {
  enable() {
    const policy = [];
    document.addEventListener("securitypolicyviolation", (e) => policy.push(e.violatedDirective + " " + e.blockedURI));
    return Object.assign(this, { state, engine, edit, drawPreview, fromBase64, isDirty, previewSettingsBytes, currentIniBytes, policy }, testHooks);
  },
};
