// The form: one row per setting in the plug-in's order. A field shows what
// the file holds; a value reaches the file only when the field is left (or
// Enter pressed) and the whole text reads as meant.
import { engine } from "./engine.js";
import { sameBytes } from "./bytes.js";
import { virtualKey } from "./keys.js";
import { findingItem } from "./report.js";
import { state, nameOf, refresh } from "./state.js";
import { $, element, message } from "./ui.js";

// What the file holds for setting i: { line, text }, or null when absent.
function fileHolds(i) {
  const line = state.check.values[i].line;
  return line ? { line, text: state.check.values[i].text } : null;
}
export function holdsText(i) {
  const h = fileHolds(i), s = state.table.settings[i];
  return h ? `it holds ${s.name}=${h.text} (line ${h.line})`
           : `it has no ${s.name}, so the plug-in uses the default, ${s.default}`;
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
    if (s.kind === "key") {
      const listen = element("button", { type: "button", className: "listen", id: "listen-" + id,
        "aria-pressed": "false", "aria-labelledby": `label-${id} listen-${id}`, "aria-describedby": described });
      const pick = element("select", { id: "pick-" + id, "aria-label": id + ": pick a key by name" });
      for (const k of state.table.keys)
        pick.appendChild(element("option", { value: String(k.code), text: `${k.name} (${k.code})${k.hint ? ", " + k.hint : ""}` }));
      pick.appendChild(element("option", { value: "", text: "another code", disabled: true }));
      field = element("input", { type: "text", id: "in-" + id, inputMode: "numeric", autocomplete: "off",
        "aria-describedby": described });
      listen.addEventListener("click", () => startListening(i));
      listen.addEventListener("keydown", (e) => listenKey(i, e));
      listen.addEventListener("blur", () => { if (state.listening === i) stopListening(); });
      pick.addEventListener("change", () => { if (pick.value) edit(i, pick.value); });
      controls.append(listen, pick, field);
    } else if (s.kind === "number") {
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
    const reset = element("button", { type: "button", id: "reset-" + id, text: `Default (${s.default})`,
      "aria-label": `${id}: back to the default, ${s.default}` });
    reset.addEventListener("click", () => backToDefault(i));
    controls.append(reset);
    form.appendChild(element("div", { className: "setting", id: "row-" + id }, [
      element("div", { className: "setting-head" }, [
        element("label", { for: "in-" + id, id: "label-" + id, text: id }),
        element("span", { className: "what", id: "what-" + id, text: s.what }),
      ]),
      controls,
      element("p", { className: "origin", id: "origin-" + id }),
      element("ul", { className: "findings", id: "findings-" + id }),
      element("p", { className: "field-error", id: "err-" + id }),
    ]));
  });
  form.addEventListener("submit", (e) => e.preventDefault());
}

// A text field's value, once finished. An unchanged field writes nothing.
function commit(i) {
  const field = $("in-" + nameOf(i));
  if (field.value === field.dataset.shown && !field.classList.contains("invalid")) return;
  edit(i, field.value);
}

function markField(i, why) {
  const field = $("in-" + nameOf(i));
  field.classList.add("invalid");
  field.setAttribute("aria-invalid", "true");
  $("err-" + nameOf(i)).textContent = why;
}
export function clearMark(i) {
  const field = $("in-" + nameOf(i));
  field.classList.remove("invalid");
  field.removeAttribute("aria-invalid");
  $("err-" + nameOf(i)).textContent = "";
}

// What the file now holds for setting i and what the plug-in makes of it.
function afterEditText(i) {
  const h = fileHolds(i), s = state.table.settings[i], c = state.check;
  const written = `${s.name}=${h.text} is in the file at line ${h.line}`;
  if (!isPastStop(i)) return [`${written}; the plug-in reads ${s.kind === "key" ? c.values[i].shown : c.values[i].value}.`, "good"];
  return [`${written}, but the plug-in stops reading at ${nameOf(c.stoppedAt)}, line ${stopLine()}: ` +
    `it keeps the default, ${s.default}, until that line is mended.`, "bad"];
}

export function edit(i, typed) {
  const s = state.table.settings[i];
  const r = engine.set(state.doc.bytes, i, String(typed));
  if (r.error) {
    const why = `${r.error}. The file was not changed: ${holdsText(i)}.`;
    markField(i, why);
    message(`${s.name}: ${why}`, "bad");
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
  const [text, tone] = afterEditText(i);
  message((changed ? "" : "No change: ") + text, tone);
  return true;
}

function backToDefault(i) {
  const s = state.table.settings[i];
  if (!fileHolds(i)) {
    clearMark(i);
    updateForm();
    message(`${s.name} is not in the file, so the plug-in already uses its default, ${s.default}; the file was not changed.`);
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
      origin.appendChild(element("a", { href: "#in-" + nameOf(c.stoppedAt), text: "Go to " + nameOf(c.stoppedAt) }));
    }
    const mine = findings.filter((f) => f.setting === i);
    $("findings-" + id).replaceChildren(...mine.map(findingItem));
    $("row-" + id).className = "setting" + (i === c.stoppedAt || mine.some((f) => f.severity === "stop") ? " at-stop"
      : mine.some((f) => f.severity === "warning") ? " at-warning" : "");
    const text = fieldText(i);
    if (s.kind === "key") {
      if (state.listening !== i) $("listen-" + id).textContent = "Listen: " + c.values[i].fieldShown;
      const pick = $("pick-" + id);
      pick.value = text;
      if (pick.value !== text) pick.value = "";
    }
    // The value the load stops at is marked, unless a typed text marks it already.
    if (!field.classList.contains("invalid")) {
      if (i === c.stoppedAt) field.setAttribute("aria-invalid", "true");
      else field.removeAttribute("aria-invalid");
    }
    if (s.kind === "switch") {
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
  b.textContent = "Press a key… (Esc: cancel)";
}
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
  if (e.key === "Escape") { stopListening(); message(`Listening stopped; the file was not changed: ${holdsText(i)}.`); return; }
  const vk = virtualKey(e);
  stopListening();
  if (vk === null) {
    message(`The browser gave no code for that key (${e.key || e.code}); pick it from the list instead. The file was not changed: ${holdsText(i)}.`, "bad");
    return;
  }
  edit(i, String(vk));
}
