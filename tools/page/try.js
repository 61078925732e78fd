// The Try panel: the real plug-in, one pass per animation frame, played with
// the page's settings. The session runs in the engine (the stand-in world,
// the plug-in, the recording); this part only gathers input, paints the
// frame and says what changed. Its state is state.try.
import { engine, heapInUse, TrySession } from "./engine.js";
import { fromUtf8, sameBytes } from "./bytes.js";
import { download } from "./download.js";
import { showError } from "./errors.js";
import { paintHud } from "./hud_paint.js";
import { m, names, put, render, t } from "./i18n.js";
import { virtualKey } from "./keys.js";
import { state, currentIniBytes, testHooks } from "./state.js";
import { $, element } from "./ui.js";

const TRY_KEYS_MAX = 32;     // key messages handed to one pass; more wait for the next
const TRY_TIMINGS = 1024;    // frame work times kept for the test hooks

// Each toggle's words, by the engine's name for it: its button; its state
// on, off and not known in this frame; its argument in the state line.
const TOGGLE_WORDS = {
  plugin: { button: "try.toggle.plugin", arg: "mod", state: ["try.state.mod_on", "try.state.mod_off", "try.state.mod_unknown"] },
  speedBars: { button: "try.toggle.overlay", arg: "overlay",
    state: ["try.state.overlay_on", "try.state.overlay_off", "try.state.overlay_unknown"] },
  autoWalk: { button: "try.toggle.auto_walk", arg: "auto_walk",
    state: ["try.state.auto_walk_on", "try.state.auto_walk_off", "try.state.auto_walk_unknown"] },
  horseSpeedControl: { button: "try.toggle.mount_support", arg: "support",
    state: ["try.state.support_on", "try.state.support_off", "try.state.support_unknown"] },
};
// The toggles' buttons, in the notices' order.
const toggleName = (i) => t(TOGGLE_WORDS[state.facts.toggles[i].name].button);

// Before the first session, by their names alone.
function labelToggles() {
  const panel = state.try;
  if (!panel.session) {
    state.facts.toggles.forEach((n, i) => { $("try-toggle-" + i).textContent = toggleName(i); });
    return;
  }
  panel.session.keys.forEach((k, i) => {
    const b = $("try-toggle-" + i), bound = k.code < panel.inputs.keyTableSize, key = bound && engine.key(k.code);
    b.textContent = bound ? t("try.toggle.with_key", { toggle: toggleName(i), key: key.words || String(k.code) }) : toggleName(i);
    b.disabled = !bound;
    b.title = bound ? t("try.toggle.title", { key: key.text }) : t("try.toggle.unbound");
  });
}

function tryStart() {
  const t = state.try;
  t.startedWith = currentIniBytes();
  t.stale = false;
  if (t.session) t.session.delete();
  t.session = null;  // should the start fail, no deleted session is left behind
  t.session = new TrySession(t.startedWith, t.step);
  t.keyQueue = [];
  t.wheel = [];
  t.lastRow = null;
  t.spoken = "";
  t.described = "";
  labelToggles();
  put($("try-note"), m("try.note.started"));
  tryAnnounce(m("try.said.started"));
}

// Compared when the file changes, not every frame: the text may be a megabyte.
// An edit undone brings the session's settings back, and the note goes.
export function tryFileChanged() {
  const t = state.try;
  if (!t.session) return;
  const stale = !sameBytes(currentIniBytes(), t.startedWith);
  if (stale === t.stale) return;
  t.stale = stale;
  if (stale) {
    put($("try-note"), m("try.note.stale"));
    tryAnnounce(m("try.said.stale"));
  } else {
    put($("try-note"), m("try.note.started"));
    tryAnnounce(m("try.said.back"));
  }
}

// The panel's words in the new language; what it said aloud is not said again.
export function tryLanguageChanged() {
  const panel = state.try;
  $("try-live").textContent = "";
  labelToggles();
  panel.spoken = "";
  panel.described = "";
  if (panel.lastRow) tryDescribe(panel.lastRow);
}

const tryRunning = () => $("try-panel").open && !document.hidden;

function trySchedule() {
  const t = state.try;
  if (!t.raf && !t.manual && tryRunning()) t.raf = requestAnimationFrame(tryOnFrame);
}

// The clock steps a whole number of milliseconds per pass: the display's
// usual frame time, so a notice lasts its two seconds, and steady, so the
// recording needs no line per frame.
function tryOnFrame(now) {
  const t = state.try;
  t.raf = 0;
  if (!tryRunning()) { t.lastNow = 0; return; }
  if (t.lastNow) {
    t.intervals.push(now - t.lastNow);
    if (t.intervals.length === 60) {
      const sorted = t.intervals.slice().sort((a, b) => a - b);
      t.step = Math.min(100, Math.max(1, Math.round(sorted[30])));
      t.intervals = [];
    }
  }
  t.lastNow = now;
  try {
    tryFrame(t.step);
  } catch (e) {
    // The loop stops here: Restart starts it again.
    showError(e, (why) => m("try.stopped", { why }), "try-note");
    return;
  }
  trySchedule();
}

