#!/usr/bin/env node
// The README's picture of the settings page, taken by headless Chromium: a
// player's file with two common mistakes, open in the page.
// usage: picture.js PAGE.html OUT.png   (env NODE_MODULES)
"use strict";
const fs = require("fs");
const os = require("os");
const path = require("path");
const { launch, openPage } = require("./browser");

const [pagePath, out] = process.argv.slice(2).map((p) => path.resolve(p));
const work = fs.mkdtempSync(path.join(os.tmpdir(), "plk-picture-"));

(async () => {
  const { browser } = await launch("chrome", work);
  try {
    const { page } = await openPage(browser, pagePath, { width: 1280, height: 1000 });
    const ini = path.join(work, "Pacelark.ini");
    fs.writeFileSync(ini, "; my keys\r\n[SETTINGS]\r\nTOGGLE_MOD_KEY=121\r\nTOGGLE_AUTO_WALK_KEY=121\r\n" +
      "INITIAL_WALK_SPEED=2,5\r\nUI_BAR_LENGTH=0.2\r\n");
    await (await page.$("#file-input")).uploadFile(ini);
    await page.waitForFunction(() => pacelarkTest.state.filesTaken > 0);
    await page.type("#reported", "1.8");
    // The verdict at the top, the form's first fields with their findings, the preview beside them.
    await page.evaluate(() => { document.activeElement.blur(); window.scrollTo(0, document.getElementById("open-section").offsetTop - 8); });
    await page.screenshot({ path: out });
    console.log(`${out}: ${fs.statSync(out).size} bytes`);
  } finally {
    await browser.close();
    fs.rmSync(work, { recursive: true, force: true });
  }
})().catch((e) => {
  console.error(e.stack);
  process.exit(1);
});
