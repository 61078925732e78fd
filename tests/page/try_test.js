#!/usr/bin/env node
// The settings page's Try panel in headless Chromium: the toggles on the keys
// the player bound, the wheel's steps, the notice's two seconds, and one
// truth: a session played in the panel, saved as a scenario, gives the same
// frame table in pacelark-sim run.
// usage: try_test.js --page HTML --out DIR   (env PLK_SIM, NODE_MODULES)
// Cases are node:test tests, run by running this file; one alone with
// node --test-name-pattern=REGEX try_test.js --page ... (under node --test,
// which passes no arguments, PLK_PAGE and PLK_OUT stand in).
"use strict";
const fs = require("fs");
const path = require("path");
const { spawnSync } = require("child_process");
const { test } = require("node:test");
const strict = require("node:assert/strict");
const { browserSuite, sharedPage, waitForDownload } = require("./browser");

const suite = browserSuite("build/web/test-try");
const { outDir } = suite;
const sim = path.resolve(process.env.PLK_SIM || path.resolve(__dirname, "../../build/linux/tools/pacelark-sim"));

// assert.ok, and the assertions that held counted: the run ends with their
// number, to compare with another run's.
let held = 0;
const assert = { ok(value, message) { strict.ok(value, message); held++; } };
process.on("exit", () => console.log(`# try: ${held} assertions held`));

// F9 auto-walk, O overlay, H mount support, M the mod; Esc for the overlay and
// Tab for auto-walk in the notice case, which only the panel's buttons press.
// A Latin-1 byte the saved session must carry as it is.
const BOUND = "; caf\xE9\r\n[SETTINGS]\r\nTOGGLE_MOD_KEY=77\r\nTOGGLE_HUD_KEY=79\r\nTOGGLE_AUTO_WALK_KEY=120\r\n" +
  "TOGGLE_HORSE_SUPPORT=72\r\nSCROLL_STEP_SIZE=0.05\r\n";

async function withSettings(page, text) {
  const file = path.join(outDir, "Pacelark.ini");
  fs.writeFileSync(file, Buffer.from(text, "latin1"));
  const before = await page.evaluate(() => pacelarkTest.state.filesTaken);
  await (await page.$("#file-input")).uploadFile(file);
  await page.waitForFunction((n) => pacelarkTest.state.filesTaken > n, {}, before);
}

// Frames run by the test, ms apart; the animation loop stays off.
const frames = (page, n, ms) => page.evaluate((n, ms) => window.pacelarkTest.try.frames(n, ms), n, ms);
async function overCanvas(page) {
  await page.$eval("#try-canvas", (e) => e.scrollIntoView({ block: "center" }));
  const box = await (await page.$("#try-canvas")).boundingBox();
  await page.mouse.move(box.x + box.width / 2, box.y + box.height / 2);
}
async function restart(page, text) {
  await withSettings(page, text);
  await page.click("#try-restart");
}

// ---- the browser, and the page the cases share ----

// One page, the panel open, each case (re)starting its session; a case that
// breaks the engine spoils the page.
const shared = sharedPage(async () => {
  const { page, log } = await suite.open({ width: 1400, height: 1000 });
  await frames(page, 0, 17);  // manual frames before the panel opens
  await page.click("#try-panel > summary");
  return { page, log };
});
const tryCase = (name, fn, { spoils = false } = {}) => shared.pageCase(name, { spoils }, (t, { page }) => fn(t, page));

// ---- the cases ----

