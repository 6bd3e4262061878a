// The shown floor: its drawing or a sheet with a grid, the points as
// buttons with their roses, the walks as arrows, stairs and suggestions; and
// what the pointer and keys do there (place, move, drop, draw a walk).
(function () {
  "use strict";

  var L = window.TourEditLogic,
    app = window.TourEdit;
  var NS = "http://www.w3.org/2000/svg";
  var R = { pin: 9, inner: 12, outer: 30, head: 9 }; // screen pixels
  var PHOTO = "application/x-touredit-photo";
  var svg,
    fitNow = { scale: 1, size: { width: 800, height: 600 } };
  var moveTimer = null,
    moving = null;

  function el(tag, attrs, parent) {
    var e = document.createElementNS(NS, tag);
    for (var k in attrs) e.setAttribute(k, attrs[k]);
    if (parent) parent.appendChild(e);
    return e;
  }

  function clear(node) {
    while (node.firstChild) node.removeChild(node.firstChild);
  }

  // Drawing pixels a screen pixel, for markers that keep their screen size.
  function unit() {
    return 1 / fitNow.scale;
  }

  function measure() {
    var size = L.drawingSize(app.state, app.ui.floor);
    var box = svg.getBoundingClientRect();
    var f = box.width > 0 && box.height > 0 ? L.fit(box, size.width, size.height) : { scale: 1 };
    fitNow = { scale: f.scale, size: size };
  }

  function render() {
    if (!app.state) return;
    var focused = document.activeElement;
    var focusName =
      focused && focused.classList && focused.classList.contains("pin")
        ? focused.dataset.name
        : null;
    measure();
    var size = fitNow.size,
      f = app.ui.floor;
    svg.setAttribute("viewBox", "0 0 " + size.width + " " + size.height);
    svg.setAttribute("aria-label", "Drawing of floor " + f);
    svg.classList.toggle("placing", app.ui.placing);
    drawGround(f, size);
    drawLinks(f);
    drawSuggestions(f);
    drawPoints(f);
    if (focusName !== null) {
      var pin = pinOf(focusName);
      if (pin) pin.focus();
    }
  }

  function drawGround(f, size) {
    var ground = document.getElementById("ground");
    clear(ground);
    var floor = L.floorOf(app.state, f);
    if (floor && floor.drawing) {
      el("rect", { class: "paper", width: size.width, height: size.height }, ground);
      el(
        "image",
        {
          href: "/api/image/" + encodeURIComponent(floor.drawing.file),
          width: size.width,
          height: size.height,
        },
        ground,
      );
    } else {
      el("rect", { class: "paper", width: size.width, height: size.height }, ground);
      el(
        "rect",
        { class: "sheet", width: size.width, height: size.height, fill: "url(#grid)" },
        ground,
      );
    }
  }

  // An arrow head at (x, y) pointing along (dx, dy), in screen size.
  function head(parent, x, y, dx, dy, cls) {
    var a = (Math.atan2(dy, dx) * 180) / Math.PI;
    el(
      "path",
      {
        d: "M0 0L-" + R.head + " -5L-" + R.head + " 5Z",
        class: cls,
        transform: "translate(" + x + " " + y + ") rotate(" + a + ") scale(" + unit() + ")",
      },
      parent,
    );
  }

  // A line between two points, cut back by the roses so the heads show
  // (less when the points stand close).
  function segment(a, b) {
    var dx = b.x - a.x,
      dy = b.y - a.y,
      d = Math.hypot(dx, dy) || 1;
    var cut = Math.min((R.outer + 2) * unit(), d / 3);
    var ux = dx / d,
      uy = dy / d;
    return {
      x1: a.x + ux * cut,
      y1: a.y + uy * cut,
      x2: b.x - ux * cut,
      y2: b.y - uy * cut,
      ux: ux,
      uy: uy,
    };
  }

  // Empties the group `id` and calls draw(item, a, b, g) for each of `items`
  // whose two ends (from and to) are points of the plan.
  function drawBetween(id, items, draw) {
    var g = document.getElementById(id);
    clear(g);
    items.forEach(function (item) {
      var a = L.pointNamed(app.state, item.from),
        b = L.pointNamed(app.state, item.to);
      if (a && b) draw(item, a, b, g);
    });
  }

  function drawLinks(f) {
    drawBetween("links", app.state.links, function (link, a, b, g) {
      if (!link.stairs && a.floor === f && b.floor === f) {
        var s = segment(a, b);
        el(
          "line",
          {
            x1: s.x1,
            y1: s.y1,
            x2: s.x2,
            y2: s.y2,
            class: "walk" + (link.oneway ? " oneway" : ""),
          },
          g,
        );
        head(g, s.x2, s.y2, s.ux, s.uy, "walk-head");
        if (!link.oneway) head(g, s.x1, s.y1, -s.ux, -s.uy, "walk-head");
      } else if (a.floor === f || b.floor === f) {
        // Stairs: a short arrow out of the point, marked with where it goes.
        var here = a.floor === f ? a : b,
          there = here === a ? b : a;
        var h = here === a ? L.headingIndex(link.heading) : (L.headingIndex(link.heading) + 4) % 8;
        var v = L.headingVector(h),
          u = unit();
        var x1 = here.x + v[0] * R.outer * u,
          y1 = here.y + v[1] * R.outer * u;
        var x2 = here.x + v[0] * (R.outer + 26) * u,
          y2 = here.y + v[1] * (R.outer + 26) * u;
        el("line", { x1: x1, y1: y1, x2: x2, y2: y2, class: "stairs" }, g);
        head(g, x2, y2, v[0], v[1], "stairs-head");
        var label = el(
          "text",
          {
            x: x2 + v[0] * 8 * u,
            y: y2 + v[1] * 8 * u,
            class: "stairs-label",
            "font-size": 12 * u,
            "text-anchor": v[0] > 0.3 ? "start" : v[0] < -0.3 ? "end" : "middle",
            "dominant-baseline": v[1] > 0.3 ? "hanging" : v[1] < -0.3 ? "auto" : "middle",
          },
          g,
        );
        label.textContent =
          (L.stairsWay(here.floor, there.floor) === "up" ? "↑ " : "↓ ") + there.name;
      }
    });
  }

  function drawSuggestions(f) {
    drawBetween("suggested", app.state.suggestions, function (s, a, b, g) {
      if (a.floor !== f || b.floor !== f) return;
      // With a point selected, only its own, lest the floor be crossed by them all.
      if (app.ui.selected !== null && app.ui.selected !== s.from && app.ui.selected !== s.to)
        return;
      var seg = segment(a, b),
        u = unit();
      var take = el("g", { class: "suggestion" }, g);
      el("line", { x1: seg.x1, y1: seg.y1, x2: seg.x2, y2: seg.y2 }, take);
      var mx = (a.x + b.x) / 2,
        my = (a.y + b.y) / 2;
      el("circle", { cx: mx, cy: my, r: 9 * u }, take);
      el(
        "path",
        { d: "M-4 0H4M0 -4V4", transform: "translate(" + mx + " " + my + ") scale(" + u + ")" },
        take,
      );
      el("title", {}, take).textContent =
        "Take the walk from " + s.from + " facing " + s.heading + " to " + s.to;
      take.addEventListener("click", function () {
        app.takeSuggestion(s);
      });
    });
  }

  function drawPoints(f) {
    var g = document.getElementById("points");
    clear(g);
    app.state.points.forEach(function (p) {
      if (p.floor !== f) return;
      var problems = L.problemsOf(app.state.problems, p.name, "*");
      var group = el(
        "g",
        { class: "point" + (p.name === app.ui.selected ? " selected" : ""), transform: place(p) },
        g,
      );
      group.dataset.name = p.name;
      var rose = el("g", { class: "rose", "aria-hidden": "true" }, group);
      if (p.pano) el("circle", { class: "pano-ring", r: R.outer - 2 }, rose);
      L.HEADINGS.forEach(function (h, i) {
        var cls = "petal";
        if (p.photos[h]) cls += " shot";
        if (L.wayFrom(app.state, p.name, h)) cls += " walked";
        if (p.name === app.ui.selected && h === app.ui.heading) cls += " current";
        if (L.problemsOf(app.state.problems, p.name, h).length) cls += " bad";
        var petal = el("path", { class: cls, d: L.petalPath(i, R.inner, R.outer) }, rose);
        petal.dataset.heading = h;
        el("title", {}, petal).textContent =
          p.name + " facing " + h + (p.photos[h] ? ": " + p.photos[h] : "");
      });
      var pin = el(
        "g",
        {
          class: "pin" + (problems.length ? " " + worst(problems) : ""),
          role: "button",
          tabindex: "0",
          "aria-label": p.name,
        },
        group,
      );
      pin.dataset.name = p.name;
      el("circle", { r: R.pin }, pin);
      // Beside the pin, not in it: the pin's centre is the point's place.
      var label = el(
        "text",
        {
          class: "pin-label" + (problems.length ? " " + worst(problems) : ""),
          y: R.outer + 14,
          "text-anchor": "middle",
          "aria-hidden": "true",
        },
        group,
      );
      label.textContent = p.name;
    });
  }

  function worst(problems) {
    return problems.some(function (p) {
      return p.severity === "error";
    })
      ? "error"
      : "warning";
  }

  function place(p) {
    return "translate(" + p.x + " " + p.y + ") scale(" + unit() + ")";
  }

  function pinOf(name) {
    var pins = svg.querySelectorAll(".pin");
    for (var i = 0; i < pins.length; i++) if (pins[i].dataset.name === name) return pins[i];
    return null;
  }

  function toDrawing(e) {
    var size = fitNow.size;
    return L.toDrawing(svg.getBoundingClientRect(), size.width, size.height, e.clientX, e.clientY);
  }

  // A point's place shown at once; sent once the keys or the pointer rest.
  function showMove(p, x, y) {
    p.x = x;
    p.y = y;
    var pin = pinOf(p.name);
    if (pin) pin.parentNode.setAttribute("transform", place(p));
  }

  function sendMove(p, delay) {
    if (moveTimer) clearTimeout(moveTimer);
    else app.held++;
    moveTimer = setTimeout(function () {
      moveTimer = null;
      app.held--;
      app.edit([{ op: "move_point", name: p.name, x: p.x, y: p.y }]);
    }, delay);
  }

  function onKey(e) {
    var pin = e.target.closest && e.target.closest(".pin");
    if (!pin) return;
    var p = L.pointNamed(app.state, pin.dataset.name);
    if (!p) return;
    if (e.key === "Enter" || e.key === " ") {
      e.preventDefault();
      app.select(p.name, null);
      return;
    }
    var step = L.keyStep(e.key, e.shiftKey, fitNow.scale);
    if (!step) return;
    e.preventDefault();
    var size = fitNow.size;
    showMove(
      p,
      Math.min(size.width, Math.max(0, p.x + step[0])),
      Math.min(size.height, Math.max(0, p.y + step[1])),
    );
    sendMove(p, 400);
  }

  // Pointer on a pin: a press that moves drags the point, one that does not
  // selects it. On a photographed petal: a drag to another point draws a
  // walk, a press selects the heading.
  function onPointerDown(e) {
    if (e.button !== 0) return;
    var pin = e.target.closest(".pin"),
      petal = e.target.closest(".petal");
    if (!pin && !petal) return;
    var name = (pin || petal).closest(".point").dataset.name;
    var p = L.pointNamed(app.state, name);
    if (!p) return;
    e.preventDefault();
    if (pin) pin.focus();
    moving = {
      point: p,
      heading: petal ? petal.dataset.heading : null,
      x0: e.clientX,
      y0: e.clientY,
      px: p.x,
      py: p.y,
      dragged: false,
      id: e.pointerId,
    };
    svg.setPointerCapture(e.pointerId);
  }

  function onPointerMove(e) {
    if (!moving || e.pointerId !== moving.id) return;
    if (!moving.dragged && Math.hypot(e.clientX - moving.x0, e.clientY - moving.y0) < 4) return;
    moving.dragged = true;
    var at = toDrawing(e),
      rubber = document.getElementById("rubber");
    if (moving.heading === null) {
      showMove(moving.point, at.x, at.y);
    } else if (moving.point.photos[moving.heading]) {
      rubber.setAttribute("x1", moving.point.x);
      rubber.setAttribute("y1", moving.point.y);
      rubber.setAttribute("x2", at.x);
      rubber.setAttribute("y2", at.y);
      rubber.setAttribute("visibility", "visible");
    }
  }

  function onPointerUp(e) {
    if (!moving || e.pointerId !== moving.id) return;
    var m = moving;
    moving = null;
    document.getElementById("rubber").setAttribute("visibility", "hidden");
    if (!m.dragged) {
      app.select(m.point.name, m.heading);
      return;
    }
    if (m.heading === null) {
      if (m.point.x !== m.px || m.point.y !== m.py) sendMove(m.point, 0);
      return;
    }
    var under = document.elementFromPoint(e.clientX, e.clientY);
    var target = under && under.closest && under.closest(".point");
    if (!target || target.dataset.name === m.point.name) return;
    if (!m.point.photos[m.heading]) {
      app.say("Give " + m.point.name + " a photograph facing " + m.heading + " first", "error");
      return;
    }
    var old = L.linkFrom(app.state, m.point.name, m.heading);
    var edits = L.walkEdits(
      app.state,
      m.point.name,
      m.heading,
      target.dataset.name,
      old ? old.oneway : false,
    );
    if (edits) app.edit(edits);
    app.select(m.point.name, m.heading);
  }

  function onClick(e) {
    if (!app.ui.placing || e.target.closest(".point")) return;
    app.placePoint(toDrawing(e));
  }

  // Photographs dragged from the list: onto a petal, onto the point (a 360
  // degree photograph fills it).
  function dropTarget(e) {
    var petal = e.target.closest && e.target.closest(".petal");
    var point = e.target.closest && e.target.closest(".point");
    if (!point) return null;
    return {
      point: point.dataset.name,
      heading: petal ? petal.dataset.heading : null,
      node: petal || point,
    };
  }

  var lit = null;
  function light(node) {
    if (lit === node) return;
    if (lit) lit.classList.remove("drop");
    lit = node;
    if (lit) lit.classList.add("drop");
  }

  function onDragOver(e) {
    if (e.dataTransfer.types.indexOf(PHOTO) < 0) return;
    var t = dropTarget(e);
    light(t && t.node);
    if (t) {
      e.preventDefault();
      e.dataTransfer.dropEffect = "copy";
    }
  }

  function onDrop(e) {
    var file = e.dataTransfer.getData(PHOTO),
      t = dropTarget(e);
    light(null);
    if (!file || !t) return;
    e.preventDefault();
    app.dropPhoto(file, t.point, t.heading);
  }

  function setUp() {
    svg = document.getElementById("drawing");
    svg.addEventListener("keydown", onKey);
    svg.addEventListener("pointerdown", onPointerDown);
    svg.addEventListener("pointermove", onPointerMove);
    svg.addEventListener("pointerup", onPointerUp);
    svg.addEventListener("pointercancel", onPointerUp);
    svg.addEventListener("click", onClick);
    svg.addEventListener("dragover", onDragOver);
    svg.addEventListener("dragleave", function (e) {
      if (!svg.contains(e.relatedTarget)) light(null);
    });
    svg.addEventListener("drop", onDrop);
    new ResizeObserver(function () {
      if (app.state) render();
    }).observe(svg);
  }

  app.floor = {
    setUp: setUp,
    render: render,
    pinOf: pinOf,
    centre: function () {
      return { x: Math.round(fitNow.size.width / 2), y: Math.round(fitNow.size.height / 2) };
    },
  };
})();
