// touredit's page in Debian's Chromium, against the real touredit on a
// folder of photographs: the accessible names, a tour's points, names,
// photographs and walks made by clicks, keys, drops and choices, each read
// back from the plan file; other programs' changes and conflicts.
"use strict";
const test = require("node:test");
const assert = require("node:assert/strict");
const fs = require("node:fs");
const os = require("node:os");
const path = require("node:path");
const { spawn } = require("node:child_process");
const { need, launch } = require("../../web/browser.js");
const L = require("../../../tools/touredit/page/edit-logic.js");
const { PNG } = need("pngjs");

const HEADINGS = L.HEADINGS;
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
  fs.mkdirSync(dir);
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

// A page on the editor that records page errors and CSP refusals.
async function open(url) {
  const context = await browser.newContext({ viewport: { width: 1366, height: 768 } });
  context.setDefaultTimeout(8000);
  const page = await context.newPage();
  const errors = [];
  page.on("pageerror", (e) => errors.push(e.message));
  page.on("console", (m) => {
    if (/Content.Security.Policy|Refused to/i.test(m.text())) errors.push(m.text());
  });
  await page.goto(url);
  await page.getByRole("tab", { name: "Floor 0", exact: true }).waitFor();
  return { page, errors, close: () => context.close() };
}

async function until(ok, what, timeout = 5000) {
  for (const end = Date.now() + timeout; !(await ok()); await new Promise((r) => setTimeout(r, 50)))
    if (Date.now() > end) assert.fail(`timed out: ${what}`);
}

const planOf = (dir) => fs.readFileSync(path.join(dir, "plan.txt"), "utf8");
const hasLine = (dir, line) =>
  fs.existsSync(path.join(dir, "plan.txt")) && planOf(dir).split("\n").includes(line);
const byName = (page, role, name) => page.getByRole(role, { name, exact: true });

// The drawing pixel shown at a screen point, and the screen point of a
// drawing pixel, on a floor without a drawing.
async function geometry(page, floor = 0) {
  const box = await byName(page, "group", `Drawing of floor ${floor}`).evaluate((svg) => {
    const r = svg.getBoundingClientRect();
    return {
      left: r.left,
      top: r.top,
      width: r.width,
      height: r.height,
      view: svg.getAttribute("viewBox"),
    };
  });
  const [, , w, h] = box.view.split(" ").map(Number);
  const f = L.fit(box, w, h);
  return {
    scale: f.scale,
    screen: (x, y) => ({ x: Math.round(f.x + x * f.scale), y: Math.round(f.y + y * f.scale) }),
    drawing: (sx, sy) => L.toDrawing(box, w, h, sx, sy),
  };
}

