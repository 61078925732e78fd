// Every failure the player hears of passes through showError: an engine
// error (a refusal is no error: it comes back as a value), a file the
// browser would not read or write, a frame of the Try panel.
import { $, message } from "./ui.js";

export const reason = (e) => String((e && e.message) || e);

// `say` words the line around the reason; `also`, the id of a line nearer
// to where the player looks (the Try panel's), shows it too.
export function showError(e, say, also) {
  const text = say(reason(e));
  message(text, "bad");
  if (also) $(also).textContent = text;
}

// The engine cannot go on (it stopped, or never started): the page says so once.
export function fatal(text) {
  message("The page cannot go on: " + text + ". Reload it to start again.", "bad");
  $("status").textContent = "failed";
  document.body.classList.remove("loading");
}

// What escapes every handler (an engine error inside an edit, say) is
// still told, not lost in the console.
export function catchStrays() {
  const stray = (e) => showError(e, (why) => `Something went wrong (${why}); the file was not changed by it.`);
  window.addEventListener("error", (ev) => stray(ev.error || ev.message));
  window.addEventListener("unhandledrejection", (ev) => stray(ev.reason));
}
