// touredit's page in Debian's Chromium, against the real touredit on a
// folder of photographs: every control by its name and from the keyboard; a
// two-floor tour made by clicks, drops and choices, made into a tour that
// tourcheck passes and tourweb's page walks; points placed and moved where
// the browser draws them; names refused; other programs' changes, the plan's
// text and conflicts.
"use strict";
const test = require("node:test");
const assert = require("node:assert/strict");
const crypto = require("node:crypto");
const fs = require("node:fs");
const os = require("node:os");
const path = require("node:path");
const { spawn, execFileSync } = require("node:child_process");
const { pathToFileURL } = require("node:url");
const { need, launch } = require("../../web/browser.js");
const { PNG } = need("pngjs");

const HEADINGS = ["N", "NE", "E", "SE", "S", "SW", "W", "NW"];
let browser, scratch;
test.before(async () => {
  scratch = fs.mkdtempSync(path.join(os.tmpdir(), "touredit-page-"));
  browser = await launch();
});
test.after(async () => {
  if (browser) await browser.close();
  fs.rmSync(scratch, { recursive: true, force: true });
});

// A folder of flat-coloured PNG photographs, 800 by 533 unless given.
function folder(name, photos) {
  const dir = path.join(scratch, name);
  fs.mkdirSync(dir, { recursive: true });
  for (const [file, rgb, width = 800, height = 533] of photos) {
    const png = new PNG({ width, height });
    for (let i = 0; i < width * height; i++) png.data.set([...rgb, 255], i * 4);
    fs.writeFileSync(path.join(dir, file), PNG.sync.write(png));
  }
  return dir;
}

// touredit on `dir`, with its cache in the scratch folder; resolves once it
// prints its URL.
function editor(dir) {
  const child = spawn(process.env.TOUREDIT, ["--no-browser", dir], {
    env: { ...process.env, XDG_CACHE_HOME: path.join(scratch, "cache") },
    stdio: ["ignore", "pipe", "inherit"],
  });
  return new Promise((resolve, reject) => {
    let out = "";
    child.stdout.on("data", (d) => {
      out += d;
      const m = out.match(/^touredit: editing .* at (http:\/\/\S+)\n/);
      if (m)
        resolve({
          url: m[1],
          stop: () =>
            new Promise((done) => {
              child.on("exit", done);
              child.kill("SIGTERM");
            }),
        });
    });
    child.on("exit", (code) =>
      reject(new Error(`touredit ended (${code}) before its URL: ${out}`)),
    );
  });
}

// A page that records page errors and CSP refusals.
async function open(url, ready = (page) => byName(page, "tab", "Floor 0").waitFor()) {
  const context = await browser.newContext({ viewport: { width: 1366, height: 768 } });
  context.setDefaultTimeout(8000);
  const page = await context.newPage();
  const errors = [];
  page.on("pageerror", (e) => errors.push(e.message));
  page.on("console", (m) => {
    if (/Content.Security.Policy|Refused to/i.test(m.text())) errors.push(m.text());
  });
  await page.goto(url);
  await ready(page);
  return { page, errors, close: () => context.close() };
}

async function until(ok, what, timeout = 5000) {
  for (const end = Date.now() + timeout; !(await ok()); await new Promise((r) => setTimeout(r, 50)))
    if (Date.now() > end) assert.fail(`timed out: ${typeof what === "function" ? what() : what}`);
}

const planOf = (dir) => fs.readFileSync(path.join(dir, "plan.txt"), "utf8");
const hasLine = (dir, line) =>
  fs.existsSync(path.join(dir, "plan.txt")) && planOf(dir).split("\n").includes(line);
const byName = (page, role, name) => page.getByRole(role, { name, exact: true });

// A point's floor and place as its plan line has them, or null.
function pointLine(dir, name) {
  if (!fs.existsSync(path.join(dir, "plan.txt"))) return null;
  const m = planOf(dir).match(
    new RegExp(`^point ${name} floor (\\d+) at ([\\d.-]+) ([\\d.-]+)$`, "m"),
  );
  return m && { floor: Number(m[1]), x: Number(m[2]), y: Number(m[3]) };
}

