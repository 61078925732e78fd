#!/usr/bin/env node
// The settings page measured in headless Chromium, opened from disk: time to
// the first report and preview, time per edit until both are updated (the
// canvas flushed), and the page's size. Prints FIGURE lines for report.sh.
// usage: page_bench.js PAGE.html OUT_DIR   (env NODE_MODULES)
"use strict";
const fs = require("fs");
const path = require("path");
const { launch, openPage } = require("../tests/page/browser");

const pagePath = path.resolve(process.argv[2] || "build/web/Pacelark-settings.html");
const outDir = path.resolve(process.argv[3] || "build/web/bench");
const LOADS = 7, EDITS = 60;

const figure = (name, value, goal, met) =>
  console.log(`FIGURE\t${name}\t${value}\t${goal}\t${goal ? (met ? "met" : "MISSED") : ""}`);
const median = (xs) => [...xs].sort((a, b) => a - b)[Math.floor(xs.length / 2)];
const max = (xs) => Math.max(...xs);

(async () => {
  fs.rmSync(outDir, { recursive: true, force: true });
  const { browser } = await launch("chrome", outDir);
  try {
    const first = [];
    let page;
    for (let i = 0; i < LOADS; i++) {
      if (page) await page.close();
      ({ page } = await openPage(browser, pagePath, { width: 1400, height: 1000 }));
      // From the start of navigation to the defaults' report and preview on the page.
      first.push(await page.evaluate(() => window.__firstShownAt));
    }
    console.log(`first report and preview, ms: ${first.map((t) => t.toFixed(0)).join(" ")}`);
    figure("settings page: first report and preview after opening", `${median(first).toFixed(0)} ms (median of ${LOADS} loads, max ${max(first).toFixed(0)})`,
      "<= 500 ms", median(first) <= 500);

    // Each edit as a field makes it: the file changed, the report and the
    // form redone, one pass of the plug-in, the canvas painted and flushed.
    await page.click("#use-sample");
    const perEdit = await page.evaluate((n) => {
      const g = document.getElementById("hud").getContext("2d");
      const key = table.settings.findIndex((s) => s.name === "INITIAL_WALK_SPEED");
      const times = [];
      for (let i = 0; i < n; i++) {
        const t0 = performance.now();
        edit(key, (1 + (i % 20) / 10).toFixed(1), { quiet: true });
        g.getImageData(0, 0, 1, 1);
        times.push(performance.now() - t0);
      }
      return times;
    }, EDITS);
    figure("settings page: per edit, report and preview updated", `${median(perEdit).toFixed(1)} ms (median of ${EDITS}, max ${max(perEdit).toFixed(1)})`,
      "<= 16 ms", median(perEdit) <= 16);

    const big = await page.evaluate(() => {
      const sample = fromBase64(window.__sampleBase64), bytes = new Uint8Array(50 << 20);
      for (let at = 0; at < bytes.length; at += sample.length) bytes.set(sample.subarray(0, bytes.length - at), at);
      const t0 = performance.now();
      engine.look(bytes);
      engine.check(bytes, "big.ini");
      return performance.now() - t0;
    });
    figure("settings page: a 50 MB file checked (reported, not opened)", `${big.toFixed(0)} ms`, "", true);

    const size = fs.statSync(pagePath).size;
    figure("settings page size", `${size} bytes (${(size / 1024).toFixed(0)} KiB)`, "<= 1 MB", size <= 1 << 20);
  } finally {
    await browser.close();
  }
})().catch((e) => {
  console.error(e.stack);
  process.exit(1);
});
