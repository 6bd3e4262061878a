// The exported page in Chromium, read back from screenshots, the history, the
// accessibility tree and the pointer: the walk tour from file:// and from a
// static server, short walks through the history and odd input, the single
// file alone, other windows and screens, phones and tablets, and the hostile
// ids.
"use strict";
const test = require("node:test");
const assert = require("node:assert/strict");
const fs = require("node:fs");
const os = require("node:os");
const path = require("node:path");
const { pathToFileURL } = require("node:url");
const { need, launch, serve } = require("./browser.js");
const { PNG } = need("pngjs");
const { toursDir, readTour, readColours } = require("./tour_files.js");
const { walk, fragment, waitFor, near, tabTo } = require("./page_steps.js");

const dir = toursDir();
const walkColours = readColours("walk");
const hostileColours = readColours("hostile");
const colourOf = (colours, id) => colours.slides.find(([name]) => name === id)[1];

// Arrow places by sprite index, and the sprites each walk slide shows.
const places = [
  null,
  [15, 310],
  [15, 310],
  [872, 310],
  [872, 310],
  [456, 60],
  [456, 593],
  [443, 15],
];
const walkArrows = {
  S001: [2, 3, 5, 6, 7],
  S002: [1, 4, 7],
  S003: [],
  S004: [1],
  S005: [1, 7],
  S006: [5, 6],
  S007: [1, 7],
  S008: [7],
  map: [],
};

let browser;
test.before(async () => {
  browser = await launch();
});
test.after(async () => {
  if (browser) await browser.close();
});

// A page that records its requests, dialogs, errors and console warnings.
async function open(url, { width = 912, height = 645, scale = 1, hasTouch = false } = {}) {
  const context = await browser.newContext({
    viewport: { width, height },
    deviceScaleFactor: scale,
    hasTouch,
  });
  const page = await context.newPage();
  const seen = { requests: [], dialogs: [], errors: [], warnings: [] };
  page.on("request", (r) => seen.requests.push(r.url()));
  page.on("dialog", (d) => {
    seen.dialogs.push(d.message());
    d.dismiss();
  });
  page.on("pageerror", (e) => seen.errors.push(e.message));
  page.on("console", (m) => {
    if (m.type() === "warning") seen.warnings.push(m.text());
  });
  await page.goto(url);
  return { page, seen, close: () => context.close() };
}

async function until(ok, timeout = 5000) {
  for (const end = Date.now() + timeout; !ok(); await new Promise((r) => setTimeout(r, 20)))
    if (Date.now() > end) assert.fail("timed out");
}

async function pixels(page) {
  const png = PNG.sync.read(await page.screenshot());
  return (x, y) => {
    const i = (y * png.width + x) * 4;
    return [png.data[i], png.data[i + 1], png.data[i + 2]];
  };
}

// The stage at `zoom`, `left` pixels from the window's edge, shows slide `id`'s
// photograph at (56, 56), clipped to 800 by 533, and exactly the arrows
// `arrows`, each at its place (the focused one's ring covers its edge).
async function assertShows(page, colours, id, arrows, zoom = 1, left = 0) {
  const focused = await page.evaluate(() => {
    const e = document.activeElement;
    return e.classList.contains("tw-exit") ? [parseInt(e.style.left), parseInt(e.style.top)] : [];
  });
  const at = await pixels(page);
  const px = (x, y) => at(Math.floor(left + x * zoom), Math.floor(y * zoom));
  const photo = colourOf(colours, id),
    black = [0, 0, 0];
  for (const [x, y, want] of [
    [100, 100, photo],
    [56, 300, photo],
    [300, 56.5, photo],
    [855.5, 588.5, photo],
    [55.5, 300, black],
    [300, 55.5, black],
    [856.5, 300, black],
    [300, 589.5, black],
  ])
    near(px(x, y), want, 12, `${id} at (${x}, ${y})`);
  for (const sprite of [1, 3, 5, 6, 7]) {
    const [x, y] = places[sprite];
    const shown = arrows.find((a) => places[a][0] === x && places[a][1] === y);
    const behind = x >= 56 && x < 856 && y >= 56 && y < 589 ? photo : black;
    const want = shown ? colours.arrows[shown] : behind;
    const ring = focused[0] === x && focused[1] === y;
    for (const [dx, dy] of ring
      ? [[12, 12]]
      : [
          [0.5, 0.5],
          [12, 12],
          [23.5, 23.5],
        ])
      near(
        px(x + dx, y + dy),
        want,
        shown ? 0 : 12,
        `${id}: arrow place ${sprite} (+${dx}, +${dy})`,
      );
    near(px(x + 24.5, y + 12), behind, 12, `${id}: right of arrow place ${sprite}`);
  }
}

