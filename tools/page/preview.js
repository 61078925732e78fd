// The preview: one pass of the plug-in over the file's settings, drawn on a
// canvas at a chosen screen size; by default zoomed on what it drew.
import { engine } from "./engine.js";
import { paintHud } from "./hud_paint.js";
import { m, render, t } from "./i18n.js";
import { state } from "./state.js";
import { $, element } from "./ui.js";


// A speed field: empty is "not given"; other text must be a number, read
// as the form reads one.
function speedField(id) {
  const field = $(id), v = engine.speed(field.value);
  const bad = v !== null && Number.isNaN(v);
  field.classList.toggle("invalid", bad);
  if (bad) field.setAttribute("aria-invalid", "true");
  else field.removeAttribute("aria-invalid");
  $(id + "-error").textContent = bad ? t("page.preview.not_a_number", { text: field.value }) : "";
  return v === null ? NaN : v;
}

function previewView() {
  return {
    desired: speedField("desired"),
    reported: speedField("reported"),
    mounted: $("mounted").value === "1",
    notice: Number($("notice").value),
    noticeOn: Number($("notice-on").value),
  };
}

function screenSize() {
  const v = $("resolution").value;
  if (v === "window") return [Math.round(window.innerWidth * devicePixelRatio), Math.round(window.innerHeight * devicePixelRatio)];
  return v.split("x").map(Number);
}

// As the native preview paints: a muted sky over muted ground under the
// plug-in's drawing. Only what the last frame covered is painted again: a
// whole 4K backdrop per keystroke would take longer than a frame.
const painted = { covered: [], size: "" };
function paint(canvas, draws, w, h) {
  if (painted.size !== w + "x" + h) {
    canvas.width = w;  // also resets the context's state
    canvas.height = h;
    painted.size = w + "x" + h;
    painted.covered = [[0, 0, w, h]];
  }
  const g = canvas.getContext("2d");
  const sky = g.createLinearGradient(0, 0, 0, h);
  sky.addColorStop(0, "rgb(142.8,153,163.2)");
  sky.addColorStop(0.55, "rgb(168.3,170.85,168.3)");
  sky.addColorStop(0.56, "rgb(114.75,109.65,96.9)");
  sky.addColorStop(1, "rgb(84.15,79.05,71.4)");
  g.fillStyle = sky;
  for (const b of painted.covered) g.fillRect(b[0], b[1], b[2] - b[0], b[3] - b[1]);
  const done = paintHud(g, draws, w, h);
  painted.covered = done.covered;
  return done;
}

// Why a frame shows no bars, in the player's words; null when it shows them.
function whyNoBars(view, rects, onScreen) {
  const c = state.check, v = (name) => c.values[state.table.settings.findIndex((s) => s.name === name)].value;
  const notice = (name) => state.facts.toggles.find((n) => n.name === name).kind;
  if (rects && !onScreen)
    return m("page.preview.off_screen", { left_name: "UI_LEFT_OFFSET", left: v("UI_LEFT_OFFSET"), bottom_name: "UI_BOTTOM_OFFSET",
      bottom: v("UI_BOTTOM_OFFSET"), length_name: "UI_BAR_LENGTH", length: v("UI_BAR_LENGTH") });
  if (rects) return null;
  if (view.mounted && c.loaded.DISABLE_HORSE_SUPPORT)
    return m("page.preview.no_bars_riding", { setting: "DISABLE_HORSE_SUPPORT=true" });
  if (view.notice === notice("plugin")) return m("page.preview.no_bars_off");
  if (view.notice === notice("speedBars")) return m("page.preview.no_bars_hidden");
  return m("page.preview.no_bars");
}

export function drawPreview() {
  const view = previewView();
  const frame = engine.preview(state.check.loaded, view);
  const [w, h] = screenSize();
  state.lastDraws = frame.draws;
  const { unplaced, inked } = paint($("hud"), frame.draws, w, h);
  const rects = frame.draws.filter((d) => d.rect);
  const texts = frame.draws.filter((d) => !d.rect).map((d) => d.text);
  const onScreen = inked.some((b) => b[2] > 0 && b[0] < w && b[3] > 0 && b[1] < h);
  // The drawn texts are the plug-in's own: the speeds, and a notice in English.
  const said = [texts.length ? m("page.preview.drawn_text", { width: w, height: h, n: rects.length, text: texts.join(" ") })
    : m("page.preview.drawn", { width: w, height: h, n: rects.length })];
  const why = whyNoBars(view, rects.length, onScreen);
  if (why) said.push(why);
  if (frame.refused) said.push(m("page.preview.refused"));
  if (unplaced) said.push(m("page.preview.unplaced", { n: unplaced }));
  const line = render(said);
  $("preview-line").textContent = line;
  $("hud").setAttribute("aria-label", t("page.preview.canvas_label", { line }));
  zoomOn(inked, w, h);
}

