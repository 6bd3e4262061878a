// The exported page in Chromium, read back from screenshots, the history, the
// accessibility tree and the pointer: the walk tour from file:// and from a
// static server, short walks through the history and odd input, the single
// file alone, other windows and screens, a phone, and the hostile ids.
"use strict";
const test = require("node:test");
const assert = require("node:assert/strict");
const fs = require("node:fs");
const os = require("node:os");
const path = require("node:path");
const { pathToFileURL } = require("node:url");
const { need, launch, serve } = require("./browser.js");
const { PNG } = need("pngjs");
const { toursDir, readColours } = require("./tour_files.js");
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
async function open(url, { width = 912, height = 645, scale = 1 } = {}) {
  const context = await browser.newContext({
    viewport: { width, height },
    deviceScaleFactor: scale,
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

// A phone, whose browser widens the layout to the stage and zooms out, and a
// small touch window, where the page scales the stage itself.
test("touch screens: taps act as clicks, sideways swipes turn", async (t) => {
  for (const [what, isMobile, scale] of [
    ["a phone", true, 1],
    ["a small touch window", false, 390 / 912],
  ]) {
    await t.test(what, async () => {
      const context = await browser.newContext({
        viewport: { width: 390, height: 844 },
        hasTouch: true,
        isMobile,
        deviceScaleFactor: 3,
      });
      const page = await context.newPage();
      await page.goto(pathToFileURL(dir).href + "/walk-out/index.html");
      await waitFor(page, "S001");
      const cdp = await context.newCDPSession(page);
      const box = await page.$eval("#tw-stage", (s) => {
        const r = s.getBoundingClientRect();
        return [r.left, r.top, r.width / 912];
      });
      assert.ok(Math.abs(box[2] - scale) < 1e-3, `the stage's scale ${box[2]}`);
      const at = (x, y) => ({ x: box[0] + x * box[2], y: box[1] + y * box[2] });
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
      const css8 = 8 / box[2]; // eight CSS pixels, in stage pixels
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
      await context.close();
    });
  }
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
