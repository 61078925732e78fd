// The settings page. Everything the plug-in would do (the report, the edits,
// the preview's pass) happens in the tools' C++ compiled to WebAssembly; this
// script only moves bytes in and out and draws what the pass draws.
"use strict";

var EDIT_LIMIT = 1 << 20;     // files up to this size are opened and edited
var CHECK_LIMIT = 64 << 20;   // bigger ones are reported only; beyond this, refused
var FILE_KINDS = ["text", "empty", "utf-16le", "utf-16be", "binary"];

var WHAT = {
  TOGGLE_MOD_KEY: "switches the whole plug-in on and off",
  TOGGLE_HUD_KEY: "shows and hides the speed bars",
  TOGGLE_AUTO_WALK_KEY: "switches auto-walk",
  TOGGLE_HORSE_SUPPORT: "switches speed control of the horse",
  INITIAL_WALK_SPEED: "speed at start",
  SCROLL_STEP_SIZE: "change per frame while speed-up or speed-down is held",
  MIN_SCROLL_VAL: "lowest speed",
  MAX_SCROLL_VAL: "highest speed",
  DISABLE_HORSE_SUPPORT: "on: never control the horse's speed",
  UI_HIDE_PED_DESIRED_SPEED: "on: hide the upper bar (the speed the game reports)",
  UI_LEFT_OFFSET: "left edge of the bars, a fraction of the screen width",
  UI_BOTTOM_OFFSET: "gap below the bars, a fraction of the screen height",
  UI_BAR_LENGTH: "length of a bar's background, a fraction of the screen width (a speed of 3 fills it)",
};

var RESOLUTIONS = [
  [1280, 720, "16:9"], [1366, 768, "16:9"], [1600, 900, "16:9"], [1920, 1080, "16:9"],
  [2560, 1440, "16:9"], [3840, 2160, "16:9"], [1280, 800, "16:10"], [1440, 900, "16:10"],
  [1680, 1050, "16:10"], [1920, 1200, "16:10"], [2560, 1600, "16:10"], [2560, 1080, "21:9 ultrawide"],
  [3440, 1440, "21:9 ultrawide"], [3840, 1600, "24:10 ultrawide"],
];

// keydown keyCode to Windows virtual-key code. On Windows a key event's
// keyCode is the virtual-key code for the keyboard's layout, as the game gets
// it; Firefox alone numbers a few keys its own way, on every system.
var KEYCODE_TO_VK = { 59: 186, 61: 187, 173: 189, 224: 91 };
function virtualKey(e) {
  if (!e.keyCode) return null;
  return KEYCODE_TO_VK[e.keyCode] || e.keyCode;
}

window.__csp = [];
document.addEventListener("securitypolicyviolation", function (e) {
  window.__csp.push(e.violatedDirective + " " + e.blockedURI);
});

function fromBase64(text) {
  var s = atob(text), b = new Uint8Array(s.length);
  for (var i = 0; i < s.length; i++) b[i] = s.charCodeAt(i);
  return b;
}

var Module = {
  wasmBinary: fromBase64(window.__wasmBase64),
  print: function (t) { console.log(t); },
  printErr: function (t) { console.warn(t); },
  onAbort: function (what) { fatal("the page's engine stopped (" + what + ")"); },
  onRuntimeInitialized: function () { start(); },
};

function $(id) { return document.getElementById(id); }
var utf8 = new TextEncoder();
// The byte-order mark stays in the text shown, so the text is the file's bytes.
var fromUtf8 = new TextDecoder("utf-8", { ignoreBOM: true });

// ---- calls into the engine: bytes in, one result buffer out ----

function withBytes(bytes, fn) {
  var p = Module._malloc(bytes.length || 1);
  if (!p) throw new Error("out of memory");
  Module.HEAPU8.set(bytes, p);
  try { return fn(p, bytes.length); } finally { Module._free(p); }
}
function withString(text, fn) {
  var b = utf8.encode(text), z = new Uint8Array(b.length + 1);
  z.set(b);
  return withBytes(z, function (p) { return fn(p); });
}
// Memory growth replaces the heap's buffer, so the view is taken afresh.
function outBytes() {
  var p = Module._plk_out(), n = Module._plk_out_size();
  return Module.HEAPU8.slice(p, p + n);
}
function outText() { return fromUtf8.decode(outBytes()); }

