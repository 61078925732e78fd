// Debian's chromium (over CDP) or firefox-esr (over WebDriver BiDi) driven by
// puppeteer-core, headless, with everything they write kept under one folder
// and no name lookups at all. Shared by the page tests and the benchmark.
"use strict";
const fs = require("fs");
const path = require("path");
const { pathToFileURL } = require("url");
const { parseArgs } = require("util");

const modules = process.env.NODE_MODULES || path.resolve(__dirname, "../../build/web/node/node_modules");
// A package, or one of its files, from the lock file's install.
const fromModules = (name) => require(require.resolve(name, { paths: [modules] }));
const puppeteer = fromModules("puppeteer-core");

const TIMEOUT = 20000; // every wait is bounded

async function launch(browserName, outDir) {
  const firefox = browserName === "firefox";
  const home = path.join(outDir, "home"), downloads = path.join(outDir, "downloads");
  for (const d of [home, downloads]) fs.mkdirSync(d, { recursive: true });
  const browser = await puppeteer.launch({
    browser: firefox ? "firefox" : "chrome",
    executablePath: firefox ? process.env.FIREFOX || "/usr/bin/firefox-esr" : process.env.CHROMIUM || "/usr/bin/chromium",
    headless: true,
    userDataDir: path.join(outDir, "profile"),
    args: firefox ? [] : ["--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
      "--disable-background-networking", "--disable-component-update", "--disable-sync",
      "--host-resolver-rules=MAP * ~NOTFOUND"],
    env: { ...process.env, HOME: home, XDG_CONFIG_HOME: path.join(home, ".config"),
      XDG_CACHE_HOME: path.join(home, ".cache"),
      // Release builds honour services.settings.server only with this set.
      MOZ_REMOTE_SETTINGS_DEVTOOLS: "1" },
    downloadBehavior: { policy: "allow", downloadPath: downloads }, // CDP only
    extraPrefsFirefox: {
      "browser.download.folderList": 2,
      "browser.download.dir": downloads,
      "browser.download.useDownloadDir": true,
      "browser.download.always_ask_before_handling_new_types": false,
      "browser.download.start_downloads_in_tmp_dir": false,
      "browser.download.alwaysOpenPanel": false,
      "services.settings.server": "data:,#remote-settings-dummy/v1",
    },
    protocolTimeout: TIMEOUT,
    timeout: TIMEOUT,
  });
  return { browser, downloads, firefox };
}

// Opens the page, waits until it is ready (the body's data-state) and enables
// its test hooks; a page error (a wasm abort, say) fails at once instead of
// at the timeout. `page`: one made already (in a context of its own, say).
async function openPage(browser, pagePath, viewport, page) {
  page = page || (await browser.newPage());
  page.setDefaultTimeout(TIMEOUT);
  const log = { requests: [], console: [], errors: [] };
  page.on("request", (r) => log.requests.push(r.url()));
  page.on("console", (m) => log.console.push(`${m.type()}: ${m.text()}`));
  page.on("pageerror", (e) => log.errors.push(String(e)));
  if (viewport) await page.setViewport(viewport);
  const started = Date.now();
  await page.goto(pathToFileURL(pagePath).href, { waitUntil: "load" });
  const failed = new Promise((_, reject) => page.once("pageerror", (e) => reject(new Error("page error: " + e))));
  failed.catch(() => {});
  await Promise.race([page.waitForFunction(() => document.body.dataset.state !== "loading"), failed]);
  const status = await page.evaluate(() => document.body.dataset.state);
  if (status !== "ready") throw new Error("the page says " + status + ": " + (await page.$eval("#message", (e) => e.textContent)));
  // The shipped page's hooks, inert until asked for.
  await page.evaluate(() => { window.pacelarkTest.enable(); });
  return { page, log, loadMs: Date.now() - started };
}

