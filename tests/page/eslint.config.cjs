// ESLint over the settings page's script and its tests: a name nothing
// defines, or a variable or import nothing uses, fails the build's tests.
// CommonJS, so NODE_PATH finds the packages in the build's node_modules.
"use strict";
const js = require("@eslint/js");
const globals = require("globals");

const rules = {
  "no-undef": "error",
  "no-unused-vars": ["error", { args: "after-used", caughtErrors: "none" }],
};

module.exports = [
  js.configs.recommended,
  // The page: ES modules in the browser.
  {
    files: ["tools/page/*.js"],
    ignores: ["tools/page/build-page.js"],
    languageOptions: { sourceType: "module", globals: { ...globals.browser } },
    rules,
  },
  // The build script, the tests and the benchmarks: node, and the functions
  // they hand to the page to run there.
  {
    files: ["tools/page/build-page.js", "tests/page/*.js", "bench/*.js"],
    languageOptions: { sourceType: "commonjs", globals: { ...globals.node, ...globals.browser, pacelarkTest: "readonly" } },
    rules,
  },
];