var engine = {
  table: function () { Module._plk_table(); return JSON.parse(outText()); },
  check: function (bytes, name) {
    return withBytes(bytes, function (p, n) {
      return withString(name, function (s) {
        if (!Module._plk_check(p, n, s)) throw new Error(outText());
        return JSON.parse(outText());
      });
    });
  },
  look: function (bytes) {
    return withBytes(bytes, function (p, n) {
      var kind = Module._plk_look(p, n);
      return { kind: FILE_KINDS[kind], zeroBytes: Number(outText()) };
    });
  },
  set: function (bytes, key, typed) {
    return withBytes(bytes, function (p, n) {
      return withString(typed, function (s) {
        return Module._plk_set(p, n, key, s) ? { bytes: outBytes() } : { error: outText() };
      });
    });
  },
  preview: function (bytes, v) {
    return withBytes(bytes, function (p, n) {
      if (!Module._plk_preview(p, n, v.desired, v.reported, v.mounted, v.notice, v.noticeOn)) throw new Error(outText());
      return JSON.parse(outText());
    });
  },
};

// ---- state ----

var table = null;   // settings (name, kind, default), key names, the defaults file
var doc = null;     // name, bytes, baseline (as last opened or saved; null: never saved), source
var check = null;   // the engine's report of doc
var other = null;   // a file reported but not opened: name, bytes, look
var listening = -1; // the key setting whose Listen button waits for a key

function sameBytes(a, b) {
  if (!a || !b || a.length !== b.length) return false;
  for (var i = 0; i < a.length; i++) if (a[i] !== b[i]) return false;
  return true;
}
function isDirty() { return !!doc && !sameBytes(doc.bytes, doc.baseline); }
function megabytes(n) { return (n / 1048576).toFixed(1) + " MB"; }

function message(text, tone) {
  var m = $("message");
  m.textContent = text;
  m.className = tone || "";
}

function fatal(text) {
  message("The page cannot go on: " + text + ". Reload it to start again.", "bad");
  $("status").textContent = "failed";
}

// ---- the form ----

function element(tag, props, children) {
  var e = document.createElement(tag);
  for (var k in props) {
    if (k === "text") e.textContent = props[k];
    else if (k.indexOf("aria-") === 0 || k === "role" || k === "for") e.setAttribute(k, props[k]);
    else e[k] = props[k];
  }
  (children || []).forEach(function (c) { e.appendChild(c); });
  return e;
}

function buildForm() {
  var form = $("form");
  table.settings.forEach(function (s, i) {
    var id = s.name;
    var head = element("div", { className: "setting-head" }, [
      element("label", { for: "in-" + id, id: "label-" + id, text: id }),
      element("span", { className: "what", text: WHAT[id] || "" }),
    ]);
    var controls = element("div", { className: "controls" });
    if (s.kind === "key") {
      var listen = element("button", { type: "button", className: "listen", id: "listen-" + id,
        "aria-pressed": "false", "aria-labelledby": "label-" + id + " listen-" + id, "aria-describedby": "origin-" + id });
      var pick = element("select", { id: "pick-" + id, "aria-label": id + ": pick a key by name" });
      table.keys.forEach(function (k) {
        pick.appendChild(element("option", { value: String(k[0]), text: k[1] + " (" + k[0] + ")" + (k[2] ? ", " + k[2] : "") }));
      });
      pick.appendChild(element("option", { value: "", text: "another code", disabled: true }));
      var code = element("input", { type: "text", id: "in-" + id, inputMode: "numeric", autocomplete: "off",
        "aria-label": id + ": key code or name" });
      listen.addEventListener("click", function () { startListening(i); });
      listen.addEventListener("keydown", function (e) { listenKey(i, e); });
      listen.addEventListener("blur", function () { if (listening === i) stopListening(); });
      pick.addEventListener("change", function () { if (pick.value) edit(i, pick.value); });
      code.addEventListener("change", function () { edit(i, code.value); });
      controls.appendChild(listen);
      controls.appendChild(pick);
      controls.appendChild(code);
    } else if (s.kind === "number") {
      var number = element("input", { type: "text", id: "in-" + id, inputMode: "decimal", autocomplete: "off" });
      // Every keystroke that makes a number goes through; the field keeps
      // what was typed until it is left.
      number.addEventListener("input", function () { edit(i, number.value, { quiet: true }); });
      number.addEventListener("change", function () { edit(i, number.value); });
      controls.appendChild(number);
    } else {
      var box = element("input", { type: "checkbox", id: "in-" + id, role: "switch" });
      box.addEventListener("change", function () { edit(i, box.checked ? "true" : "false"); });
      controls.appendChild(box);
    }
    var reset = element("button", { type: "button", id: "reset-" + id, text: "Default (" + s.default + ")",
      "aria-label": id + ": back to the default, " + s.default });
    reset.addEventListener("click", function () { edit(i, s.default); });
    controls.appendChild(reset);
    form.appendChild(element("div", { className: "setting", id: "row-" + id }, [
      head, controls,
      element("p", { className: "origin", id: "origin-" + id }),
      element("p", { className: "field-error", id: "err-" + id, role: "alert" }),
    ]));
  });
  form.addEventListener("submit", function (e) { e.preventDefault(); });
}

