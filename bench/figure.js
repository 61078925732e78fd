// One FIGURE line for report.sh: name, value, goal and whether it was met.
"use strict";
const figure = (name, value, goal, met) =>
  console.log(`FIGURE\t${name}\t${value}\t${goal}\t${goal ? (met ? "met" : "MISSED") : ""}`);
module.exports = { figure };
