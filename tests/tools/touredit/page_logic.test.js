// The editor page's logic without a browser: headings on the drawing, the
// view table shared with the editor's suggestions, screen to drawing pixels,
// and the edits that the author's actions send.
"use strict";
const test = require("node:test");
const assert = require("node:assert/strict");
const fs = require("node:fs");
const path = require("node:path");
const L = require("../../../tools/touredit/page/edit-logic.js");

const views = JSON.parse(fs.readFileSync(path.join(__dirname, "view_cases.json"), "utf8"));

test("headings: north up, clockwise, y down; the rose's petals point the same way", () => {
  const rows = [
    ["N", [0, -1]],
    ["NE", [0.707107, -0.707107]],
    ["E", [1, 0]],
    ["S", [0, 1]],
    ["W", [-1, 0]],
    ["NW", [-0.707107, -0.707107]],
  ];
  for (const [name, want] of rows) {
    const h = L.headingIndex(name);
    assert.deepEqual(L.headingVector(h), want, name);
    // The petal's outer arc is centred on the heading: its mid-point lies along it.
    const nums = L.petalPath(h, 10, 30)
      .match(/-?[\d.]+/g)
      .map(Number);
    const [x1, y1] = nums.slice(2, 4),
      [x2, y2] = nums.slice(9, 11);
    const mid = [(x1 + x2) / 2, (y1 + y2) / 2],
      len = Math.hypot(...mid);
    assert.ok(
      Math.abs(mid[0] / len - want[0]) < 1e-3 && Math.abs(mid[1] / len - want[1]) < 1e-3,
      `${name} petal at (${mid})`,
    );
  }
});

test("the view table: which headings of a point see another", () => {
  for (const [to, want] of views.cases) {
    const seen = L.HEADINGS.filter((h, i) => L.inView(views.from, i, to));
    assert.deepEqual(seen, want, JSON.stringify(to));
  }
  const points = [views.from, ...views.cases.map(([p], i) => ({ name: "p" + i, ...p }))];
  assert.deepEqual(
    L.pointsInView(points, views.from, L.headingIndex("N")),
    ["p5", "p0", "p4"],
    "nearest first",
  );
});

test("screen to drawing pixels: fitted whole and centred, kept on the drawing", () => {
  const box = { left: 10, top: 20, width: 400, height: 300 };
  const rows = [
    // drawing size, screen point, drawing pixel
    [
      [800, 400],
      [210, 170],
      [400, 200],
    ],
    [
      [800, 400],
      [10, 70],
      [0, 0],
    ],
    [
      [800, 400],
      [410, 270],
      [800, 400],
    ],
    [
      [800, 400],
      [0, 0],
      [0, 0],
    ],
    [
      [800, 400],
      [500, 400],
      [800, 400],
    ],
    [
      [300, 600],
      [210, 170],
      [150, 300],
    ],
    [
      [300, 600],
      [135, 20],
      [0, 0],
    ],
    [
      [100, 75],
      [110, 95],
      [25, 19],
    ],
  ];
  for (const [[w, h], [sx, sy], want] of rows)
    assert.deepEqual(
      L.toDrawing(box, w, h, sx, sy),
      { x: want[0], y: want[1] },
      `${w}x${h} at (${sx}, ${sy})`,
    );
});

test("arrow keys move by a few screen pixels, Shift by more, never by nothing", () => {
  const rows = [
    ["ArrowUp", false, 1, [0, -4]],
    ["ArrowRight", false, 0.5, [8, 0]],
    ["ArrowDown", true, 0.5, [0, 80]],
    ["ArrowLeft", true, 2, [-20, 0]],
    ["ArrowUp", false, 10, [0, -1]],
    ["a", false, 1, null],
    ["Enter", true, 1, null],
  ];
  for (const [key, shift, scale, want] of rows)
    assert.deepEqual(L.keyStep(key, shift, scale), want, `${key} shift=${shift} scale=${scale}`);
});

// hall and kitchen on floor 0, landing on floor 1, cellar on floor -1; hall
// has N, E; kitchen has S; walks hall N kitchen, stairs cellar E landing.
function plan() {
  return {
    version: "v",
    title: "",
    fit: false,
    start: { point: "hall", heading: "E" },
    floors: [
      { floor: 0, drawing: null },
      { floor: 2, drawing: { file: "f2.png", width: 1200, height: 900 } },
    ],
    points: [
      { name: "hall", floor: 0, x: 100, y: 300, photos: { N: "hN.jpg", E: "hE.jpg" }, pano: null },
      { name: "kitchen", floor: 0, x: 100, y: 100, photos: { S: "kS.jpg" }, pano: null },
      { name: "landing", floor: 1, x: 900, y: 700, photos: { W: "lW.jpg" }, pano: null },
      { name: "cellar", floor: -1, x: 50, y: 50, photos: { E: "cE.jpg" }, pano: null },
    ],
    links: [
      { from: "hall", heading: "N", to: "kitchen", stairs: false, oneway: false },
      { from: "cellar", heading: "E", to: "landing", stairs: true, oneway: false },
    ],
    files: [
      { name: "hN.jpg", pano: false, used: [] },
      { name: "room.jpg", pano: true, used: [] },
    ],
    problems: [],
    suggestions: [],
  };
}