// Each toggle on its own key; the mod last, as it refuses the others while off.
tryCase("each toggle on the key bound to it; a key bound to nothing toggles nothing", async (t, page) => {
  await restart(page, BOUND);
  await page.focus("#try-box");
  const rows = [["F9", "autoWalk", "PLK Auto-Walk: On"], ["KeyO", "speedBars", "PLK HUD: Off"],
    ["KeyH", "horseSpeedControl", "PLK Horse-Support: Off"], ["KeyM", "plugin", "PLK: Off"]];
  for (const [key, flag, notice] of rows) {
    const before = await frames(page, 1, 17);
    await page.keyboard.press(key);
    const after = await frames(page, 1, 17);
    assert.ok(after[flag] === !before[flag] && after.notice === notice, `${key} toggles ${flag}\n${JSON.stringify({ before, after })}`);
  }
  const unbound = await frames(page, 1, 17);
  await page.keyboard.press("F10");  // the default mod key, not bound here
  const pressed = await frames(page, 1, 17);
  assert.ok(pressed.plugin === unbound.plugin, `a key bound to nothing toggles nothing\n${JSON.stringify({ unbound, pressed })}`);
});

// A toggle on a digit key: the key's name is a number too, so the
// session must record the code, and play back the same.
tryCase("a toggle bound to the digit 1 toggles, and its session plays back the same in pacelark-sim run", async (t, page) => {
  await restart(page, "[SETTINGS]\r\nTOGGLE_HUD_KEY=49\r\n");
  await page.focus("#try-box");
  const digitBefore = await frames(page, 1, 17);
  await page.keyboard.press("Digit1");
  const digitAfter = await frames(page, 1, 17);
  await frames(page, 2, 17);
  const digitFile = path.join(outDir, "digit-session.txt");
  fs.writeFileSync(digitFile, await page.evaluate(() => window.pacelarkTest.try.scenario()));
  const digitRun = spawnSync(sim, ["run", "--scenario", digitFile], { encoding: "utf8" });
  const digitTable = await page.evaluate(() => window.pacelarkTest.try.table());
  assert.ok(digitAfter.speedBars === !digitBefore.speedBars && digitAfter.notice === "PLK HUD: Off" &&
    digitRun.status === 0 && digitRun.stdout === digitTable,
  JSON.stringify({ digitBefore, digitAfter }) + `\n${digitRun.stderr}\npage:\n${digitTable}\nsim:\n${digitRun.stdout}`);
});

// One wheel notch is one frame of the speed-up control: one step each.
tryCase("wheel notches step the speed one frame each", async (t, page) => {
  await restart(page, BOUND);
  await overCanvas(page);
  for (let i = 0; i < 3; i++) await page.mouse.wheel({ deltaY: -100 });
  await page.mouse.wheel({ deltaY: 100 });
  const speeds = [];
  for (let i = 0; i < 5; i++) speeds.push((await frames(page, 1, 17)).desired.toFixed(2));
  // Notches are taken in the order they came, one per frame.
  assert.ok(speeds.join(" ") === "1.55 1.60 1.65 1.60 1.60", speeds.join(" "));
});

// Tab and Esc leave the panel and toggle nothing; the button presses the
// key; the notice is due until the tick passes its deadline, 2000 ms on.
tryCase("Tab and Esc leave the panel and reach no toggle; the button's notice shows for 2000 ms, then goes", async (t, page) => {
  await restart(page, "[SETTINGS]\r\nTOGGLE_HUD_KEY=27\r\nTOGGLE_AUTO_WALK_KEY=9\r\n");
  const inBox = () => page.evaluate(() => document.activeElement.id === "try-box");
  await page.focus("#try-box");
  await page.keyboard.press("Tab");
  const tabbed = !(await inBox());
  await page.focus("#try-box");
  await page.keyboard.press("Escape");
  const escaped = await frames(page, 1, 100);
  assert.ok(tabbed && !(await inBox()) && escaped.speedBars === true && escaped.autoWalk === false && escaped.notice === "",
    `Tab and Esc leave the panel and reach no toggle\n${JSON.stringify({ tabbed, escaped })}`);
  await page.click("#try-toggle-1");
  const shown = [];
  for (let i = 0; i < 23; i++) {
    const r = await frames(page, 1, 100);
    shown.push(r.notice ? r.tick : "-");
  }
  const first = shown[0];
  assert.ok(typeof first === "number" && shown.slice(0, 21).every((tick, i) => tick === first + 100 * i) && shown[21] === "-",
    `the notice shows from its toggle until 2000 ms later, then goes\n${shown.join(" ")}`);
});

