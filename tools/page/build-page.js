#!/usr/bin/env node
// Writes the one-file settings page: the template with the WebAssembly bytes
// (gzipped) and the sample file as base64 in data blocks, one inline script (the
// page's ES modules bundled by esbuild, then the Emscripten runtime in a
// function of its own) and a Content-Security-Policy whose hashes are taken
// from the final inline text. Nothing is global but the runtime's Module and
// window.pacelarkTest. The few lines shown before the engine can word
// anything (loading, no script, a failed start: data-boot="id") are written
// in from the catalogs, one per language that has them.
// usage: build-page.js --template T --entry MAIN.js --esbuild ESBUILD --runtime EM_JS --wasm W --sample INI
//                      --lang CATALOG_DIR --version V --out HTML
"use strict";
const fs = require("fs");
const path = require("path");
const crypto = require("crypto");
const { execFileSync } = require("child_process");

const args = {};
for (let i = 2; i + 1 < process.argv.length; i += 2) args[process.argv[i].replace(/^--/, "")] = process.argv[i + 1];
for (const need of ["template", "entry", "esbuild", "runtime", "wasm", "sample", "lang", "version", "out"]) {
  if (!args[need]) {
    console.error(`build-page: --${need} missing`);
    process.exit(2);
  }
}
const fail = (why) => {
  console.error(`build-page: ${why}`);
  process.exit(1);
};
// The HTML parser turns CRLF into LF before the browser hashes an inline block.
const read = (f) => fs.readFileSync(f, "utf8").replace(/\r\n?/g, "\n");
const base64 = (f) => fs.readFileSync(f).toString("base64");

// Run from the modules' folder, so the bundle names them by file name alone
// and comes out the same from any checkout.
const bundle = execFileSync(args.esbuild, [path.basename(args.entry), "--bundle", "--format=iife", "--charset=utf8",
  "--log-level=warning"], { cwd: path.dirname(path.resolve(args.entry)), encoding: "utf8", maxBuffer: 1 << 26 })
  .replace(/\r\n?/g, "\n");
// The runtime reads and fills the Module the bundle made; inside a function
// its own names stay out of the global scope.
const script = bundle + "(function (Module) {\n" + read(args.runtime) + "\n})(window.Module);\n";
for (const bad of ["</script", "<!--", "<script"])
  if (script.toLowerCase().includes(bad)) fail(`the script holds "${bad}", which would end the inline <script>`);

// ---- the catalogs: msgctxt is the id; English from the template, the rest
// from each language's translations (fuzzy ones are none) ----

function readCatalog(file) {
  const entries = new Map();
  for (const block of read(file).split(/\n\s*\n/)) {
    const e = { fuzzy: false, fields: {} };
    let field = null;
    for (const line of block.split("\n")) {
      if (line.startsWith("#,") && /\bfuzzy\b/.test(line)) e.fuzzy = true;
      const start = line.match(/^(msgctxt|msgid|msgid_plural|msgstr(?:\[\d+\])?) (".*")$/);
      if (start) [, field] = start;
      const quoted = start ? start[2] : /^".*"$/.test(line) ? line : null;
      if (quoted === null || !field) continue;
      e.fields[field] = (e.fields[field] || "") + JSON.parse(quoted.replace(/\\([^"\\nrt])/g, "\\\\$1"));
    }
    if (e.fields.msgctxt !== undefined) entries.set(e.fields.msgctxt, e);
  }
  return entries;
}
const template = readCatalog(path.join(args.lang, "pacelark.pot"));
const translations = fs.readdirSync(args.lang).filter((f) => f.endsWith(".po")).sort()
  .map((f) => ({ tag: f.slice(0, -3).replace(/_/g, "-"), entries: readCatalog(path.join(args.lang, f)) }));
const escapeHtml = (t) => t.replace(/&/g, "&amp;").replace(/</g, "&lt;").replace(/>/g, "&gt;").replace(/"/g, "&quot;");
// Names stay as they are in every language.
const bootArgs = { ini: path.basename(args.sample), app: "Pacelark", script: "JavaScript" };
const fill = (text) => text.replace(/\{(\w+)\}/g, (all, name) => (name in bootArgs ? bootArgs[name] : all));
function bootLines(id) {
  const english = template.get(id);
  if (!english) fail(`${id} is not in the template`);
  const lines = [{ tag: "en", text: english.fields.msgid }];
  for (const { tag, entries } of translations) {
    const e = entries.get(id);
    if (e && !e.fuzzy && e.fields.msgstr) lines.push({ tag, text: e.fields.msgstr });
  }
  return lines.map((l) => `<p lang="${l.tag}">${escapeHtml(fill(l.text))}</p>`).join("");
}

let html = read(args.template);
html = html.replace(/(data-boot="([a-z0-9_.]+)">)(<\/div>)/g, (all, open, id, close) => open + bootLines(id) + close);

for (const mark of ["/*@SCRIPT@*/", "<!--@CSP@-->", "@VERSION@", "@WASM@", "@SAMPLE@"])
  if (!html.includes(mark)) fail(`the template lacks ${mark}`);
if (!/^[0-9][0-9A-Za-z.+-]*$/.test(args.version)) fail(`--version ${args.version} is no version`);
html = html.replace("@VERSION@", args.version);
// The runtime never fetch()es the wasm when Module.instantiateWasm hands it over, and
// connect-src forbids fetching even a data: URL.
// gzip -n: no name or time in the header, so the same wasm gives the same bytes.
const gzipped = execFileSync("gzip", ["-9", "-n", "-c", args.wasm], { maxBuffer: 1 << 28 });
html = html.replace("@WASM@", () => gzipped.toString("base64")).replace("@SAMPLE@", () => base64(args.sample));
html = html.replace("/*@SCRIPT@*/", () => script); // a function: no $-patterns in the script expand
if (/<script[^>]*\ssrc=|<link[^>]*stylesheet|\sstyle="|\son[a-z]+="/i.test(html))
  fail("an outside script or style, a style= or an on*= attribute: the policy would block it");

const sha = (t) => "'sha256-" + crypto.createHash("sha256").update(t, "utf8").digest("base64") + "'";
const hashes = (tag) => [...html.matchAll(new RegExp(`<${tag}>([\\s\\S]*?)</${tag}>`, "g"))].map((m) => sha(m[1]));
const csp = [
  "default-src 'none'",
  `script-src ${hashes("script").join(" ")} 'wasm-unsafe-eval'`,
  `style-src ${hashes("style").join(" ") || "'none'"}`,
  "img-src data: blob:",
  "connect-src 'none'",
  "base-uri 'none'",
  "form-action 'none'",
].join("; ");
html = html.replace("<!--@CSP@-->", () => `<meta http-equiv="Content-Security-Policy" content="${csp}">`);
const temp = `${args.out}.tmp-${process.pid}`;
fs.writeFileSync(temp, html);
fs.renameSync(temp, args.out);
console.log(`${args.out}: ${Buffer.byteLength(html)} bytes`);