function originText(i) {
  var line = check.values[i].line, stop = check.stoppedAt, n = table.settings.length;
  if (stop < n && i === stop) return { text: "default: the load stops here (line " + line + "): this value cannot be read", stop: true };
  if (stop < n && i > stop)
    return { text: line ? "default: line " + line + " is never read, the load stops at " + table.settings[stop].name
                        : "default: not in the file", stop: false };
  return { text: line ? "from line " + line : "default: not in the file's [SETTINGS]", stop: false };
}

function updateForm() {
  table.settings.forEach(function (s, i) {
    var id = s.name, v = check.values[i], field = $("in-" + id);
    var o = originText(i), origin = $("origin-" + id);
    origin.textContent = o.text;
    origin.className = "origin" + (o.stop ? " stop" : "");
    if (s.kind === "key") {
      if (listening !== i) $("listen-" + id).textContent = "Listen: " + v.shown;
      var pick = $("pick-" + id);
      pick.value = v.value;
      if (pick.value !== v.value) pick.value = "";
      if (document.activeElement !== field) field.value = v.value;
    } else if (s.kind === "number") {
      if (document.activeElement !== field) field.value = v.value;
    } else {
      field.checked = v.value === "true";
    }
  });
}

function edit(i, typed, opts) {
  opts = opts || {};
  var s = table.settings[i], err = $("err-" + s.name);
  var r = engine.set(doc.bytes, i, String(typed));
  if (r.error) {
    if (!opts.quiet) err.textContent = r.error + "; the file was not changed";
    return false;
  }
  err.textContent = "";
  doc.bytes = r.bytes;
  refresh();
  if (!opts.quiet) message(s.name + " set to " + check.values[i].value + ".", "good");
  return true;
}

// ---- listening for a key ----

function startListening(i) {
  if (listening >= 0 && listening !== i) stopListening();
  listening = i;
  var b = $("listen-" + table.settings[i].name);
  b.setAttribute("aria-pressed", "true");
  b.textContent = "Press a key… (Esc: cancel)";
}
function stopListening() {
  var i = listening;
  listening = -1;
  if (i < 0) return;
  var b = $("listen-" + table.settings[i].name);
  b.setAttribute("aria-pressed", "false");
  b.textContent = "Listen: " + check.values[i].shown;
}
function listenKey(i, e) {
  if (listening !== i) return;
  if (e.key === "Tab") { stopListening(); return; }          // focus moves on as usual
  e.preventDefault();
  e.stopPropagation();
  if (e.key === "Escape") { stopListening(); message("Listening stopped; nothing changed."); return; }
  var vk = virtualKey(e);
  stopListening();
  if (vk === null) {
    message("The browser gave no code for that key (" + (e.key || e.code) + "); pick it from the list instead.", "bad");
    return;
  }
  edit(i, String(vk));
}

// ---- the report, the file text, the preview ----

function refresh() {
  check = engine.check(doc.bytes, doc.name);
  var report = $("report");
  report.textContent = check.report;
  report.className = "status-" + check.status;
  updateForm();
  $("text").textContent = fromUtf8.decode(doc.bytes);
  $("text-line").textContent = doc.bytes.length + " bytes" + (isDirty() ? ", changed and not saved yet" : "") +
    ". This is exactly what Save writes.";
  var source = doc.source === "file" ? "your file " + doc.name : doc.source === "sample" ? "the sample Pacelark.ini" : "the defaults";
  $("doc-line").textContent = "Showing " + source + (isDirty() ? ", with changes not saved yet." : ".");
  drawPreview();
}

