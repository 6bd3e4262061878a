// What the page tests share: the tours web_export wrote (WEB_TOURS) and the
// slide table a tour.js holds.
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

function readColours(name) {
  return JSON.parse(fs.readFileSync(path.join(toursDir(), name, "colours.json"), "utf8"));
}

module.exports = { toursDir, readTour, readColours };