function tryHeldBits() {
  const t = state.try, bit = t.inputs.held, held = (name) => t.inputs.keys[name].some((code) => t.held[code]);
  let bits = 0;
  if (t.wheel[0] === 1 || held("speedUp")) bits |= bit.speedUp;
  if (t.wheel[0] === -1 || held("speedDown")) bits |= bit.speedDown;
  if ($("try-pace").checked || held("pace")) bits |= bit.pace;
  if ($("try-walk").checked || held("move")) bits |= bit.move;
  if ($("try-mounted").checked) bits |= bit.mounted;
  if ($("try-blocked").checked) bits |= bit.blocked;
  return bits;
}

// One pass: the input gathered since the last, the plug-in, the picture.
function tryFrame(ms) {
  const t = state.try;
  if (!t.session) tryStart();
  const t0 = performance.now();
  const keys = t.keyQueue.splice(0, TRY_KEYS_MAX).flat();
  const bits = tryHeldBits();
  t.wheel.shift();
  const f = t.session.frame(keys, bits, ms);
  t.passes++;
  tryPaint(f, ms);
  // Timed only for a test that enabled the hooks; a player's frame pays nothing.
  if (window.pacelarkTest.try) t.timings.at[t.timings.n++ % TRY_TIMINGS] = performance.now() - t0;
  tryDescribe(f.row);
  t.lastRow = f.row;
}

// Two layers: the scene (sky, and ground whose stripes run towards the
// player at the reported speed) at a low resolution under the plug-in's
// drawing at the chosen screen size. Only what the last frame drew on the
// upper layer is cleared, so a frame rasters little more than the HUD.
function tryPaint(f, ms) {
  const t = state.try, canvas = $("try-canvas"), g = canvas.getContext("2d");
  const [w, h] = $("try-size").value.split("x").map(Number);
  if (t.paintedSize !== w + "x" + h) {
    canvas.width = w;
    canvas.height = h;
    const scene = $("try-scene");
    scene.width = 480;
    scene.height = Math.round(480 * h / w);
    t.paintedSize = w + "x" + h;
    t.covered = [];
  }
  tryPaintScene(f.row.reported, ms);
  for (const b of t.covered) g.clearRect(b[0], b[1], b[2] - b[0], b[3] - b[1]);
  t.covered = paintHud(g, f.draws, w, h).covered;
}

function tryPaintScene(reported, ms) {
  const t = state.try, scene = $("try-scene"), sg = scene.getContext("2d", { alpha: false });
  const w = scene.width, h = scene.height, horizon = h * 0.55;
  if (!t.sky) {
    t.sky = sg.createLinearGradient(0, 0, 0, horizon);
    t.sky.addColorStop(0, "rgb(120,150,185)");
    t.sky.addColorStop(1, "rgb(190,200,205)");
  }
  sg.fillStyle = t.sky;
  sg.fillRect(0, 0, w, horizon);
  sg.fillStyle = "rgb(96,110,72)";
  sg.fillRect(0, horizon, w, h - horizon);
  t.ground = (t.ground + (isFinite(reported) ? reported : 0) * ms / 1000) % 1;
  sg.fillStyle = "rgb(80,92,60)";
  for (let i = 0; i < 24; i++) {
    const z = (i + 1 - t.ground) * 0.5, near = horizon + (h - horizon) * 0.5 / z, far = horizon + (h - horizon) * 0.5 / (z + 0.25);
    if (far < h) sg.fillRect(0, far, w, Math.min(near, h) - far);
  }
}

const switchText = (r, name) => t(TOGGLE_WORDS[name].state[r[name] === null ? 2 : r[name] ? 0 : 1]);
const trySpeed = (v) => (v === null ? "?" : v.toFixed(2));

// The line in words whenever it changes; the polite announcement only when
// a switch changed, never for the speeds. Words are looked up only on a
// change, not every frame.
function tryDescribe(r) {
  const panel = state.try;
  const toggles = state.facts.toggles;
  const key = [...toggles.map((n) => r[n.name]), r.mounted, trySpeed(r.desired), trySpeed(r.reported), r.notice].join("|");
  if (key === panel.described) return;
  panel.described = key;
  const parts = { player: t(r.mounted ? "try.state.riding" : "try.state.on_foot") };
  for (const { name } of toggles) parts[TOGGLE_WORDS[name].arg] = switchText(r, name);
  const speeds = { ...parts, chosen: trySpeed(r.desired), reported: trySpeed(r.reported) };
  // The notice is the plug-in's own text, in English as in the game.
  $("try-state").textContent = r.notice ? t("try.state.line_notice", { ...speeds, notice: r.notice }) : t("try.state.line", speeds);
  const flags = t("try.said.flags", parts);
  if (panel.spoken && flags !== panel.spoken) tryAnnounce(flags);
  panel.spoken = flags;
}

function tryAnnounce(wording) { $("try-live").textContent = render(wording); }