function previewView() {
  var speed = function (id) {
    var t = $(id).value.trim().replace(",", ".");
    var v = t === "" ? NaN : Number(t);
    return isFinite(v) ? v : NaN;
  };
  return {
    desired: speed("desired"),
    reported: speed("reported"),
    mounted: Number($("mounted").value),
    notice: Number($("notice").value),
    noticeOn: Number($("notice-on").value),
  };
}

function screenSize() {
  var v = $("resolution").value;
  if (v === "window") return [Math.round(window.innerWidth * devicePixelRatio), Math.round(window.innerHeight * devicePixelRatio)];
  var p = v.split("x");
  return [Number(p[0]), Number(p[1])];
}

function rgba(c, alphaScale) {
  var ch = function (x) { return Math.min(x, 255); };
  return "rgba(" + ch(c[0]) + "," + ch(c[1]) + "," + ch(c[2]) + "," + ch(c[3]) / 255 * (alphaScale || 1) + ")";
}

// As the native preview paints: a muted sky over muted ground, rectangles by
// centre and size, text from the top of its line at scale × height / 20 px,
// flagged text over a dark shadow. Only what the last frame covered is
// painted again: a whole 4K backdrop per keystroke would take longer than a frame.
var covered = [], paintedSize = "";
function paint(canvas, draws, w, h) {
  if (paintedSize !== w + "x" + h) {
    canvas.width = w;  // also resets the context's state
    canvas.height = h;
    paintedSize = w + "x" + h;
    covered = [[0, 0, w, h]];
  }
  var g = canvas.getContext("2d");
  var sky = g.createLinearGradient(0, 0, 0, h);
  sky.addColorStop(0, "rgb(142.8,153,163.2)");
  sky.addColorStop(0.55, "rgb(168.3,170.85,168.3)");
  sky.addColorStop(0.56, "rgb(114.75,109.65,96.9)");
  sky.addColorStop(1, "rgb(84.15,79.05,71.4)");
  g.fillStyle = sky;
  covered.forEach(function (b) { g.fillRect(b[0], b[1], b[2] - b[0], b[3] - b[1]); });
  covered = [];
  var cover = function (x0, y0, x1, y1) {
    var l = Math.max(0, Math.floor(Math.min(x0, x1)) - 2), r = Math.min(w, Math.ceil(Math.max(x0, x1)) + 2);
    var t = Math.max(0, Math.floor(Math.min(y0, y1)) - 2), b = Math.min(h, Math.ceil(Math.max(y0, y1)) + 2);
    if (l < r && t < b) covered.push([l, t, r, b]);
  };
  var unplaced = 0;
  draws.forEach(function (d) {
    if (d.rect) {
      if (d.cx === null || d.cy === null || d.w === null || d.h === null) { unplaced++; return; }
      var left = (d.cx - d.w / 2) * w, top = (d.cy - d.h / 2) * h;
      var right = (d.cx + d.w / 2) * w, bottom = (d.cy + d.h / 2) * h;
      g.fillStyle = rgba(d.rgba);
      g.fillRect(left, top, right - left, bottom - top);
      cover(left, top, right, bottom);
      return;
    }
    if (d.x === null || d.y === null || d.scale === null) { unplaced++; return; }
    var size = d.scale * h / 20;
    g.font = size + "px sans-serif";
    g.textBaseline = "alphabetic";
    var m = g.measureText(d.text);
    var ascent = m.fontBoundingBoxAscent !== undefined ? m.fontBoundingBoxAscent : size * 0.93;
    var x = d.x * w, y = d.y * h + ascent;
    if (d.flag) {
      g.fillStyle = rgba([0, 0, 0, d.rgba[3]], 0.8);
      g.fillText(d.text, x + 1, y + 1);
    }
    g.fillStyle = rgba(d.rgba);
    g.fillText(d.text, x, y);
    cover(x - size, d.y * h - size, x + m.width + size, d.y * h + 2 * size);
  });
  return unplaced;
}

var lastDraws = [];
function drawPreview() {
  var frame = engine.preview(doc.bytes, previewView());
  var size = screenSize();
  lastDraws = frame.draws;
  var unplaced = paint($("hud"), frame.draws, size[0], size[1]);
  var texts = frame.draws.filter(function (d) { return !d.rect; }).map(function (d) { return d.text; });
  var rects = frame.draws.filter(function (d) { return d.rect; }).length;
  var line = size[0] + "×" + size[1] + ": " + rects + " rectangles" + (texts.length ? ", text " + texts.join(" ") : "") + ".";
  if (frame.refused) line += " With these settings the plug-in refuses that toggle, so it shows no notice.";
  if (unplaced) line += " " + unplaced + " element" + (unplaced > 1 ? "s" : "") + " cannot be placed (a position or size is not a number).";
  $("preview-line").textContent = line;
  $("hud").setAttribute("aria-label", "The HUD as the plug-in draws it: " + line);
}