// The session keeps the settings it started with; a changed file is
// named, since the game would not see it before a restart, until its
// bytes are the session's again.
tryCase("a changed file is named and waits for Restart; the note goes when the bytes are back", async (t, page) => {
  await restart(page, BOUND);
  const tryNote = () => page.$eval("#try-note", (e) => e.textContent);
  await withSettings(page, "[SETTINGS]\r\nTOGGLE_MOD_KEY=77\r\n");
  const note = await tryNote();
  await page.focus("#try-box");
  const kept = await frames(page, 1, 17);
  await page.keyboard.press("KeyO");  // bound in the session, not in the new file
  const toggled = (await frames(page, 1, 17)).speedBars !== kept.speedBars;
  await withSettings(page, BOUND);
  const back = await tryNote();
  assert.ok(/changed since this session started/.test(note) && toggled && !/changed/.test(back), `${note}\n${back}`);
});

// One truth: a session played live, with a preview run in the middle,
// saved, then played back by pacelark-sim run.
tryCase("one truth: a session played live, saved as a scenario byte for byte, gives pacelark-sim run's frame table", async (t, page) => {
  await restart(page, BOUND);
  await page.evaluate(() => window.pacelarkTest.try.live());
  await page.focus("#try-box");
  const waitFrames = async (n) => {
    const at = await page.evaluate(() => window.pacelarkTest.try.passes());
    await page.waitForFunction((m) => window.pacelarkTest.try.passes() >= m, {}, at + n);
  };
  await page.keyboard.down("KeyW");
  await waitFrames(20);
  await overCanvas(page);
  for (let i = 0; i < 4; i++) await page.mouse.wheel({ deltaY: -100 });
  await waitFrames(10);
  await page.keyboard.press("F9");
  await page.keyboard.up("KeyW");
  await waitFrames(10);
  await page.click("#try-mounted");
  await waitFrames(10);
  await page.focus("#try-box");
  await page.keyboard.press("KeyH");
  await page.keyboard.down("PageUp");
  await waitFrames(5);
  await page.keyboard.up("PageUp");
  // The preview loads the plug-in afresh in the same engine.
  await page.evaluate(() => pacelarkTest.drawPreview());
  await page.click("#try-blocked");
  await waitFrames(5);
  await page.click("#try-blocked");
  await page.click("#try-toggle-3");
  await waitFrames(10);
  await frames(page, 0, 17);  // the loop stops here
  const table = await page.evaluate(() => window.pacelarkTest.try.table());
  const scenario = await page.evaluate(() => window.pacelarkTest.try.scenario());
  const saved = path.join(suite.downloads, "pacelark-session.txt");
  await page.click("#try-save");
  // Byte for byte, plain ASCII, the Latin-1 byte escaped: the engine's text
  // decoded here would show any other byte as U+FFFD, and differ.
  const savedBytes = (await waitForDownload(saved, Buffer.byteLength(scenario), 10000)) && fs.readFileSync(saved);
  assert.ok(savedBytes && savedBytes.equals(Buffer.from(scenario, "latin1")) && savedBytes.every((b) => b < 0x80) &&
    savedBytes.includes("\nini ; caf\\xE9\\r\\n\n"), `Save as scenario downloads the recorded session with the settings byte for byte\n${scenario}`);
  const run = spawnSync(sim, ["run", "--scenario", saved], { encoding: "utf8" });
  assert.ok(run.status === 0, `pacelark-sim run plays the saved scenario\n${run.stderr}`);
  const lines = table.split("\n");
  assert.ok(run.stdout === table && lines.length > 12 && /PLK Auto-Walk: On/.test(table) && / yes /.test(table),
    `the page's frame table equals pacelark-sim run's, frame by frame\npage:\n${table}\nsim:\n${run.stdout}\nscenario:\n${scenario}`);
});