// The pointer's image under window point (x, y) and the density its
// image-set() names (1 without one).
async function cursorAt(page, x, y) {
  const style = await page.evaluate(
    ([x, y]) => getComputedStyle(document.elementFromPoint(x, y)).cursor,
    [x, y],
  );
  const file = style.match(/cursors\/([^"/)]+)"?\)/);
  const density = style.match(/^image-set\(url\([^)]*\) ([\d.]+)(?:x|dppx)\)/);
  return { file: file && file[1], density: density ? Number(density[1]) : 1 };
}

function assertInside(seen, prefix) {
  const outside = seen.requests.filter((u) => !u.startsWith(prefix) && !u.startsWith("data:"));
  assert.deepEqual(outside, [], "requests outside the page's folder");
  assert.deepEqual(seen.dialogs, [], "dialogs");
  assert.deepEqual(seen.errors, [], "page errors");
}

async function step(page, action) {
  const [verb, a, b, button] = action.split(" ");
  if (verb === "key") await page.keyboard.press(a);
  else if (verb === "hold") {
    // A held key: the second keydown is a repeat.
    await page.keyboard.down(a);
    await page.keyboard.down(a);
    await page.keyboard.up(a);
  } else if (verb === "click")
    await page.mouse.click(Number(a), Number(b), { button: button || "left" });
  else if (verb === "address") await page.goto(page.url().replace(/#.*/, "") + a);
  else if (verb === "map") await page.click("#tw-map");
  else if (verb === "back") await page.goBack({ waitUntil: "commit" });
  else if (verb === "forward") await page.goForward({ waitUntil: "commit" });
  else if (verb === "tab") await tabTo(page, action.slice(4));
}

// Takes one step that should end on slide `id`, and checks what shows; a step
// that stays adds no history entry. Says whether the slide changed.
async function takeStep(page, action, id, zoom = 1, left = 0) {
  const before = await page.evaluate(() => [location.hash, history.length]);
  await step(page, action);
  await waitFor(page, id);
  if (before[0] === fragment(id)) {
    await page.waitForTimeout(100);
    assert.deepEqual(
      await page.evaluate(() => [location.hash, history.length]),
      before,
      `${action} stays and adds no entry`,
    );
  }
  await assertShows(page, walkColours, id, walkArrows[id], zoom, left);
  return before[0] !== fragment(id);
}

async function walkTour(base) {
  const prefix = base + "walk-out/";
  const { page, seen, close } = await open(prefix + "index.html");
  await waitFor(page, "S001");
  // Preloading: the photographs S001's moves and the map reach, and no other
  // (its left exit gives way to left180).
  const wanted = ["S002", "S004", "S005", "S006", "S007", "map"].map(
    (id) => `${prefix}slides/${id}.jpg`,
  );
  await until(() => seen.requests.filter((u) => u.endsWith(".jpg")).length >= 7);
  await page.waitForTimeout(200);
  assert.deepEqual(
    seen.requests.filter((u) => u.endsWith(".jpg")).sort(),
    [`${prefix}slides/S001.jpg`, ...wanted].sort(),
  );
  await assertShows(page, walkColours, "S001", walkArrows.S001);

  for (const [x, y, cursor] of [
    [300, 300, "fwd.png"],
    [20, 20, "arrow.png"],
    [60, 60, "left180.png"],
  ]) {
    await page.mouse.move(x, y);
    const style = await page.$eval("#tw-stage", (s) => getComputedStyle(s).cursor);
    assert.match(
      style,
      new RegExp(`cursors/${cursor.replace(".", "\\.")}"?\\)? 0 0`),
      `pointer at (${x}, ${y})`,
    );
  }

  for (const [action, id] of walk) {
    const moved = await takeStep(page, action, id);
    if (action.startsWith("tab")) {
      const ring = await pixels(page);
      const [x, y] = places[1];
      near(ring(x + 1, y + 12), [255, 212, 0], 40, "focus ring on the focused arrow");
    }
    if (action === "key Enter")
      assert.equal(
        await page.evaluate(() => document.activeElement.getAttribute("aria-label")),
        "Turn round to the left",
        "focus stays with the move",
      );
    if (moved)
      assert.equal(await page.$eval("#tw-say", (e) => e.textContent), id === "map" ? "Map" : id);
  }
  assertInside(seen, prefix);
  await close();

  // Deep links: a known id starts there, an exit to a missing slide stays and
  // warns, an unknown id starts at S001.
  const deep = await open(prefix + "index.html#S007");
  await waitFor(deep.page, "S007");
  await deep.page.keyboard.press("ArrowUp");
  await deep.page.waitForTimeout(100);
  assert.equal(await deep.page.evaluate(() => location.hash), "#S007");
  assert.ok(
    deep.seen.warnings.some((w) => w.includes("S999")),
    "a warning names S999",
  );
  await deep.page.goto("about:blank");
  await deep.page.goto(prefix + "index.html#nowhere");
  await waitFor(deep.page, "S001");
  await assertShows(deep.page, walkColours, "S001", walkArrows.S001);
  assertInside(deep.seen, prefix);
  await deep.close();
}

test("the walk from file://", () => walkTour(pathToFileURL(dir).href + "/"));

test("the walk from a static server", async () => {
  const server = await serve(dir);
  try {
    await walkTour(server.url);
  } finally {
    await server.close();
  }
});

// Short walks on the walk tour from file://, each step as in `walk`: [what,
// first slide, steps, window with the stage's left margin in it].
const shortWalks = [
  [
    "Back after closing the map shows the map",
    "S002",
    [
      ["key m", "map"],
      ["key m", "S002"],
      ["back", "map"],
    ],
  ],
  [
    "the history keeps the slide the map was opened from",
    "S002",
    [
      ["key m", "map"],
      ["back", "S002"],
      ["forward", "map"],
      ["key m", "S002"],
    ],
  ],
  [
    "a held key moves once",
    "S001",
    [
      ["hold ArrowUp", "S002"],
      ["hold m", "map"],
    ],
  ],
  ["a right click makes no move", "S001", [["click 456 300 right", "S001"]]],
  [
    "Enter on a turn-round arrow to the left",
    "S001",
    [
      ["tab Turn round to the left", "S001"],
      ["key Enter", "S004"],
    ],
  ],
  [
    "Enter on a turn-round arrow to the right",
    "S002",
    [
      ["tab Turn round to the right", "S002"],
      ["key Enter", "S003"],
    ],
  ],
  ["a fragment typed into the address bar", "S001", [["address #S004", "S004"]]],
  [
    "an unknown fragment typed in opens the start slide, and the address names it",
    "S004",
    [
      ["address #nowhere", "S001"],
      ["back", "S004"],
      ["address #S999", "S001"],
    ],
  ],
  [
    "clicks on the bands in a window wider than the tour",
    "S001",
    [
      ["click 800 300", "S002"],
      ["click 450 300", "S001"],
      ["click 1150 300", "S005"],
    ],
    { width: 1600, height: 645, left: 344 },
  ],
];

test("short walks: the map in the history, held keys, buttons, typed fragments, a wide window", async (t) => {
  for (const [what, first, steps, size = {}] of shortWalks) {
    await t.test(what, async () => {
      const { page, close } = await open(
        pathToFileURL(dir).href + "/walk-out/index.html" + fragment(first),
        size,
      );
      await waitFor(page, first);
      for (const [action, id] of steps) await takeStep(page, action, id, 1, size.left);
      await close();
    });
  }
});

// The text of each live region in the accessibility tree.
async function liveTexts(cdp) {
  const { nodes } = await cdp.send("Accessibility.getFullAXTree");
  const byId = new Map(nodes.map((n) => [n.nodeId, n]));
  const live = (n) =>
    ["status", "alert", "log"].includes(n.role && n.role.value) ||
    (n.properties || []).some((p) => p.name === "live" && p.value.value !== "off");
  const text = (n) =>
    n.role && n.role.value === "StaticText"
      ? n.name.value
      : (n.childIds || []).map((id) => text(byId.get(id))).join("");
  return nodes.filter(live).map(text);
}

test("after each move: the pointer under the resting mouse, and the arrival announced", async () => {
  const { page, close } = await open(pathToFileURL(dir).href + "/walk-out/index.html#S005");
  const cdp = await page.context().newCDPSession(page);
  await waitFor(page, "S005");
  await page.mouse.move(456, 300);
  // [action, slide after, pointer over the photograph's middle, live text]
  for (const [action, id, pointer, said] of [
    [null, "S005", "fwd.png", ""],
    ["key ArrowUp", "map", "arrow.png", "Map"],
    ["back", "S005", "fwd.png", "S005"],
    ["key ArrowLeft", "S001", "fwd.png", "S001"],
  ]) {
    if (action) await step(page, action);
    await waitFor(page, id);
    assert.equal((await cursorAt(page, 456, 300)).file, pointer, `pointer on ${id}`);
    assert.deepEqual(await liveTexts(cdp), [said], `live regions on ${id}`);
  }
  await close();
});

// The single-pixel checks of one walk photograph on scaled stages: crisp where
// a stage pixel is a whole number of device pixels, else smoothed to greys;
// and the pointer's image scaled with the stage.
test("scaled stages: crisp or smoothed photographs, and the pointer to match", async (t) => {
  const [slide, cx, cy, cw, ch] = walkColours.checks;
  for (const [what, size, crisp] of [
    ["1.5 times the window on a 2x screen", { width: 1368, height: 968, scale: 2 }, true],
    ["0.7 times the window", { width: 638, height: 452, scale: 1 }, false],
  ]) {
    await t.test(what, async () => {
      const { page, close } = await open(
        pathToFileURL(dir).href + "/walk-out/index.html" + fragment(slide),
        size,
      );
      await waitFor(page, slide);
      const [left, top, zoom] = await page.$eval("#tw-stage", (s) => {
        const r = s.getBoundingClientRect();
        return [r.left, r.top, r.width / 912];
      });
      assert.ok(
        Math.abs(zoom - Math.min(size.width / 912, size.height / 645)) < 1e-6,
        `scale ${zoom}`,
      );
      const middle = [left + 456 * zoom, top + 300 * zoom];
      await page.mouse.move(...middle);
      const pointer = await cursorAt(page, ...middle);
      assert.equal(pointer.file, "fwd.png");
      assert.ok(
        Math.abs(pointer.density - 1 / zoom) < 1e-3,
        `pointer drawn at ${pointer.density}x for ${zoom}`,
      );
      // Device pixels over the middle of the checks, each against the
      // photograph pixel under its centre.
      const png = PNG.sync.read(await page.screenshot());
      const dpr = size.scale,
        device = (x, origin) => (origin + (56 + x) * zoom) * dpr;
      let greys = 0,
        astray = 0,
        count = 0;
      for (let y = Math.ceil(device(cy + ch / 4, top)); y < device(cy + (ch * 3) / 4, top); y++) {
        for (
          let x = Math.ceil(device(cx + cw / 4, left));
          x < device(cx + (cw * 3) / 4, left);
          x++
        ) {
          const v = png.data[(y * png.width + x) * 4];
          const px = Math.floor(((x + 0.5) / dpr - left) / zoom) - 56,
            py = Math.floor(((y + 0.5) / dpr - top) / zoom) - 56;
          if (Math.abs(v - ((px + py) % 2 ? 255 : 0)) > 32) astray++;
          if (v >= 32 && v <= 223) greys++;
          count++;
        }
      }
      if (crisp)
        assert.equal(astray, 0, `device pixels unlike their photograph pixel, of ${count}`);
      else assert.ok(greys > count / 2, `${greys} grey device pixels of ${count}`);
      await close();
    });
  }
});

test("the single file, alone in a folder", async () => {
  const alone = fs.mkdtempSync(path.join(os.tmpdir(), "tourweb-"));
  try {
    fs.copyFileSync(path.join(dir, "walk.html"), path.join(alone, "tour.html"));
    const url = pathToFileURL(path.join(alone, "tour.html")).href;
    const { page, seen, close } = await open(url);
    await waitFor(page, "S001");
    await assertShows(page, walkColours, "S001", walkArrows.S001);
    for (const [action, id] of walk.slice(0, 2)) {
      await step(page, action);
      await waitFor(page, id);
      await assertShows(page, walkColours, id, walkArrows[id]);
    }
    assert.deepEqual(
      seen.requests.filter((u) => !u.startsWith("data:")),
      [url],
    );
    assertInside(seen, url);
    await close();
  } finally {
    fs.rmSync(alone, { recursive: true, force: true });
  }
});

test("twice the size: a 2x window and a 2x screen", async (t) => {
  for (const [name, size] of [
    ["window", { width: 1824, height: 1290 }],
    ["screen", { scale: 2 }],
  ]) {
    await t.test(name, async () => {
      const { page, close } = await open(pathToFileURL(dir).href + "/walk-out/index.html", size);
      await waitFor(page, "S001");
      await assertShows(page, walkColours, "S001", walkArrows.S001, 2);
      await page.mouse.click(size.width ? 600 : 300, size.width ? 600 : 300);
      await waitFor(page, "S002");
      await assertShows(page, walkColours, "S002", walkArrows.S002, 2);
      await close();
    });
  }
});

// Phones and tablets upright and sideways, laid out as their browsers lay
// out a page (a mobile layout viewport, touch, dense screens), and a small
// touch window: the photograph fills the screen's width or height, centred,
// read from the screen's pixels; taps and swipes walk; turned, it fits again.
const screens = [
  "Pixel 7",
  "Pixel 7 landscape",
  "iPhone SE",
  "iPhone SE landscape",
  "Galaxy Tab S4",
  "Galaxy Tab S4 landscape",
  "iPad Mini",
  "iPad Mini landscape",
  ["a small touch window", { viewport: { width: 390, height: 844 }, hasTouch: true }],
];

// Where the stage stands on a screen of `width` by `height` CSS pixels.
function stageOn(width, height) {
  const zoom = Math.min(width / 912, height / 645);
  return { zoom, left: (width - 912 * zoom) / 2, top: (height - 645 * zoom) / 2 };
}

// Checks from the screen's pixels that the photograph of `id` spans the
// stage's photograph area: along the row and the column through stage point
// (300, 300), the first and last pixels of its colour, within a device pixel.
async function assertFits(page, id, width, height, dpr) {
  const { zoom, left, top } = stageOn(width, height);
  const png = PNG.sync.read(await page.screenshot());
  assert.equal(png.width, Math.round(width * dpr), "the screenshot is the screen");
  const want = colourOf(walkColours, id);
  const is = (x, y) => {
    const i = (y * png.width + x) * 4;
    return want.every((c, k) => Math.abs(png.data[i + k] - c) <= 12);
  };
  const span = (count, at) => {
    const hits = [...Array(count).keys()].filter(at);
    return hits.length ? [hits[0], hits[hits.length - 1] + 1] : [];
  };
  const row = Math.floor((top + 300 * zoom) * dpr),
    column = Math.floor((left + 300 * zoom) * dpr);
  const got = [span(png.width, (x) => is(x, row)), span(png.height, (y) => is(column, y))];
  const expected = [
    [left + 56 * zoom, left + 856 * zoom],
    [top + 56 * zoom, top + 589 * zoom],
  ];
  for (const [axis, [from, to]] of expected.entries()) {
    const what = `${id} on a ${width} by ${height} screen: ${axis ? "top to bottom" : "left to right"}`;
    assert.equal(got[axis].length, 2, `${what}: the photograph is not on the screen`);
    assert.ok(
      Math.abs(got[axis][0] - from * dpr) <= 1.5 && Math.abs(got[axis][1] - to * dpr) <= 1.5,
      `${what}: device pixels ${got[axis]}, want ${[from * dpr, to * dpr].map(Math.round)}`,
    );
  }
}

// Before the scripts have run (held back by the server), the start
// photograph already shows where the stage will show it; then the stage
// shows it in the same place.
test("the start photograph shows in its place before the scripts run", async (t) => {
  const server = await serve(dir);
  try {
    for (const [what, device] of [
      ["the desktop window", { viewport: { width: 912, height: 645 } }],
      ["a wide window", { viewport: { width: 1600, height: 645 } }],
      ["a phone", need("playwright-core").devices["Pixel 7"]],
    ]) {
      await t.test(what, async () => {
        const context = await browser.newContext(device);
        const page = await context.newPage();
        let release;
        const held = new Promise((resolve) => (release = resolve));
        await page.route("**/tourweb.js", async (route) => {
          await held;
          await route.continue();
        });
        await page.goto(server.url + "walk-out/index.html", { waitUntil: "commit" });
        await page.waitForFunction(() => {
          const img = document.getElementById("tw-start");
          return img && img.complete && img.naturalWidth > 0;
        });
        assert.equal(await page.evaluate(() => location.hash), "", "the scripts have not run");
        const { width, height } = device.viewport,
          dpr = device.deviceScaleFactor || 1;
        await assertFits(page, "S001", width, height, dpr);
        release();
        await waitFor(page, "S001");
        await assertFits(page, "S001", width, height, dpr);
        // Once another slide shows, the start image is gone and the stage is
        // opaque again, so nothing of it shows through.
        await page.keyboard.press("ArrowUp");
        await waitFor(page, "S002");
        assert.deepEqual(
          await page.evaluate(() => [
            document.getElementById("tw-start"),
            getComputedStyle(document.getElementById("tw-stage")).backgroundColor,
          ]),
          [null, "rgb(0, 0, 0)"],
        );
        await context.close();
      });
    }
  } finally {
    await server.close();
  }
});

test("phones and tablets upright and sideways: the stage fits the screen, taps and swipes walk", async (t) => {
  const { devices } = need("playwright-core");
  for (const entry of screens) {
    const [name, device] = typeof entry === "string" ? [entry, devices[entry]] : entry;
    await t.test(name, async () => {
      const context = await browser.newContext(device);
      const page = await context.newPage();
      const seen = [];
      page.on("pageerror", (e) => seen.push(e.message));
      await page.goto(pathToFileURL(dir).href + "/walk-out/index.html");
      await waitFor(page, "S001");
      const { width, height } = device.viewport,
        dpr = device.deviceScaleFactor || 1;
      await assertFits(page, "S001", width, height, dpr);
      const cdp = await context.newCDPSession(page);
      const { zoom, left, top } = stageOn(width, height);
      const at = (x, y) => ({ x: left + x * zoom, y: top + y * zoom });
      async function drag(from, to) {
        const steps = [
          ["touchStart", from],
          ["touchMove", { x: (from.x + to.x) / 2, y: (from.y + to.y) / 2 }],
          ["touchMove", to],
          ["touchEnd", null],
        ];
        for (const [type, p] of steps)
          await cdp.send("Input.dispatchTouchEvent", { type, touchPoints: p ? [p] : [] });
      }
      const css8 = 8 / zoom; // eight CSS pixels, in stage pixels
      // [x, y, dx, dy, slide after]: a tap forward, a swipe to the right turns
      // left, a tap in the top band, a short drag is a tap, taps that wander
      // eight CSS pixels are taps, a swipe to the left turns right (right180).
      for (const [x, y, dx, dy, id] of [
        [300, 300, 0, 0, "S002"],
        [300, 400, 250, 10, "S001"],
        [300, 100, 0, 0, "S006"],
        [300, 100, 8, 4, "S002"],
        [100, 300, css8, 0, "S001"],
        [300, 300, 0, css8, "S002"],
        [600, 300, -250, 0, "S003"],
      ]) {
        if (!dx && !dy) await page.touchscreen.tap(at(x, y).x, at(x, y).y);
        else await drag(at(x, y), at(x + dx, y + dy));
        await waitFor(page, id);
      }
      // Turned the other way up, it fits again and a tap still walks.
      await page.setViewportSize({ width: height, height: width });
      await page.goBack({ waitUntil: "commit" });
      await waitFor(page, "S002");
      await assertFits(page, "S002", height, width, dpr);
      const turned = stageOn(height, width);
      await page.touchscreen.tap(turned.left + 100 * turned.zoom, turned.top + 300 * turned.zoom);
      await waitFor(page, "S001");
      assert.deepEqual(seen, [], "page errors");
      await context.close();
    });
  }
});

// The tour tourmake made from a plan whose names and title are markup: the
// names of the slides in the title and the announcements, and the map's
// marker and links. Each step: [what to do, slide after, its name, on the
// map the point the marker stands at with the way it points, and each point's
// link: [point, slide]].
const hall = "<b>hall";
const placedWalk = [
  ["start", "S001", `${hall}, facing north`],
  ["key ArrowRight", `${hall}-E`, `${hall}, facing east`],
  [
    "key m",
    "map",
    "Map",
    [hall, "east"],
    [
      [hall, `${hall}-E`],
      ["kitchen", "kitchen-E"],
      ["study", "study-S"],
    ],
  ],
  ["click kitchen", "kitchen-E", "kitchen, facing east"],
  ["back", "map", "Map", [hall, "east"]],
  ["tab study, facing south", "map", "Map", [hall, "east"]],
  ["key Enter", "study-S", "study, facing south"],
  [
    "key M",
    "map",
    "Map",
    ["study", "south"],
    [
      [hall, `${hall}-S`],
      ["kitchen", "kitchen-W"],
      ["study", "study-S"],
    ],
  ],
  ["tap <b>hall", `${hall}-S`, `${hall}, facing south`],
];

test("a tour that knows its places: names in the title and announcements, the map's marker and links", async (t) => {
  const placed = readTour(path.join(dir, "placed-out", "tour.js")).places;
  const title = "Our <b>house</b> & </script> garden";
  const spot = (name) => placed.points.find((p) => p.name === name);
  // Stage pixels from a spot, along each heading the marker may point.
  const ahead = { north: [0, -28], east: [28, 0], south: [0, 28], west: [-28, 0] };
  for (const file of ["placed-out/index.html", "placed.html"]) {
    await t.test(file, async () => {
      const url = pathToFileURL(path.join(dir, file)).href;
      const { page, seen, close } = await open(url, { hasTouch: true });
      for (const [action, id, name, marker, links] of placedWalk) {
        const [verb, ...rest] = action.split(" ");
        const point = spot(rest.join(" "));
        if (verb === "click") await page.mouse.click(56 + point.x, 56 + point.y);
        else if (verb === "tap") await page.touchscreen.tap(56 + point.x, 56 + point.y);
        else if (verb !== "start") await step(page, action);
        await waitFor(page, id);
        assert.equal(await page.title(), `${name} \u2013 ${title}`, action);
        if (verb !== "start" && verb !== "tab")
          assert.equal(await page.$eval("#tw-say", (e) => e.textContent), name, action);
        const here = await page.$$eval(".tw-here", (es) => es.map((e) => e.ariaLabel));
        if (!marker) {
          assert.deepEqual(here, [], `${action}: no marker off the map`);
          continue;
        }
        assert.deepEqual(here, [`You were at ${marker[0]}, facing ${marker[1]}`]);
        const at = await pixels(page);
        const { x, y } = spot(marker[0]);
        for (const [heading, [dx, dy]] of Object.entries(ahead)) {
          const [r, g, b] = at(Math.round(56 + x + dx), Math.round(56 + y + dy));
          const yellow = r > 200 && g > 170 && b < 80;
          assert.equal(yellow, heading === marker[1], `${action}: the marker toward ${heading}`);
        }
        if (links)
          assert.deepEqual(
            await page.$$eval(".tw-point", (as) =>
              as.map((a) => [a.ariaLabel, a.getAttribute("href"), a.style.left, a.style.top]),
            ),
            links.map(([p, slide]) => [
              placedName(slide),
              fragment(slide),
              `${56 + spot(p).x}px`,
              `${56 + spot(p).y}px`,
            ]),
            `${action}: the map's links`,
          );
      }
      assert.equal(await page.$$eval("b", (bs) => bs.length), 0, "names are never markup");
      assertInside(seen, url.slice(0, url.lastIndexOf("/") + 1));
      await close();
    });
  }
  // The name a placed slide has in the walk above.
  function placedName(slide) {
    const [point, heading] = slide === "S001" ? [hall, "N"] : slide.split(/-(?=[NESW]+$)/);
    const words = { N: "north", E: "east", S: "south", W: "west" };
    return `${point}, facing ${words[heading]}`;
  }

  await t.test("a tour without places keeps its map", async () => {
    const { page, close } = await open(pathToFileURL(dir).href + "/walk-out/index.html#S005");
    await waitFor(page, "S005");
    await step(page, "key m");
    await waitFor(page, "map");
    assert.equal(await page.$$eval(".tw-point, .tw-here", (es) => es.length), 0);
    assert.equal(await page.title(), "Map");
    await close();
  });
});

test("hostile ids are shown and walked, and nothing in them runs", async (t) => {
  const ids = hostileColours.slides.map(([id]) => id).filter((id) => id !== "map");
  const script = "</script><script>window.pwned=1</script>";
  for (const file of ["hostile-out/index.html", "hostile.html"]) {
    await t.test(file, async () => {
      const url = pathToFileURL(path.join(dir, file)).href;
      const { page, seen, close } = await open(url);
      for (const [i, id] of [...ids, "S001"].entries()) {
        await waitFor(page, id);
        await assertShows(page, hostileColours, id, id === "S001" ? [3, 7] : [1, 3, 7]);
        assert.equal(await page.title(), id);
        assert.equal(await page.$eval("#tw-say", (e) => e.textContent), i ? id : "", "announced");
        // Right leads to the id the loader skipped: the page stays.
        const entries = await page.evaluate(() => history.length);
        await page.keyboard.press("ArrowRight");
        await page.waitForTimeout(50);
        assert.equal(await page.evaluate(() => history.length), entries);
        await page.keyboard.press("ArrowUp");
      }
      assert.ok(
        seen.warnings.some((w) => w.includes("pwned")),
        "a warning for the skipped id",
      );
      for (const [deep, id] of [
        [ids[1], ids[1]],
        [script, "S001"],
      ]) {
        await page.goto("about:blank");
        await page.goto(url + fragment(deep));
        await waitFor(page, id);
      }
      assert.equal(await page.evaluate(() => typeof window.pwned), "undefined");
      assert.deepEqual(
        seen.requests.filter((u) => /\/x$/.test(u)),
        [],
        "the image markup's request",
      );
      assertInside(seen, url.slice(0, url.lastIndexOf("/") + 1));
      await close();
    });
  }
});
