// The exported page in Debian's Firefox ESR, driven over WebDriver BiDi by
// puppeteer-core: the walk tour from file:// with the keys, the pointer, the
// history, the map and a typed fragment, deep links, and the single file alone.
// One browser serves every page: Firefox is slow to start.
"use strict";
const test = require("node:test");
const assert = require("node:assert/strict");
const fs = require("node:fs");
const os = require("node:os");
const path = require("node:path");
const { pathToFileURL } = require("node:url");
const { need, launchFirefox } = require("./browser.js");
const { PNG } = need("pngjs");
const { toursDir, readColours } = require("./tour_files.js");
const { walk, fragment, waitFor, near, tabTo } = require("./page_steps.js");

const dir = toursDir();
const colours = readColours("walk");
const colourOf = (id) => colours.slides.find(([name]) => name === id)[1];

let firefox;
test.before(async () => {
  firefox = await launchFirefox();
});
test.after(async () => {
  if (firefox) await firefox.close();
});

// A page of the desktop window's size that records its requests, dialogs and
// errors. Firefox reports no requests for file:// URLs, only for others.
async function open(url) {
  const page = await firefox.browser.newPage();
  await page.setViewport({ width: 912, height: 645 });
  const seen = { requests: [], dialogs: [], errors: [] };
  page.on("request", (r) => seen.requests.push(r.url()));
  page.on("dialog", (d) => {
    seen.dialogs.push(d.message());
    d.dismiss();
  });
  page.on("pageerror", (e) => seen.errors.push(e.message));
  await page.goto(url);
  return { page, seen };
}

function assertQuiet(seen) {
  assert.deepEqual(
    seen.requests.filter((u) => !u.startsWith("data:")),
    [],
    "requests other than the page's files",
  );
  assert.deepEqual(seen.dialogs, [], "dialogs");
  assert.deepEqual(seen.errors, [], "page errors");
}

// The stage's origin in the window and its scale.
const stageBox = (page) =>
  page.$eval("#tw-stage", (s) => {
    const r = s.getBoundingClientRect();
    return [r.left, r.top, r.width / 912];
  });

// Waits for slide `id`, then reads the screen: the photograph inside its frame
// with black around it, and every exit button painted with an arrow.
async function assertShows(page, id) {
  await waitFor(page, id);
  const [left, top, zoom] = await stageBox(page);
  const png = PNG.sync.read(Buffer.from(await page.screenshot()));
  const at = (x, y) => {
    const i = (Math.floor(top + y * zoom) * png.width + Math.floor(left + x * zoom)) * 4;
    return [png.data[i], png.data[i + 1], png.data[i + 2]];
  };
  for (const [x, y, want] of [
    [100, 100, colourOf(id)],
    [456, 300, colourOf(id)],
    [850, 580, colourOf(id)],
    [300, 30, [0, 0, 0]],
    [300, 600, [0, 0, 0]],
  ])
    near(at(x, y), want, 12, `${id} at (${x}, ${y})`);
  const arrows = await page.$$eval(".tw-exit", (buttons) =>
    buttons.map((b) => [b.offsetLeft + b.offsetWidth / 2, b.offsetTop + b.offsetHeight / 2]),
  );
  for (const [x, y] of arrows)
    assert.ok(
      colours.arrows.some((c) => at(x, y).every((v, i) => Math.abs(v - c[i]) <= 4)),
      `${id}: an arrow at (${x}, ${y}), got rgb(${at(x, y)})`,
    );
}

// One step of the shared walk (page_steps.js), or a fragment typed into the
// address: "address #ID".
async function step(page, action) {
  const [verb, a, b] = action.split(" ");
  if (verb === "key") await page.keyboard.press(a);
  else if (verb === "click") {
    const [left, top, zoom] = await stageBox(page);
    await page.mouse.click(left + Number(a) * zoom, top + Number(b) * zoom);
  } else if (verb === "back") await page.goBack();
  else if (verb === "forward") await page.goForward();
  else if (verb === "map") await page.locator('::-p-aria([name="Map"][role="button"])').click();
  else if (verb === "address") await page.goto(page.url().replace(/#.*/, "") + a);
  else if (verb === "tab") await tabTo(page, action.slice(4));
  else throw new Error(`no step ${action}`);
}

// Takes each step and checks the slide it ends on; a step that stays adds no
// history entry.
async function walkSteps(page, steps) {
  for (const [action, id] of steps) {
    const before = await page.evaluate(() => [location.hash, history.length]);
    await step(page, action);
    await assertShows(page, id);
    if (before[0] === fragment(id)) {
      await new Promise((r) => setTimeout(r, 100));
      assert.deepEqual(
        await page.evaluate(() => [location.hash, history.length]),
        before,
        `${action} stays on ${id} and adds no entry`,
      );
    }
  }
}

test("the walk from file:// in Firefox", async () => {
  const index = pathToFileURL(path.join(dir, "walk-out/index.html")).href;
  const { page, seen } = await open(index);
  assert.match(await page.evaluate(() => navigator.userAgent), /Firefox\/\d+/);
  await assertShows(page, "S001");
  await walkSteps(page, [...walk, ["address #S004", "S004"], ["back", "S001"]]);
  assertQuiet(seen);
  await page.close();

  // Deep links: a known id starts there, an unknown one at S001.
  for (const [deep, id] of [
    ["S007", "S007"],
    ["nowhere", "S001"],
  ]) {
    const { page, seen } = await open(index + fragment(deep));
    await assertShows(page, id);
    assertQuiet(seen);
    await page.close();
  }
});

test("the single file, alone in a folder, in Firefox", async () => {
  const alone = fs.mkdtempSync(path.join(os.tmpdir(), "tourweb-"));
  try {
    fs.copyFileSync(path.join(dir, "walk.html"), path.join(alone, "tour.html"));
    const { page, seen } = await open(pathToFileURL(path.join(alone, "tour.html")).href);
    await assertShows(page, "S001");
    await walkSteps(page, walk.slice(0, 13));
    assertQuiet(seen);
    await page.close();
  } finally {
    fs.rmSync(alone, { recursive: true, force: true });
  }
});
