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
//                      --lang CATALOG_DIR (its message.sh) --version V --out HTML
"use strict";
const fs = require("fs");
const path = require("path");
const crypto = require("crypto");
const { execFileSync } = require("child_process");
const { parseArgs } = require("util");

const NEEDED = ["template", "entry", "esbuild", "runtime", "wasm", "sample", "lang", "version", "out"];
let args;
try {
  args = parseArgs({ options: Object.fromEntries(NEEDED.map((name) => [name, { type: "string" }])) }).values;
} catch (e) {
  console.error(`build-page: ${e.message}`);
  process.exit(2);
}
for (const need of NEEDED) {
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

// ---- the first lines, from the catalogs (tools/lang/message.sh: a line per
// language that translates the message, English first) ----
const escapeHtml = (t) => t.replace(/&/g, "&amp;").replace(/</g, "&lt;").replace(/>/g, "&gt;").replace(/"/g, "&quot;");
// Names stay as they are in every language.
const bootArgs = { ini: path.basename(args.sample), app: "Pacelark", script: "JavaScript" };
const fill = (text) => text.replace(/\{(\w+)\}/g, (all, name) => (name in bootArgs ? bootArgs[name] : all));
function bootLines(id) {
  const lines = execFileSync("bash", [path.join(args.lang, "message.sh"), id], { encoding: "utf8" }).split("\n")
    .filter((l) => l).map((l) => ({ tag: l.slice(0, l.indexOf("\t")).replace(/_/g, "-"), text: l.slice(l.indexOf("\t") + 1) }));
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
