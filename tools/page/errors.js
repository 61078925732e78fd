// Every failure the player hears of passes through showError: an engine
// error (a refusal is no error: it comes back as a value), a file the
// browser would not read or write, a frame of the Try panel.
import { m, offlineText, put } from "./i18n.js";
import { $, message } from "./ui.js";

// An error of the engine's own is told in the page's words, made while it still ran.
export const reason = (e) => (e && e.id && offlineText(e.id, "")) || String((e && e.message) || e);

// `say` makes the wording of the line around the reason; `also`, the id of a
// line nearer to where the player looks (the Try panel's), shows it too.
export function showError(e, say, also) {
  const wording = say(reason(e));
  message(wording, "bad");
  if (also) put($(also), wording);
}

// The engine cannot go on (it stopped, or never started): the page says so
// once, without it. Before the page had a language, the lines written into
// it for every language say so, and the line below gives the reason.
export function fatal(id, arg) {
  const text = offlineText(id, arg), line = $("message");
  put(line, null);
  line.textContent = text === null ? arg : text;
  line.className = "bad";
  if (text === null) document.body.classList.add("failed-early");
  document.body.dataset.state = "failed";
  document.body.classList.remove("loading");
  $("language").disabled = true;
}

// What escapes every handler (an engine error inside an edit, say) is
// still told, not lost in the console.
export function catchStrays() {
  const stray = (e) => {
    if (document.body.dataset.state !== "ready") return;  // the engine is gone: told once already
    showError(e, (why) => m("page.error.stray", { why }));
  };
  window.addEventListener("error", (ev) => stray(ev.error || ev.message));
  window.addEventListener("unhandledrejection", (ev) => stray(ev.reason));
}