// The session belongs to the script: a preview between two frames, a session
// deleted mid-run and the next one each leave pacelark-sim run's table, and
// the heap is back where it was once none lives. A second session ends the
// first, whose frames are then refused.
tryCase("sessions the script starts and deletes, with a preview between frames, play back the same and give the heap back", async (t, page) => {
  const hooks = (fn, ...args) => page.evaluate(fn, ...args);
  const heap = () => hooks(() => window.pacelarkTest.try.heapInUse());
  const playedBack = async (name) => {
    const file = path.join(outDir, name);
    fs.writeFileSync(file, Buffer.from(await hooks(() => window.pacelarkTest.try.scenario()), "latin1"));
    const table = await hooks(() => window.pacelarkTest.try.table());
    const run = spawnSync(sim, ["run", "--scenario", file], { encoding: "utf8" });
    assert.ok(run.status === 0 && run.stdout === table && /PLK HUD: Off/.test(table), `${name}\npage:\n${table}\nsim:\n${run.stdout}${run.stderr}`);
  };
  // One session, keys and a preview midway, deleted while it runs.
  const cycle = async (name) => {
    await frames(page, 3, 17);
    await page.focus("#try-box");
    await page.keyboard.down("KeyW");
    await frames(page, 4, 17);
    await page.evaluate(() => pacelarkTest.drawPreview());
    await page.keyboard.press("KeyO");
    await page.keyboard.up("KeyW");
    await frames(page, 5, 17);
    await playedBack(name);
    await hooks(() => window.pacelarkTest.try.end());
  };
  await restart(page, BOUND);
  await cycle("warm-up.txt");  // the engine's first use of each path allocates for good
  const before = await heap();
  await cycle("first.txt");
  await cycle("second.txt");
  const after = await heap();
  assert.ok(after === before, `the heap in use with no session: ${before} bytes before, ${after} after two sessions`);

  const rival = await hooks(() => {
    const first = new window.Module.TrySession(new Uint8Array(), 17);
    const second = new window.Module.TrySession(new Uint8Array(), 17);
    const told = [first.frame([], 0, 17), second.frame([], 0, 17)];
    first.delete();
    const still = second.frame([], 0, 17);
    second.delete();
    return { first: told[0].error || null, second: told[1].row ? told[1].row.frame : null, still: still.row ? still.row.frame : null };
  });
  assert.ok(/no session/.test(rival.first) && rival.second === 0 && rival.still === 1,
    `a second session ends the first, and deleting the ended one leaves the second running\n${JSON.stringify(rival)}`);
});

// A C++ throw inside a live frame reaches the script as a bare number:
// the loop stops and the player is told, in the panel too. The engine is
// left unusable: later cases get a page of their own.
tryCase("an engine error in a live frame stops the loop and is told to the player", async (t, page) => {
  await restart(page, BOUND);
  await page.evaluate(() => {
    window.Module.TrySession.prototype.frame = () => { throw 1234; };
    window.pacelarkTest.try.live();
  });
  await page.waitForFunction(() => /stopped/.test(document.getElementById("try-note").textContent));
  const stoppedAt = await page.evaluate(() => window.pacelarkTest.try.passes());
  await new Promise((r) => setTimeout(r, 300));
  const told = await page.evaluate(() => [document.getElementById("try-note").textContent,
    document.getElementById("message").textContent, window.pacelarkTest.try.passes()]);
  assert.ok(told[0] === told[1] && /The Try panel stopped \(the page's engine met an error it does not handle\)/.test(told[0]) &&
    told[2] === stoppedAt, JSON.stringify(told));
}, { spoils: true });

// Over everything the pages did: last, so it sees every case's.
test("no page errors", async () => {
  if (!shared.pages.length) await shared.get();
  const errors = shared.pages.flatMap((p) => p.log.errors);
  assert.ok(errors.length === 0, errors.join("\n"));
});
