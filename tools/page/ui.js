// What every part of the page shows things with: elements by id, new
// elements, the one message line.
import { m, put } from "./i18n.js";

export const $ = (id) => document.getElementById(id);

export const megabytes = (n) => m("page.size.megabytes", { size: (n / 1048576).toFixed(1) });

export function element(tag, props, children) {
  const e = document.createElement(tag);
  for (const k in props || {}) {
    if (k === "text") e.textContent = props[k];
    else if (k.startsWith("aria-") || k === "role" || k === "for" || k === "href" || k === "lang") e.setAttribute(k, props[k]);
    else e[k] = props[k];
  }
  for (const c of children || []) e.appendChild(c);
  return e;
}

// `wording`: what i18n.render takes; the line follows a change of language.
export function message(wording, tone) {
  const line = $("message");
  put(line, wording);
  line.className = tone || "";
}
