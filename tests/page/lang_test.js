#!/usr/bin/env node
// The settings page in other languages, in headless Chromium: the
// pseudo-language leaves no English word of the page's own in any state a
// player reaches, the layout holds longer words at a phone's width and at
// 200% zoom, every language passes axe-core, and the language menu picks, switches
// and remembers.
// usage: lang_test.js --page HTML --out DIR   (env NODE_MODULES)
// Cases are node:test tests, run by running this file; under node --test,
// which passes no arguments, PLK_PAGE and PLK_OUT stand in.
"use strict";
const fs = require("fs");
const path = require("path");
const { test } = require("node:test");
const strict = require("node:assert/strict");
const { browserSuite, axeFindings, TIMEOUT } = require("./browser");

const suite = browserSuite("build/web/test-languages");
const { outDir } = suite;

// The file of a stopped load, misnamed: the first screen says most there.
const STOPS = "[settings]\nTOGGLE_MOD_KEY=121\nINITIAL_WALK_SPEED=2\nMIN_SCROLL_VAL=abc\nMAX_SCROLL_VAL=4\n";
// Keys the findings name: shared, a mouse button, one written in hexadecimal.
const WARNS = "[SETTINGS]\r\nTOGGLE_HUD_KEY=0xDC\r\nTOGGLE_AUTO_WALK_KEY=121\r\nTOGGLE_HORSE_SUPPORT=2\r\nUI_LEFT_OFFSET=2\r\nFOO=1\r\n";

const picked = [];
async function pick(page, name, bytes) {
  picked.push(name);
  const file = path.join(outDir, "files", name);
  fs.mkdirSync(path.dirname(file), { recursive: true });
  fs.writeFileSync(file, bytes);
  const before = await page.evaluate(() => pacelarkTest.state.filesTaken);
  await (await page.$("#file-input")).uploadFile(file);
  await page.waitForFunction((n) => pacelarkTest.state.filesTaken > n, { timeout: TIMEOUT }, before);
}
async function typeInto(page, selector, value) {
  await page.focus(selector);
  await page.$eval(selector, (e) => e.select());
  await page.keyboard.type(value);
  await page.keyboard.press("Tab");
}
const setLanguage = (page, tag) => page.evaluate((l) => pacelarkTest.setLanguage(l), tag);

// ---- what a player sees or hears ----

// Every rendered text node (a select's options with their select), the
// attributes a screen reader speaks, and the title; each with where it is.
function shownTexts() {
  const rendered = (el) => el.getClientRects().length > 0 && getComputedStyle(el).visibility !== "hidden";
  const where = (el) => {
    const at = [];
    for (let e = el; e && e !== document.body && at.length < 3; e = e.parentElement) {
      at.unshift(e.id ? "#" + e.id : e.tagName.toLowerCase());
      if (e.id) break;
    }
    return at.join(" > ");
  };
  const out = [{ where: "<title>", text: document.title }];
  const walk = document.createTreeWalker(document.body, NodeFilter.SHOW_TEXT);
  for (let n = walk.nextNode(); n; n = walk.nextNode()) {
    const el = n.parentElement;
    if (!n.textContent.trim() || el.closest("script, style, noscript")) continue;
    if (rendered(el.closest("select") || el)) out.push({ where: where(el), text: n.textContent });
  }
  const spoken = ["aria-label", "aria-roledescription", "title", "placeholder", "alt"];
  for (const el of document.querySelectorAll(spoken.map((a) => `[${a}]`).join(", ") + ", input[type=button], input[type=submit]")) {
    if (!rendered(el)) continue;
    for (const a of spoken) if (el.hasAttribute(a)) out.push({ where: `${where(el)} @${a}`, text: el.getAttribute(a) });
    if (el.tagName === "INPUT" && /^(button|submit)$/.test(el.type)) out.push({ where: `${where(el)} @value`, text: el.value });
  }
  return out;
}

