#!/usr/bin/env node
// The README's pictures, taken by headless Chromium: the settings page with a
// player's file with two common mistakes open in it (`page`, the default), or
// the Try panel (`try`): a player's settings, walking, the speed raised with
// the wheel, auto-walk just switched on with its bound key.
// usage: picture.js PAGE.html OUT.png [page|try]   (env NODE_MODULES)
"use strict";
const fs = require("fs");
const os = require("os");
const path = require("path");
const { launch, openPage } = require("./browser");

const [pagePath, out] = process.argv.slice(2, 4).map((p) => path.resolve(p));
const which = process.argv[4] || "page";
const work = fs.mkdtempSync(path.join(os.tmpdir(), "plk-picture-"));

const pictures = {
  page: {
    ini: "; my keys\r\n[SETTINGS]\r\nTOGGLE_MOD_KEY=121\r\nTOGGLE_AUTO_WALK_KEY=121\r\n" +
      "INITIAL_WALK_SPEED=2,5\r\nUI_BAR_LENGTH=0.2\r\n",
    async take(page) {
      await page.type("#reported", "1.8");
      // The verdict at the top, the form's first fields with their findings, the preview beside them.
      await page.evaluate(() => { document.activeElement.blur(); window.scrollTo(0, document.getElementById("open-section").offsetTop - 8); });
      await page.screenshot({ path: out });
    },
  },
  try: {
    ini: "[SETTINGS]\r\nTOGGLE_AUTO_WALK_KEY=120\r\nSCROLL_STEP_SIZE=0.05\r\n",
    async take(page) {
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
      await (await page.$("#try-section")).screenshot({ path: out });
    },
  },
};

(async () => {
  const picture = pictures[which];
  if (!picture) throw new Error(`picture.js: no picture named ${which} (page or try)`);
  const { browser } = await launch("chrome", work);
  try {
    const { page } = await openPage(browser, pagePath, { width: 1280, height: 1000 });
    const ini = path.join(work, "Pacelark.ini");
    fs.writeFileSync(ini, picture.ini);
    await (await page.$("#file-input")).uploadFile(ini);
    await page.waitForFunction(() => pacelarkTest.state.filesTaken > 0);
    await picture.take(page);
    console.log(`${out}: ${fs.statSync(out).size} bytes`);
  } finally {
    await browser.close();
    fs.rmSync(work, { recursive: true, force: true });
  }
})().catch((e) => {
  console.error(e.stack);
  process.exit(1);
});
