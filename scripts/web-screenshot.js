#!/usr/bin/env node
// Screenshot of an exported page in headless Chromium at the desktop window's
// size: scripts/web-screenshot.js OUTDIR/index.html[#ID] FILE.png
"use strict";
const path = require("node:path");
const { pathToFileURL } = require("node:url");
const { launch } = require(path.join(__dirname, "../tests/web/browser.js"));

async function main() {
  const [page, out] = process.argv.slice(2);
  if (!page || !out) {
    console.error("usage: web-screenshot.js OUTDIR/index.html[#ID] FILE.png");
    process.exit(2);
  }
  const [file, id] = page.split("#");
  const browser = await launch();
  try {
    const tab = await browser.newPage();
    await tab.goto(pathToFileURL(path.resolve(file)).href + (id ? "#" + id : ""));
    // The window's size is in the tour that tourweb wrote.
    await tab.setViewportSize(await tab.evaluate(() => window.TOURWEB_TOUR.format.window));
    await tab.waitForFunction(
      () => {
        const photo = document.querySelector(".tw-photo");
        return photo && photo.complete && [...document.images].every((i) => i.complete);
      },
      null,
      { timeout: 10000 },
    );
    await tab.screenshot({ path: out });
  } finally {
    await browser.close();
  }
}

main().catch((e) => {
  console.error(`web-screenshot: ${e.message}`);
  process.exit(1);
});
