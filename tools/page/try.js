// The Try panel: the real plug-in, one pass per animation frame, played with
// the page's settings. The session runs in the engine (the stand-in world,
// the plug-in, the recording); this part only gathers input, paints the
// frame and says what changed. Its state is state.try.

const TRY_SIZES = [[1280, 720], [1920, 1080], [2560, 1440], [3840, 2160], [1920, 1200], [3440, 1440]];
const TRY_KEYS_MAX = 32;     // key messages handed to one pass; more wait for the next
const TRY_TIMINGS = 1024;    // frame work times kept for the test hooks
const TRY_NAMES = ["PLK", "overlay", "auto-walk", "mount support"];
// Held inputs, as the engine numbers them.
const TRY_SPEED_UP = 1, TRY_SPEED_DOWN = 2, TRY_PACE = 4, TRY_WALK = 8, TRY_MOUNTED = 16, TRY_BLOCKED = 32;
const TRY_STARTED = "Started with the settings as they are now. The game reads Pacelark.ini once, when it starts: " +
  "after a change, Restart here as you would restart the game.";

// The engine's last result; a copy, since memory growth replaces the heap's buffer.
function tryOutBytes() {
  const p = Module._plk_try_out(), n = Module._plk_try_out_size();
  return Module.HEAPU8.slice(p, p + n);
}
const tryOut = () => fromUtf8.decode(tryOutBytes());

function tryStart() {
  const t = state.try;
  t.startedWith = currentIniBytes();
  t.stale = false;
  withBytes(t.startedWith, (p, n) => {
    if (!Module._plk_try_start(p, n, t.step)) throw new Error(tryOut());
  });
  if (!t.keyBuffer) t.keyBuffer = Module._malloc(TRY_KEYS_MAX * 8);
  t.session = JSON.parse(tryOut());
  t.keyQueue = [];
  t.wheel = [];
  t.lastRow = null;
  t.spoken = "";
  t.session.keys.forEach((k, i) => {
    const b = $("try-toggle-" + i), bound = k.code < 255;
    b.textContent = TRY_NAMES[i] + (bound ? " (" + k.name + ")" : "");
    b.disabled = !bound;
    b.title = bound ? "Presses and releases " + k.name + " for the plug-in" : "Not bound to a key in these settings";
  });
  $("try-note").textContent = TRY_STARTED;
  tryAnnounce("Started with the settings as they are now.");
}

// Compared when the file changes, not every frame: the text may be a megabyte.
// An edit undone brings the session's settings back, and the note goes.
function tryFileChanged() {
  const t = state.try;
  if (!t.session) return;
  const stale = !sameBytes(currentIniBytes(), t.startedWith);
  if (stale === t.stale) return;
  t.stale = stale;
  if (stale) {
    $("try-note").textContent = "The settings changed since this session started. The game reads Pacelark.ini once, " +
      "when it starts: Restart to play with them.";
    tryAnnounce("The settings changed; Restart to play with them.");
  } else {
    $("try-note").textContent = TRY_STARTED;
    tryAnnounce("The settings are again those this session started with.");
  }
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
  tryFrame(t.step);
  trySchedule();
}

function tryHeldBits() {
  const t = state.try, held = t.held;
  let bits = 0;
  if (t.wheel[0] === 1 || held[33]) bits |= TRY_SPEED_UP;      // Page Up
  if (t.wheel[0] === -1 || held[34]) bits |= TRY_SPEED_DOWN;   // Page Down
  if ($("try-pace").checked || held[16]) bits |= TRY_PACE;
  if ($("try-walk").checked || held[87] || held[38]) bits |= TRY_WALK;
  if ($("try-mounted").checked) bits |= TRY_MOUNTED;
  if ($("try-blocked").checked) bits |= TRY_BLOCKED;
  return bits;
}

