// The Try panel: the real plug-in, one pass per animation frame, played with
// the page's settings. The session runs in the engine (the stand-in world,
// the plug-in, the recording); this module only gathers input, paints the
// frame and says what changed. Started with the page (whenStarted below).

var TRY_SIZES = [[1280, 720], [1920, 1080], [2560, 1440], [3840, 2160], [1920, 1200], [3440, 1440]];
var TRY_KEYS_MAX = 32;     // key messages handed to one pass; more wait for the next
var TRY_TIMINGS = 1024;    // frame work times kept for the test hooks
var TRY_NAMES = ["PLK", "overlay", "auto-walk", "mount support"];
// Held inputs, as the engine numbers them.
var TRY_SPEED_UP = 1, TRY_SPEED_DOWN = 2, TRY_PACE = 4, TRY_WALK = 8, TRY_MOUNTED = 16, TRY_BLOCKED = 32;

function initTryPanel(page) {
  var el = function (id) { return document.getElementById(id); };
  var panel = el("try-panel"), box = el("try-box"), canvas = el("try-canvas");
  var g = canvas.getContext("2d");
  var decoder = new TextDecoder("utf-8", { ignoreBOM: true });

  var session = null;   // { keys: bound toggle keys } once started
  var keyQueue = [];    // [code, 0 press | 1 release | 2 tap]
  var held = {};        // key codes held in the box
  var wheel = [];       // notches not yet taken, in order: 1 speed-up, -1 speed-down
  var raf = 0, lastNow = 0, intervals = [], step = 17;
  var manual = false;   // the test hooks run the frames
  var passes = 0, timings = [], lastRow = null, ground = 0, spoken = "";
  var keyBuffer = 0;
  var startedWith = null, stale = false;  // the settings the session read; changed since

  TRY_SIZES.forEach(function (r) {
    var o = document.createElement("option");
    o.value = r[0] + "x" + r[1];
    o.textContent = r[0] + "×" + r[1];
    el("try-size").appendChild(o);
  });
  el("try-size").value = "1920x1080";

  function out() {
    var p = Module._plk_try_out(), n = Module._plk_try_out_size();
    return decoder.decode(Module.HEAPU8.subarray(p, p + n));
  }

  function start() {
    startedWith = page.settings();
    stale = false;
    var bytes = startedWith;
    var p = Module._malloc(bytes.length || 1);
    Module.HEAPU8.set(bytes, p);
    try {
      if (!Module._plk_try_start(p, bytes.length, step)) throw new Error(out());
    } finally {
      Module._free(p);
    }
    if (!keyBuffer) keyBuffer = Module._malloc(TRY_KEYS_MAX * 8);
    session = JSON.parse(out());
    keyQueue = [];
    wheel = [];
    lastRow = null;
    spoken = "";
    session.keys.forEach(function (k, i) {
      var b = el("try-toggle-" + i);
      b.textContent = TRY_NAMES[i] + (k.code < 255 ? " (" + k.name + ")" : "");
      b.disabled = k.code >= 255;
      b.title = k.code < 255 ? "Presses and releases " + k.name + " for the plug-in" : "Not bound to a key in these settings";
    });
    el("try-note").textContent = "Started with the settings as they are now. The game reads Pacelark.ini once, when it starts: " +
      "after a change, Restart here as you would restart the game.";
    announce("Started with the settings as they are now.");
  }

  // Compared when the file changes, not every frame: the text may be a megabyte.
  page.whenFileChanges(function () {
    if (stale || !session || sameBytes(page.settings(), startedWith)) return;
    stale = true;
    el("try-note").textContent = "The settings changed since this session started. The game reads Pacelark.ini once, " +
      "when it starts: Restart to play with them.";
    announce("The settings changed; Restart to play with them.");
  });

  function running() { return panel.open && !document.hidden; }

  function schedule() {
    if (!raf && !manual && running()) raf = requestAnimationFrame(onFrame);
  }

  // The clock steps a whole number of milliseconds per pass: the display's
  // usual frame time, so a notice lasts its two seconds, and steady, so the
  // recording needs no line per frame.
  function onFrame(now) {
    raf = 0;
    if (!running()) { lastNow = 0; return; }
    if (lastNow) {
      intervals.push(now - lastNow);
      if (intervals.length === 60) {
        var sorted = intervals.slice().sort(function (a, b) { return a - b; });
        var typical = Math.min(100, Math.max(1, Math.round(sorted[30])));
        if (typical !== step) step = typical;
        intervals = [];
      }
    }
    lastNow = now;
    frame(step);
    schedule();
  }

  function heldBits() {
    var bits = 0;
    if (wheel[0] === 1 || held[33]) bits |= TRY_SPEED_UP;      // Page Up
    if (wheel[0] === -1 || held[34]) bits |= TRY_SPEED_DOWN;   // Page Down
    if (el("try-pace").checked || held[16]) bits |= TRY_PACE;
    if (el("try-walk").checked || held[87] || held[38]) bits |= TRY_WALK;
    if (el("try-mounted").checked) bits |= TRY_MOUNTED;
    if (el("try-blocked").checked) bits |= TRY_BLOCKED;
    return bits;
  }

  // One pass: the input gathered since the last, the plug-in, the picture.
  function frame(ms) {
    if (!session) start();
    var t0 = performance.now();
    var n = Math.min(keyQueue.length, TRY_KEYS_MAX);
    var view = new Int32Array(Module.HEAPU8.buffer, keyBuffer, n * 2);
    for (var i = 0; i < n; i++) { view[2 * i] = keyQueue[i][0]; view[2 * i + 1] = keyQueue[i][1]; }
    keyQueue.splice(0, n);
    var bits = heldBits();
    wheel.shift();
    if (!Module._plk_try_frame(keyBuffer, n, bits, ms)) throw new Error(out());
    passes++;
    var f = JSON.parse(out());
    paint(f, ms);
    timings.push(performance.now() - t0);
    if (timings.length > TRY_TIMINGS) timings.shift();
    describe(f.row);
    lastRow = f.row;
  }

  function rgba(c) {
    return "rgba(" + Math.min(c[0], 255) + "," + Math.min(c[1], 255) + "," + Math.min(c[2], 255) + "," + Math.min(c[3], 255) / 255 + ")";
  }

  // Two layers: the scene (sky, and ground whose stripes run towards the
  // player at the reported speed) at a low resolution under the plug-in's
  // drawing at the chosen screen size. Only what the last frame drew on the
  // upper layer is cleared, so a frame rasters little more than the HUD.
  var scene = el("try-scene"), sg = scene.getContext("2d", { alpha: false });
  var covered = [], paintedSize = "";
  function paint(f, ms) {
    var size = el("try-size").value.split("x"), w = Number(size[0]), h = Number(size[1]);
    if (paintedSize !== w + "x" + h) {
      canvas.width = w;
      canvas.height = h;
      scene.width = 480;
      scene.height = Math.round(480 * h / w);
      paintedSize = w + "x" + h;
      covered = [];
    }
    paintScene(f.row.reported, ms);
    covered.forEach(function (b) { g.clearRect(b[0], b[1], b[2], b[3]); });
    covered = [];
    f.draws.forEach(function (d) {
      if (d.rect) {
        if (d.cx === null || d.cy === null || d.w === null || d.h === null) return;
        var x = (d.cx - d.w / 2) * w, y = (d.cy - d.h / 2) * h;
        g.fillStyle = rgba(d.rgba);
        g.fillRect(x, y, d.w * w, d.h * h);
        cover(x, y, d.w * w, d.h * h);
        return;
      }
      if (d.x === null || d.y === null || d.scale === null) return;
      var px = d.scale * h / 20;
      g.font = px + "px sans-serif";
      g.textBaseline = "top";
      if (d.flag) {
        g.fillStyle = "rgba(0,0,0," + Math.min(d.rgba[3], 255) / 255 * 0.8 + ")";
        g.fillText(d.text, d.x * w + 1, d.y * h + 1);
      }
      g.fillStyle = rgba(d.rgba);
      g.fillText(d.text, d.x * w, d.y * h);
      cover(d.x * w - px, d.y * h - px, (d.text.length + 2) * px, 3 * px);
    });
  }

  function cover(x, y, cw, ch) {
    if (!isFinite(x + y + cw + ch)) { covered = [[0, 0, canvas.width, canvas.height]]; return; }
    var l = Math.floor(Math.min(x, x + cw)) - 2, t = Math.floor(Math.min(y, y + ch)) - 2;
    covered.push([l, t, Math.ceil(Math.abs(cw)) + 4, Math.ceil(Math.abs(ch)) + 4]);
  }

  var sky = null;
  function paintScene(reported, ms) {
    var w = scene.width, h = scene.height, horizon = h * 0.55;
    if (!sky) {
      sky = sg.createLinearGradient(0, 0, 0, horizon);
      sky.addColorStop(0, "rgb(120,150,185)");
      sky.addColorStop(1, "rgb(190,200,205)");
    }
    sg.fillStyle = sky;
    sg.fillRect(0, 0, w, horizon);
    sg.fillStyle = "rgb(96,110,72)";
    sg.fillRect(0, horizon, w, h - horizon);
    ground = (ground + (isFinite(reported) ? reported : 0) * ms / 1000) % 1;
    sg.fillStyle = "rgb(80,92,60)";
    for (var i = 0; i < 24; i++) {
      var z = (i + 1 - ground) * 0.5, near = horizon + (h - horizon) * 0.5 / z, far = horizon + (h - horizon) * 0.5 / (z + 0.25);
      if (far < h) sg.fillRect(0, far, w, Math.min(near, h) - far);
    }
  }

  function onOff(b) { return b === null ? "?" : b ? "on" : "off"; }
  function speedText(v) { return v === null ? "?" : v.toFixed(2); }

  // The line in words every frame; the polite announcement only when a
  // switch changed, never for the speeds.
  function describe(r) {
    el("try-state").textContent = "Mod " + onOff(r.mod) + " · overlay " + onOff(r.overlay) + " · auto-walk " + onOff(r.autoWalk) +
      " · mount support " + onOff(r.support) + " · " + (r.mounted ? "riding" : "on foot") +
      " · chosen speed " + speedText(r.desired) + " · reported " + speedText(r.reported) + (r.notice ? " · notice " + r.notice : "");
    var flags = "Mod " + onOff(r.mod) + ", overlay " + onOff(r.overlay) + ", auto-walk " + onOff(r.autoWalk) +
      ", mount support " + onOff(r.support) + ", " + (r.mounted ? "riding" : "on foot") + ".";
    if (spoken && flags !== spoken) announce(flags);
    spoken = flags;
  }

  function announce(text) { el("try-live").textContent = text; }

  // ---- input ----

  box.addEventListener("keydown", function (e) {
    if (e.key === "Tab") return;                          // focus moves on, as everywhere
    if (e.key === "Escape") { box.blur(); return; }       // the way out
    var vk = page.virtualKey(e);
    if (vk === null || vk >= 255) return;
    e.preventDefault();
    if (e.repeat) return;
    held[vk] = true;
    keyQueue.push([vk, 0]);
  });
  box.addEventListener("keyup", function (e) {
    if (e.key === "Tab" || e.key === "Escape") return;
    var vk = page.virtualKey(e);
    if (vk === null || vk >= 255) return;
    e.preventDefault();
    delete held[vk];
    keyQueue.push([vk, 1]);
  });
  // A key still down when the focus leaves is let go, as the game sees it.
  box.addEventListener("blur", function () {
    Object.keys(held).forEach(function (k) { keyQueue.push([Number(k), 1]); });
    held = {};
  });
  canvas.addEventListener("wheel", function (e) {
    if (!e.deltaY) return;
    e.preventDefault();
    // One notch is one frame of its control, as the game takes the wheel.
    if (wheel.length < 64) wheel.push(e.deltaY < 0 ? 1 : -1);
  }, { passive: false });
  canvas.addEventListener("click", function () { box.focus(); });
  [0, 1, 2, 3].forEach(function (i) {
    el("try-toggle-" + i).addEventListener("click", function () {
      if (session && session.keys[i].code < 255) keyQueue.push([session.keys[i].code, 2]);
    });
  });
  el("try-restart").addEventListener("click", function () { start(); schedule(); });
  el("try-save").addEventListener("click", function () {
    if (!session) start();
    var a = document.createElement("a");
    a.href = URL.createObjectURL(new Blob([scenarioText()], { type: "text/plain" }));
    a.download = "pacelark-session.txt";
    document.body.appendChild(a);
    a.click();
    a.remove();
    setTimeout(function (url) { URL.revokeObjectURL(url); }, 60000, a.href);
    announce("Saved pacelark-session.txt: pacelark-sim run --scenario pacelark-session.txt plays it back.");
  });
  panel.addEventListener("toggle", function () { lastNow = 0; schedule(); });
  document.addEventListener("visibilitychange", function () { lastNow = 0; schedule(); });

  function scenarioText() { Module._plk_try_scenario(); return out(); }

  // ---- test hooks (window.pacelarkTest.try once a test enables them) ----

  testHooks.try = {
    passes: function () { return passes; },
    // Stops the animation loop and runs n passes of ms milliseconds each.
    frames: function (n, ms) {
      manual = true;
      if (raf) { cancelAnimationFrame(raf); raf = 0; }
      for (var i = 0; i < n; i++) frame(ms);
      return lastRow;
    },
    live: function () { manual = false; schedule(); },
    table: function () { Module._plk_try_table(); return out(); },
    scenario: scenarioText,
    timings: function () { return timings.slice(); },
    heapInUse: function () { return Module._plk_try_heap(); },
  };
}

whenStarted(function () {
  initTryPanel({ settings: currentIniBytes, virtualKey: virtualKey, whenFileChanges: whenFileChanges });
});