// ---- opening, saving ----

function openDoc(name, bytes, source, baseline) {
  if (listening >= 0) stopListening();
  doc = { name: name, bytes: bytes, baseline: baseline, source: source };
  table.settings.forEach(function (s) { $("err-" + s.name).textContent = ""; });
  refresh();
}

function askToReplace(what) {
  return !isDirty() || window.confirm("Your changes to " + doc.name + " are not saved. Open " + what + " anyway and drop them?");
}

function summary(c) {
  var n = table.settings.length, taken = 0;
  c.values.forEach(function (v, i) { if (v.line && i < c.stoppedAt) taken++; });
  if (c.stoppedAt < n) return "stops reading at " + table.settings[c.stoppedAt].name + " and takes " + taken + " setting" + (taken === 1 ? "" : "s") + " from it";
  return taken ? "takes " + taken + " of the " + n + " settings from it" : "keeps every default";
}

function showOther(name, bytes, look, line) {
  other = { name: name, bytes: bytes, look: look };
  var c = engine.check(bytes, name);
  $("other").hidden = false;
  $("other-title").textContent = "Not opened: " + name;
  $("other-line").textContent = line;
  $("other-report").textContent = c.report;
  $("convert").className = look.kind.indexOf("utf-16") === 0 ? "" : "hidden";
  return c;
}

function closeOther() {
  other = null;
  $("other").hidden = true;
  $("other-report").textContent = "";
}

// Counts every picked file once its outcome is on the page (tests wait on it).
window.__filesTaken = 0;
function takeFile(name, bytes) {
  try {
    takeFileNow(name, bytes);
  } catch (e) {
    message(name + " could not be checked (" + (e && e.message) + "); nothing changed.", "bad");
  } finally {
    window.__filesTaken++;
  }
}

function takeFileNow(name, bytes) {
  if (doc.source === "file" && doc.name === name && sameBytes(bytes, doc.original)) {
    message(name + " is open already, as it is on disk" + (isDirty() ? "; your changes are kept." : "; nothing changed."));
    return;
  }
  var look = engine.look(bytes);
  if (look.kind === "binary") {
    var b = showOther(name, bytes, look, "What the plug-in makes of it:");
    message(name + " is not a text file (it holds binary bytes): the plug-in " + summary(b) + "; nothing was opened.", "bad");
    return;
  }
  if (look.kind === "utf-16le" || look.kind === "utf-16be") {
    var u = showOther(name, bytes, look, "What the plug-in makes of its bytes:");
    message(name + " is UTF-16 text: the plug-in reads bytes, drops the zero bytes and " + summary(u) +
      "; convert it to plain text to use it.", "bad");
    return;
  }
  if (bytes.length > EDIT_LIMIT) {
    var big = showOther(name, bytes, look, "What the plug-in makes of it:");
    message(name + " is " + megabytes(bytes.length) + ": the plug-in " + summary(big) +
      " (report below), but the page edits files up to 1 MB only; nothing was opened.", "bad");
    return;
  }
  if (!askToReplace(name)) {
    message(name + " was not opened; your changes are kept.");
    return;
  }
  closeOther();
  openDoc(name, bytes, "file", bytes);
  doc.original = bytes;
  var notes = [];
  if (look.kind === "empty") notes.push("it is empty (0 bytes), so the plug-in keeps every default; a change adds [SETTINGS]");
  if (look.zeroBytes) notes.push("it holds " + look.zeroBytes + " zero byte" + (look.zeroBytes > 1 ? "s" : "") + ", which the plug-in skips; edits keep them");
  if (name.toLowerCase() !== table.fileName.toLowerCase())
    notes.push("the plug-in reads only " + table.fileName + ", and Save names it so");
  message("Opened " + name + (notes.length ? ": " + notes.join("; ") + "." : "."), notes.length ? "bad" : "good");
}

