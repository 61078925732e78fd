// The form: one row per setting in the plug-in's order. A field shows what
// the file holds; a value reaches the file only when the field is left (or
// Enter pressed) and the whole text reads as meant.
import { engine, FindingSeverity, SettingKind } from "./engine.js";
import { sameBytes } from "./bytes.js";
import { KEYCAPS, language, m, put, t } from "./i18n.js";
import { virtualKey } from "./keys.js";
import { findingItem } from "./report.js";
import { state, nameOf, refresh } from "./state.js";
import { $, element, message } from "./ui.js";

// What the file holds for setting i: { line, text }, or null when absent.
function fileHolds(i) {
  const line = state.check.values[i].line;
  return line ? { line, text: state.check.values[i].text } : null;
}
// A message that ends with what the file holds for setting i, in its two
// variants ([holds, absent]: the file holds the setting, or lacks it).
function holdsSpec(i, [holds, absent], args) {
  const h = fileHolds(i), s = state.table.settings[i];
  return h ? m(holds, { ...args, setting: s.name, text: h.text, line: h.line })
    : m(absent, { ...args, setting: s.name, value: s.default });
}
const stopLine = () => state.check.values[state.check.stoppedAt].line;
const isPastStop = (i) => i > state.check.stoppedAt;

// The field's text, as the engine gives it: what the plug-in reads; at and
// past the stop, what the file holds, since the plug-in reads nothing there.
const fieldText = (i) => state.check.values[i].field;

export function buildForm() {
  const form = $("form");
  state.table.settings.forEach((s, i) => {
    const id = s.name, described = `what-${id} origin-${id} findings-${id} err-${id}`;
    const controls = element("div", { className: "controls" });
    let field;
    if (s.kind === SettingKind.Integer) {
      const listen = element("button", { type: "button", className: "listen", id: "listen-" + id,
        "aria-pressed": "false", "aria-labelledby": `label-${id} listen-${id}`, "aria-describedby": described });
      const pick = element("select", { id: "pick-" + id });
      for (const k of state.table.keys) pick.appendChild(element("option", { value: String(k.code) }));
      pick.appendChild(element("option", { value: "", disabled: true }));
      field = element("input", { type: "text", id: "in-" + id, inputMode: "numeric", autocomplete: "off",
        "aria-describedby": described });
      listen.addEventListener("click", () => startListening(i));
      listen.addEventListener("keydown", (e) => listenKey(i, e));
      listen.addEventListener("blur", () => { if (state.listening === i) stopListening(); });
      pick.addEventListener("change", () => { if (pick.value) edit(i, pick.value); });
      controls.append(listen, pick, field);
    } else if (s.kind === SettingKind.Float) {
      field = element("input", { type: "text", id: "in-" + id, inputMode: "decimal", autocomplete: "off",
        "aria-describedby": described });
      controls.append(field);
    } else {
      field = element("input", { type: "checkbox", id: "in-" + id, role: "switch", "aria-describedby": described });
      field.addEventListener("change", () => edit(i, field.checked ? "true" : "false"));
      controls.append(field);
    }
    if (field.type === "text") {
      // Nothing is written while typing: only a finished value, on leaving
      // the field or on Enter.
      field.addEventListener("change", () => commit(i));
      field.addEventListener("keydown", (e) => { if (e.key === "Enter") { e.preventDefault(); commit(i); } });
    }
    const reset = element("button", { type: "button", id: "reset-" + id });
    reset.addEventListener("click", () => backToDefault(i));
    controls.append(reset);
    form.appendChild(element("div", { className: "setting", id: "row-" + id }, [
      element("div", { className: "setting-head" }, [
        element("label", { for: "in-" + id, id: "label-" + id, text: id }),
        element("span", { className: "what", id: "what-" + id }),
      ]),
      controls,
      element("p", { className: "origin", id: "origin-" + id }),
      element("ul", { className: "findings", id: "findings-" + id }),
      element("p", { className: "field-error", id: "err-" + id }),
    ]));
  });
  form.addEventListener("submit", (e) => e.preventDefault());
  labelForm();
}

// The form's words, in the page's language: at start and after a change of it.
export function labelForm() {
  // Each key as the engine words it for a player (code, and its name or where it is), as the Listen button shows it.
  const keyLabels = state.table.keys.map((k) => k.text);
  const another = t("page.form.another_code");
  state.table.settings.forEach((s, i) => {
    const id = s.name;
    $("what-" + id).textContent = s.what;
    const reset = $("reset-" + id);
    reset.textContent = t("page.form.default", { value: s.default });
    reset.setAttribute("aria-label", t("page.form.default_label", { setting: id, value: s.default }));
    if (s.kind !== SettingKind.Integer) return;
    const pick = $("pick-" + id);
    pick.setAttribute("aria-label", t("page.form.pick_label", { setting: id }));
    keyLabels.forEach((label, k) => { pick.options[k].textContent = label; });
    pick.options[keyLabels.length].textContent = another;
    if (state.listening === i) showListening(i);
  });
}

// A text field's value, once finished. An unchanged field writes nothing.
function commit(i) {
  const field = $("in-" + nameOf(i));
  if (field.value === field.dataset.shown && !field.classList.contains("invalid")) return;
  edit(i, field.value);
}

function markField(i, wording) {
  const field = $("in-" + nameOf(i));
  field.classList.add("invalid");
  field.setAttribute("aria-invalid", "true");
  put($("err-" + nameOf(i)), wording);
}
export function clearMark(i) {
  const field = $("in-" + nameOf(i));
  field.classList.remove("invalid");
  field.removeAttribute("aria-invalid");
  put($("err-" + nameOf(i)), null);
}