// One pass: the input gathered since the last, the plug-in, the picture.
function tryFrame(ms) {
  const t = state.try;
  if (!t.session) tryStart();
  const t0 = performance.now();
  const n = Math.min(t.keyQueue.length, TRY_KEYS_MAX);
  const view = new Int32Array(Module.HEAPU8.buffer, t.keyBuffer, n * 2);
  for (let i = 0; i < n; i++) { view[2 * i] = t.keyQueue[i][0]; view[2 * i + 1] = t.keyQueue[i][1]; }
  t.keyQueue.splice(0, n);
  const bits = tryHeldBits();
  t.wheel.shift();
  if (!Module._plk_try_frame(t.keyBuffer, n, bits, ms)) throw new Error(tryOut());
  t.passes++;
  const f = JSON.parse(tryOut());
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
  for (const b of t.covered) g.clearRect(b[0], b[1], b[2], b[3]);
  t.covered = [];
  const cover = (x, y, cw, ch) => {
    if (!isFinite(x + y + cw + ch)) { t.covered = [[0, 0, w, h]]; return; }
    const l = Math.floor(Math.min(x, x + cw)) - 2, top = Math.floor(Math.min(y, y + ch)) - 2;
    t.covered.push([l, top, Math.ceil(Math.abs(cw)) + 4, Math.ceil(Math.abs(ch)) + 4]);
  };
  for (const d of f.draws) {
    if (d.rect) {
      if (d.cx === null || d.cy === null || d.w === null || d.h === null) continue;
      const x = (d.cx - d.w / 2) * w, y = (d.cy - d.h / 2) * h;
      g.fillStyle = rgba(d.rgba);
      g.fillRect(x, y, d.w * w, d.h * h);
      cover(x, y, d.w * w, d.h * h);
      continue;
    }
    if (d.x === null || d.y === null || d.scale === null) continue;
    const px = d.scale * h / 20;
    g.font = px + "px sans-serif";
    g.textBaseline = "top";
    if (d.flag) {
      g.fillStyle = rgba([0, 0, 0, d.rgba[3]], 0.8);
      g.fillText(d.text, d.x * w + 1, d.y * h + 1);
    }
    g.fillStyle = rgba(d.rgba);
    g.fillText(d.text, d.x * w, d.y * h);
    cover(d.x * w - px, d.y * h - px, (d.text.length + 2) * px, 3 * px);
  }
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

const tryOnOff = (b) => (b === null ? "?" : b ? "on" : "off");
const trySpeed = (v) => (v === null ? "?" : v.toFixed(2));

// The line in words every frame; the polite announcement only when a
// switch changed, never for the speeds.
function tryDescribe(r) {
  const t = state.try;
  $("try-state").textContent = "Mod " + tryOnOff(r.mod) + " · overlay " + tryOnOff(r.overlay) + " · auto-walk " + tryOnOff(r.autoWalk) +
    " · mount support " + tryOnOff(r.support) + " · " + (r.mounted ? "riding" : "on foot") +
    " · chosen speed " + trySpeed(r.desired) + " · reported " + trySpeed(r.reported) + (r.notice ? " · notice " + r.notice : "");
  const flags = "Mod " + tryOnOff(r.mod) + ", overlay " + tryOnOff(r.overlay) + ", auto-walk " + tryOnOff(r.autoWalk) +
    ", mount support " + tryOnOff(r.support) + ", " + (r.mounted ? "riding" : "on foot") + ".";
  if (t.spoken && flags !== t.spoken) tryAnnounce(flags);
  t.spoken = flags;
}

function tryAnnounce(text) { $("try-live").textContent = text; }

function trySave() {
  if (!state.try.session) tryStart();
  Module._plk_try_scenario();
  // The engine's bytes as they are: a decode and encode on the way could change them.
  const a = document.createElement("a");
  a.href = URL.createObjectURL(new Blob([tryOutBytes()], { type: "text/plain" }));
  a.download = "pacelark-session.txt";
  document.body.appendChild(a);
  a.click();
  a.remove();
  setTimeout((url) => URL.revokeObjectURL(url), 60000, a.href);
  tryAnnounce("Saved pacelark-session.txt: pacelark-sim run --scenario pacelark-session.txt plays it back.");
}

function setUpTry() {
  state.try = {
    session: null,      // { keys: bound toggle keys } once started
    startedWith: null,  // the settings bytes the session read
    stale: false,       // the file's bytes differ from those
    keyQueue: [],       // [code, 0 press | 1 release | 2 tap]
    held: {},           // key codes held in the box
    wheel: [],          // notches not yet taken, in order: 1 speed-up, -1 speed-down
    keyBuffer: 0,
    raf: 0, lastNow: 0, intervals: [], step: 17,
    manual: false,      // the test hooks run the frames
    passes: 0, lastRow: null, ground: 0, spoken: "",
    timings: { at: new Float64Array(TRY_TIMINGS), n: 0 },
    covered: [], paintedSize: "", sky: null,
  };
  const t = state.try, box = $("try-box"), canvas = $("try-canvas");

  for (const [w, h] of TRY_SIZES) $("try-size").appendChild(element("option", { value: w + "x" + h, text: w + "×" + h }));
  $("try-size").value = "1920x1080";
  whenFileChanges(tryFileChanged);

  box.addEventListener("keydown", (e) => {
    if (e.key === "Tab") return;                          // focus moves on, as everywhere
    if (e.key === "Escape") { box.blur(); return; }       // the way out
    const vk = virtualKey(e);
    if (vk === null || vk >= 255) return;
    e.preventDefault();
    if (e.repeat) return;
    t.held[vk] = true;
    t.keyQueue.push([vk, 0]);
  });
  box.addEventListener("keyup", (e) => {
    if (e.key === "Tab" || e.key === "Escape") return;
    const vk = virtualKey(e);
    if (vk === null || vk >= 255) return;
    e.preventDefault();
    delete t.held[vk];
    t.keyQueue.push([vk, 1]);
  });
  // A key still down when the focus leaves is let go, as the game sees it.
  box.addEventListener("blur", () => {
    for (const k of Object.keys(t.held)) t.keyQueue.push([Number(k), 1]);
    t.held = {};
  });
  canvas.addEventListener("wheel", (e) => {
    if (!e.deltaY) return;
    e.preventDefault();
    // One notch is one frame of its control, as the game takes the wheel.
    if (t.wheel.length < 64) t.wheel.push(e.deltaY < 0 ? 1 : -1);
  }, { passive: false });
  canvas.addEventListener("click", () => box.focus());
  for (let i = 0; i < 4; i++) {
    $("try-toggle-" + i).addEventListener("click", () => {
      if (t.session && t.session.keys[i].code < 255) t.keyQueue.push([t.session.keys[i].code, 2]);
    });
  }
  $("try-restart").addEventListener("click", () => { tryStart(); trySchedule(); });
  $("try-save").addEventListener("click", trySave);
  const wake = () => { t.lastNow = 0; trySchedule(); };
  $("try-panel").addEventListener("toggle", wake);
  document.addEventListener("visibilitychange", wake);

  // window.pacelarkTest.try once a test enables the hooks.
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
    table() { Module._plk_try_table(); return tryOut(); },
    scenario() { Module._plk_try_scenario(); return tryOut(); },
    // Oldest first.
    timings() {
      const { at, n } = t.timings;
      return n <= TRY_TIMINGS ? Array.from(at.subarray(0, n))
        : [...at.subarray(n % TRY_TIMINGS), ...at.subarray(0, n % TRY_TIMINGS)];
    },
    heapInUse: () => Module._plk_try_heap(),
  };
}

whenStarted(setUpTry);