// A download is done when the file has its full size and no partial file
// (.crdownload, .part) is left beside it.
async function waitForDownload(file, size, ms) {
  const dir = path.dirname(file);
  for (const end = Date.now() + ms; Date.now() < end; await new Promise((r) => setTimeout(r, 25))) {
    if (!fs.existsSync(file) || fs.statSync(file).size !== size) continue;
    if (!fs.readdirSync(dir).some((f) => /\.(crdownload|part)$/.test(f))) return true;
  }
  return false;
}

// axe-core, evaluated into the page (the page's policy would refuse a script
// tag), over the state the page is in: its serious and critical findings,
// and the rest by name.
let axeSource = null;
async function axeFindings(page) {
  if (!(await page.evaluate(() => !!window.axe))) {
    axeSource = axeSource || fs.readFileSync(require.resolve("axe-core/axe.min.js", { paths: [modules] }), "utf8");
    await page.evaluate(axeSource);
  }
  const r = await page.evaluate(async () => {
    const res = await window.axe.run(document);
    return { passes: res.passes.length, violations: res.violations.map((v) => ({ id: v.id, impact: v.impact,
      nodes: v.nodes.slice(0, 3).map((n) => n.target.join(" ")).join(", ") })) };
  });
  const bad = r.violations.filter((v) => v.impact === "serious" || v.impact === "critical");
  const lesser = r.violations.filter((v) => !bad.includes(v)).map((v) => `${v.id} (${v.impact})`);
  return { passes: r.passes, bad, lesser, said: bad.map((v) => `${v.id} (${v.impact}): ${v.nodes}`).join("\n") };
}

// A browser suite: its page and folder from the command line (--page HTML
// --out DIR [--browser chrome|firefox]; under node --test, which passes no
// arguments, PLK_PAGE, PLK_OUT and PLK_BROWSER stand in), the browser
// launched before the cases into an emptied folder and closed after them.
// `launched(suite)` runs in the same hook: node runs top-level hooks at once,
// not one after another.
function browserSuite(defaultOut, launched = async () => {}) {
  const { before, after } = require("node:test");
  const { values } = parseArgs({ options: { page: { type: "string" }, out: { type: "string" }, browser: { type: "string" } } });
  const suite = {
    pagePath: path.resolve(values.page || process.env.PLK_PAGE || "build/web/Pacelark-settings.html"),
    outDir: path.resolve(values.out || process.env.PLK_OUT || defaultOut),
    browserName: values.browser || process.env.PLK_BROWSER || "chrome",
    browser: null, downloads: null, launchMs: 0,
    open: (viewport, page) => openPage(suite.browser, suite.pagePath, viewport, page),
  };
  before(async () => {
    fs.rmSync(suite.outDir, { recursive: true, force: true });
    fs.mkdirSync(suite.outDir, { recursive: true });
    const started = Date.now();
    ({ browser: suite.browser, downloads: suite.downloads } = await launch(suite.browserName, suite.outDir));
    suite.launchMs = Date.now() - started;
    await launched(suite);
  });
  after(async () => {
    if (suite.browser) await suite.browser.close();
  });
  return suite;
}

// The cases run one after another on one page, as a player's visit would; the
// first case that needs it opens it with `open(t)` (so any case runs alone
// too). A case that fails, or spoils the page, leaves it to the next case to
// open another. Every page opened stays open, in `pages`, for the last checks.
function sharedPage(open) {
  const { test } = require("node:test");
  const pages = [];
  let current = null;
  async function get(t, fresh = false) {
    if (fresh || !current) {
      current = await open(t);
      pages.push(current);
    }
    return current;
  }
  function pageCase(name, { skip = false, fresh = false, spoils = false }, fn) {
    test(name, { skip }, async (t) => {
      const shared = await get(t, fresh);
      let ok = false;
      try {
        await fn(t, shared);
        ok = true;
      } finally {
        if (!ok || spoils) current = null;
      }
    });
  }
  return { pages, get, pageCase };
}

module.exports = { launch, openPage, browserSuite, sharedPage, waitForDownload, axeFindings, fromModules, modules, TIMEOUT };
