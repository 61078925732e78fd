#!/usr/bin/env node
// The settings page, built, opened from disk in a real browser: its report
// against pacelark-sim check-ini, its edits against the file's bytes, its
// canvas against the Cairo preview, bad files, the keyboard, zoom, and what
// it may load. Chromium runs every case; Firefox a smoke set its driver allows.
// usage: page_test.js --page HTML --out DIR --browser chrome|firefox   (env PLK_SIM, NODE_MODULES)
// Cases are node:test tests, run by running this file; one alone with
// node --test-name-pattern=REGEX page_test.js --page ... (under node --test,
// which passes no arguments, PLK_PAGE, PLK_OUT and PLK_BROWSER stand in).
"use strict";
const fs = require("fs");
const path = require("path");
const { execFileSync, spawnSync } = require("child_process");
const { test } = require("node:test");
const strict = require("node:assert/strict");
const { browserSuite, sharedPage, waitForDownload, axeFindings, fromModules, TIMEOUT } = require("./browser");
const { PNG } = fromModules("pngjs");

const sim = path.resolve(process.env.PLK_SIM || path.resolve(__dirname, "../../build/linux/tools/pacelark-sim"));
const suite = browserSuite("build/web/test-chromium", async ({ browser, launchMs, pagePath }) => {
  strict.ok(fs.existsSync(sim), `pacelark-sim not found at ${sim} (build the linux preset first)`);
  console.log(`# ${await browser.version()}, launched in ${launchMs} ms; page ${fs.statSync(pagePath).size} bytes`);
});
const { outDir, browserName } = suite;
const firefox = browserName === "firefox";
// Skip reasons: Firefox runs the smoke set, Chromium all but Firefox's own case.
const CHROMIUM_ONLY = firefox && "Chromium only; Firefox runs the smoke set";
const FIREFOX_ONLY = !firefox && "Firefox's smoke set; Chromium compares more states";

const NAMES = ["TOGGLE_MOD_KEY", "TOGGLE_HUD_KEY", "TOGGLE_AUTO_WALK_KEY", "TOGGLE_HORSE_SUPPORT", "INITIAL_WALK_SPEED",
  "SCROLL_STEP_SIZE", "MIN_SCROLL_VAL", "MAX_SCROLL_VAL", "DISABLE_HORSE_SUPPORT", "UI_HIDE_PED_DESIRED_SPEED",
  "UI_LEFT_OFFSET", "UI_BOTTOM_OFFSET", "UI_BAR_LENGTH"];
const SAMPLE = fs.readFileSync(path.resolve(__dirname, "../../config/Pacelark.ini"));

// assert.ok, and the assertions that held counted: the run ends with their
// number, to compare with another run's.
let held = 0;
const assert = { ok(value, message) { strict.ok(value, message); held++; } };
process.on("exit", () => console.log(`# ${browserName}: ${held} assertions held`));

// axe-core: no serious or critical finding in the state the page is in.
async function axeClean(t, page, state) {
  if (firefox) return;
  const r = await axeFindings(page);
  t.diagnostic(`axe-core, ${state}: ${r.passes} rules pass${r.lesser.length ? `; lesser: ${r.lesser.join(", ")}` : ""}`);
  assert.ok(r.passes > 10 && r.bad.length === 0, `axe-core: nothing serious or critical, ${state} (${r.passes} rules pass)\n${r.said}`);
}

// ---- pacelark-sim, the native reference ----

function writeFile(dir, name, bytes) {
  const d = path.join(outDir, dir);
  fs.mkdirSync(d, { recursive: true });
  const f = path.join(d, name);
  fs.writeFileSync(f, bytes);
  return f;
}
// check-ini run beside the file, so it names the file as the page does.
function checkIni(file) {
  const r = spawnSync(sim, ["check-ini", path.basename(file)], { cwd: path.dirname(file), maxBuffer: 1 << 26 });
  return { status: r.status, out: r.stdout.toString("utf8") };
}
function cairoPreview(args, size) {
  const png = path.join(outDir, `cairo-${size.join("x")}.png`);
  execFileSync(sim, ["preview", ...args, "--size", size.join("x"), "-o", png]);
  const { width, height, data } = PNG.sync.read(fs.readFileSync(png));  // RGBA, whatever the PNG holds
  return { width, height, rgba: data };
}

// ---- the page ----

const text = (page, sel) => page.$eval(sel, (e) => e.textContent);
const shownBytes = (page) => page.evaluate(() => Array.from(pacelarkTest.state.doc.bytes));
// The file's text as Save would write it (the page lays it out only on demand).
const fileText = (page) => page.evaluate(() => new TextDecoder("utf-8", { ignoreBOM: true }).decode(pacelarkTest.state.doc.bytes));
async function filesTaken(page) { return page.evaluate(() => pacelarkTest.state.filesTaken); }
async function pick(page, file) {
  const before = await filesTaken(page);
  await (await page.$("#file-input")).uploadFile(file);
  await page.waitForFunction((n) => pacelarkTest.state.filesTaken > n, { timeout: TIMEOUT }, before);
  return text(page, "#message");
}
async function typeInto(page, selector, value) {
  await page.focus(selector);
  await page.$eval(selector, (e) => e.select());
  await page.keyboard.type(value);
  await page.keyboard.press("Tab");
}
function changedLines(before, after) {
  const a = before.split("\n"), b = after.split("\n");
  if (a.length !== b.length) return null;
  return a.map((line, i) => [line, b[i]]).filter(([x, y]) => x !== y);
}

// The canvas region holding every drawn element, as RGBA bytes.
async function canvasPixels(page, box) {
  const b64 = await page.evaluate((x, y, w, h) => {
    const d = document.getElementById("hud").getContext("2d").getImageData(x, y, w, h).data;
    let s = "";
    for (let i = 0; i < d.length; i += 0x8000) s += String.fromCharCode.apply(null, d.subarray(i, i + 0x8000));
    return btoa(s);
  }, box.x, box.y, box.w, box.h);
  return Buffer.from(b64, "base64");
}