// What the file now holds for setting i and what the plug-in makes of it;
// `changed`: whether the edit changed the file.
function afterEdit(i, changed) {
  const h = fileHolds(i), s = state.table.settings[i], c = state.check;
  const args = { setting: s.name, text: h.text, line: h.line };
  if (!isPastStop(i)) {
    args.value = s.kind === SettingKind.Integer ? c.values[i].shown : c.values[i].value;
    return [m(changed ? "page.edit.written" : "page.edit.same", args), "good"];
  }
  Object.assign(args, { stop: nameOf(c.stoppedAt), stop_line: stopLine(), value: s.default });
  return [m(changed ? "page.edit.written_past_stop" : "page.edit.same_past_stop", args), "bad"];
}

// `heard`: what Listen says of the key first, if anything.
export function edit(i, typed, heard) {
  const s = state.table.settings[i], bytes = state.doc.bytes;
  const withHeard = (wording) => (heard ? [heard, wording] : wording);
  const r = engine.set(bytes, i, String(typed));
  if (r.error) {
    // The engine words the refusal: asked again after a change of language.
    const said = r.error, lang = language();
    const why = holdsSpec(i, ["page.edit.refused.holds", "page.edit.refused.absent"],
      { why: () => (language() === lang ? said : engine.set(bytes, i, String(typed)).error) });
    markField(i, why);
    message(withHeard(m("page.edit.refused", { setting: s.name, why })), "bad");
    return false;
  }
  clearMark(i);
  const changed = !sameBytes(r.bytes, state.doc.bytes);
  state.doc.bytes = r.bytes;
  if (changed) refresh();
  else updateForm();
  // A field left with Enter keeps the focus: it too shows now what the file holds.
  const field = $("in-" + s.name);
  if (field.type === "text") field.value = field.dataset.shown = fieldText(i);
  const [wording, tone] = afterEdit(i, changed);
  message(withHeard(wording), tone);
  return true;
}

function backToDefault(i) {
  const s = state.table.settings[i];
  if (!fileHolds(i)) {
    clearMark(i);
    updateForm();
    message(m("page.edit.default_absent", { setting: s.name, value: s.default }));
    return;
  }
  edit(i, s.default);
}

export function updateForm() {
  const c = state.check, findings = c.findings;
  state.table.settings.forEach((s, i) => {
    const id = s.name, field = $("in-" + id), o = c.values[i].origin, origin = $("origin-" + id);
    origin.textContent = o.text;
    origin.className = "origin" + (o.stop ? " stop" : "");
    if (o.jump) {
      origin.append(" ");
      const stop = nameOf(c.stoppedAt);
      origin.appendChild(element("a", { href: "#in-" + stop, text: t("page.form.go_to", { setting: stop }) }));
    }
    const mine = findings.filter((f) => f.setting === i);
    $("findings-" + id).replaceChildren(...mine.map(findingItem));
    $("row-" + id).className = "setting" + (i === c.stoppedAt || mine.some((f) => f.severity === FindingSeverity.Stop) ? " at-stop"
      : mine.some((f) => f.severity === FindingSeverity.Warning) ? " at-warning" : "");
    const text = fieldText(i);
    if (s.kind === SettingKind.Integer) {
      if (state.listening !== i) $("listen-" + id).textContent = t("page.form.listen", { key: c.values[i].fieldShown });
      const pick = $("pick-" + id);
      pick.value = text;
      if (pick.value !== text) pick.value = "";
    }
    // The value the load stops at is marked, unless a typed text marks it already.
    if (!field.classList.contains("invalid")) {
      if (i === c.stoppedAt) field.setAttribute("aria-invalid", "true");
      else field.removeAttribute("aria-invalid");
    }
    if (s.kind === SettingKind.Bool) {
      field.checked = c.values[i].on;
    } else if (!field.classList.contains("invalid") && document.activeElement !== field) {
      field.value = text;
      field.dataset.shown = text;
    }
  });
}

// ---- listening for a key ----

function startListening(i) {
  if (state.listening >= 0 && state.listening !== i) stopListening();
  state.listening = i;
  const b = $("listen-" + nameOf(i));
  b.setAttribute("aria-pressed", "true");
  showListening(i);
}
const showListening = (i) => { $("listen-" + nameOf(i)).textContent = t("page.form.listening", { esc: KEYCAPS.esc }); };
export function stopListening() {
  const i = state.listening;
  state.listening = -1;
  if (i < 0) return;
  $("listen-" + nameOf(i)).setAttribute("aria-pressed", "false");
  updateForm();
}
function listenKey(i, e) {
  if (state.listening !== i) return;
  if (e.key === "Tab") { stopListening(); return; }  // focus moves on as usual
  e.preventDefault();
  e.stopPropagation();
  if (e.key === "Escape") {
    stopListening();
    message(holdsSpec(i, ["page.form.listen_stopped.holds", "page.form.listen_stopped.absent"]));
    return;
  }
  const vk = virtualKey(e);
  stopListening();
  if (vk === null) {
    message(holdsSpec(i, ["page.form.listen_no_code.holds", "page.form.listen_no_code.absent"], { key: e.key || e.code }), "bad");
    return;
  }
  // The code is the layout's: the character the key types tells the player
  // which key that is on their own keyboard.
  const char = [...e.key].length === 1 && e.key.trim() !== "" ? e.key : "";
  edit(i, String(vk), char ? m("page.form.listen_heard", { char, code: vk }) : null);
}
