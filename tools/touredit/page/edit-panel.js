// The lists and forms around the floor: the photographs, the selected
// point's panel with a row a heading, the tour's settings, suggestions,
// problems and the plan's text with its problems by line.
(function () {
  "use strict";

  var L = window.TourEditLogic,
    app = window.TourEdit;
  var PHOTO = "application/x-touredit-photo";
  var $ = function (id) {
    return document.getElementById(id);
  };

  function make(tag, cls, text, parent) {
    var e = document.createElement(tag);
    if (cls) e.className = cls;
    if (text !== undefined && text !== null) e.textContent = text;
    if (parent) parent.appendChild(e);
    return e;
  }

  // A button in an item of its own at the end of `list`; a click calls `act`.
  function itemButton(list, itemClass, cls, text, act) {
    var b = make("button", cls, text, make("li", itemClass, null, list));
    b.type = "button";
    b.addEventListener("click", act);
    return b;
  }

  function option(select, value, text) {
    var o = make("option", null, text, select);
    o.value = value;
    return o;
  }

  function clear(node) {
    while (node.firstChild) node.removeChild(node.firstChild);
  }

  // A form control's value, set unless the author is busy in it.
  function setValue(control, value) {
    if (document.activeElement === control && control.dataset.dirty) return;
    control.value = value;
    delete control.dataset.dirty;
  }

  function thumb(name) {
    return "/api/thumb/" + encodeURIComponent(name);
  }

  // The photographs: thumbnail, name, whether 360 degrees and where used.
  function renderPhotos() {
    var list = $("photos");
    clear(list);
    app.state.files.forEach(function (f) {
      var item = make("li", "photo" + (f.used.length ? " used" : ""), null, list);
      item.draggable = true;
      item.dataset.file = f.name;
      var img = make("img", null, null, item);
      img.alt = "";
      img.loading = "lazy";
      img.src = thumb(f.name);
      var text = make("div", "photo-text", null, item);
      make("span", "photo-name", f.name, text);
      if (f.pano) make("span", "badge", "360°", text);
      f.used.forEach(function (where) {
        make("span", "photo-use", where, text);
      });
    });
    if (!app.state.files.length)
      make("li", "hint", "No JPEG or PNG photographs beside the plan yet.", list);
  }

  function onPhotoDrag(e) {
    var item = e.target.closest && e.target.closest(".photo");
    if (!item) return;
    e.dataTransfer.setData(PHOTO, item.dataset.file);
    e.dataTransfer.setData("text/plain", item.dataset.file);
    e.dataTransfer.effectAllowed = "copy";
    document.body.classList.add("dragging-photo");
  }

  // The eight heading rows, made once; their values follow the state.
  function buildHeadings() {
    var box = $("headings");
    L.HEADINGS.forEach(function (h) {
      var set = make("fieldset", "heading", null, box);
      set.id = "heading-" + h;
      set.dataset.heading = h;
      set.setAttribute("aria-label", "Heading " + h);
      make("legend", null, h, set);
      var img = make("img", "row-thumb", null, set);
      img.alt = "";
      img.hidden = true;
      var photo = make("select", "row-photo", null, set);
      photo.id = "photo-" + h;
      photo.setAttribute("aria-label", "Photograph facing " + h);
      var walk = make("div", "row-walk", null, set);
      var to = make("select", null, null, walk);
      to.id = "walk-" + h;
      to.setAttribute("aria-label", "Walk facing " + h + " to");
      var one = make("label", "oneway", null, walk);
      var box2 = make("input", null, null, one);
      box2.type = "checkbox";
      box2.id = "oneway-" + h;
      one.appendChild(document.createTextNode(" One way"));
      make("span", "stairs-note", null, walk);
      make("ul", "problems", null, set);

      photo.addEventListener("change", function () {
        app.choosePhoto(app.ui.selected, h, photo.value || null);
      });
      to.addEventListener("change", function () {
        var link = L.linkFrom(app.state, app.ui.selected, h);
        var edits = L.walkEdits(
          app.state,
          app.ui.selected,
          h,
          to.value || null,
          link ? link.oneway : box2.checked,
        );
        if (edits) app.edit(edits);
      });
      box2.addEventListener("change", function () {
        var link = L.linkFrom(app.state, app.ui.selected, h);
        var edits = link && L.walkEdits(app.state, app.ui.selected, h, link.to, box2.checked);
        if (edits) app.edit(edits);
      });
      set.addEventListener("focusin", function () {
        if (app.ui.heading !== h) app.select(app.ui.selected, h, true);
      });
      set.addEventListener("dragover", function (e) {
        if (e.dataTransfer.types.indexOf(PHOTO) < 0) return;
        e.preventDefault();
        e.dataTransfer.dropEffect = "copy";
        set.classList.add("drop");
      });
      set.addEventListener("dragleave", function (e) {
        if (!set.contains(e.relatedTarget)) set.classList.remove("drop");
      });
      set.addEventListener("drop", function (e) {
        set.classList.remove("drop");
        var file = e.dataTransfer.getData(PHOTO);
        if (!file) return;
        e.preventDefault();
        app.dropPhoto(file, app.ui.selected, h);
      });
    });
  }

  function problemList(list, problems) {
    clear(list);
    problems.forEach(function (p) {
      make("li", p.severity, p.message, list);
    });
    list.hidden = !problems.length;
  }

  function renderPoint() {
    var p = app.ui.selected === null ? null : L.pointNamed(app.state, app.ui.selected);
    $("point-panel").hidden = !p;
    $("no-point").hidden = !!p;
    if (!p) return;
    $("point-title").textContent = "Point " + p.name;
    var name = $("point-name");
    if (name.dataset.point !== p.name || !name.getAttribute("aria-invalid")) {
      setValue(name, p.name);
      name.dataset.point = p.name;
    }
    var floors = L.floorList(app.state, app.ui.added),
      fsel = $("point-floor");
    clear(fsel);
    floors.forEach(function (f) {
      option(fsel, String(f), "Floor " + f);
    });
    fsel.value = String(p.floor);
    $("pano-row").hidden = !p.pano;
    $("pano-text").textContent = p.pano ? "360° photograph: " + p.pano.file : "";
    problemList($("point-problems"), L.problemsOf(app.state.problems, p.name, null));
    var images = app.state.files;
    L.HEADINGS.forEach(function (h, i) {
      var set = $("heading-" + h),
        file = p.photos[h] || "";
      set.classList.toggle("current", h === app.ui.heading);
      var photo = $("photo-" + h);
      clear(photo);
      option(photo, "", "No photograph");
      images.forEach(function (f) {
        option(photo, f.name, f.name + (f.pano ? " (360°)" : ""));
      });
      if (file && !L.fileNamed(app.state, file)) option(photo, file, file + " (missing)");
      photo.value = file;
      var img = set.querySelector(".row-thumb");
      img.hidden = !file;
      if (file && img.dataset.file !== file) {
        img.src = thumb(file);
        img.dataset.file = file;
      }
      var walk = set.querySelector(".row-walk");
      walk.hidden = !file;
      var link = L.wayFrom(app.state, p.name, h);
      var to = $("walk-" + h);
      clear(to);
      option(to, "", "No walk");
      var seen = L.pointsInView(app.state.points, p, i);
      var groups = [
        ["In view", seen],
        [
          "Other points",
          app.state.points
            .map(function (q) {
              return q.name;
            })
            .filter(function (n) {
              return n !== p.name && seen.indexOf(n) < 0;
            }),
        ],
      ];
      groups.forEach(function (g) {
        if (!g[1].length) return;
        var og = make("optgroup", null, null, to);
        og.label = g[0];
        g[1].forEach(function (n) {
          var q = L.pointNamed(app.state, n),
            way = L.stairsWay(p.floor, q.floor);
          option(og, n, way ? n + " (stairs " + way + " to floor " + q.floor + ")" : n);
        });
      });
      to.value = link ? link.to : "";
      var target = link && L.pointNamed(app.state, link.to);
      var way = target && L.stairsWay(p.floor, target.floor);
      var one = $("oneway-" + h);
      // Ticked before a walk is chosen, it makes the walk one way once chosen.
      if (link || one.dataset.point !== p.name) one.checked = !!(link && link.oneway);
      one.dataset.point = p.name;
      // Stairs go both ways; a way back belongs to the other point's walk.
      one.parentNode.hidden = !!way || !!(link && link.back);
      walk.querySelector(".stairs-note").textContent = way
        ? "Stairs " + way + " (both ways)"
        : link && link.back
          ? "The way back of " + link.to + "'s walk"
          : "";
      problemList(set.querySelector(".problems"), L.problemsOf(app.state.problems, p.name, h));
    });
  }

  function renderTour() {
    var s = app.state;
    setValue($("title"), s.title || "");
    var start = $("start");
    clear(start);
    option(start, "", "The first photograph");
    var choices = L.startChoices(s);
    choices.forEach(function (c, i) {
      option(start, String(i), c.label);
    });
    start.dataset.choices = JSON.stringify(choices);
    var at = s.start
      ? choices.findIndex(function (c) {
          return c.point === s.start.point && c.heading === s.start.heading;
        })
      : -1;
    start.value = at >= 0 ? String(at) : "";
    $("framing").value = s.fit ? "fit" : "crop";
    $("outdir").textContent = s.outdir ? "Writes " + s.outdir : "";
    $("plan-path").textContent =
      (s.plan || "") + (s.exists ? "" : " (written at the first change)");
  }

  function renderSuggestions() {
    var list = $("suggestions");
    clear(list);
    app.state.suggestions.forEach(function (s) {
      var label = "Walk from " + s.from + " facing " + s.heading + " to " + s.to;
      itemButton(list, null, "link", label, function () {
        app.takeSuggestion(s);
      });
    });
    $("suggestions-card").hidden = !app.state.suggestions.length;
  }

  function renderProblems() {
    var list = $("problems");
    clear(list);
    app.state.problems.forEach(function (p) {
      itemButton(list, p.severity, "link " + p.severity, p.text, function () {
        app.showProblem(p);
      });
    });
    $("no-problems").hidden = app.state.problems.length > 0;
  }

  // The plan's text, unless the author is typing in it, with its problems by
  // line in the gutter and in a list below.
  function renderPlan() {
    var text = $("plan-text");
    setValue(text, app.state.text);
    var lines = L.problemLines(app.state.problems);
    var gutter = $("plan-gutter");
    clear(gutter);
    var count = text.value.split("\n").length;
    for (var n = 1; n <= count; n++) make("span", lines[n] || null, String(n), gutter);
    gutter.scrollTop = text.scrollTop;
    var list = $("plan-problems");
    clear(list);
    app.state.problems.forEach(function (p) {
      var label = (p.line ? "Line " + p.line + ": " : "") + p.severity + ": " + p.message;
      itemButton(list, p.severity, "link", label, function () {
        app.showLine(p.line);
      });
    });
  }

  function setUp() {
    buildHeadings();
    var photos = $("photos");
    photos.addEventListener("dragstart", onPhotoDrag);
    photos.addEventListener("dragend", function () {
      document.body.classList.remove("dragging-photo");
    });
    ["point-name", "title", "plan-text"].forEach(function (id) {
      $(id).addEventListener("input", function () {
        $(id).dataset.dirty = "1";
      });
    });
    $("plan-text").addEventListener("scroll", function () {
      $("plan-gutter").scrollTop = $("plan-text").scrollTop;
    });
  }

  app.panel = {
    setUp: setUp,
    renderPhotos: renderPhotos,
    renderPoint: renderPoint,
    renderTour: renderTour,
    renderSuggestions: renderSuggestions,
    renderProblems: renderProblems,
    renderPlan: renderPlan,
  };
})();
