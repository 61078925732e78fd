#!/usr/bin/env node
// Writes the one-file settings page: the template with one inline script (the
// WebAssembly bytes and the sample file as base64, the page's script, the
// Emscripten runtime) and a Content-Security-Policy whose hashes are taken
// from the final inline text.
// usage: build-page.js --template T --script APP_JS[,MORE_JS...] --runtime EM_JS --wasm W --sample INI --out HTML
"use strict";
const fs = require("fs");
const crypto = require("crypto");

const args = {};
for (let i = 2; i + 1 < process.argv.length; i += 2) args[process.argv[i].replace(/^--/, "")] = process.argv[i + 1];
for (const need of ["template", "script", "runtime", "wasm", "sample", "out"]) {
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

// The runtime never fetch()es the wasm when Module.wasmBinary holds it, and
// connect-src forbids fetching even a data: URL.
const prelude =
  `window.__wasmBase64 = "${base64(args.wasm)}";\n` + `window.__sampleBase64 = "${base64(args.sample)}";\n`;
const script = prelude + args.script.split(",").map(read).join("\n") + "\n" + read(args.runtime);
for (const bad of ["</script", "<!--", "<script"])
  if (script.toLowerCase().includes(bad)) fail(`the script holds "${bad}", which would end the inline <script>`);

let html = read(args.template);
if (!html.includes("/*@SCRIPT@*/") || !html.includes("<!--@CSP@-->")) fail("the template lacks /*@SCRIPT@*/ or <!--@CSP@-->");
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