// Screen and drawing pixels of the shown floor as the browser lays the
// drawing out (its own transform, not the page's arithmetic).
async function geometry(page, floor = 0) {
  const m = await byName(page, "group", `Drawing of floor ${floor}`).evaluate((svg) => {
    const c = svg.getScreenCTM();
    return { a: c.a, d: c.d, e: c.e, f: c.f };
  });
  return {
    scale: m.a,
    screen: (x, y) => ({ x: Math.round(m.e + x * m.a), y: Math.round(m.f + y * m.d) }),
    drawing: (sx, sy) => ({ x: Math.round((sx - m.e) / m.a), y: Math.round((sy - m.f) / m.d) }),
  };
}

// The point `name` is at `want` in the plan, within a drawing pixel, and
// its pin is drawn there.
async function pointAt(page, dir, name, want, floor = 0) {
  await until(
    () => {
      const got = pointLine(dir, name);
      return got && got.floor === floor && near(got, want, 1);
    },
    () => `${name} at (${want.x}, ${want.y}), not ${JSON.stringify(pointLine(dir, name))}`,
  );
  await settled(page);
  const g = await geometry(page, floor),
    pin = await centre(byName(page, "button", name).locator("circle")),
    got = pointLine(dir, name);
  assert.ok(near(pin, g.screen(got.x, got.y), 1.5), `${name}'s pin at ${JSON.stringify(pin)}`);
  return got;
}

const near = (a, b, d) => Math.abs(a.x - b.x) <= d && Math.abs(a.y - b.y) <= d;

// Add point, then a click at drawing pixel (x, y); resolves to the drawing
// pixel clicked.
async function addPoint(page, x, y, floor = 0) {
  await byName(page, "button", "Add point").click();
  const g = await geometry(page, floor),
    at = g.screen(x, y);
  await page.mouse.click(at.x, at.y);
  return g.drawing(at.x, at.y);
}

async function named(page, dir, name, x, y, floor = 0) {
  const at = await addPoint(page, x, y, floor);
  const field = byName(page, "textbox", "Name");
  await until(async () => (await field.inputValue()).startsWith("point"), "the new point's panel");
  await field.fill(name);
  await field.press("Enter");
  await pointAt(page, dir, name, at, floor);
  return at;
}

const photoOf = (page, file) =>
  byName(page, "list", "Photographs").getByText(file, { exact: true });
const petalOf = (page, point, heading) =>
  page
    .locator(".point", { has: byName(page, "button", point) })
    .locator(`.petal[data-heading="${heading}"]`);

// The page has its answers: nothing sent and not answered, nothing held back.
const settled = (page) =>
  page.waitForFunction(() => window.TourEdit.busy === 0 && window.TourEdit.held === 0);

async function centre(locator) {
  const b = await locator.boundingBox();
  return { x: b.x + b.width / 2, y: b.y + b.height / 2 };
}

// A press, a move in steps and a release, as a hand drags.
async function drag(page, from, to) {
  await page.mouse.move(from.x, from.y);
  await page.mouse.down();
  await page.mouse.move(to.x, to.y, { steps: 6 });
  await page.mouse.up();
}