// "the bars": zoomed so what was drawn fills the box; otherwise a fixed zoom
// from the lower left, where the bars sit by default. The box's size is kept
// as it changes and the scroll is set only when it would move: reading or
// setting either lays the page out, which would cost an edit a millisecond or two.
const zoomed = { width: "", left: -1, top: -1, box: null };
function zoomOn(inked, w, h) {
  const box = $("hud-box"), canvas = $("hud"), mode = $("zoom").value;
  const seen = inked.map((b) => [Math.max(0, b[0]), Math.max(0, b[1]), Math.min(w, b[2]), Math.min(h, b[3])])
    .filter((b) => b[0] < b[2] && b[1] < b[3]);
  let zoom = Number(mode) || 1, focus = null;
  if (mode === "bars" && seen.length) {
    focus = seen.reduce((a, b) => [Math.min(a[0], b[0]), Math.min(a[1], b[1]), Math.max(a[2], b[2]), Math.max(a[3], b[3])]);
    const margin = 0.04 * w;
    zoom = Math.max(1, Math.min(6, w / (focus[2] - focus[0] + 2 * margin)));
  }
  const width = zoom * 100 + "%";
  if (width !== zoomed.width) {
    canvas.style.width = zoomed.width = width;
    zoomed.left = -1;
  }
  const [boxWidth, boxHeight] = zoomed.box || [box.clientWidth, box.clientHeight];
  const scale = (boxWidth * zoom) / w;
  const left = focus ? Math.max(0, Math.round(((focus[0] + focus[2]) / 2) * scale - boxWidth / 2)) : 0;
  const top = focus ? Math.max(0, Math.round(((focus[1] + focus[3]) / 2) * scale - boxHeight / 2)) : Math.ceil(h * scale);
  if (left === zoomed.left && top === zoomed.top) return;
  box.scrollLeft = zoomed.left = left;
  box.scrollTop = zoomed.top = top;
}

export function setUpPreview() {
  const notice = $("notice");
  for (const n of state.facts.toggles) notice.appendChild(element("option", { value: String(n.kind) }));
  const res = $("resolution");
  for (const s of state.facts.screens) {
    res.appendChild(element("option", { value: s.width + "x" + s.height }));
    if (s.usual) res.value = s.width + "x" + s.height;
  }
  res.appendChild(element("option", { value: "window" }));
  labelPreview();
  for (const id of ["desired", "reported"]) $(id).addEventListener("input", drawPreview);
  for (const id of ["resolution", "mounted", "notice", "notice-on", "zoom"]) $(id).addEventListener("change", drawPreview);
  window.addEventListener("resize", () => { if (res.value === "window") drawPreview(); });
  new ResizeObserver((entries) => {
    const r = entries[entries.length - 1].contentRect;
    zoomed.box = [r.width, r.height];
    zoomed.left = -1;
    if (state.doc) drawPreview();
  }).observe($("hud-box"));
}


// The lists' words, in the page's language. A notice keeps its in-game
// label, as the game shows it, with the page's name for its toggle where the
// label does not say it.
const NOTICE_NAMES = { plugin: "page.preview.notice_mod", speedBars: "page.preview.notice_hud",
  horseSpeedControl: "page.preview.notice_horse" };
export function labelPreview() {
  const notice = $("notice");
  state.facts.toggles.forEach((n, k) => {
    notice.options[k + 1].textContent = NOTICE_NAMES[n.name] ? t(NOTICE_NAMES[n.name], { label: n.label }) : n.label;
  });
  const res = $("resolution");
  const screens = state.facts.screens;
  screens.forEach(({ width, height, aspect, wide }, k) => {
    res.options[k].textContent = t(wide ? "page.preview.size_wide" : "page.preview.size", { width, height, aspect });
  });
  res.options[screens.length].textContent = t("page.preview.size_window");
}
