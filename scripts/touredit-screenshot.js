#!/usr/bin/env node
// Screenshot of the editor on a plan, at a laptop's window size, with one
// point selected: scripts/touredit-screenshot.js TOUREDIT PLAN POINT FILE.png
// (the README's is of the demo: build/make-demo-tour DIR, then DIR/plan.txt
// and the point "corridor"). The plan is opened and left as it is.
"use strict";
const fs = require("node:fs");
const os = require("node:os");
const path = require("node:path");
const { spawn } = require("node:child_process");
const { launch } = require(path.join(__dirname, "../tests/web/browser.js"));

// touredit with a cache of its own; resolves to its URL and the process.
function start(touredit, plan, cache) {
  const child = spawn(touredit, ["--no-browser", plan], {
    env: { ...process.env, XDG_CACHE_HOME: cache },
    stdio: ["ignore", "pipe", "inherit"],
  });
  return new Promise((resolve, reject) => {
    let out = "";
    child.stdout.on("data", (d) => {
      out += d;
      const m = out.match(/ at (http:\/\/\S+)\n/);
      if (m) resolve({ url: m[1], child });
    });
    child.on("exit", (code) => reject(new Error(`touredit ended (${code}): ${out}`)));
  });
}

async function main() {
  const [touredit, plan, point, out] = process.argv.slice(2);
  if (!out) {
    console.error("usage: touredit-screenshot.js TOUREDIT PLAN POINT FILE.png");
    process.exit(2);
  }
  const cache = fs.mkdtempSync(path.join(os.tmpdir(), "touredit-shot-"));
  const editor = await start(touredit, plan, cache);
  const browser = await launch();
  try {
    const tab = await browser.newPage({ viewport: { width: 1366, height: 768 } });
    await tab.goto(editor.url);
    await tab.getByRole("button", { name: point, exact: true }).click();
    // The thumbnails in sight loaded, and the preview's photograph shown (or
    // the note that says why there is none).
    await tab.waitForFunction(
      () => {
        const frame = document.getElementById("preview");
        const shown = !frame.hidden && frame.contentDocument;
        const photo = shown && frame.contentDocument.querySelector(".tw-photo");
        const previewed =
          document.getElementById("preview-note").textContent !== "" ||
          (photo && photo.complete && photo.naturalWidth > 0);
        const inSight = [...document.images].filter((i) => {
          const r = i.getBoundingClientRect();
          return r.width > 0 && r.bottom > 0 && r.top < innerHeight;
        });
        return previewed && inSight.every((i) => i.complete && i.naturalWidth > 0);
      },
      null,
      { timeout: 60000 },
    );
    await tab.waitForTimeout(500);
    await tab.screenshot({ path: out });
  } finally {
    await browser.close();
    editor.child.kill("SIGTERM");
    fs.rmSync(cache, { recursive: true, force: true });
  }
}

main().catch((e) => {
  console.error(`touredit-screenshot: ${e.message}`);
  process.exit(1);
});