function trySave() {
  if (!state.try.session) tryStart();
  // The engine's bytes as they are: a decode and encode on the way could change them.
  download(state.try.session.scenario(), names.session, "text/plain");
  tryAnnounce(m("try.said.saved", { file: names.session, command: `${names.sim} run --scenario ${names.session}` }));
}

// The screen sizes and the toggles' buttons, as the engine lists them.
function buildTryControls() {
  for (const { width: w, height: h, inTry, usual } of state.facts.screens) {
    if (inTry) $("try-size").appendChild(element("option", { value: w + "x" + h, text: w + "×" + h }));
    if (usual) $("try-size").value = w + "x" + h;
  }
  state.facts.toggles.forEach((n, i) => $("try-toggles").appendChild(element("button", { type: "button", id: "try-toggle-" + i })));
  labelToggles();
}

export function setUpTry() {
  state.try = {
    inputs: state.facts.try,  // held-input bits and keys, key message kinds, key table size
    session: null,      // the TrySession once started; its keys: the toggles' keys as bound
    startedWith: null,  // the settings bytes the session read
    stale: false,       // the file's bytes differ from those
    keyQueue: [],       // [code, key message kind]
    held: {},           // key codes held in the box
    wheel: [],          // notches not yet taken, in order: 1 speed-up, -1 speed-down
    raf: 0, lastNow: 0, intervals: [], step: 17,
    manual: false,      // the test hooks run the frames
    passes: 0, lastRow: null, ground: 0, spoken: "", described: "",
    timings: { at: new Float64Array(TRY_TIMINGS), n: 0 },
    covered: [], paintedSize: "", sky: null,
  };
  const t = state.try;
  buildTryControls();
  listenForTryInput(t);
  $("try-restart").addEventListener("click", () => { tryStart(); trySchedule(); });
  $("try-save").addEventListener("click", trySave);
  const wake = () => { t.lastNow = 0; trySchedule(); };
  $("try-panel").addEventListener("toggle", wake);
  document.addEventListener("visibilitychange", wake);
  addTryTestHooks(t);
}

// The box's keys, the canvas's wheel and the toggle buttons, queued for the
// next frame.
function listenForTryInput(t) {
  const box = $("try-box"), canvas = $("try-canvas"), message = t.inputs.keyMessages;
  const watched = (vk) => vk !== null && vk < t.inputs.keyTableSize;
  box.addEventListener("keydown", (e) => {
    if (e.key === "Tab") return;                          // focus moves on, as everywhere
    if (e.key === "Escape") { box.blur(); return; }       // the way out
    const vk = virtualKey(e);
    if (!watched(vk)) return;
    e.preventDefault();
    if (e.repeat) return;
    t.held[vk] = true;
    t.keyQueue.push([vk, message.down]);
  });
  box.addEventListener("keyup", (e) => {
    if (e.key === "Tab" || e.key === "Escape") return;
    const vk = virtualKey(e);
    if (!watched(vk)) return;
    e.preventDefault();
    delete t.held[vk];
    t.keyQueue.push([vk, message.up]);
  });
  // A key still down when the focus leaves is let go, as the game sees it.
  box.addEventListener("blur", () => {
    for (const k of Object.keys(t.held)) t.keyQueue.push([Number(k), message.up]);
    t.held = {};
  });
  canvas.addEventListener("wheel", (e) => {
    if (!e.deltaY) return;
    e.preventDefault();
    // One notch is one frame of its control, as the game takes the wheel.
    if (t.wheel.length < 64) t.wheel.push(e.deltaY < 0 ? 1 : -1);
  }, { passive: false });
  canvas.addEventListener("click", () => box.focus());
  for (let i = 0; i < state.facts.toggles.length; i++) {
    $("try-toggle-" + i).addEventListener("click", () => {
      if (t.session && watched(t.session.keys[i].code)) t.keyQueue.push([t.session.keys[i].code, message.tap]);
    });
  }
}

// window.pacelarkTest.try once a test enables the hooks.
function addTryTestHooks(t) {
  testHooks.try = {
    passes: () => t.passes,
    // Stops the animation loop and runs n passes of ms milliseconds each.
    frames(n, ms) {
      t.manual = true;
      if (t.raf) { cancelAnimationFrame(t.raf); t.raf = 0; }
      for (let i = 0; i < n; i++) tryFrame(ms);
      return t.lastRow;
    },
    live() { t.manual = false; trySchedule(); },
    table: () => t.session.table(),
    // As text; the download takes the bytes.
    scenario: () => fromUtf8.decode(t.session.scenario()),
    // Deletes the session; the next frame starts another.
    end() { t.session.delete(); t.session = null; },
    // Oldest first.
    timings() {
      const { at, n } = t.timings;
      return n <= TRY_TIMINGS ? Array.from(at.subarray(0, n))
        : [...at.subarray(n % TRY_TIMINGS), ...at.subarray(0, n % TRY_TIMINGS)];
    },
    heapInUse,
  };
}
