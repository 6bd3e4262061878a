// What the browser tests share whichever library drives the browser: the walk
// through the walk tour, waiting for a slide, a colour compared within a
// tolerance, and Tab pressed until a labelled button has the focus
// (playwright-core's and puppeteer-core's pages both answer these calls).
"use strict";
const assert = require("node:assert/strict");

// One walk step: what to do, and the slide shown after it. The verbs: key K,
// click X Y (stage pixels, on a stage that fills the window at its own size),
// map (its button), back, forward, tab LABEL (Tab until it has the focus).
const walk = [
  ["key ArrowUp", "S002"],
  ["key ArrowRight", "S003"],
  ["back", "S002"],
  ["back", "S001"],
  ["forward", "S002"],
  ["click 100 300", "S001"],
  ["click 60 60", "S004"],
  ["key ArrowLeft", "S001"],
  ["key ArrowDown", "S001"],
  ["click 300 590", "S001"],
  ["click 20 20", "S001"],
  ["key m", "map"],
  ["key M", "S001"],
  ["map", "map"],
  ["click 300 300", "map"],
  ["map", "S001"],
  ["click 300 100", "S006"],
  ["click 300 500", "S001"],
  ["key ArrowRight", "S005"],
  ["key ArrowUp", "map"],
  ["key m", "map"],
  ["key m", "map"],
  ["back", "S005"],
  ["tab Turn left", "S005"],
  ["key Enter", "S001"],
];

const fragment = (id) => "#" + encodeURIComponent(id);

// Waits up to 5 s for slide `id` under the fragment, with its photograph and
// every other image loaded.
async function waitFor(page, id) {
  const shown = (hash) =>
    location.hash === hash &&
    document.querySelector(".tw-photo") !== null &&
    [...document.images].every((i) => i.complete);
  for (const end = Date.now() + 5000; ; await new Promise((r) => setTimeout(r, 20))) {
    if (await page.evaluate(shown, fragment(id))) return;
    if (Date.now() > end)
      assert.fail(
        `${id} is not shown in 5 s: the page is at ${await page.evaluate(() => location.hash)}`,
      );
  }
}

function near(got, want, tolerance, what) {
  const ok = got.every((c, i) => Math.abs(c - want[i]) <= tolerance);
  assert.ok(ok, `${what}: got rgb(${got}), want rgb(${want})`);
}

async function tabTo(page, label) {
  for (let i = 0; i < 10; i++) {
    await page.keyboard.press("Tab");
    if (await page.evaluate((l) => document.activeElement.getAttribute("aria-label") === l, label))
      return;
  }
  assert.fail(`no button "${label}" on Tab`);
}

module.exports = { walk, fragment, waitFor, near, tabTo };
