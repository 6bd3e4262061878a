// The shared case table through the page's logic, with the format of a tour.js
// that tourweb wrote.
"use strict";
const test = require("node:test");
const assert = require("node:assert/strict");
const fs = require("node:fs");
const path = require("node:path");
const { toursDir, readTour, readLogic } = require("./tour_files.js");

const logic = readLogic();
const cases = JSON.parse(fs.readFileSync(process.env.WALK_CASES, "utf8"));
const tour = readTour(path.join(toursDir(), "walk-out", "tour.js"));
const format = tour.format;
const base = (url) => (url === null ? null : url.split("/").pop());

function target(exits, move) {
  const taken = logic.exitTaken(format, exits, move);
  return taken ? taken.target : null;
}

test("regions", () => {
  for (const [x, y, move] of cases.regions)
    assert.equal(logic.region(format, x, y), move, `(${x}, ${y})`);
});

test("slides: arrows, clicks with their pointer, keys", async (t) => {
  for (const slide of cases.slides) {
    await t.test(slide.name, () => {
      const arrows = logic.arrowsFor(format, slide.exits);
      assert.deepEqual(
        arrows.map((kind) => base(format.sprites[kind.sprite].arrow)),
        slide.arrows,
      );
      for (const [x, y, to, cursor] of slide.clicks) {
        const move = logic.region(format, x, y);
        assert.equal(target(slide.exits, move), to, `click (${x}, ${y})`);
        const sprite = format.sprites[logic.pointerSprite(format, slide.exits, move)];
        assert.equal(base(sprite.cursor), cursor, `pointer at (${x}, ${y})`);
      }
      for (const [key, to] of slide.keys) {
        const move = logic.keyMove(format, key);
        assert.equal(move === null ? null : target(slide.exits, move), to, key);
      }
    });
  }
});

test("swipes turn; taps, short and steep drags do not", () => {
  const rows = [
    [120, 10, "left"],
    [-120, -30, "right"],
    [-48, 0, "right"],
    [47, 0, null],
    [100, 60, null],
    [0, -200, null],
    [0, 0, null],
  ];
  for (const [dx, dy, move] of rows)
    assert.equal(logic.swipeMove(format, dx, dy), move, `(${dx}, ${dy})`);
});

test("fragments name every id of a hostile tour and fall back to the start", () => {
  const hostile = readTour(path.join(toursDir(), "hostile-out", "tour.js"));
  const table = logic.slideTable(hostile);
  assert.equal(table.size, hostile.slides.length);
  for (const slide of hostile.slides) {
    const hash = logic.fragmentOf(slide.id);
    assert.match(hash, /^#[A-Za-z0-9%_.!~*'()-]*$/);
    assert.equal(logic.startSlide(hostile, table, hash), slide, slide.id);
  }
  for (const hash of ["", "#", "#S999", "#%E0%A4%A", "#constructor", "#toString"])
    assert.equal(logic.startSlide(hostile, table, hash).id, "S001", hash);
});
