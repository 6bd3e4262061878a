// The editor page's wiring: floors, selection, the author's actions turned
// into edits, status and conflicts, the plan's text, preview and making.
(function () {
  "use strict";

  var L = window.TourEditLogic,
    app = window.TourEdit;
  var $ = function (id) {
    return document.getElementById(id);
  };
  app.ui = { floor: 0, added: [], selected: null, heading: null, placing: false, renaming: null };

  app.say = function (text, kind) {
    var s = $("status");
    s.textContent = text;
    s.className = "status " + (kind || "");
  };

  function notice(text) {
    $("notice-text").textContent = text;
    $("notice").hidden = !text;
  }

  app.onState = function (state, how) {
    var ui = app.ui,
      r = ui.renaming;
    if (r && !L.pointNamed(state, r.from) && L.pointNamed(state, r.to) && ui.selected === r.from)
      ui.selected = r.to;
    ui.renaming = null;
    if (ui.selected !== null && !L.pointNamed(state, ui.selected)) ui.selected = null;
    if (how === "conflict")
      notice(
        "The plan was changed elsewhere (another page or program) before your change reached it. " +
          "Your change was not made: the newer plan is shown.",
      );
    renderAll();
    schedulePreview();
  };

  function renderAll() {
    renderTabs();
    app.floor.render();
    app.panel.renderPhotos();
    app.panel.renderPoint();
    app.panel.renderTour();
    app.panel.renderSuggestions();
    app.panel.renderProblems();
    app.panel.renderPlan();
    renderFloorTools();
    $("undo").hidden = !app.undo.length;
  }

  function renderTabs() {
    var floors = L.floorList(app.state, app.ui.added),
      box = $("floor-tabs");
    if (floors.indexOf(app.ui.floor) < 0) app.ui.floor = 0;
    var hadFocus = box.contains(document.activeElement);
    while (box.firstChild) box.removeChild(box.firstChild);
    floors.forEach(function (f) {
      var tab = document.createElement("button");
      tab.type = "button";
      tab.setAttribute("role", "tab");
      tab.id = "tab-" + f;
      tab.textContent = "Floor " + f;
      tab.dataset.floor = String(f);
      tab.setAttribute("aria-controls", "floor-panel");
      tab.setAttribute("aria-selected", String(f === app.ui.floor));
      tab.tabIndex = f === app.ui.floor ? 0 : -1;
      box.appendChild(tab);
    });
    $("floor-panel").setAttribute("aria-labelledby", "tab-" + app.ui.floor);
    if (hadFocus) $("tab-" + app.ui.floor).focus();
  }

  function renderFloorTools() {
    var sel = $("map-file"),
      floor = L.floorOf(app.state, app.ui.floor);
    while (sel.firstChild) sel.removeChild(sel.firstChild);
    var plain = document.createElement("option");
    plain.value = "";
    plain.textContent = "Plain sheet";
    sel.appendChild(plain);
    app.state.files.forEach(function (f) {
      if (f.pano) return;
      var o = document.createElement("option");
      o.value = o.textContent = f.name;
      sel.appendChild(o);
    });
    sel.value = floor && floor.drawing ? floor.drawing.file : "";
    $("add-point").setAttribute("aria-pressed", String(app.ui.placing));
    $("floor-hint").textContent = app.ui.placing
      ? "Click on the drawing where the point stands (Esc to stop)."
      : "Drag a point to move it; drag from a heading of its rose to another point to walk there.";
  }

  function showFloor(f) {
    app.ui.floor = f;
    renderTabs();
    renderFloorTools();
    app.floor.render();
  }

  // The panel of `name` (null: none), with `heading` picked in it.
  app.select = function (name, heading, fromPanel) {
    var p = name === null ? null : L.pointNamed(app.state, name);
    var changed = app.ui.selected !== name;
    app.ui.selected = p ? name : null;
    app.ui.heading = heading || (changed ? null : app.ui.heading);
    if (p && p.floor !== app.ui.floor) showFloor(p.floor);
    if (changed) {
      $("point-name").removeAttribute("aria-invalid");
      $("name-error").hidden = true;
    }
    app.floor.render();
    if (fromPanel) {
      document.querySelectorAll(".heading").forEach(function (set) {
        set.classList.toggle("current", set.dataset.heading === app.ui.heading);
      });
    } else {
      app.panel.renderPoint();
    }
    schedulePreview();
  };

  function send(edits) {
    return edits ? app.edit(edits) : Promise.resolve({ ok: false });
  }

  app.placePoint = function (at) {
    var name = L.freeName(app.state.points, "point");
    app.ui.placing = false;
    renderFloorTools();
    send([{ op: "add_point", name: name, floor: app.ui.floor, x: at.x, y: at.y }]).then(
      function (r) {
        if (!r.ok) return;
        app.select(name, null);
        $("point-name").focus();
        $("point-name").select();
      },
    );
  };

  app.choosePhoto = function (point, heading, file) {
    send(L.photoEdits(app.state, point, heading, file));
  };

  app.dropPhoto = function (file, point, heading) {
    if (heading) {
      app.select(point, heading);
      send(L.photoEdits(app.state, point, heading, file));
      return;
    }
    var edits = L.dropEdits(app.state, file, { point: point, heading: null });
    if (edits) send(edits);
    else app.say("Drop it onto one of the headings round " + point, "error");
  };

  app.takeSuggestion = function (s) {
    send(L.walkEdits(app.state, s.from, s.heading, s.to, false));
  };

  app.showProblem = function (p) {
    if (p.point && L.pointNamed(app.state, p.point)) {
      app.select(p.point, p.heading);
      (p.heading ? $("photo-" + p.heading) : $("point-name")).focus();
    } else {
      app.showLine(p.line);
    }
  };

  app.showLine = function (line) {
    var text = $("plan-text");
    showPlan(true);
    var lines = text.value.split("\n"),
      from = 0;
    for (var i = 0; i < Math.max(0, line - 1) && i < lines.length; i++) from += lines[i].length + 1;
    text.focus();
    text.setSelectionRange(from, from + (lines[line - 1] || "").length);
  };

  function showPlan(open) {
    $("plan-toggle").setAttribute("aria-expanded", String(open));
    $("plan-body").hidden = !open;
    $("plan-pane").classList.toggle("open", open);
  }

  function rename() {
    var field = $("point-name"),
      from = app.ui.selected,
      to = field.value;
    if (from === null || to === from) {
      nameError("");
      return;
    }
    app.ui.renaming = { from: from, to: to };
    send([{ op: "rename_point", name: from, to: to }]).then(function (r) {
      if (r.ok || r.conflict) {
        delete field.dataset.dirty;
        nameError("");
        app.panel.renderPoint();
      } else {
        nameError(r.error);
      }
    });
  }

  function nameError(text) {
    var field = $("point-name"),
      error = $("name-error");
    error.textContent = text;
    error.hidden = !text;
    if (text) field.setAttribute("aria-invalid", "true");
    else field.removeAttribute("aria-invalid");
  }

  // The plan's text is saved once the typing rests, or the field is left.
  var textTimer = null;
  function saveText() {
    if (textTimer) {
      clearTimeout(textTimer);
      textTimer = null;
      app.held--;
    }
    var field = $("plan-text");
    if (!field.dataset.dirty) return;
    var text = field.value;
    delete field.dataset.dirty;
    app.putText(text, true).then(function (r) {
      if (r.conflict) {
        $("lost-text").value = text;
        $("lost").hidden = false;
      } else if (!r.ok) {
        app.say(r.error, "error");
      }
    });
  }

  function onTextInput() {
    if (!textTimer) app.held++;
    else clearTimeout(textTimer);
    textTimer = setTimeout(saveText, 800);
  }

  // The preview follows the selected point and heading, or the start.
  var previewTimer = null,
    previewKey = "";
  function schedulePreview() {
    if (previewTimer) clearTimeout(previewTimer);
    previewTimer = setTimeout(preview, 250);
  }

  function preview() {
    previewTimer = null;
    var s = app.state,
      p = app.ui.selected !== null ? L.pointNamed(s, app.ui.selected) : null;
    var heading = app.ui.heading;
    if (p && (!heading || !p.photos[heading]))
      heading =
        L.HEADINGS.filter(function (h) {
          return p.photos[h];
        })[0] || null;
    var point = p && heading ? p.name : s.start ? s.start.point : null;
    if (!p || !heading) heading = s.start ? s.start.heading : null;
    var key = s.version + " " + point + " " + heading;
    if (key === previewKey) return;
    previewKey = key;
    app
      .request("POST", "/api/preview", { version: s.version, point: point, heading: heading })
      .then(function (r) {
        if (key !== previewKey) return;
        var frame = $("preview"),
          note = $("preview-note");
        if (r.status === 200 && r.json && r.json.url) {
          if (frame.getAttribute("src") !== r.json.url) frame.src = r.json.url;
          frame.hidden = false;
          note.textContent = "";
        } else {
          note.textContent =
            r.status === 404
              ? "This touredit makes no preview yet."
              : r.json && r.json.error
                ? r.json.error
                : "No preview (touredit answered " + r.status + ").";
          frame.hidden = r.status === 404 || !frame.getAttribute("src");
        }
      });
  }

  // Make tour and Single file: asked in the page before an existing tour is
  // replaced, then followed through /api/job to a link.
  function makeTour(single, replace) {
    var note = $("make-note"),
      bar = $("make-progress");
    note.textContent = "Starting…";
    app
      .request("POST", "/api/make", {
        version: app.state.version,
        single: single,
        replace: replace,
      })
      .then(function (r) {
        if (r.status === 409 && r.json && r.json.ask === "replace") {
          note.textContent = "";
          $("replace-text").textContent =
            r.json.outdir + " is not empty. Replace it with the tour made now?";
          var dialog = $("replace");
          dialog.dataset.single = single ? "1" : "";
          dialog.showModal();
          $("replace-no").focus();
        } else if (r.status === 409 && r.json && r.json.version) {
          app.onState(r.json, "conflict");
          note.textContent = "";
        } else if (r.status === 202 || r.status === 200) {
          bar.hidden = false;
          bar.value = 0;
          followJob(single);
        } else {
          note.textContent = (r.json && r.json.error) || "touredit answered " + r.status;
        }
      });
  }

  function followJob(single) {
    var note = $("make-note"),
      bar = $("make-progress");
    app.request("GET", "/api/job").then(function (r) {
      var job = r.json || {};
      if (r.status !== 200) {
        note.textContent = "touredit answered " + r.status;
        return;
      }
      bar.max = Math.max(1, job.total || 1);
      bar.value = job.done || 0;
      if (job.running) {
        note.textContent = "Making… " + (job.done || 0) + " of " + (job.total || "?");
        setTimeout(function () {
          followJob(single);
        }, 250);
        return;
      }
      bar.hidden = true;
      while (note.firstChild) note.removeChild(note.firstChild);
      if (job.ok) {
        note.appendChild(
          document.createTextNode(single ? "The single file is written. " : "The tour is made. "),
        );
        var a = document.createElement("a");
        a.href = job.link || (single ? "/out.html" : "/out/index.html");
        a.target = "_blank";
        a.textContent = single ? "Open the single file" : "Open the tour";
        note.appendChild(a);
      } else {
        note.textContent = job.error || "The tour was not made.";
      }
    });
  }

  function onTabKey(e) {
    var floors = L.floorList(app.state, app.ui.added),
      i = floors.indexOf(app.ui.floor);
    var to = { ArrowLeft: i - 1, ArrowRight: i + 1, Home: 0, End: floors.length - 1 }[e.key];
    if (to === undefined) return;
    e.preventDefault();
    showFloor(floors[(to + floors.length) % floors.length]);
    $("tab-" + app.ui.floor).focus();
  }

  function wire() {
    $("floor-tabs").addEventListener("click", function (e) {
      var tab = e.target.closest("[role=tab]");
      if (tab) showFloor(Number(tab.dataset.floor));
    });
    $("floor-tabs").addEventListener("keydown", onTabKey);
    $("add-floor").addEventListener("click", function () {
      var f = L.nextFloor(L.floorList(app.state, app.ui.added));
      app.ui.added.push(f);
      showFloor(f);
      app.panel.renderPoint();
    });
    // From the keyboard the point is placed at once, mid-drawing, to be moved with the arrows.
    $("add-point").addEventListener("click", function (e) {
      if (e.detail === 0) return app.placePoint(app.floor.centre());
      app.ui.placing = !app.ui.placing;
      renderFloorTools();
      app.floor.render();
    });
    document.addEventListener("keydown", function (e) {
      if (e.key === "Escape" && app.ui.placing) {
        app.ui.placing = false;
        renderFloorTools();
        app.floor.render();
      }
    });
    $("map-file").addEventListener("change", function () {
      send([{ op: "map", floor: app.ui.floor, file: $("map-file").value || null }]);
    });
    $("point-name").addEventListener("change", rename);
    $("point-floor").addEventListener("change", function () {
      var f = Number($("point-floor").value),
        name = app.ui.selected;
      send([{ op: "floor_point", name: name, floor: f }]).then(function (r) {
        if (r.ok) showFloor(f);
      });
    });
    $("delete-point").addEventListener("click", function () {
      var name = app.ui.selected;
      app.ui.selected = null;
      send([{ op: "delete_point", name: name }]);
      $("add-point").focus();
    });
    $("pano-remove").addEventListener("click", function () {
      send([{ op: "pano", point: app.ui.selected, file: null, north: null }]);
    });
    $("title").addEventListener("change", function () {
      delete $("title").dataset.dirty;
      if ($("title").value !== (app.state.title || ""))
        send([{ op: "title", value: $("title").value }]);
    });
    $("start").addEventListener("change", function () {
      var choices = JSON.parse($("start").dataset.choices || "[]"),
        c = choices[Number($("start").value)];
      send([
        c ? { op: "start", point: c.point, heading: c.heading } : { op: "start", point: null },
      ]);
    });
    $("framing").addEventListener("change", function () {
      send([{ op: "framing", value: $("framing").value }]);
    });
    $("plan-toggle").addEventListener("click", function () {
      showPlan($("plan-body").hidden);
    });
    $("plan-text").addEventListener("input", onTextInput);
    $("plan-text").addEventListener("blur", saveText);
    $("undo").addEventListener("click", function () {
      app.undoLast();
    });
    $("notice-close").addEventListener("click", function () {
      notice("");
    });
    $("make").addEventListener("click", function () {
      makeTour(false, false);
    });
    $("single").addEventListener("click", function () {
      makeTour(true, false);
    });
    $("replace-no").addEventListener("click", function () {
      $("replace").close();
    });
    $("replace-yes").addEventListener("click", function () {
      $("replace").close();
      makeTour(!!$("replace").dataset.single, true);
    });
  }

  document.addEventListener("DOMContentLoaded", function () {
    app.floor.setUp();
    app.panel.setUp();
    wire();
    app.start();
  });
})();
