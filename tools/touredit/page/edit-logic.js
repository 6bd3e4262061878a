// The editor's logic that needs no browser: headings on the drawing, the
// rose, which points a heading sees, screen to drawing pixels, and the edits
// that the author's actions send. Node's tests load it through module.exports.
(function () {
  "use strict";

  // Clockwise from north, 45 degrees apart, as the plan names them.
  var HEADINGS = ["N", "NE", "E", "SE", "S", "SW", "W", "NW"];
  var VIEW = 90; // the degrees a photograph is taken to see
  var SHEET = { width: 800, height: 600, margin: 80 }; // a floor without a drawing

  function headingIndex(name) {
    return HEADINGS.indexOf(name);
  }

  // The unit vector of heading h on the drawing: north is up (-y), east is
  // right (+x), h at h*45 degrees clockwise from up.
  function headingVector(h) {
    var a = (h * 45 * Math.PI) / 180;
    return [round6(Math.sin(a)), round6(-Math.cos(a))];
  }

  function round6(v) {
    return Math.round(v * 1e6) / 1e6 + 0; // + 0 turns -0 into 0
  }

  // Degrees clockwise from up of the direction (dx, dy), in [0, 360).
  function bearing(dx, dy) {
    var deg = (Math.atan2(dx, -dy) * 180) / Math.PI;
    return deg < 0 ? deg + 360 : deg;
  }

  // Whether `to` lies within the view of `from` facing heading h: on the same
  // floor, elsewhere than `from`, at most 45 degrees either side of h
  // (the edge included, as the editor's suggestions count it).
  function inView(from, h, to) {
    if (from.floor !== to.floor) return false;
    var dx = to.x - from.x,
      dy = to.y - from.y;
    if (dx === 0 && dy === 0) return false;
    var off = Math.abs(bearing(dx, dy) - h * 45) % 360;
    if (off > 180) off = 360 - off;
    return off <= VIEW / 2 + 1e-9;
  }

  // The names of the points that `from` facing h sees, nearest first.
  function pointsInView(points, from, h) {
    var seen = [];
    for (var i = 0; i < points.length; i++)
      if (points[i].name !== from.name && inView(from, h, points[i]))
        seen.push({
          name: points[i].name,
          d: Math.hypot(points[i].x - from.x, points[i].y - from.y),
        });
    seen.sort(function (a, b) {
      return a.d - b.d;
    });
    return seen.map(function (s) {
      return s.name;
    });
  }

  // The rose's petal for heading h around a point at the origin, as an SVG
  // path: a wedge from radius `inner` to `outer`, a little narrower than 45
  // degrees so that neighbours stay apart.
  function petalPath(h, inner, outer) {
    var half = 19;
    var a0 = h * 45 - half,
      a1 = h * 45 + half;
    var p = function (r, deg) {
      var a = (deg * Math.PI) / 180;
      return fmt(r * Math.sin(a)) + " " + fmt(-r * Math.cos(a));
    };
    return (
      "M" +
      p(inner, a0) +
      "L" +
      p(outer, a0) +
      "A" +
      outer +
      " " +
      outer +
      " 0 0 1 " +
      p(outer, a1) +
      "L" +
      p(inner, a1) +
      "A" +
      inner +
      " " +
      inner +
      " 0 0 0 " +
      p(inner, a0) +
      "Z"
    );
  }

  function fmt(v) {
    return String(round6(Math.round(v * 100) / 100));
  }

  // The size of floor f's drawing, or of the plain sheet that stands in for
  // one: large enough for the floor's points with a margin.
  function drawingSize(state, f) {
    var floor = floorOf(state, f);
    if (floor && floor.drawing) return { width: floor.drawing.width, height: floor.drawing.height };
    var w = SHEET.width,
      h = SHEET.height;
    for (var i = 0; i < state.points.length; i++) {
      var p = state.points[i];
      if (p.floor !== f) continue;
      w = Math.max(w, Math.ceil(p.x + SHEET.margin));
      h = Math.max(h, Math.ceil(p.y + SHEET.margin));
    }
    return { width: w, height: h };
  }

  function floorOf(state, f) {
    for (var i = 0; i < state.floors.length; i++)
      if (state.floors[i].floor === f) return state.floors[i];
    return null;
  }

  // Where the drawing (width by height, fitted whole and centred as
  // preserveAspectRatio="xMidYMid meet" does) lies in a box of the screen:
  // its scale (screen pixels a drawing pixel) and offset.
  function fit(box, width, height) {
    var scale = Math.min(box.width / width, box.height / height);
    return {
      scale: scale,
      x: box.left + (box.width - width * scale) / 2,
      y: box.top + (box.height - height * scale) / 2,
    };
  }

  // The drawing pixel under screen point (sx, sy), whole, kept on the drawing.
  function toDrawing(box, width, height, sx, sy) {
    var f = fit(box, width, height);
    return {
      x: clamp(Math.round((sx - f.x) / f.scale), 0, width),
      y: clamp(Math.round((sy - f.y) / f.scale), 0, height),
    };
  }

  function clamp(v, lo, hi) {
    return Math.min(hi, Math.max(lo, v));
  }

  // The drawing pixels an arrow key moves a point: about 4 screen pixels a
  // press, 40 with Shift, never less than one drawing pixel.
  function keyStep(key, shift, scale) {
    var dirs = { ArrowUp: [0, -1], ArrowDown: [0, 1], ArrowLeft: [-1, 0], ArrowRight: [1, 0] };
    if (!dirs[key]) return null;
    var n = Math.max(1, Math.round((shift ? 40 : 4) / scale));
    return [dirs[key][0] * n, dirs[key][1] * n];
  }

  // The first of name, name2, name3 ... that no point has.
  function freeName(points, base) {
    var taken = {};
    for (var i = 0; i < points.length; i++) taken[points[i].name] = true;
    for (var n = 1; ; n++) {
      var name = n === 1 ? base : base + n;
      if (!taken[name]) return name;
    }
  }

  // The entry of `list` named `name`, or null.
  function named(list, name) {
    for (var i = 0; i < list.length; i++) if (list[i].name === name) return list[i];
    return null;
  }

  function pointNamed(state, name) {
    return named(state.points, name);
  }

  function fileNamed(state, name) {
    return named(state.files, name);
  }

  // The edits a photograph dropped on a target sends: onto a heading, that
  // heading's photograph; onto the point itself, a 360 degree photograph
  // fills the point. Null when the drop means nothing.
  function dropEdits(state, file, target) {
    var photo = fileNamed(state, file);
    var point = target && pointNamed(state, target.point);
    if (!photo || !point) return null;
    if (target.heading)
      return [{ op: "photo", point: point.name, heading: target.heading, file: file }];
    if (photo.pano) {
      var north = point.pano && point.pano.file === file ? point.pano.north : null;
      return [{ op: "pano", point: point.name, file: file, north: north }];
    }
    return null;
  }

  // The edits that give `point` facing `heading` the photograph `file`, or
  // take it away (null) with what stands on it: the walk or stairs leaving
  // there and the start.
  function photoEdits(state, point, heading, file) {
    var p = pointNamed(state, point);
    if (!p || (p.photos[heading] || null) === file) return null;
    var edits = [{ op: "photo", point: point, heading: heading, file: file }];
    if (file === null) {
      if (linkFrom(state, point, heading))
        edits.unshift({ op: "walk", point: point, heading: heading, to: null, oneway: false });
      if (state.start && state.start.point === point && state.start.heading === heading)
        edits.unshift({ op: "start", point: null });
    }
    return edits;
  }

  // The walk or stairs leaving `from` facing `heading`, or null.
  function linkFrom(state, from, heading) {
    for (var i = 0; i < state.links.length; i++) {
      var l = state.links[i];
      if (l.from === from && l.heading === heading) return l;
    }
    return null;
  }

  // The way on from `point` facing `heading` in the tour: its own walk or
  // stairs, else ({back: true}) the way back of another point's walk both
  // ways to it, or the way down of stairs up to it; null when there is none.
  function wayFrom(state, point, heading) {
    var own = linkFrom(state, point, heading);
    if (own) return { to: own.to, oneway: own.oneway, stairs: own.stairs, back: false, link: own };
    var behind = HEADINGS[(headingIndex(heading) + 4) % 8];
    for (var i = 0; i < state.links.length; i++) {
      var l = state.links[i];
      if (l.to === point && l.heading === behind && (l.stairs || !l.oneway))
        return { to: l.from, oneway: false, stairs: l.stairs, back: true, link: l };
    }
    return null;
  }

  // The edits a walk drawn, chosen or suggested from `from` facing `heading`
  // to `to` sends; null when it would change nothing or cannot be. Taking
  // away a way back makes the other point's walk one way, or removes the
  // stairs up to this point.
  function walkEdits(state, from, heading, to, oneway) {
    var a = pointNamed(state, from),
      b = to === null ? null : pointNamed(state, to);
    if (!a || (to !== null && (!b || b === a)) || !a.photos[heading]) return null;
    var old = wayFrom(state, from, heading);
    var stairs = b !== null && b.floor !== a.floor;
    if (stairs) oneway = false;
    if (!old)
      return to === null
        ? null
        : [{ op: "walk", point: from, heading: heading, to: to, oneway: oneway }];
    if (old.to === to && (old.back || old.oneway === oneway)) return null;
    if (old.back && to === null) {
      var l = old.link;
      return [
        {
          op: "walk",
          point: l.from,
          heading: l.heading,
          to: l.stairs ? null : from,
          oneway: !l.stairs,
        },
      ];
    }
    return [{ op: "walk", point: from, heading: heading, to: to, oneway: oneway }];
  }

  // "up" or "down" for stairs from floor a to floor b, or null for a walk.
  function stairsWay(a, b) {
    return b > a ? "up" : b < a ? "down" : null;
  }

  // The floors to offer as tabs: those of the plan and those added here, in
  // order, floor 0 always.
  function floorList(state, added) {
    var seen = { 0: true };
    var list = [0];
    var add = function (f) {
      if (!seen[f]) {
        seen[f] = true;
        list.push(f);
      }
    };
    state.floors.forEach(function (f) {
      add(f.floor);
    });
    state.points.forEach(function (p) {
      add(p.floor);
    });
    added.forEach(add);
    return list.sort(function (a, b) {
      return a - b;
    });
  }

  function nextFloor(floors) {
    return Math.max.apply(null, floors) + 1;
  }

  // The problems of a point (heading null: the point's own; "*": all of the
  // point's, headings included) or of one of its headings.
  function problemsOf(problems, point, heading) {
    return problems.filter(function (p) {
      return p.point === point && (heading === "*" || (p.heading || null) === heading);
    });
  }

  // Line number -> "error" or "warning", the worse of its problems.
  function problemLines(problems) {
    var lines = {};
    problems.forEach(function (p) {
      if (p.line > 0 && lines[p.line] !== "error") lines[p.line] = p.severity;
    });
    return lines;
  }

  // What "Start" offers: every photographed heading, "POINT facing H".
  function startChoices(state) {
    var out = [];
    state.points.forEach(function (p) {
      HEADINGS.forEach(function (h) {
        if (p.photos[h]) out.push({ point: p.name, heading: h, label: p.name + " facing " + h });
      });
    });
    return out;
  }

  var logic = {
    HEADINGS: HEADINGS,
    SHEET: SHEET,
    headingIndex: headingIndex,
    headingVector: headingVector,
    bearing: bearing,
    inView: inView,
    pointsInView: pointsInView,
    petalPath: petalPath,
    drawingSize: drawingSize,
    floorOf: floorOf,
    fit: fit,
    toDrawing: toDrawing,
    keyStep: keyStep,
    freeName: freeName,
    pointNamed: pointNamed,
    fileNamed: fileNamed,
    dropEdits: dropEdits,
    photoEdits: photoEdits,
    linkFrom: linkFrom,
    wayFrom: wayFrom,
    walkEdits: walkEdits,
    stairsWay: stairsWay,
    floorList: floorList,
    nextFloor: nextFloor,
    problemsOf: problemsOf,
    problemLines: problemLines,
    startChoices: startChoices,
  };
  if (typeof module !== "undefined") module.exports = logic;
  else window.TourEditLogic = logic;
})();
