#!/usr/bin/env node
// The README's picture of the Try panel, taken by headless Chromium: a
// player's settings, walking, the speed raised with the wheel, auto-walk
// just switched on with its bound key.
// usage: try_picture.js PAGE.html OUT.png   (env NODE_MODULES)
"use strict";
const fs = require("fs");
const os = require("os");
const path = require("path");
const { launch, openPage } = require("./browser");

const [pagePath, out] = process.argv.slice(2).map((p) => path.resolve(p));
const work = fs.mkdtempSync(path.join(os.tmpdir(), "plk-try-picture-"));

(async () => {
  const { browser } = await launch("chrome", work);
  try {
    const { page } = await openPage(browser, pagePath, { width: 1280, height: 1000 });
    const ini = path.join(work, "Pacelark.ini");
    fs.writeFileSync(ini, "[SETTINGS]\r\nTOGGLE_AUTO_WALK_KEY=120\r\nSCROLL_STEP_SIZE=0.05\r\n");
    await (await page.$("#file-input")).uploadFile(ini);
    await page.waitForFunction(() => pacelarkTest.state.filesTaken > 0);
    await page.evaluate(() => window.pacelarkTest.try.frames(0, 17));
    await page.click("#try-panel > summary");
    await page.click("#try-walk");
    await page.evaluate(() => window.pacelarkTest.try.frames(30, 17));
    await page.$eval("#try-canvas", (e) => e.scrollIntoView({ block: "center" }));
    const box = await (await page.$("#try-canvas")).boundingBox();
    await page.mouse.move(box.x + box.width / 2, box.y + box.height / 2);
    for (let i = 0; i < 8; i++) {
      await page.mouse.wheel({ deltaY: -100 });
      await page.evaluate(() => window.pacelarkTest.try.frames(1, 17));
    }
    await page.focus("#try-box");
    await page.keyboard.press("F9");
    await page.evaluate(() => window.pacelarkTest.try.frames(20, 17));
    const section = await page.$("#try-section");
    await section.screenshot({ path: out });
    console.log(`${out}: ${fs.statSync(out).size} bytes`);
  } finally {
    await browser.close();
    fs.rmSync(work, { recursive: true, force: true });
  }
})().catch((e) => {
  console.error(e.stack);
  process.exit(1);
});