// What may stay as it is in any language: names (settings, files,
// programs), the plug-in's own words (the in-game notices, and why a load
// stopped, which check-ini's report quotes), and the open file's own text.
// A key's system name (OEM_3, SPACE) is none of these: the page names keys in
// words. `files`: the names of the files the test opened.
function allowedNames(files) {
  const runtime = ["invalid stoi argument", "stoi argument out of range", "invalid stof argument", "stof argument out of range",
    "std::bad_alloc"];
  const { facts, table, doc, other } = pacelarkTest.state;
  const notices = facts.toggles.flatMap((n) => [n.label, n.label + ": On", n.label + ": Off"]);
  // Whole lines (the file's text shows them), and each name and value.
  const fileText = (bytes) => new TextDecoder().decode(bytes).split(/\r?\n/)
    .flatMap((l) => [l.trim(), ...l.replace(/[;#].*/, "").split("=").map((p) => p.trim())]);
  // Each language by its own name in the menu, and what the player typed into the preview.
  const own = [...document.querySelectorAll("#language option, #desired, #reported")]
    .map((e) => (e.tagName === "OPTION" ? e.textContent : e.value));
  return [...table.settings.map((s) => s.name), ...notices, ...runtime, ...own,
    ...Object.values(facts.names), facts.section, "Pacelark (1).ini", "Windows", "UTF-8", "UTF-16", "true", "false",
    ...files, doc.name, ...fileText(doc.bytes), ...(other ? [other.name] : [])].filter((s) => s);
}

// The plain English words left once the names are taken out: a run of two
// or more ASCII letters, which the pseudo-language never writes. check-ini's
// report, shown as the command line prints it, keeps system names too.
function englishLeft(texts, names) {
  const escape = (s) => s.replace(/[.*+?^${}()|[\]\\]/g, "\\$&");
  const alternatives = [...new Set(names)].sort((a, b) => b.length - a.length).map(escape).join("|");
  const name = new RegExp(`(?<![A-Za-z0-9_])(?:${alternatives})(?![A-Za-z0-9_])`, "g");
  const report = (x) => /^#(other-)?report\b/.test(x.where);
  const systemName = /(?<![A-Za-z0-9_])[A-Z][A-Z0-9_]*(?![A-Za-z0-9_])/g;
  return texts.map((x) => ({ ...x, words: (report(x) ? x.text.replace(systemName, " ") : x.text).replace(name, " ").match(/[A-Za-z]{2,}/g) }))
    .filter((x) => x.words);
}

// ---- the cases ----

// Each state is reached in English, then the page switches to the
// pseudo-language: everything it shows must follow at once. A few are
// reached in the pseudo-language itself, for what is said only as it
// happens (a question, the Try panel's announcements).
test("the pseudo-language: no English word of the page's own in any state a player reaches", async (t) => {
  const { page } = await suite.open({ width: 1400, height: 1000 });
  const asked = [];
  page.on("dialog", (d) => {
    asked.push({ where: "a question", text: d.message() });
    d.accept().catch(() => {});
  });
  const noise = Buffer.alloc(2048);
  for (let i = 0, x = 7; i < noise.length; i++) { x = (x * 1103515245 + 12345) >>> 0; noise[i] = x >>> 24; }
  const states = [
    ["the defaults, the report and the file's text open", async () => {
      await page.click("#report-summary");
      await page.click("#text-box > summary");
    }],
    ["a file with warnings", () => pick(page, "Pacelark.ini", WARNS)],
    ["a stopped load, misnamed", () => pick(page, "stops-at-min.ini", STOPS)],
    ["an edit past the stop", () => typeInto(page, "#in-MAX_SCROLL_VAL", "5")],
    ["a refused value", () => typeInto(page, "#in-TOGGLE_HUD_KEY", "F99")],
    ["a speed in the preview that is no number", () => typeInto(page, "#desired", "abc")],
    ["a binary file not opened", () => pick(page, "noise.ini", noise)],
    ["a UTF-16 file not opened", () => pick(page, "Pacelark.ini",
      Buffer.concat([Buffer.from([0xff, 0xfe]), Buffer.from(WARNS, "utf16le")]))],
    ["the sample over unsaved edits, a good value", async () => {
      await page.click("#other-close");
      await page.click("#use-sample");
      await typeInto(page, "#in-INITIAL_WALK_SPEED", "2,5");
    }, "live"],
    ["the same value again", () => page.$eval("#in-INITIAL_WALK_SPEED", (e) => {
      e.value = "2.5 ";
      e.dispatchEvent(new Event("change"));
    })],
    ["Default on a setting the file lacks", async () => {
      await pick(page, "Pacelark.ini", "[SETTINGS]\r\nTOGGLE_MOD_KEY=246\r\n");
      await page.click("#reset-UI_BAR_LENGTH");
    }],
    ["a key field listening", async () => {
      await page.focus("#listen-TOGGLE_HUD_KEY");
      await page.keyboard.press("Enter");
    }],
    ["listening stopped with Esc", () => page.keyboard.press("Escape")],
    ["the Try panel open and running, a notice shown", async () => {
      await page.click("#try-panel > summary");
      await page.evaluate(() => pacelarkTest.try.frames(3, 17));
      await page.click("#try-toggle-1");
      await page.evaluate(() => pacelarkTest.try.frames(2, 17));
    }],
    ["the Try panel after the file changed, a toggle pressed", async () => {
      await typeInto(page, "#in-UI_BAR_LENGTH", "0.3");
      await page.evaluate(() => pacelarkTest.try.frames(1, 17));
      await page.click("#try-toggle-2");
      await page.evaluate(() => pacelarkTest.try.frames(2, 17));
    }, "live"],
  ];
  const found = new Map();  // text: where it was first seen
  try {
    for (const [state, reach, live] of states) {
      if (live) await setLanguage(page, "qps");
      asked.length = 0;
      await reach();
      await setLanguage(page, "qps");
      const [shown, names] = await Promise.all([page.evaluate(shownTexts), page.evaluate(allowedNames, picked)]);
      const texts = shown.concat(live ? asked : []);
      strict.ok(texts.length > 50, `${state}: the page shows ${texts.length} texts`);
      for (const x of englishLeft(texts, names))
        if (!found.has(x.text)) {
          const shown = x.text.length > 120 ? x.text.slice(0, 120) + "…" : x.text;
          found.set(x.text, `${state}, ${x.where}: "${shown}" (${x.words.slice(0, 6).join(" ")})`);
        }
      await setLanguage(page, "en");
    }
    const errors = await page.evaluate(() => pacelarkTest.policy.length);
    strict.ok(errors === 0, "no policy violations");
  } finally {
    await page.close();
  }
  t.diagnostic(`${states.length} states`);
  strict.ok(found.size === 0, `${found.size} texts keep English words in the pseudo-language:\n${[...found.values()].join("\n")}`);
});

// An element whose text runs past its box, unless it scrolls or clips on
// purpose (inputs, selects, the preview, the report); a probe that must
// overflow shows the check can fail.
function overflowing() {
  const probe = document.createElement("div");
  probe.style.width = "3rem";
  probe.textContent = "x".repeat(60);
  document.querySelector("main").appendChild(probe);
  const bad = [];
  for (const el of document.querySelectorAll("body, body *")) {
    if (!el.getClientRects().length || /^(INPUT|SELECT|OPTION|TEXTAREA|CANVAS|SCRIPT|STYLE)$/.test(el.tagName)) continue;
    if (el !== probe && el.contains(probe)) continue;  // its overflow is the probe's
    const style = getComputedStyle(el);
    if (style.display === "inline" || style.overflowX !== "visible") continue;
    if (el.scrollWidth > el.clientWidth + 1)
      bad.push(`${el.id ? "#" + el.id : el.tagName.toLowerCase() + "." + el.className} (${el.scrollWidth} > ${el.clientWidth}): ` +
        (el === probe ? "the probe" : el.textContent.trim().slice(0, 60)));
  }
  const probed = bad.some((b) => b.endsWith("the probe"));
  probe.remove();
  return { probed, bad: bad.filter((b) => !b.endsWith("the probe")), wide: document.documentElement.scrollWidth - innerWidth };
}

for (const [language, how] of [["qps", "the pseudo-language"], ["de", "German"]]) {
  for (const [size, viewport] of [["390 px wide", { width: 390, height: 844 }],
    ["at 200% zoom", { width: 640, height: 800, deviceScaleFactor: 2 }]]) {
    test(`${how}, ${size}: no text runs out of its box`, async () => {
      const { page } = await suite.open(viewport);
      try {
        if (language === "qps") await setLanguage(page, language);
        else await page.select("#language", language);
        await pick(page, "stops-at-min.ini", STOPS);
        await page.click("#report-summary");
        await page.click("#try-panel > summary");
        await page.evaluate(() => pacelarkTest.try.frames(2, 17));
        const r = await page.evaluate(overflowing);
        strict.ok(r.probed && r.bad.length === 0 && r.wide <= 0,
          `${how}, ${size}: ${r.bad.length} elements overflow, the page ${r.wide} px too wide ` +
          `(the probe ${r.probed ? "caught" : "missed"})\n` +
          r.bad.join("\n"));
      } finally {
        await page.close();
      }
    });
  }
}

// A key's code is the layout's: German names the default auto-walk key as a
// German keyboard prints it, in the Listen button, the list and the Try panel.
test("German: the default auto-walk key, 192, reads Ö wherever the page names it", async () => {
  const { page } = await suite.open({ width: 1400, height: 1000 });
  try {
    await page.select("#language", "de");
    await page.click("#use-defaults");
    await page.click("#try-panel > summary");
    await page.evaluate(() => pacelarkTest.try.frames(1, 17));
    const said = await page.evaluate(() => [document.getElementById("listen-TOGGLE_AUTO_WALK_KEY").textContent,
      document.querySelector("#pick-TOGGLE_AUTO_WALK_KEY option[value='192']").textContent,
      document.getElementById("try-toggle-2").textContent]);
    strict.ok(said.every((x) => x.includes("Ö auf deutschen Tastaturen")), said.join(" | "));
  } finally {
    await page.close();
  }
});

// Every language, German first for its long words: a label's visible words
// inside its accessible name and the like are the translations' to keep.
test("each language: axe-core finds nothing serious or critical, the report and the Try panel open", async (t) => {
  const { page } = await suite.open({ width: 1400, height: 1000 });
  try {
    const tags = await page.evaluate(() => pacelarkTest.engine.languages().map((l) => l.tag));
    const ordered = ["de", ...tags.filter((l) => l !== "de")];
    strict.ok(tags.includes("de") && tags.length >= 8, `the languages built in: ${tags}`);
    await pick(page, "stops-at-min.ini", STOPS);
    await page.click("#report-summary");
    await page.click("#try-panel > summary");
    const failed = [];
    for (const tag of ordered) {
      await page.select("#language", tag);
      await page.evaluate(() => pacelarkTest.try.frames(2, 17));
      const r = await axeFindings(page);
      t.diagnostic(`${tag}: ${r.passes} rules pass${r.lesser.length ? `; lesser: ${r.lesser.join(", ")}` : ""}`);
      if (!(r.passes > 10 && r.bad.length === 0)) failed.push(`${tag}:\n${r.said}`);
    }
    strict.deepEqual(failed, [], `axe-core:\n${failed.join("\n")}`);
  } finally {
    await page.close();
  }
});

// The browser's languages choose; the menu lists the languages built in by
// their own names, never the pseudo-language; a choice is kept for the next
// visit, and a browser that keeps nothing still switches.
test("the language menu: the browser's choice first, each language by its own name, the choice kept, storage optional", async () => {
  const context = await suite.browser.createBrowserContext();
  try {
    const german = await context.newPage();
    await german.evaluateOnNewDocument(() => Object.defineProperty(navigator, "languages", { get: () => ["de-AT", "fr", "en"] }));
    const { page } = await suite.open({ width: 1400, height: 1000 }, german);
    const reopen = async () => {
      await page.reload({ waitUntil: "load" });
      await page.waitForFunction(() => document.body.dataset.state === "ready");
      await page.evaluate(() => pacelarkTest.enable());
    };
    const menu = () => page.evaluate(() => ({ lang: document.documentElement.lang, value: document.getElementById("language").value,
      options: [...document.querySelectorAll("#language option")].map((o) => `${o.value}:${o.textContent}`),
      langs: [...document.querySelectorAll("#language option")].map((o) => o.lang),
      labelled: document.querySelector("label[for=language]").textContent,
      engine: pacelarkTest.engine.languages().map((l) => `${l.tag}:${l.name}`) }));
    const first = await menu();
    strict.ok(first.lang === "de" && first.value === "de" && first.labelled.trim() !== "" &&
      JSON.stringify(first.options) === JSON.stringify(first.engine) && first.options.includes("de:Deutsch") &&
      first.langs.every((l) => l) && first.langs.includes("de") && !first.options.some((o) => o.startsWith("qps")),
    `German chosen from navigator.languages; the menu lists the engine's languages, each by its own name\n${JSON.stringify(first)}`);

    await page.select("#language", "en");
    const switched = await menu();
    await reopen();
    const kept = await menu();
    strict.ok(switched.lang === "en" && kept.lang === "en" && kept.value === "en",
      `the menu's choice wins over the browser's, on the next visit too\n${JSON.stringify({ switched, kept })}`);

    // No storage: the choice holds for this visit, silently.
    await page.evaluateOnNewDocument(() => {
      Storage.prototype.getItem = () => { throw new Error("denied"); };
      Storage.prototype.setItem = () => { throw new Error("denied"); };
    });
    await reopen();
    const browsers = await page.evaluate(() => document.documentElement.lang);
    await page.select("#language", "en");
    const without = await page.evaluate(() => [document.documentElement.lang, document.getElementById("message").className]);
    strict.ok(browsers === "de" && without[0] === "en" && without[1] !== "bad",
      `without storage: German from the browser, English from the menu, nothing said of it\n${browsers} ${without}`);
  } finally {
    await context.close();
  }
});
