// What the page tests share: the tours web_export wrote (WEB_TOURS), the
// slide table a tour.js holds, and the page's logic.
"use strict";
const fs = require("node:fs");
const path = require("node:path");
const vm = require("node:vm");

function toursDir() {
  const dir = process.env.WEB_TOURS;
  if (!dir) throw new Error("WEB_TOURS is not set: run these tests through ctest");
  return dir;
}

// The TOURWEB_TOUR that a tour.js declares, run as the browser runs it.
function readTour(tourJs) {
  const context = {};
  vm.runInNewContext(fs.readFileSync(tourJs, "utf8"), context);
  return context.TOURWEB_TOUR;
}

// The TOURWEB_LOGIC that the page's tourweb-logic.js declares, run in this
// context so that what it returns compares with this context's objects.
function readLogic() {
  const file = path.join(__dirname, "../../src/web/tourweb-logic.js");
  return vm.runInThisContext(fs.readFileSync(file, "utf8") + "\nTOURWEB_LOGIC;\n", {
    filename: file,
  });
}

function readColours(name) {
  return JSON.parse(fs.readFileSync(path.join(toursDir(), name, "colours.json"), "utf8"));
}

module.exports = { toursDir, readTour, readLogic, readColours };