// The role and name of each control Tab reaches, from the page's start
// until focus comes round again.
async function tabStops(page) {
  await page.evaluate(() => document.activeElement && document.activeElement.blur());
  const stops = [];
  for (let n = 0; n < 200; n++) {
    await page.keyboard.press("Tab");
    const focused = page.locator(":focus");
    if (!(await focused.count())) continue;
    const stop = (await focused.ariaSnapshot()).split("\n")[0].replace(/^- |:.*$| \[.*$/g, "");
    if (stops.includes(stop) && stop === stops[0]) break;
    stops.push(stop);
  }
  return stops;
}

test("every control by its name and from the keyboard; points placed and moved by keys where they are drawn; names refused beside the field, the plan untouched", async () => {
  const dir = folder("names", [
    ["hallN.png", [200, 40, 40]],
    ["round.png", [150, 150, 60], 1024, 512],
  ]);
  const ed = await editor(dir);
  const { page, errors, close } = await open(ed.url);
  try {
    // A click places a point and opens its panel at its name.
    const at = await addPoint(page, 300, 200);
    await pointAt(page, dir, "point", at);
    const name = byName(page, "textbox", "Name");
    await until(
      async () =>
        (await name.inputValue()) === "point" &&
        (await page.evaluate(() => document.activeElement.id)) === "point-name",
      "its panel, at its name",
    );
    await name.fill("hall");
    await name.press("Enter");
    await until(() => pointLine(dir, "hall"), "renamed");
    await page.locator("#status", { hasText: "Saved" }).waitFor();
    await byName(page, "combobox", "Photograph facing N").selectOption("hallN.png");
    await until(() => hasLine(dir, "photo hall N hallN.png"), "hall N chosen");
    await byName(page, "button", "Add floor").click();
    await byName(page, "tab", "Floor 1").waitFor();
    await byName(page, "tab", "Floor 0").click();
    await page.getByRole("button", { name: "Plan text" }).click();
    await settled(page);

    // Every name of the issue, each control reached by Tab (the floor tabs
    // by the arrows between them, as tabs are).
    const controls = [
      ["list", "Photographs"],
      ["button", "Add floor"],
      ["button", "Add point"],
      ["tab", "Floor 0"],
      ["button", "hall"],
      ["textbox", "Name"],
      ["button", "Delete point"],
      ...HEADINGS.map((h) => ["combobox", `Photograph facing ${h}`]),
      ["combobox", "Walk facing N to"],
      ["checkbox", "One way"],
      ["textbox", "Title"],
      ["combobox", "Start"],
      ["combobox", "Framing"],
      ["button", "Make tour"],
      ["button", "Single file"],
      ["textbox", "Plan"],
    ];
    for (const [role, label] of controls) await byName(page, role, label).waitFor();
    await byName(page, "group", "Drawing of floor 0").waitFor();
    for (const h of HEADINGS) await byName(page, "group", `Heading ${h}`).waitFor();
    const north = byName(page, "group", "Heading N");
    await byName(north, "combobox", "Walk facing N to").waitFor();
    await byName(north, "checkbox", "One way").waitFor();
    const stops = await tabStops(page);
    const missed = controls.filter(([role, label]) => !stops.includes(`${role} "${label}"`));
    assert.deepEqual(missed, [], `Tab reached only ${stops.join(", ")}`);
    await byName(page, "tab", "Floor 0").focus();
    await page.keyboard.press("ArrowRight");
    assert.equal(await byName(page, "tab", "Floor 1").getAttribute("aria-selected"), "true");
    await byName(page, "group", "Drawing of floor 1").waitFor();
    await page.keyboard.press("ArrowLeft");
    await byName(page, "group", "Drawing of floor 0").waitFor();

    // Arrow keys move the focused point about 4 screen pixels a press,
    // Shift+arrow about 40.
    const g = await geometry(page);
    await byName(page, "button", "hall").focus();
    for (const key of ["ArrowRight", "ArrowRight", "ArrowRight", "Shift+ArrowDown"])
      await page.keyboard.press(key);
    await until(() => pointLine(dir, "hall").y !== at.y, "moved by keys");
    const moved = await pointAt(page, dir, "hall", pointLine(dir, "hall"));
    const right = ((moved.x - at.x) * g.scale) / 3,
      down = (moved.y - at.y) * g.scale;
    assert.ok(Math.abs(right - 4) <= 1 && Math.abs(down - 40) <= 1, `moved ${right}, ${down}`);

    // Names the plan cannot hold: refused beside the field, the plan file as it was.
    await named(page, dir, "kitchen", 300, 60);
    const before = planOf(dir),
      field = byName(page, "textbox", "Name");
    const beside = () =>
      field.evaluate((f) => {
        const m = document.getElementById(f.getAttribute("aria-describedby"));
        return m && m.checkVisibility() ? m.textContent : "";
      });
    for (const [bad, says] of [
      ["my kitchen", /blank/],
      ["kitchen#2", /#/],
      ["hall", /hall/],
    ]) {
      await field.fill(bad);
      await field.press("Enter");
      await until(async () => says.test(await beside()), `"${bad}" refused: ${await beside()}`);
      assert.equal(await field.getAttribute("aria-invalid"), "true", bad);
      assert.equal(planOf(dir), before, `the plan after "${bad}"`);
    }
    await field.fill("kitchen");
    await field.press("Enter");
    await until(async () => (await beside()) === "", "the message goes with a good name");

    // From the keyboard, Add point places the point mid-drawing at once.
    await byName(page, "button", "Add point").press("Enter");
    await until(
      () => hasLine(dir, "point point floor 0 at 400 300"),
      "a point added by the keyboard",
    );
    await settled(page);
    await until(
      async () => (await page.evaluate(() => document.activeElement.id)) === "point-name",
      "at its name",
    );

    // A 360 degree photograph dropped on a point fills it: one pano line.
    const sent = [];
    page.on("request", (r) => {
      if (r.url().endsWith("/api/edit")) sent.push(JSON.parse(r.postData()).edits);
    });
    await photoOf(page, "round.png").dragTo(byName(page, "button", "kitchen"));
    await until(() => hasLine(dir, "pano kitchen round.png"), "a 360 degree photograph on a point");
    assert.deepEqual(sent, [[{ op: "pano", point: "kitchen", file: "round.png", north: null }]]);
    await settled(page);
    await byName(page, "button", "kitchen").click();
    await until(
      () => page.locator("#pano-text", { hasText: "360° photograph: round.png" }).isVisible(),
      "the point's panel names its 360 degree photograph",
    );
    assert.deepEqual(errors, []);
  } finally {
    await close();
    await ed.stop();
  }
});

// The walk: floor 0 on a drawing twice the sheet's size, floor 1 on the
// plain sheet, every change a click, a drop, a drag or a choice.
test("a two-floor tour from a folder of photographs by clicks, drops and choices, then Make tour: tourcheck passes it and tourweb's page walks it", async () => {
  const dir = folder("walk", [
    ["hallN.png", [200, 40, 40]],
    ["hallE.png", [40, 200, 40]],
    ["hallS.png", [120, 40, 40]],
    ["hallW.png", [40, 120, 40]],
    ["kitN.png", [40, 40, 120]],
    ["kitS.png", [40, 40, 200]],
    ["landE.png", [200, 200, 40]],
    ["landW.png", [40, 200, 200]],
    ["bedE.png", [120, 40, 120]],
    ["bedW.png", [200, 40, 200]],
    ["ground.png", [235, 230, 220], 1600, 1000],
  ]);
  const choose = async (heading, file) => {
    await byName(page, "combobox", `Photograph facing ${heading}`).selectOption(file);
    await until(
      () => new RegExp(`^photo \\S+ ${heading} ${file}$`, "m").test(planOf(dir)),
      `${file}:\n${planOf(dir)}`,
    );
  };
  const ed = await editor(dir);
  const { page, errors, close } = await open(ed.url);
  try {
    await byName(page, "combobox", "Drawing").selectOption("ground.png");
    await until(() => hasLine(dir, "map ground.png floor 0"), "floor 0's drawing");
    await until(
      async () =>
        (await byName(page, "group", "Drawing of floor 0").getAttribute("viewBox")) ===
        "0 0 1600 1000",
      "the drawing's own pixels",
    );

    // Floor 0: hall, its photographs dropped on its rose; kitchen, on its row.
    await named(page, dir, "hall", 600, 600);
    await photoOf(page, "hallN.png").dragTo(petalOf(page, "hall", "N"));
    await photoOf(page, "hallE.png").dragTo(petalOf(page, "hall", "E"));
    await until(
      () => hasLine(dir, "photo hall N hallN.png") && hasLine(dir, "photo hall E hallE.png"),
      "dropped on the rose",
    );
    await choose("S", "hallS.png");
    await choose("W", "hallW.png");
    await named(page, dir, "kitchen", 600, 200);
    await photoOf(page, "kitS.png").dragTo(byName(page, "group", "Heading S"));
    await until(() => hasLine(dir, "photo kitchen S kitS.png"), "dropped on a heading's row");
    await choose("N", "kitN.png");
    // kitchen stands in hall's view to the north: the walk is suggested, and taken.
    await page.getByRole("button", { name: "Walk from hall facing N to kitchen" }).click();
    await until(() => hasLine(dir, "walk hall N kitchen"), "the suggestion taken");

    // Floor 1: landing, its photographs chosen; bedroom; a walk drawn from the rose.
    await byName(page, "button", "Add floor").click();
    assert.equal(await byName(page, "tab", "Floor 1").getAttribute("aria-selected"), "true");
    await byName(page, "group", "Drawing of floor 1").waitFor();
    await named(page, dir, "landing", 300, 300, 1);
    await choose("W", "landW.png");
    await choose("E", "landE.png");
    await named(page, dir, "bedroom", 500, 300, 1);
    await photoOf(page, "bedW.png").dragTo(petalOf(page, "bedroom", "W"));
    await until(() => hasLine(dir, "photo bedroom W bedW.png"), "bedroom W");
    await choose("E", "bedE.png");
    await settled(page);
    await drag(
      page,
      await centre(petalOf(page, "landing", "E")),
      await centre(byName(page, "button", "bedroom")),
    );
    await until(() => hasLine(dir, "walk landing E bedroom"), "a walk drawn from the rose");
    const east = byName(page, "group", "Heading E");
    await byName(east, "checkbox", "One way").check();
    await until(() => hasLine(dir, "walk landing E bedroom oneway"), "one way");
    await byName(east, "checkbox", "One way").uncheck();
    await until(() => hasLine(dir, "walk landing E bedroom"), "both ways again");

    // The bedroom dragged; on floor 0's drawing, the kitchen too.
    let g = await geometry(page, 1);
    let from = await centre(byName(page, "button", "bedroom"));
    await drag(page, from, { x: from.x + 40, y: from.y + 20 });
    await pointAt(page, dir, "bedroom", g.drawing(from.x + 40, from.y + 20), 1);
    await byName(page, "tab", "Floor 0").click();
    g = await geometry(page, 0);
    from = await centre(byName(page, "button", "kitchen"));
    await drag(page, from, { x: from.x - 30, y: from.y + 10 });
    await pointAt(page, dir, "kitchen", g.drawing(from.x - 30, from.y + 10), 0);

    // hall's stairs up to the landing, chosen; never one way.
    await byName(page, "button", "hall").click();
    await byName(east, "combobox", "Walk facing E to").selectOption("landing");
    await until(() => hasLine(dir, "stairs hall E landing"), "stairs");
    await settled(page);
    assert.equal(
      await byName(east, "checkbox", "One way").isVisible(),
      false,
      "no one way for stairs",
    );

    // The tour's settings, and no problem left.
    await byName(page, "textbox", "Title").fill("Our house");
    await byName(page, "textbox", "Title").press("Enter");
    await byName(page, "combobox", "Framing").selectOption("fit");
    await byName(page, "combobox", "Start").selectOption({ label: "hall facing N" });
    await until(
      () =>
        hasLine(dir, 'title "Our house"') &&
        hasLine(dir, "photos fit") &&
        hasLine(dir, "start hall N"),
      "title, framing and start",
    );
    await settled(page);
    assert.deepEqual(await page.locator("#problems li").allTextContents(), []);
    await page.getByText("None: tourmake would make this tour.").waitFor();

    // The preview opens at the selected point and heading.
    await petalOf(page, "kitchen", "S").click();
    const preview = page.frameLocator("#preview");
    await until(async () => {
      const src = await page.locator("#preview").getAttribute("src");
      return src && src.endsWith("#kitchen-S");
    }, "the preview at kitchen facing S");
    await preview.locator(".tw-photo").waitFor();

    // Make tour, a tour tourcheck passes; made again, once the page has asked.
    const out = path.join(dir, "tour");
    await byName(page, "button", "Make tour").click();
    await page.getByRole("link", { name: "Open the tour" }).waitFor({ timeout: 30000 });
    execFileSync(process.env.TOURCHECK, [out], { stdio: "pipe" });
    await byName(page, "button", "Make tour").click();
    await page.getByRole("dialog", { name: "Replace the tour?" }).waitFor();
    await page.getByRole("button", { name: "Replace" }).click();
    await page.getByRole("link", { name: "Open the tour" }).waitFor({ timeout: 30000 });
    await byName(page, "button", "Single file").click();
    await page.getByRole("link", { name: "Open the single file" }).waitFor({ timeout: 30000 });
    assert.ok(fs.statSync(out + ".html").size > 0, "the single file");
    assert.deepEqual(errors, []);

    // tourweb's page in OUTDIR walks: forward to the kitchen, round, and back.
    const tour = await open(pathToFileURL(path.join(out, "index.html")).href, (p) =>
      p.waitForFunction(() => location.hash === "#S001"),
    );
    for (const [key, id] of [
      ["ArrowUp", "kitchen-N"],
      ["ArrowRight", "kitchen-S"],
      ["ArrowUp", "hall-S"],
    ]) {
      await tour.page.keyboard.press(key);
      await tour.page.waitForFunction((hash) => location.hash === hash, `#${id}`);
    }
    assert.deepEqual(tour.errors, []);
    await tour.close();
  } finally {
    await close();
    await ed.stop();
  }
});

test("another program's change, a new photograph too, shows within two seconds, names as text; the plan's text with its problems by line; a change against an older plan is refused and said", async () => {
  const dir = folder("other", [["a.png", [90, 90, 90]]]);
  // Names are shown as text, never as markup.
  const point = "<i>a",
    hostile = "<img src=x onerror=alert(1)>.png";
  const plan = (title, file) =>
    `title "${title}"\npoint ${point} floor 0 at 100 100\nphoto ${point} N ${file}\n`;
  fs.writeFileSync(path.join(dir, "plan.txt"), plan("First", "a.png"));
  const ed = await editor(dir);
  const one = await open(ed.url),
    two = await open(ed.url);
  try {
    const title = byName(one.page, "textbox", "Title");
    assert.equal(await title.inputValue(), "First");
    fs.writeFileSync(path.join(dir, "plan.txt"), plan("Second", "b.png"));
    await until(
      async () => (await title.inputValue()) === "Second",
      "the text editor's title",
      2500,
    );
    folder("other", [
      ["b.png", [30, 90, 90]],
      [hostile, [90, 30, 90]],
    ]);
    await photoOf(one.page, "b.png").waitFor({ timeout: 2500 });
    await photoOf(one.page, hostile).waitFor();
    await byName(one.page, "button", point).waitFor();
    assert.equal(await one.page.locator('img[src="x"], i').count(), 0, "no markup from names");

    // The text, with a problem on line 3, mended in the text area.
    await one.page.getByRole("button", { name: "Plan text" }).click();
    const text = byName(one.page, "textbox", "Plan");
    fs.writeFileSync(path.join(dir, "plan.txt"), plan("Second", "missing.png"));
    await until(
      async () => (await text.inputValue()).includes("missing.png"),
      "the new text",
      2500,
    );
    const byLine = one.page.getByRole("list", { name: "Problems by line" }).getByRole("listitem");
    await until(async () => /^Line 3: error: /.test(await byLine.first().textContent()), "by line");
    assert.equal(await one.page.locator("#plan-gutter span").nth(2).getAttribute("class"), "error");
    assert.match(
      await one.page.locator("#problems li").first().textContent(),
      /plan\.txt:3: error: /,
    );
    await text.fill(plan("Second", "b.png"));
    await text.blur();
    await until(() => planOf(dir) === plan("Second", "b.png"), "the text saved");
    await until(async () => (await byLine.count()) === 0, "no problem left");

    // Page two changes the plan while page one is held back from polling;
    // page one's change then meets the newer plan.
    await one.page.evaluate(() => {
      window.TourEdit.held++;
    });
    const other = byName(two.page, "textbox", "Title"),
      onDisk = crypto.createHash("sha256").update(planOf(dir)).digest("hex");
    await until(
      async () => (await two.page.evaluate(() => window.TourEdit.state.version)) === onDisk,
      "page two has the plan on disk",
    );
    await other.fill("From two");
    await other.press("Enter");
    await until(() => hasLine(dir, 'title "From two"'), "page two's title");
    await title.fill("From one");
    await title.press("Enter");
    await one.page.getByRole("alert").filter({ hasText: "changed elsewhere" }).waitFor();
    await until(
      async () => (await title.inputValue()) === "From two",
      "page one shows the newer plan",
    );
    assert.ok(hasLine(dir, 'title "From two"'), "page two's change kept");
    assert.deepEqual([...one.errors, ...two.errors], []);
  } finally {
    await one.close();
    await two.close();
    await ed.stop();
  }
});
