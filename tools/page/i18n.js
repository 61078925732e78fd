// The page's words. Every text a player reads is a message of the catalogs
// (tools/lang), put into words by the engine in the page's language. A text
// that must follow a change of language is kept as a wording, m(id, args), and
// rendered again then; an argument may be a wording too, or a function for a
// text the engine makes (rendered again in the new language as well).
import { engine } from "./engine.js";

// Names, never translated: every message may use them as arguments. The
// engine's facts fill them in at start.
const NAMES = {};
export const names = NAMES;

// The keys the page's help names, as their caps say (in the player's
// language where keyboards there print other words: the catalogs' key
// hints), and the system whose key codes the game sees: the markup's
// messages may use them.
const CAPS = { w: "W", up: "↑", f11: "F11" };
const CAP_HINTS = { esc: "key.hint.esc", enter: "key.hint.enter", page_up: "key.hint.page_up", page_down: "key.hint.page_down",
  tab: "key.hint.tab", shift: "key.hint.shift" };
export const KEYCAPS = { ...CAPS };
const MARKUP_ARGS = { system: "Windows" };
function nameKeycaps() {
  for (const [k, id] of Object.entries(CAP_HINTS)) KEYCAPS[k] = t(id);
  Object.assign(MARKUP_ARGS, KEYCAPS);
}

const STORE = "pacelark.language";
let current = "";
const plain = new Map();  // messages without arguments, in the current language

export function t(id, args) {
  if (args) return engine.message(id, Object.assign({}, NAMES, args));
  let s = plain.get(id);
  if (s === undefined) {
    s = engine.message(id, NAMES);
    plain.set(id, s);
  }
  return s;
}

export const m = (id, args) => ({ id, args });

// A wording m(id, args), a function, a list of sentences or a plain string, in words.
export function render(x) {
  if (typeof x === "string") return x;
  if (typeof x === "function") return x();
  if (Array.isArray(x)) return x.map(render).reduce((a, b) => t("page.join.sentences", { first: a, second: b }));
  if (!x.args) return t(x.id);
  const args = {};
  for (const k in x.args) {
    const v = x.args[k];
    args[k] = v !== null && (typeof v === "object" || typeof v === "function") ? render(v) : v;
  }
  return t(x.id, args);
}

// Elements (by id) whose text follows the language: put() sets and
// remembers, put(el, null) empties and forgets; a change of language renders
// the remembered again.
const kept = new Map();
export function put(el, wording) {
  if (wording === null) {
    kept.delete(el.id);
    el.textContent = "";
    return;
  }
  kept.set(el.id, { el, wording });
  el.textContent = render(wording);
}

// A message whose arguments show as code (names, mostly): the marks the
// engine passes through untouched are split out again.
function fillWithCode(el, id, codeArgs) {
  const marked = { ...MARKUP_ARGS };
  codeArgs.forEach((name, i) => { marked[name] = "\u0001" + i + "\u0002"; });
  const [first, ...rest] = t(id, marked).split("\u0001");
  const nodes = [document.createTextNode(first)];
  for (const piece of rest) {
    const end = piece.indexOf("\u0002");
    const code = document.createElement("code");
    code.textContent = NAMES[codeArgs[Number(piece.slice(0, end))]];
    nodes.push(code, document.createTextNode(piece.slice(end + 1)));
  }
  el.replaceChildren(...nodes);
}

// The markup's texts: data-t="id" (data-t-code: arguments shown as code;
// data-t-args: more arguments, as JSON), and data-t-ATTR="id" for each
// attribute a player sees or hears.
const ATTRS = ["aria-label", "aria-roledescription", "placeholder", "title", "alt"];
export function translateMarkup(root) {
  for (const e of root.querySelectorAll("[data-t]")) {
    if (e.dataset.tCode) fillWithCode(e, e.dataset.t, e.dataset.tCode.split(" "));
    else e.textContent = t(e.dataset.t, e.dataset.tArgs ? { ...MARKUP_ARGS, ...JSON.parse(e.dataset.tArgs) } : MARKUP_ARGS);
  }
  for (const attr of ATTRS)
    for (const e of root.querySelectorAll(`[data-t-${attr}]`)) e.setAttribute(attr, t(e.getAttribute("data-t-" + attr), MARKUP_ARGS));
}

// Texts for when the engine is gone (it stopped, or threw): made whenever the
// language changes, with marks where their argument goes.
const offline = {};
const OFFLINE = [["page.fatal.stopped", "what"], ["page.fatal.error", "why"], ["page.error.unhandled", null]];
export function offlineText(id, arg) {
  return offline[id] === undefined ? null : offline[id].replace("\u0001", () => arg);
}

const followers = [];
// fn runs after every change of language, in the order given; the kept texts follow last.
export function whenLanguageChanges(fn) { followers.push(fn); }

export const language = () => current;

// `tag`: a language of engine.languages(), or the tests' pseudo-language.
export function setLanguage(tag) {
  if (!engine.setLanguage(tag)) tag = "en";
  current = tag;
  plain.clear();
  nameKeycaps();
  document.documentElement.lang = tag.replace(/_/g, "-");
  for (const [id, arg] of OFFLINE) offline[id] = arg ? t(id, { [arg]: "\u0001" }) : t(id);
  translateMarkup(document);
  document.title = t("page.title");
  for (const fn of followers) fn();
  for (const [id, k] of kept) {
    if (!k.el.isConnected) kept.delete(id);
    else k.el.textContent = render(k.wording);
  }
}

// The language menu: each language by its own name; the choice kept where
// the browser lets a page keep it.
export function setUpLanguageMenu(select) {
  const offered = engine.languages();
  for (const l of offered) {
    const o = document.createElement("option");
    o.value = l.tag;
    o.lang = l.tag.replace(/_/g, "-");
    o.textContent = l.name;
    select.appendChild(o);
  }
  const known = (tag) => offered.some((l) => l.tag === tag);
  let stored = null;
  try { stored = window.localStorage.getItem(STORE); } catch (e) { /* no storage for this page */ }
  const chosen = known(stored) ? stored : engine.chooseLanguage((navigator.languages || [navigator.language]).join(","));
  setLanguage(known(chosen) ? chosen : "en");
  select.value = current;
  select.addEventListener("change", () => {
    setLanguage(select.value);
    try { window.localStorage.setItem(STORE, select.value); } catch (e) { /* kept for this visit only */ }
  });
}