// Rectangles as the game places them: the same pixels in the browser's
// canvas and in Cairo's picture, except within 1 px of an edge and where
// text lies (the fonts differ). Opaque colours must be exact, blended ones
// within 1; the backdrop's gradient within 3.
// `before`: the areas the page's previous frame covered, which must show the
// backdrop again unless this frame covers them.
async function compareWithCairo(page, w, h, cairo, before = []) {
  const { draws, widths } = await page.evaluate(() => {
    const g = document.getElementById("hud").getContext("2d");
    const lastDraws = pacelarkTest.state.lastDraws;
    return { draws: lastDraws, widths: lastDraws.map((d) => {
      if (d.rect) return 0;
      g.font = (d.scale * g.canvas.height / 20) + "px sans-serif";
      return g.measureText(d.text).width;
    }) };
  });
  const rects = draws.filter((d) => d.rect).map((d) => ({
    l: (d.cx - d.w / 2) * w, t: (d.cy - d.h / 2) * h, r: (d.cx + d.w / 2) * w, b: (d.cy + d.h / 2) * h, a: d.rgba[3] }));
  const texts = draws.map((d, i) => d.rect ? null : {
    l: d.x * w - 3, t: d.y * h - 3, r: d.x * w + widths[i] * 1.3 + 6, b: d.y * h + d.scale * h / 20 * 1.4 + 3 }).filter(Boolean);
  const within = (x, y, r, m) => x > r.l - m && x < r.r + m && y > r.t - m && y < r.b + m;
  const areas = rects.concat(before);
  const box = { x: 0, y: 0, w: 1, h: 1 };
  const right = Math.min(w, Math.ceil(Math.max(...areas.map((r) => r.r))) + 6);
  box.w = right; box.h = h;
  const canvas = await canvasPixels(page, box);
  let compared = 0, bad = [];
  for (const r of areas) {
    if (r.r - r.l < 3 || r.b - r.t < 3) continue;
    for (let y = Math.max(0, Math.floor(r.t) - 4); y < Math.min(h, Math.ceil(r.b) + 4); y++) {
      for (let x = Math.max(0, Math.floor(r.l) - 4); x < Math.min(right, Math.ceil(r.r) + 4); x++) {
        const cx = x + 0.5, cy = y + 0.5;
        if (rects.some((q) => within(cx, cy, q, 1) && !within(cx, cy, q, -1))) continue;
        if (texts.some((q) => within(cx, cy, q, 0))) continue;
        const top = rects.filter((q) => within(cx, cy, q, 0)).pop();
        const tolerance = !top ? 3 : top.a >= 255 ? 0 : 1;
        const i = (y * box.w + x) * 4, j = (y * w + x) * 4;
        const diff = Math.max(...[0, 1, 2].map((c) => Math.abs(canvas[i + c] - cairo.rgba[j + c])));
        compared++;
        if (diff > tolerance && bad.length < 5)
          bad.push(`(${x},${y}) canvas ${canvas.subarray(i, i + 3).join(",")} cairo ${cairo.rgba.subarray(j, j + 3).join(",")} tolerance ${tolerance}`);
        else if (diff > tolerance) bad.push(null);
      }
    }
  }
  // Text from the top of its line at scale x height / 20 px: the ink starts
  // at the same place and is as tall, whatever the font.
  const textBad = [];
  draws.forEach((d, n) => {
    if (d.rect) return;
    const size = d.scale * h / 20, a = d.rgba[3] / 255;
    const ink = d.rgba.slice(0, 3).map((c) => (a < 1 ? c * a + 25 * (1 - a) : c));  // notices stand on their dark box
    const region = { l: Math.max(0, Math.floor(d.x * w - 4)), t: Math.max(0, Math.floor(d.y * h - 4)),
      r: Math.min(right, Math.ceil(d.x * w + widths[n] * 1.4 + 8)), b: Math.min(h, Math.ceil(d.y * h + size * 1.3)) };
    const extent = (pixels, stride) => {
      const e = { l: Infinity, t: Infinity, r: -Infinity, b: -Infinity };
      for (let y = region.t; y < region.b; y++)
        for (let x = region.l; x < region.r; x++) {
          const i = (y * stride + x) * 4;
          if (Math.max(...[0, 1, 2].map((c) => Math.abs(pixels[i + c] - ink[c]))) > 100) continue;
          e.l = Math.min(e.l, x); e.t = Math.min(e.t, y); e.r = Math.max(e.r, x); e.b = Math.max(e.b, y);
        }
      return e;
    };
    const c = extent(canvas, box.w), k = extent(cairo.rgba, w);
    const tall = k.b - k.t + 1, close = Math.abs(c.l - k.l) <= 1 && Math.abs(c.t - k.t) <= 1 &&
      Math.abs((c.b - c.t + 1) - tall) <= Math.max(2, 0.15 * tall);
    if (!close || !isFinite(c.l)) textBad.push(`"${d.text}" ink canvas ${c.l},${c.t}..${c.r},${c.b} cairo ${k.l},${k.t}..${k.r},${k.b}`);
  });
  return { compared, bad, rects: rects.length, texts: draws.length - rects.length, textBad, areas: rects.concat(texts) };
}

async function setPreview(page, v) {
  await page.select("#resolution", v.resolution);
  for (const id of ["desired", "reported"]) {
    await page.$eval("#" + id, (e) => { e.value = ""; });
    if (v[id] !== undefined) await page.type("#" + id, String(v[id]));
  }
  await page.select("#mounted", v.mounted ? "1" : "0");
  await page.select("#notice-on", v.noticeOn === undefined ? "-1" : v.noticeOn ? "1" : "0");
  await page.select("#notice", String(v.notice === undefined ? -1 : v.notice));
}

// ---- the browser, and the page most cases share ----

// Each page answers its dialogs as the case last asked, by default yes.
const shared = sharedPage(async (t) => {
  const opened = await suite.open({ width: 1400, height: 1000 });
  const dialogs = { answer: true, seen: 0, last: "" };
  opened.page.on("dialog", (d) => {
    dialogs.seen++;
    dialogs.last = d.message();
    (dialogs.answer ? d.accept() : d.dismiss()).catch(() => {});
  });
  const shownAt = await opened.page.evaluate(() => pacelarkTest.state.firstShownAt);
  t.diagnostic(`goto to ready ${opened.loadMs} ms; first report and preview at ${shownAt.toFixed(0)} ms`);
  return { page: opened.page, log: opened.log, dialogs };
});
const pageCase = (name, options, fn) => shared.pageCase(name, options, (t, page) => {
  page.dialogs.answer = true;
  return fn(t, page);
});

// ---- the cases ----