function readFile(file) {
  if (!file) return;
  if (file.size > CHECK_LIMIT) {
    message(file.name + " is " + megabytes(file.size) + ": too big to check here (up to " + megabytes(CHECK_LIMIT) +
      "); nothing changed.", "bad");
    window.__filesTaken++;
    return;
  }
  if (file.size > EDIT_LIMIT) message("Checking " + file.name + " (" + megabytes(file.size) + ")…");
  file.arrayBuffer().then(function (buffer) {
    // Let the message paint before a long check.
    setTimeout(function () { takeFile(file.name, new Uint8Array(buffer)); }, 0);
  }, function (e) {
    message(file.name + " could not be read (" + (e && e.message) + "); nothing changed.", "bad");
    window.__filesTaken++;
  });
}

function convertOther() {
  if (!other || !askToReplace(other.name + " as plain text")) return;
  var text = new TextDecoder(other.look.kind).decode(other.bytes);
  var name = other.name;
  closeOther();
  openDoc(name, utf8.encode(text), "file", null);
  doc.original = null;
  message("Converted " + name + " to plain text (UTF-8); Save downloads it as " + table.fileName + ".", "good");
}

function save() {
  var a = document.createElement("a");
  a.href = URL.createObjectURL(new Blob([doc.bytes], { type: "application/octet-stream" }));
  a.download = table.fileName;
  document.body.appendChild(a);
  a.click();
  a.remove();
  setTimeout(function (url) { URL.revokeObjectURL(url); }, 60000, a.href);
  doc.baseline = doc.bytes;
  refresh();
  message("Saved " + table.fileName + " to your downloads: move it into the game's folder, beside ScriptHookFRTR.dll.", "good");
}

// ---- start ----

function start() {
  try {
    table = engine.table();
    table.defaultsBytes = utf8.encode(table.defaultsText);
    buildForm();
    var res = $("resolution");
    RESOLUTIONS.forEach(function (r) {
      res.appendChild(element("option", { value: r[0] + "x" + r[1], text: r[0] + "×" + r[1] + " (" + r[2] + ")" }));
    });
    res.appendChild(element("option", { value: "window", text: "this window's size" }));
    res.value = "1920x1080";
    if (!/Win/.test(navigator.platform)) $("layout-note").className = "what";

    openDoc(table.fileName, table.defaultsBytes, "defaults", table.defaultsBytes);
    window.__firstShownAt = performance.now();
    initTryPanel({ settings: function () { return doc.bytes; }, virtualKey: virtualKey });

    $("open-file").addEventListener("click", function () { $("file-input").click(); });
    $("file-input").addEventListener("change", function () {
      var f = this.files[0];
      this.value = "";  // so picking the same file again is seen
      readFile(f);
    });
    $("use-sample").addEventListener("click", function () {
      if (!askToReplace("the sample")) return;
      closeOther();
      var sample = fromBase64(window.__sampleBase64);
      openDoc(table.fileName, sample, "sample", sample);
      message("Started from the sample Pacelark.ini.", "good");
    });
    $("use-defaults").addEventListener("click", function () {
      if (!askToReplace("the defaults")) return;
      closeOther();
      openDoc(table.fileName, table.defaultsBytes, "defaults", table.defaultsBytes);
      message("Started from the defaults.", "good");
    });
    $("save").addEventListener("click", save);
    $("convert").addEventListener("click", convertOther);
    $("other-close").addEventListener("click", closeOther);
    ["desired", "reported"].forEach(function (id) { $(id).addEventListener("input", drawPreview); });
    ["resolution", "mounted", "notice", "notice-on"].forEach(function (id) { $(id).addEventListener("change", drawPreview); });
    $("zoom").addEventListener("change", function () {
      var box = $("hud-box");
      $("hud").style.width = Number(this.value) * 100 + "%";
      // The bars sit at the lower left; scroll there once the new size is laid out.
      requestAnimationFrame(function () {
        box.scrollLeft = 0;
        box.scrollTop = box.scrollHeight;
      });
    });
    window.addEventListener("resize", function () { if ($("resolution").value === "window") drawPreview(); });

    document.addEventListener("dragover", function (e) { e.preventDefault(); document.body.className = "dragging"; });
    document.addEventListener("dragleave", function (e) { if (!e.relatedTarget) document.body.className = ""; });
    document.addEventListener("drop", function (e) {
      e.preventDefault();
      document.body.className = "";
      var files = e.dataTransfer && e.dataTransfer.files;
      if (files && files.length) readFile(files[0]);
    });
    window.addEventListener("beforeunload", function (e) {
      if (!isDirty()) return;
      e.preventDefault();
      e.returnValue = "";
    });
    $("status").textContent = "ready";
  } catch (e) {
    fatal(String(e && e.message || e));
  }
}