test("the edits the author's actions send", () => {
  const s = plan();
  const photo = (point, heading, file) => ({ op: "photo", point, heading, file });
  const walk = (point, heading, to, oneway) => ({ op: "walk", point, heading, to, oneway });
  const rows = [
    ["a photograph chosen", L.photoEdits(s, "hall", "S", "x.jpg"), [photo("hall", "S", "x.jpg")]],
    ["the same photograph again", L.photoEdits(s, "hall", "N", "hN.jpg"), null],
    [
      "a walked photograph taken away, its walk with it",
      L.photoEdits(s, "hall", "N", null),
      [walk("hall", "N", null, false), photo("hall", "N", null)],
    ],
    [
      "the start's photograph taken away",
      L.photoEdits(s, "hall", "E", null),
      [{ op: "start", point: null }, photo("hall", "E", null)],
    ],
    [
      "a walk chosen",
      L.walkEdits(s, "hall", "E", "kitchen", false),
      [walk("hall", "E", "kitchen", false)],
    ],
    [
      "made one way",
      L.walkEdits(s, "hall", "N", "kitchen", true),
      [walk("hall", "N", "kitchen", true)],
    ],
    ["unchanged", L.walkEdits(s, "hall", "N", "kitchen", false), null],
    [
      "stairs are never one way",
      L.walkEdits(s, "hall", "E", "landing", true),
      [walk("hall", "E", "landing", false)],
    ],
    ["taken away", L.walkEdits(s, "hall", "N", null, false), [walk("hall", "N", null, false)]],
    ["nothing to take away", L.walkEdits(s, "hall", "E", null, false), null],
    ["to itself", L.walkEdits(s, "hall", "E", "hall", false), null],
    ["the way back of a walk, chosen again", L.walkEdits(s, "kitchen", "S", "hall", true), null],
    [
      "the way back taken away: the walk made one way",
      L.walkEdits(s, "kitchen", "S", null, false),
      [walk("hall", "N", "kitchen", true)],
    ],
    [
      "the way back replaced by a walk of its own",
      L.walkEdits(s, "kitchen", "S", "landing", true),
      [walk("kitchen", "S", "landing", false)],
    ],
    [
      "the way down taken away: the stairs go",
      L.walkEdits(s, "landing", "W", null, false),
      [walk("cellar", "E", null, false)],
    ],
    [
      "no way back from a one-way walk",
      L.wayFrom({ ...s, links: [{ ...s.links[0], oneway: true }] }, "kitchen", "S"),
      null,
    ],
    ["from an unphotographed heading", L.walkEdits(s, "hall", "W", "kitchen", false), null],
    ["to an unknown point", L.walkEdits(s, "hall", "E", "attic", false), null],
    [
      "dropped on a heading",
      L.dropEdits(s, "hN.jpg", { point: "kitchen", heading: "W" }),
      [photo("kitchen", "W", "hN.jpg")],
    ],
    [
      "360 dropped on a point",
      L.dropEdits(s, "room.jpg", { point: "kitchen", heading: null }),
      [{ op: "pano", point: "kitchen", file: "room.jpg", north: null }],
    ],
    [
      "a plain photograph dropped on a point",
      L.dropEdits(s, "hN.jpg", { point: "kitchen", heading: null }),
      null,
    ],
    ["an unknown file dropped", L.dropEdits(s, "x.jpg", { point: "kitchen", heading: "N" }), null],
  ];
  for (const [what, got, want] of rows) assert.deepEqual(got, want, what);
});

test("floors, the sheet's size, new names and problems by line", () => {
  const s = plan();
  assert.deepEqual(L.floorList(s, [5]), [-1, 0, 1, 2, 5]);
  assert.equal(L.nextFloor(L.floorList(s, [])), 3);
  assert.deepEqual(L.floorList({ floors: [], points: [] }, []), [0], "an empty plan has floor 0");
  assert.deepEqual(L.drawingSize(s, 2), { width: 1200, height: 900 }, "a floor's drawing");
  assert.deepEqual(L.drawingSize(s, 0), { width: 800, height: 600 }, "the plain sheet");
  assert.deepEqual(L.drawingSize(s, 1), { width: 980, height: 780 }, "a sheet grown to its points");
  assert.equal(L.freeName(s.points, "point"), "point");
  assert.equal(L.freeName([...s.points, { name: "point" }, { name: "point2" }], "point"), "point3");
  const problems = [
    { line: 3, severity: "warning", point: "hall", heading: null },
    { line: 3, severity: "error", point: "hall", heading: "N" },
    { line: 3, severity: "warning", point: "hall", heading: "N" },
    { line: 0, severity: "error", point: null, heading: null },
    { line: 7, severity: "warning", point: "kitchen" },
  ];
  assert.deepEqual(L.problemLines(problems), { 3: "error", 7: "warning" });
  assert.deepEqual(L.problemsOf(problems, "hall", null), [problems[0]]);
  assert.deepEqual(L.problemsOf(problems, "hall", "N"), [problems[1], problems[2]]);
  assert.deepEqual(L.problemsOf(problems, "hall", "*"), problems.slice(0, 3));
  assert.deepEqual(
    L.problemsOf(problems, "kitchen", null),
    [problems[4]],
    "a missing heading is none",
  );
});
