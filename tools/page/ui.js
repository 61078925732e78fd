// What every part of the page shows things with: elements by id, new
// elements, the one message line, and counts in words.

export const $ = (id) => document.getElementById(id);

export const megabytes = (n) => (n / 1048576).toFixed(1) + " MB";
export const plural = (n, word) => n + " " + word + (n === 1 ? "" : "s");

export function element(tag, props, children) {
  const e = document.createElement(tag);
  for (const k in props || {}) {
    if (k === "text") e.textContent = props[k];
    else if (k.startsWith("aria-") || k === "role" || k === "for" || k === "href") e.setAttribute(k, props[k]);
    else e[k] = props[k];
  }
  for (const c of children || []) e.appendChild(c);
  return e;
}

export function message(text, tone) {
  const m = $("message");
  m.textContent = text;
  m.className = tone || "";
}