async function addPoint(page, dir, x, y, floor = 0) {
  await byName(page, "button", "Add point").click();
  const g = await geometry(page, floor);
  const at = g.screen(x, y),
    want = g.drawing(at.x, at.y);
  await page.mouse.click(at.x, at.y);
  return want;
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

async function named(page, dir, name, x, y, floor = 0) {
  const at = await addPoint(page, dir, x, y, floor);
  const field = byName(page, "textbox", "Name");
  await until(async () => (await field.inputValue()).startsWith("point"), "the new point's panel");
  await field.fill(name);
  await field.press("Enter");
  await until(() => planOf(dir).includes(`point ${name} floor `), `point ${name}`);
  await settled(page);
  return at;
}

test("the names; points placed by click and key, moved by keys, named; names refused beside the field, the plan untouched", async () => {
  const dir = folder("names", [
    ["hallN.png", [200, 40, 40]],
    ["round.png", [150, 150, 60], 1024, 512],
  ]);
  const ed = await editor(dir);
  const { page, errors, close } = await open(ed.url);
  try {
    for (const [role, name] of [
      ["list", "Photographs"],
      ["button", "Add floor"],
      ["button", "Add point"],
      ["tab", "Floor 0"],
      ["group", "Drawing of floor 0"],
      ["textbox", "Title"],
      ["combobox", "Start"],
      ["combobox", "Framing"],
      ["button", "Make tour"],
      ["button", "Single file"],
    ])
      await byName(page, role, name).waitFor();
    await page.getByText("Plan text").click();
    await byName(page, "textbox", "Plan").waitFor();
    for (const file of ["hallN.png", "round.png"]) await photoOf(page, file).waitFor();

    // A click places a point and opens its panel at its name.
    const at = await addPoint(page, dir, 300, 200);
    await until(() => hasLine(dir, `point point floor 0 at ${at.x} ${at.y}`), "the point's line");
    const name = byName(page, "textbox", "Name");
    await until(
      async () =>
        (await name.inputValue()) === "point" &&
        (await page.evaluate(() => document.activeElement.id)) === "point-name",
      "its panel, at its name",
    );
    for (const h of HEADINGS) await byName(page, "combobox", `Photograph facing ${h}`).waitFor();
    await byName(page, "button", "Delete point").waitFor();
    await name.fill("hall");
    await name.press("Enter");
    await until(() => hasLine(dir, `point hall floor 0 at ${at.x} ${at.y}`), "renamed");
    await page.locator("#status", { hasText: "Saved" }).waitFor();
    await byName(page, "combobox", "Photograph facing N").selectOption("hallN.png");
    const heading = byName(page, "group", "Heading N");
    await byName(heading, "combobox", "Walk facing N to").waitFor();
    await byName(heading, "checkbox", "One way").waitFor();

    // Arrow keys move the focused point, Shift further.
    const g = await geometry(page);
    await byName(page, "button", "hall").focus();
    for (const key of ["ArrowRight", "ArrowRight", "ArrowRight", "Shift+ArrowDown"])
      await page.keyboard.press(key);
    const right = L.keyStep("ArrowRight", false, g.scale)[0],
      down = L.keyStep("ArrowDown", true, g.scale)[1];
    await until(
      () => hasLine(dir, `point hall floor 0 at ${at.x + 3 * right} ${at.y + down}`),
      "moved by keys",
    );

    // Names the plan cannot hold: refused beside the field, the plan file as it was.
    await named(page, dir, "kitchen", 300, 60);
    const before = planOf(dir),
      field = byName(page, "textbox", "Name"),
      message = page.locator("#name-error");
    for (const bad of ["my kitchen", "kitchen#2", "hall"]) {
      await field.fill(bad);
      await field.press("Enter");
      await until(
        async () => (await message.isVisible()) && (await message.textContent()).length > 0,
        `"${bad}" refused`,
      );
      assert.equal(await field.getAttribute("aria-invalid"), "true", bad);
      assert.equal(planOf(dir), before, `the plan after "${bad}"`);
    }
    await field.fill("kitchen");
    await field.press("Enter");
    await until(async () => !(await message.isVisible()), "the message goes with a good name");

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

    // Until tourmake reads 360 degree photographs touredit refuses them, and the page says why.
    const sent = [],
      unchanged = planOf(dir);
    page.on("request", (r) => {
      if (r.url().endsWith("/api/edit")) sent.push(JSON.parse(r.postData()).edits);
    });
    await photoOf(page, "round.png").dragTo(byName(page, "button", "kitchen"));
    await until(
      () =>
        /^pano kitchen round\.png/m.test(planOf(dir)) ||
        page.locator("#status", { hasText: "Not saved: " }).isVisible(),
      "a 360 degree photograph on a point",
    );
    assert.deepEqual(sent, [[{ op: "pano", point: "kitchen", file: "round.png", north: null }]]);
    if (!/^pano /m.test(planOf(dir))) assert.equal(planOf(dir), unchanged);
    assert.deepEqual(errors, []);
  } finally {
    await close();
    await ed.stop();
  }
});

test("a two-floor tour from a folder of photographs, by clicks, drops, drags and choices", async () => {
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
    // Floor 0: hall, its photographs dropped on its rose; kitchen, on its row.
    await named(page, dir, "hall", 300, 300);
    await photoOf(page, "hallN.png").dragTo(petalOf(page, "hall", "N"));
    await photoOf(page, "hallE.png").dragTo(petalOf(page, "hall", "E"));
    await until(
      () => hasLine(dir, "photo hall N hallN.png") && hasLine(dir, "photo hall E hallE.png"),
      "dropped on the rose",
    );
    await choose("S", "hallS.png");
    await choose("W", "hallW.png");
    await named(page, dir, "kitchen", 300, 100);
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
    assert.ok(planOf(dir).includes("point landing floor 1 at "));
    await byName(page, "combobox", "Photograph facing W").selectOption("landW.png");
    await byName(page, "combobox", "Photograph facing E").selectOption("landE.png");
    await until(
      () => hasLine(dir, "photo landing E landE.png") && hasLine(dir, "photo landing W landW.png"),
      "chosen",
    );
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

    // The bedroom dragged a little; hall's stairs up to the landing, never one way.
    const g = await geometry(page, 1),
      from = g.screen(500, 300);
    await drag(page, await centre(byName(page, "button", "bedroom")), {
      x: from.x + 40,
      y: from.y + 20,
    });
    const to = g.drawing(from.x + 40, from.y + 20);
    await until(() => hasLine(dir, `point bedroom floor 1 at ${to.x} ${to.y}`), "dragged");
    await settled(page);
    await byName(page, "tab", "Floor 0").click();
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
    assert.deepEqual(errors, []);
  } finally {
    await close();
    await ed.stop();
  }
});

test("another program's change shows within two seconds; a change against an older plan is refused and said", async () => {
  const dir = folder("other", [["a.png", [90, 90, 90]]]);
  fs.writeFileSync(
    path.join(dir, "plan.txt"),
    'title "First"\npoint a floor 0 at 100 100\nphoto a N a.png\n',
  );
  const ed = await editor(dir);
  const one = await open(ed.url),
    two = await open(ed.url);
  try {
    const title = byName(one.page, "textbox", "Title");
    assert.equal(await title.inputValue(), "First");
    fs.writeFileSync(
      path.join(dir, "plan.txt"),
      'title "Second"\npoint a floor 0 at 100 100\nphoto a N a.png\n',
    );
    await until(
      async () => (await title.inputValue()) === "Second",
      "the text editor's title",
      2500,
    );

    // Page two changes the plan while page one is held back from polling;
    // page one's change then meets the newer plan.
    await one.page.evaluate(() => {
      window.TourEdit.held++;
    });
    await byName(two.page, "textbox", "Title").waitFor();
    await until(
      async () => (await byName(two.page, "textbox", "Title").inputValue()) === "Second",
      "page two",
    );
    await byName(two.page, "textbox", "Title").fill("From two");
    await byName(two.page, "textbox", "Title").press("Enter");
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
