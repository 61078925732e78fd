#!/usr/bin/env node
// The settings page's Try panel measured live in headless Chromium at
// 1920x1080: the work of a frame (the pass and the drawing), the WebAssembly
// heap over 600 frames with no notice due, passes while the panel is closed
// or the page hidden (the page's size is page_bench.js's). Prints FIGURE lines
// for report.sh.
// usage: try_bench.js PAGE.html OUT_DIR   (env NODE_MODULES)
"use strict";
const fs = require("fs");
const path = require("path");
const { launch, openPage } = require("../tests/page/browser");
const { figure } = require("./figure");

const pagePath = path.resolve(process.argv[2] || "build/web/Pacelark-settings.html");
const outDir = path.resolve(process.argv[3] || "build/web/bench-try");
const WARM_UP = 60, FRAMES = 600;

const quantile = (xs, q) => [...xs].sort((a, b) => a - b)[Math.min(xs.length - 1, Math.floor(xs.length * q))];
const passes = (page) => page.evaluate(() => window.pacelarkTest.try.passes());
const waitPasses = (page, n) => page.waitForFunction((m) => window.pacelarkTest.try.passes() >= m, { timeout: 60000 }, n);
const pause = (ms) => new Promise((r) => setTimeout(r, ms));

(async () => {
  fs.rmSync(outDir, { recursive: true, force: true });
  const { browser } = await launch("chrome", outDir);
  try {
    const { page } = await openPage(browser, pagePath, { width: 1920, height: 1080 });
    // Walking at the chosen speed: the whole pass, the bars and the ground each frame.
    await page.click("#try-panel > summary");
    await page.select("#try-size", "1920x1080");
    await page.click("#try-walk");
    await page.$eval("#try-canvas", (e) => e.scrollIntoView());
    await waitPasses(page, WARM_UP);
    const from = await passes(page);
    const heapBefore = await page.evaluate(() => window.pacelarkTest.try.heapInUse());
    await waitPasses(page, from + FRAMES);
    const heapAfter = await page.evaluate(() => window.pacelarkTest.try.heapInUse());
    const ran = (await passes(page)) - from;
    const times = (await page.evaluate(() => window.pacelarkTest.try.timings())).slice(-ran).slice(0, FRAMES);
    const med = quantile(times, 0.5), p99 = quantile(times, 0.99);
    console.log(`frame work, ms: median ${med.toFixed(3)}, 99th ${p99.toFixed(3)}, max ${Math.max(...times).toFixed(3)}`);
    figure("Try panel: a live frame (pass and drawing), median", `${med.toFixed(3)} ms (${FRAMES} frames after ${WARM_UP})`, "<= 1 ms", med <= 1);
    figure("Try panel: a live frame, 99th percentile", `${p99.toFixed(3)} ms`, "<= 4 ms", p99 <= 4);
    figure("Try panel: WebAssembly heap in use over 600 frames", `${heapBefore} -> ${heapAfter} bytes`, "no growth", heapAfter <= heapBefore);

    await page.click("#try-panel > summary");
    const closedAt = await passes(page);
    await pause(1000);
    const whileClosed = (await passes(page)) - closedAt;
    figure("Try panel: passes in 1 s with the panel closed", String(whileClosed), "0", whileClosed === 0);

    await page.click("#try-panel > summary");
    await waitPasses(page, closedAt + 10);
    const other = await browser.newPage();
    await other.bringToFront();
    const hidden = await page.evaluate(() => document.visibilityState);
    const hiddenAt = await passes(page);
    await pause(1000);
    const whileHidden = (await passes(page)) - hiddenAt;
    figure("Try panel: passes in 1 s with the page hidden", `${whileHidden} (the page was ${hidden})`, "0",
      hidden === "hidden" && whileHidden === 0);
    await other.close();
  } finally {
    await browser.close();
  }
})().catch((e) => {
  console.error(e.stack);
  process.exit(1);
});