pageCase("opens showing the defaults: each setting in order, check-ini's clean report, the bars, the version", { fresh: true },
  async (t, { page }) => {
    const labels = await page.$$eval("#form label", (ls) => ls.map((l) => l.textContent));
    assert.ok(JSON.stringify(labels) === JSON.stringify(NAMES),
      `opens showing the defaults, each setting under its INI name in the plug-in's order\n${labels.join(" ")}`);
    const defaults = writeFile("defaults", "Pacelark.ini", Buffer.from(await shownBytes(page)));
    const ref = checkIni(defaults);
    assert.ok(ref.status === 0 && (await text(page, "#report")) === ref.out,
      `the defaults' report is check-ini's, and clean\n${await text(page, "#report")}`);
    const line = await text(page, "#preview-line");
    assert.ok(/: 4 rectangles, text 1\.50 1\.50\./.test(line), `the defaults' preview: four bars and two labels\n${line}`);
    // It opens on the bars: zoomed in, the lower bar inside the visible box.
    const view = await page.evaluate(() => {
      const box = document.getElementById("hud-box"), c = document.getElementById("hud");
      const bar = pacelarkTest.state.lastDraws.filter((d) => d.rect).pop(), k = c.getBoundingClientRect().width / c.width;
      const b = box.getBoundingClientRect(), x = c.getBoundingClientRect().left + bar.cx * c.width * k;
      const y = c.getBoundingClientRect().top + bar.cy * c.height * k;
      return { zoom: c.getBoundingClientRect().width / box.clientWidth, inside: x > b.left && x < b.right && y > b.top && y < b.bottom };
    });
    assert.ok(view.zoom > 2 && view.inside, `the preview opens zoomed on the bars\n${JSON.stringify(view)}`);
    const version = fs.readFileSync(path.resolve(__dirname, "../../CMakeLists.txt"), "utf8").match(/project\(\S+ VERSION (\S+)/)[1];
    const footer = await text(page, "footer");
    assert.ok(footer.includes(`Pacelark ${version} `), `the page shows the project's version, ${version}\n${footer}`);
    await axeClean(t, page, "the defaults");
  });

pageCase("a load that stops early: the report is the very text check-ini prints, and the form says where", { skip: CHROMIUM_ONLY },
  async (t, { page }) => {
    const cases = [
      ["early", "Pacelark.ini", Buffer.concat([Buffer.from("\xEF\xBB\xBF; mine\r\n[SETTINGS]\r\nTOGGLE_MOD_KEY=1", "latin1"),
        Buffer.from([0]), Buffer.from("20\r\nSCROLL_STEP_SIZE=0.5\r\nMIN_SCROLL_VAL=abc\r\nUI_BAR_LENGTH=0.3\r\n[x]\r\nTOGGLE_HUD_KEY=1\r\n")])],
      ["early", "my settings.txt", Buffer.from("[settings]\nTOGGLE_MOD_KEY=F10\nTOGGLE_HUD_KEY=120\n")],
    ];
    for (const [dir, name, bytes] of cases) {
      const file = writeFile(dir, name, bytes);
      await pick(page, file);
      const ref = checkIni(file), shown = await text(page, "#report");
      assert.ok(ref.status === 2 && shown === ref.out, `${name}: the load stops early, and the report is the very text check-ini prints\n` +
        `check-ini (${ref.status}):\n${ref.out}\npage:\n${shown}`);
    }
    const origin = await text(page, "#origin-TOGGLE_MOD_KEY");
    assert.ok(/line 2 stops the load/.test(origin), `the key where the load stops says so in the form\n${origin}`);
    await axeClean(t, page, "a stopped load");
  });

// Findings at their fields, the file's own with the file, the verdict on top:
// every warning check-ini prints is shown once, where it belongs.
pageCase("findings: each of check-ini's warnings once, at its field or with the file; the verdict is check-ini's result",
  { skip: CHROMIUM_ONLY }, async (t, { page }) => {
    const warned = writeFile("findings", "Pacelark.ini",
      "[SETTINGS]\r\nTOGGLE_AUTO_WALK_KEY=121\r\nUI_LEFT_OFFSET=2\r\nFOO=1\r\n[x]\r\nUI_BAR_LENGTH=1\r\n");
    await pick(page, warned);
    const ref = checkIni(warned).out, warnings = ref.split("\n").filter((l) => l.startsWith("warning: ")).map((l) => l.slice(9));
    const shown = await page.evaluate(() => [...document.querySelectorAll("#file-findings li, #form .findings li")]
      .map((li) => ({ at: li.parentElement.id, text: li.textContent })));
    const placed = (pattern) => (shown.find((f) => pattern.test(f.text)) || {}).at;
    const verdict = await text(page, "#verdict");
    assert.ok(warnings.length === 4 && shown.length === warnings.length &&
      warnings.every((w) => shown.filter((f) => f.text.endsWith(w.replace(/^line \d+: /, ""))).length === 1) &&
      placed(/share the key 121/) === "findings-TOGGLE_AUTO_WALK_KEY" && placed(/off the screen/) === "findings-UI_LEFT_OFFSET" &&
      placed(/unknown key "FOO"/) === "file-findings" && ref.toLowerCase().startsWith("result: " + verdict.toLowerCase()),
    JSON.stringify(shown) + "\n" + verdict);
  });

// A key bound after the stop: written, shown, and said to be unread, with
// the line that stops the load.
pageCase("a key bound after the stop: the file, the button and the message say 120, and that line 2 stops the load",
  { skip: CHROMIUM_ONLY }, async (t, { page }) => {
    await pick(page, writeFile("early", "Pacelark.ini", "[SETTINGS]\nTOGGLE_MOD_KEY=F10\nTOGGLE_HUD_KEY=122\n"));
    await page.focus("#listen-TOGGLE_HUD_KEY");
    await page.keyboard.press("Enter");
    await page.keyboard.press("F9");
    const m = await text(page, "#message"), button = await text(page, "#listen-TOGGLE_HUD_KEY");
    const past = await text(page, "#origin-TOGGLE_HUD_KEY");
    assert.ok((await fileText(page)) === "[SETTINGS]\nTOGGLE_MOD_KEY=F10\nTOGGLE_HUD_KEY=120\n" && /^Listen: 120 \(F9/.test(button) &&
      /TOGGLE_HUD_KEY=120 is in the file at line 3, but the plug-in stops reading at TOGGLE_MOD_KEY, line 2/.test(m) &&
      /line 3 is never read: the plug-in stops reading at TOGGLE_MOD_KEY, line 2/.test(past), `${button} | ${m} | ${past}`);
  });

pageCase("F9 in a listening key field changes that line of the text and nothing else", {}, async (t, { page }) => {
  await page.click("#use-sample");
  const before = await fileText(page);
  await page.focus("#listen-TOGGLE_HUD_KEY");
  await page.keyboard.press("Enter");
  const listening = await page.$eval("#listen-TOGGLE_HUD_KEY", (e) => e.getAttribute("aria-pressed"));
  await page.keyboard.press("F9");
  const changed = changedLines(before, await fileText(page));
  assert.ok(listening === "true" && changed && changed.length === 1 && changed[0][0] === "TOGGLE_HUD_KEY=122" &&
    changed[0][1] === "TOGGLE_HUD_KEY=120", JSON.stringify(changed));
});

// Tab leaves the field and Esc stops listening; neither is taken as the key.
pageCase("Tab and Esc keep their meaning while a field listens; Esc says what the file holds", {}, async (t, { page }) => {
  await page.click("#use-sample");
  const before = await fileText(page);
  await page.focus("#listen-TOGGLE_MOD_KEY");
  await page.keyboard.press("Enter");
  await page.keyboard.press("Tab");
  const focused = await page.evaluate(() => document.activeElement.id);
  await page.focus("#listen-TOGGLE_MOD_KEY");
  await page.keyboard.press("Enter");
  await page.keyboard.press("Escape");
  const still = await page.evaluate(() => [document.activeElement.id, document.getElementById("listen-TOGGLE_MOD_KEY").getAttribute("aria-pressed")]);
  const stopped = await text(page, "#message");
  assert.ok(focused === "pick-TOGGLE_MOD_KEY" && still[0] === "listen-TOGGLE_MOD_KEY" && still[1] === "false" &&
    (await fileText(page)) === before && /^Listening stopped; the file was not changed: it holds TOGGLE_MOD_KEY=121 \(line \d+\)\.$/.test(stopped),
  `${focused} ${still} | ${stopped}`);
});

// A CRLF file with a note after the value: the whole value goes, the line end stays.
// The message says the character the key types beside its code, then the key as the page names it.
pageCase("a key with a note after its value, CRLF: the whole value changes, the rest stays; ; is 186, and the message says so", {}, async (t, { page }) => {
  const crlf = writeFile("keys", "Pacelark.ini", "; k\r\n[SETTINGS]\r\nTOGGLE_MOD_KEY = 121 ; F10\r\nTOGGLE_HUD_KEY=122\r\n");
  await pick(page, crlf);
  await page.focus("#listen-TOGGLE_MOD_KEY");
  await page.keyboard.press("Enter");
  await page.keyboard.press("Semicolon");
  const m = await text(page, "#message");
  assert.ok((await fileText(page)) === "; k\r\n[SETTINGS]\r\nTOGGLE_MOD_KEY = 186\r\nTOGGLE_HUD_KEY=122\r\n" &&
    /^That key types “;”; its code is 186\. TOGGLE_MOD_KEY=186 is in the file at line 3; the plug-in reads 186 \(US keyboards: ; :\)\.$/.test(m),
  `${await fileText(page)} | ${m}`);
});

pageCase("edits in the form: a key from the list, a typed code, one that is no key, Default, a decimal comma, a switch",
  { skip: CHROMIUM_ONLY }, async (t, { page }) => {
    await page.click("#use-defaults");
    await page.select("#pick-TOGGLE_MOD_KEY", "122");
    let f = await fileText(page), r = await text(page, "#report");
    assert.ok(f.includes("TOGGLE_MOD_KEY=122\r\n") && r.includes("TOGGLE_MOD_KEY and TOGGLE_HUD_KEY share the key 122 (F11)"),
      `a key picked from the list (F11, which the browser keeps), and the shared key is warned about\n${r}`);
    await axeClean(t, page, "a file with warnings");
    await typeInto(page, "#in-TOGGLE_HUD_KEY", "300");
    f = await fileText(page);
    r = await text(page, "#report");
    assert.ok(f.includes("TOGGLE_HUD_KEY=300\r\n") && r.includes("TOGGLE_HUD_KEY = 300 can never fire"),
      `a typed code is written as typed, never clamped\n${f}`);
    await typeInto(page, "#in-TOGGLE_HUD_KEY", "F99");
    assert.ok((await fileText(page)) === f && /neither a key name nor a whole number/.test(await text(page, "#err-TOGGLE_HUD_KEY")),
      `a code that is no key is refused beside the field, the file unchanged\n${await text(page, "#err-TOGGLE_HUD_KEY")}`);
    await page.click("#reset-TOGGLE_HUD_KEY");
    await typeInto(page, "#in-INITIAL_WALK_SPEED", "2,5");
    await page.click("#in-DISABLE_HORSE_SUPPORT");
    f = await fileText(page);
    const line = await text(page, "#preview-line");
    assert.ok(f.includes("TOGGLE_HUD_KEY=122\r\n") && f.includes("INITIAL_WALK_SPEED=2.5\r\n") && f.includes("DISABLE_HORSE_SUPPORT=true\r\n") &&
      line.includes("2.50"), `default button, a decimal comma, a switch: written as the plug-in reads them, the preview follows\n${f}${line}`);
  });

// Nothing is written while typing; a finished text that does not read as
// meant leaves the file as it was, marks the field and says what it holds.
pageCase("typed values: a text that does not read as meant leaves the file; typing writes nothing, Enter writes",
  { skip: CHROMIUM_ONLY }, async (t, { page }) => {
    await page.click("#use-sample");
    const before = await fileText(page);
    for (const [name, typed, holds] of [["MAX_SCROLL_VAL", "2..5", "MAX_SCROLL_VAL=3.0"], ["MAX_SCROLL_VAL", "1e39", "MAX_SCROLL_VAL=3.0"],
      ["SCROLL_STEP_SIZE", "0.5x", "SCROLL_STEP_SIZE=0.1"], ["TOGGLE_HUD_KEY", "12a", "TOGGLE_HUD_KEY=122"]]) {
      await typeInto(page, "#in-" + name, typed);
      const field = await page.$eval("#in-" + name, (e) => [e.value, e.getAttribute("aria-invalid")]);
      const m = await text(page, "#message");
      assert.ok((await fileText(page)) === before && field[0] === typed && field[1] === "true" &&
        m.includes("The file was not changed: it holds " + holds + " (line ") && (await text(page, "#err-" + name)) !== "",
      `${name}: "${typed}" left as typed: the file unchanged, the field marked, the message says what the file holds\n${m}`);
    }
    await page.focus("#in-INITIAL_WALK_SPEED");
    await page.$eval("#in-INITIAL_WALK_SPEED", (e) => e.select());
    await page.keyboard.type("2,25");
    const whileTyping = await fileText(page);
    await page.keyboard.press("Enter");
    const after = await fileText(page), m = await text(page, "#message");
    const shown = await page.$eval("#in-INITIAL_WALK_SPEED", (e) => e.value);
    assert.ok(whileTyping === before && after === before.replace("INITIAL_WALK_SPEED=1.5", "INITIAL_WALK_SPEED=2.25") && shown === "2.25" &&
      /^INITIAL_WALK_SPEED=2\.25 is in the file at line \d+; the plug-in reads 2\.25\.$/.test(m),
    `typing writes nothing; Enter writes the value (a decimal comma as its point), the field and the message show it\n${m}`);
  });

pageCase("the preview stays in view while the last setting is edited", { skip: CHROMIUM_ONLY }, async (t, { page }) => {
  await page.focus("#in-UI_BAR_LENGTH");
  const box = await page.evaluate(() => {
    const r = document.getElementById("hud-box").getBoundingClientRect();
    return { top: r.top, bottom: r.bottom, innerHeight };
  });
  assert.ok(box.top >= 0 && box.bottom <= box.innerHeight, JSON.stringify(box));
});

pageCase("Default on a setting the file lacks changes nothing and leaves the file saved", { skip: CHROMIUM_ONLY }, async (t, { page }) => {
  await pick(page, writeFile("typed", "Pacelark.ini", "[SETTINGS]\r\nTOGGLE_MOD_KEY=121\r\n"));
  await page.click("#reset-UI_BAR_LENGTH");
  assert.ok((await fileText(page)) === "[SETTINGS]\r\nTOGGLE_MOD_KEY=121\r\n" && !(await page.evaluate(() => pacelarkTest.isDirty())) &&
    /not in the file/.test(await text(page, "#message")), await text(page, "#message"));
});

// The preview says why it draws no bars, and what it makes of its own fields.
for (const [ini, view, want] of [
  ["[SETTINGS]\nDISABLE_HORSE_SUPPORT=true\n", { resolution: "1920x1080", mounted: true }, /0 rectangles\. No bars: riding while horse speed control is off/],
  ["[SETTINGS]\nUI_LEFT_OFFSET=2\n", { resolution: "1920x1080" }, /4 rectangles.*drawn outside the screen \(UI_LEFT_OFFSET 2,/],
  ["[SETTINGS]\n", { resolution: "1920x1080", desired: "abc" }, /4 rectangles, text 1\.50 1\.50\./],
]) {
  pageCase(`preview, ${ini.trim().split("\n").pop()} ${JSON.stringify(view)}: says why, marks a speed that is no number`,
    { skip: CHROMIUM_ONLY }, async (t, { page }) => {
      await pick(page, writeFile("why", "Pacelark.ini", ini));
      await setPreview(page, view);
      const line = await text(page, "#preview-line"), bad = await page.$eval("#desired", (e) => e.getAttribute("aria-invalid"));
      const expectBad = view.desired === "abc" ? "true" : null;
      assert.ok(want.test(line) && bad === expectBad && (!expectBad || /not a number/.test(await text(page, "#desired-error"))), line);
      await setPreview(page, { resolution: "1920x1080" });
    });
}

// A byte that is no UTF-8 crosses into the engine and back as it is.
pageCase("an edit keeps a stray Latin-1 byte of the file, byte for byte", { skip: CHROMIUM_ONLY }, async (t, { page }) => {
  const bytes = (s) => Buffer.from(s, "latin1");
  await pick(page, writeFile("stray", "Pacelark.ini", bytes("; caf\xE9\r\n[SETTINGS]\r\nUI_BAR_LENGTH=0.15 ; \xE9\r\n")));
  await typeInto(page, "#in-UI_BAR_LENGTH", "0.3");
  const after = Buffer.from(await shownBytes(page));
  assert.ok(after.equals(bytes("; caf\xE9\r\n[SETTINGS]\r\nUI_BAR_LENGTH=0.3\r\n")), JSON.stringify(after.toString("latin1")));
});

pageCase("Save downloads exactly the shown text, says where the plug-in reads it; leaving warns only while unsaved", {},
  async (t, { page }) => {
    const file = writeFile("save", "Pacelark.ini", Buffer.concat([Buffer.from([0xef, 0xbb, 0xbf]),
      Buffer.from("; Grüße, ✓\r\n[SETTINGS]\r\nUI_BAR_LENGTH=0.15\r\n\r\n")]));
    await pick(page, file);
    await typeInto(page, "#in-UI_BAR_LENGTH", "0.3");
    const unloadBlocked = () => page.evaluate(() => {
      const e = new Event("beforeunload", { cancelable: true });
      window.dispatchEvent(e);
      return e.defaultPrevented;
    });
    const warnedBefore = await unloadBlocked();
    const saved = path.join(suite.downloads, "Pacelark.ini");
    fs.rmSync(saved, { force: true });
    const shown = await fileText(page);
    const started = Date.now();
    // Without the File System Access API (as in Firefox), Save downloads.
    await page.evaluate(() => { window.showSaveFilePicker = undefined; });
    await page.click("#save");
    const got = await waitForDownload(saved, Buffer.byteLength(shown), TIMEOUT);
    const bytes = got ? fs.readFileSync(saved) : Buffer.alloc(0);
    assert.ok(got && bytes.equals(Buffer.from(shown)) && bytes.subarray(0, 3).equals(Buffer.from([0xef, 0xbb, 0xbf])),
      `Save downloads Pacelark.ini holding exactly the shown text\n${Date.now() - started} ms, ${bytes.length} bytes`);
    const said = await text(page, "#message");
    assert.ok(/may rename it/.test(said) && /only a file named exactly Pacelark\.ini, in the folder the game starts in/.test(said),
      `a download says the browser may rename it and where the plug-in reads it\n${said}`);
    const warnedAfter = await unloadBlocked();
    assert.ok(warnedBefore === true && warnedAfter === false,
      `leaving warns while edits are unsaved, not after Save\n${warnedBefore} ${warnedAfter}`);
  });

// Save back into the picked file, with the File System Access API's objects
// stood in (headless Chromium's pickers cannot be driven): asked first,
// warned when the file changed on disk, and a file not named Pacelark.ini is
// never written: Save asks where instead.
pageCase("Save into a picked file: asks first, warns of a change on disk, never writes one not named Pacelark.ini",
  { skip: CHROMIUM_ONLY }, async (t, { page, dialogs }) => {
    await page.evaluate(() => {
      const handle = (d) => ({ kind: "file", name: d.name,
        getFile: async () => new File([d.bytes], d.name, { lastModified: d.lastModified }),
        requestPermission: async (o) => { d.asked.push(o.mode); return "granted"; },
        createWritable: async () => {
          const parts = [];
          return { write: async (b) => { parts.push(new Uint8Array(b)); }, close: async () => { d.bytes = parts[0]; d.lastModified++; d.writes++; } };
        } });
      const disk = (name, text) => ({ name, bytes: new TextEncoder().encode(text), lastModified: 1000, writes: 0, asked: [] });
      window.__disk = { ini: disk("Pacelark.ini", "; mine\r\n[SETTINGS]\r\nUI_BAR_LENGTH=0.15\r\n"), copy: disk("Pacelark - copy.ini", "[SETTINGS]\n"), pick: "ini" };
      window.showOpenFilePicker = async () => [handle(window.__disk[window.__disk.pick])];
      window.showSaveFilePicker = async (o) => { window.__disk.suggested = o.suggestedName; window.__disk.saved = disk(o.suggestedName, ""); return handle(window.__disk.saved); };
    });
    const openPicked = async (which) => {
      const before = await filesTaken(page);
      await page.evaluate((w) => { window.__disk.pick = w; }, which);
      await page.click("#open-file");
      await page.waitForFunction((n) => pacelarkTest.state.filesTaken > n, { timeout: TIMEOUT }, before);
    };
    const disk = (which) => page.evaluate((w) => {
      const d = window.__disk[w];
      return { text: new TextDecoder().decode(d.bytes), writes: d.writes, asked: d.asked };
    }, which);
    // Every outcome of a save ends in a message.
    const saveAndWait = async () => {
      await page.$eval("#message", (e) => { e.textContent = ""; });
      await page.click("#save");
      await page.waitForFunction(() => document.getElementById("message").textContent !== "", { timeout: TIMEOUT });
    };
    dialogs.answer = true;
    await openPicked("ini");
    await typeInto(page, "#in-UI_BAR_LENGTH", "0.3");
    let seen = dialogs.seen;
    await saveAndWait();
    let d = await disk("ini");
    assert.ok(d.writes === 1 && d.text === (await fileText(page)) && d.text.includes("UI_BAR_LENGTH=0.3\r\n") && dialogs.seen === seen + 1 &&
      d.asked.includes("readwrite") && !(await page.evaluate(() => pacelarkTest.isDirty())),
    "Save writes back into the picked Pacelark.ini, after asking, with the browser's write permission\n" +
      JSON.stringify(d) + (await text(page, "#message")));

    await page.evaluate(() => { window.__disk.ini.lastModified += 5000; });
    await typeInto(page, "#in-UI_BAR_LENGTH", "0.4");
    seen = dialogs.seen;
    dialogs.answer = false;
    await saveAndWait();
    dialogs.answer = true;
    d = await disk("ini");
    assert.ok(d.writes === 1 && dialogs.seen === seen + 1 && /changed on disk/.test(dialogs.last) && (await page.evaluate(() => pacelarkTest.isDirty())),
      "a file changed on disk since it was opened: the question warns of it, and No leaves it as it was\n" +
      JSON.stringify(d) + " " + dialogs.last);

    await openPicked("copy");
    await typeInto(page, "#in-UI_BAR_LENGTH", "0.5");
    await saveAndWait();
    const copy = await disk("copy"), saved = await page.evaluate(() => [window.__disk.suggested, new TextDecoder().decode(window.__disk.saved.bytes)]);
    assert.ok(copy.writes === 0 && saved[0] === "Pacelark.ini" && saved[1] === (await fileText(page)) && /Saved Pacelark\.ini/.test(await text(page, "#message")),
      "a picked file not named Pacelark.ini is never written: Save asks where, suggesting Pacelark.ini\n" +
      JSON.stringify(saved) + (await text(page, "#message")));
    await page.evaluate(() => { window.showOpenFilePicker = undefined; window.showSaveFilePicker = undefined; });
  });

pageCase("the canvas matches the Cairo preview in four states: rectangles to the pixel, texts where Cairo's start",
  { skip: CHROMIUM_ONLY }, async (t, { page }) => {
    const states = [
      { ini: null, resolution: "1920x1080", desired: 2.4, reported: 1.8, notice: 2, args: ["--desired", "2.4", "--reported", "1.8", "--notice", "auto-walk"] },
      { ini: "[SETTINGS]\nUI_LEFT_OFFSET=0.2\nUI_BOTTOM_OFFSET=0.1\nUI_BAR_LENGTH=0.3\n", resolution: "2560x1080", desired: 3.5,
        reported: 0, mounted: true, notice: 1, noticeOn: true,
        args: ["--desired", "3.5", "--reported", "0", "--mounted", "--notice", "hud=on"] },
      { ini: "[SETTINGS]\nUI_HIDE_PED_DESIRED_SPEED=true\n", resolution: "1280x720", desired: 1.6, notice: 3, noticeOn: true,
        args: ["--desired", "1.6", "--notice", "mount-support=on"] },
      // The same screen again: what the last frame drew must be gone.
      { ini: null, resolution: "1280x720", desired: 0.5, args: ["--desired", "0.5"] },
    ];
    let previous = null;
    for (const s of states) {
      if (s.ini) await pick(page, writeFile("canvas", "Pacelark.ini", s.ini));
      else await page.click("#use-defaults");
      await setPreview(page, s);
      const size = s.resolution.split("x").map(Number);
      const args = s.ini ? ["--ini", path.join(outDir, "canvas", "Pacelark.ini"), ...s.args] : s.args;
      const cairo = cairoPreview(args, size);
      const r = await compareWithCairo(page, size[0], size[1], cairo, previous && previous.size === s.resolution ? previous.areas : []);
      previous = { size: s.resolution, areas: r.areas };
      t.diagnostic(`${s.resolution}, ${s.args.join(" ")}: ${r.rects} rectangles (${r.compared} pixels), ${r.texts} texts`);
      assert.ok(r.bad.length === 0 && r.compared > 1000 && cairo.width === size[0],
        `${s.resolution}, ${s.args.join(" ")}: the canvas's ${r.rects} rectangles match the Cairo preview (${r.compared} pixels)\n` +
        `${r.bad.length} differ: ${r.bad.filter(Boolean).join("; ")}`);
      assert.ok(r.textBad.length === 0 && r.texts > 0, `${s.resolution}: its ${r.texts} texts start where Cairo's do, as tall\n${r.textBad.join("; ")}`);
    }
  });

// The window's own size, and a zoomed view: sizes and styles set from the
// script (the policy allows that much).
pageCase("the window's own size, zoomed 4x", { skip: CHROMIUM_ONLY }, async (t, { page }) => {
  await page.select("#resolution", "window");
  await page.select("#zoom", "4");
  const size = await page.evaluate(() => {
    const c = document.getElementById("hud");
    return { canvas: [c.width, c.height], window: [Math.round(innerWidth * devicePixelRatio), Math.round(innerHeight * devicePixelRatio)],
      shown: c.getBoundingClientRect().width / document.getElementById("hud-box").clientWidth };
  });
  assert.ok(JSON.stringify(size.canvas) === JSON.stringify(size.window) && Math.abs(size.shown - 4) < 0.05, JSON.stringify(size));
  await page.select("#zoom", "1");
});

// Bytes no text editor would write, the same each run.
function noise() {
  const random = Buffer.alloc(4096);
  for (let i = 0, x = 12345; i < random.length; i++) { x = (x * 1103515245 + 12345) >>> 0; random[i] = x >>> 24; }
  return random;
}
const oneLine = (m) => m.length > 0 && !m.includes("\n");

pageCase("a binary, a 50 MB and a UTF-16 file: said in one line, nothing lost; converting asks first while edits are unsaved",
  { skip: CHROMIUM_ONLY }, async (t, { page, dialogs }) => {
    await page.click("#use-sample");
    await typeInto(page, "#in-SCROLL_STEP_SIZE", "0.25");
    const kept = await fileText(page);
    const keptAll = async () => (await fileText(page)) === kept;

    let m = await pick(page, writeFile("bad", "Pacelark.ini", noise()));
    assert.ok(oneLine(m) && /not a text file/.test(m) && (await keptAll()), `a binary file: one line, nothing opened, nothing lost\n${m}`);

    const big = Buffer.alloc(50 << 20);
    for (let at = 0; at < big.length; at += SAMPLE.length) SAMPLE.copy(big, at);
    const bigFile = writeFile("bad", "big.ini", big);
    const t0 = Date.now();
    m = await pick(page, bigFile);
    t.diagnostic(`50 MB file reported in ${Date.now() - t0} ms`);
    assert.ok(oneLine(m) && /50\.0 MB/.test(m) && (await text(page, "#other-report")) === checkIni(bigFile).out && (await keptAll()),
      `a 50 MB file: reported with check-ini's words, not edited, nothing lost\n${m}`);

    const utf16 = Buffer.concat([Buffer.from([0xff, 0xfe]), Buffer.from(SAMPLE.toString("latin1"), "utf16le")]);
    const utf16File = writeFile("bad", "Pacelark.ini", utf16);
    m = await pick(page, utf16File);
    assert.ok(oneLine(m) && /UTF-16/.test(m) && /drops the zero bytes/.test(m) &&
      (await text(page, "#other-report")) === checkIni(utf16File).out && (await keptAll()),
    `a UTF-16 file: says what the plug-in makes of its bytes, in check-ini's words, nothing lost\n${m}`);
    dialogs.answer = false;
    const asked = dialogs.seen;
    await page.click("#convert");
    assert.ok(dialogs.seen === asked + 1 && (await keptAll()), `converting asks first while edits are unsaved; no: nothing lost\n${dialogs.seen}`);
    dialogs.answer = true;
    await page.click("#convert");
    assert.ok((await fileText(page)) === SAMPLE.toString("latin1") && (await page.evaluate(() => pacelarkTest.isDirty())),
      `converted to plain text, ready to save\n${await text(page, "#message")}`);
  });

pageCase("zero bytes in a file, a file picked twice, empty files: said in one line, the edits kept unless the player says",
  { skip: CHROMIUM_ONLY }, async (t, { page, dialogs }) => {
    const withZeros = writeFile("bad", "zeros.ini", Buffer.from("[SETTINGS]\nTOGGLE_MOD_KEY=1\u000020\n", "latin1"));
    dialogs.answer = true;
    let m = await pick(page, withZeros);
    assert.ok(oneLine(m) && /1 zero byte/.test(m) && (await page.$eval("#in-TOGGLE_MOD_KEY", (e) => e.value)) === "120",
      `zero bytes inside a file: said in one line, the values as the plug-in reads them\n${m}`);
    const again = await fileText(page);
    await typeInto(page, "#in-UI_BAR_LENGTH", "0.2");
    const edited = await fileText(page);
    m = await pick(page, withZeros);
    assert.ok(oneLine(m) && /open already/.test(m) && (await fileText(page)) === edited && edited !== again,
      `a file picked twice: said in one line, the edits kept\n${m}`);

    dialogs.answer = false;
    const seen = dialogs.seen;
    m = await pick(page, writeFile("bad", "empty.ini", ""));
    assert.ok(oneLine(m) && dialogs.seen === seen + 1 && (await fileText(page)) === edited,
      `an empty file while edits are unsaved: asks, and no keeps them\n${m}`);
    dialogs.answer = true;
    m = await pick(page, writeFile("bad", "Pacelark.ini", ""));
    assert.ok(oneLine(m) && /empty \(0 bytes\)/.test(m) && (await fileText(page)) === "",
      `an empty file (zero bytes): opened, said in one line\n${m}`);
  });

pageCase("a file beyond what the page checks: refused in one line, the earlier panel cleared, nothing lost",
  { skip: CHROMIUM_ONLY }, async (t, { page }) => {
    // An empty file open, and a binary file's panel shown.
    await pick(page, writeFile("bad", "Pacelark.ini", ""));
    await pick(page, writeFile("bad", "noise.ini", noise()));
    await axeClean(t, page, "the not-opened panel of a binary file");
    const huge = writeFile("bad", "huge.ini", Buffer.alloc(65 << 20, 0x20));
    const m = await pick(page, huge);
    fs.rmSync(huge);
    assert.ok(oneLine(m) && /too big/.test(m) && (await fileText(page)) === "" && (await page.$eval("#other", (e) => e.hidden)), m);
  });

pageCase("a file dropped on the page opens", { skip: CHROMIUM_ONLY }, async (t, { page }) => {
  const dropped = writeFile("drop", "Pacelark.ini", "[SETTINGS]\nTOGGLE_MOD_KEY=100\n");
  const cdp = await page.createCDPSession();
  const before = await filesTaken(page);
  const data = { items: [], files: [dropped], dragOperationsMask: 1 };
  for (const type of ["dragEnter", "dragOver", "drop"]) await cdp.send("Input.dispatchDragEvent", { type, x: 200, y: 200, data });
  await page.waitForFunction((n) => pacelarkTest.state.filesTaken > n, { timeout: TIMEOUT }, before);
  assert.ok((await fileText(page)) === "[SETTINGS]\nTOGGLE_MOD_KEY=100\n", await text(page, "#message"));
});

pageCase("every control is reached with Tab", { skip: CHROMIUM_ONLY }, async (t, { page }) => {
  await page.click("#use-defaults");
  await page.focus("#open-file");
  const seen = new Set();
  for (let i = 0; i < 90; i++) {
    await page.keyboard.press("Tab");
    seen.add(await page.evaluate(() => document.activeElement.id));
  }
  // check-ini's report is one click away: its summary is reached.
  const want = ["use-sample", "use-defaults", "save", "report-summary", "resolution", "desired", "notice", "hud-box",
    ...NAMES.map((n) => "in-" + n), ...NAMES.map((n) => "reset-" + n), ...NAMES.slice(0, 4).map((n) => "listen-" + n)];
  const missing = want.filter((id) => !seen.has(id));
  assert.ok(missing.length === 0, "not reached: " + missing.join(" "));
});

// Pages of their own, at other sizes; the Try panel open, so its controls and
// screen are measured too.
const openTry = (p) => p.evaluate(() => { document.getElementById("try-panel").open = true; });

test("readable at 200% zoom: nothing runs off to the side", { skip: CHROMIUM_ONLY }, async (t) => {
  // 200 % zoom of a 1280 px wide window: 640 CSS pixels at two device pixels each.
  const { page } = await suite.open({ width: 640, height: 800, deviceScaleFactor: 2 });
  try {
    await openTry(page);
    const fit = await page.evaluate(() => {
      // The preview canvas is wider than its box when zoomed: the box scrolls.
      const wide = [...document.querySelectorAll("button, select, input, label, pre, canvas")].filter((e) => !e.closest("#hud-box"))
        .filter((e) => e.getClientRects().length && e.getBoundingClientRect().right > innerWidth + 1).map((e) => e.id || e.tagName);
      return { scroll: document.documentElement.scrollWidth, width: innerWidth, wide };
    });
    assert.ok(fit.scroll <= fit.width && fit.wide.length === 0, JSON.stringify(fit));
    await axeClean(t, page, "at 200% zoom");
  } finally {
    await page.close();
  }
});

test("390 px wide: nothing runs off to the side", { skip: CHROMIUM_ONLY }, async (t) => {
  const { page } = await suite.open({ width: 390, height: 844 });
  try {
    await (await page.$("#file-input")).uploadFile(writeFile("phone", "Pacelark.ini", "[SETTINGS]\nINITIAL_WALK_SPEED=2,5\nTOGGLE_AUTO_WALK_KEY=121\n"));
    await page.waitForFunction(() => pacelarkTest.state.filesTaken > 0);
    await openTry(page);
    const fit = await page.evaluate(() => ({ scroll: document.documentElement.scrollWidth, width: innerWidth }));
    assert.ok(fit.scroll <= fit.width, JSON.stringify(fit));
    await axeClean(t, page, "390 px wide, a file with warnings");
  } finally {
    await page.close();
  }
});

pageCase("the canvas matches the Cairo preview: rectangles to the pixel, texts where Cairo's start", { skip: FIREFOX_ONLY },
  async (t, { page }) => {
    await page.click("#use-defaults");
    await setPreview(page, { resolution: "1920x1080", desired: 2.4, reported: 1.8, notice: 2 });
    const r = await compareWithCairo(page, 1920, 1080, cairoPreview(["--desired", "2.4", "--reported", "1.8", "--notice", "auto-walk"], [1920, 1080]));
    t.diagnostic(`${r.rects} rectangles (${r.compared} pixels), ${r.texts} texts`);
    assert.ok(r.bad.length === 0 && r.compared > 1000,
      `the canvas's ${r.rects} rectangles match the Cairo preview (${r.compared} pixels)\n${r.bad.length} differ: ${r.bad.filter(Boolean).join("; ")}`);
    assert.ok(r.textBad.length === 0 && r.texts > 0, `its ${r.texts} texts start where Cairo's do, as tall\n${r.textBad.join("; ")}`);
  });

// Over everything the shared pages did: last, so it sees every case's.
pageCase("the policy holds: no violations, no request but file:, data: and blob:, no page errors; an injected script refused", {},
  async (t, { page }) => {
    const csp = [], log = { console: [], requests: [], errors: [] };
    for (const p of shared.pages) {
      csp.push(...(await p.page.evaluate(() => pacelarkTest.policy.slice())));
      for (const k of Object.keys(log)) log[k].push(...p.log[k]);
    }
    const cspConsole = log.console.filter((m) => /Content Security Policy/i.test(m));
    assert.ok(csp.length === 0 && cspConsole.length === 0, `no Content-Security-Policy violations\n${JSON.stringify(csp.concat(cspConsole))}`);
    if (!firefox) {
      const foreign = log.requests.filter((u) => !/^(file|data|blob):/.test(u));
      assert.ok(log.requests.length > 0 && foreign.length === 0,
        `no request other than file:, data: and blob:\n${log.requests.length} requests; others: ${foreign.join(" ")}`);
    }
    assert.ok(log.errors.length === 0, `no page errors\n${log.errors.join(" | ")}`);
    // The policy is live: an injected inline script and a fetch are refused.
    const refused = await page.evaluate(async () => {
      const s = document.createElement("script");
      s.textContent = "window.__injected = 1";
      document.head.appendChild(s);
      let fetched = true;
      try { await fetch("data:,x"); } catch (e) { fetched = false; }
      return { ran: !!window.__injected, fetched };
    });
    assert.ok(!refused.ran && !refused.fetched, `the policy refuses an injected script and a fetch\n${JSON.stringify(refused)}`);
  });
