// The tour in a browser: shows the slides of tour.js (TOURWEB_TOUR) on a stage
// the size of the desktop window, scaled to fit the view, and walks them by
// TOURWEB_LOGIC (tourweb-logic.js), with the mouse, the keys, touch, the
// history and the points of the map.
(function () {
  "use strict";

  // A page that cannot walk says why, in place of the stage.
  function note(text) {
    var p = document.createElement("p");
    p.className = "tw-note";
    p.textContent = text;
    document.body.textContent = "";
    document.body.appendChild(p);
  }

  function missing(file) {
    document.addEventListener("DOMContentLoaded", function () {
      note("This tour cannot be shown: its " + file + " is missing.");
    });
  }

  if (typeof TOURWEB_TOUR === "undefined") return missing("tour.js");
  if (typeof TOURWEB_LOGIC === "undefined") return missing("tourweb-logic.js");
  var logic = TOURWEB_LOGIC,
    tour = TOURWEB_TOUR,
    format = tour.format;
  var table = logic.slideTable(tour);
  var preloadOn = !/[?&]preload=0(&|$)/.test(location.search);
  var first = logic.startSlide(tour, table, location.hash);

  // Everything the page changes as it runs.
  var state = {
    view: null, // the page's elements, found at the start
    stage: null,
    say: null,
    mapButton: null,
    current: null, // the slide shown
    saved: null, // the slide the map was opened from, while the map shows
    scale: 1, // CSS pixels to a stage pixel
    photo: null, // the photograph shown
    arrows: [], // the exit buttons shown
    places: [], // the map's point links and marker shown
    cached: new Map(), // images by URL, held so that they stay loaded
    cursorSprite: -1, // the pointer sprite shown
    pointer: null, // the mouse's last position in stage pixels
    touch: null, // a touch under way: its pointer id and start in stage pixels
    startImage: null, // index.html's start image, under the stage until its photograph is painted
  };
  function cssUrl(url) {
    return 'url("' + String(url).replace(/["\\\n]/g, "\\$&") + '")';
  }

  function setCursor(sprite) {
    if (sprite === state.cursorSprite) return;
    state.cursorSprite = sprite;
    var url = cssUrl(format.sprites[sprite].cursor),
      stage = state.stage;
    stage.style.cursor = url + " 0 0, default";
    // Scaled with the stage where image-set() works; ignored elsewhere.
    if (state.scale !== 1)
      stage.style.cursor =
        "image-set(" + url + " " + 1 / state.scale + "x) 0 0, " + url + " 0 0, default";
  }

  function updateCursor() {
    var p = state.pointer;
    if (p)
      setCursor(logic.pointerSprite(format, state.current.exits, logic.region(format, p.x, p.y)));
  }

  function imageFor(url) {
    var img = state.cached.get(url);
    if (!img) {
      img = new Image();
      img.alt = "";
      img.src = url;
    }
    return img;
  }

  function preload() {
    var keep = new Map();
    format.sprites.forEach(function (sprite) {
      [sprite.cursor, sprite.arrow].forEach(function (url) {
        if (url) keep.set(url, imageFor(url));
      });
    });
    if (state.photo && state.current.photo) keep.set(state.current.photo, state.photo);
    if (preloadOn)
      logic.reachablePhotos(format, table, state.current).forEach(function (url) {
        var img = imageFor(url);
        keep.set(url, img);
        if (img.decode) img.decode().catch(function () {});
      });
    state.cached = keep;
  }

  // The start image gives way once the stage's photograph is painted: hidden
  // then, as a browser may leave the paint of an element removed so soon out
  // of the page's paint timing, and removed when another slide is shown.
  function dropStartImage(remove) {
    var img = state.startImage;
    if (!img) return;
    state.stage.classList.remove("tw-through");
    img.style.visibility = "hidden";
    if (!remove) return;
    img.remove();
    state.startImage = null;
  }

  function drawPhoto() {
    if (state.photo) state.photo.remove();
    var shown = state.current;
    if (shown !== first) dropStartImage(true);
    var photo = (state.photo = shown.photo ? imageFor(shown.photo) : null);
    if (!photo) return preload();
    photo.className = "tw-photo";
    photo.style.left = format.slide.x + "px";
    photo.style.top = format.slide.y + "px";
    state.stage.insertBefore(photo, state.stage.firstChild);
    // Preloads begin once the photograph is painted, so as not to delay it.
    var then = function () {
      requestAnimationFrame(function () {
        if (state.current === shown) dropStartImage(false);
        setTimeout(function () {
          if (state.current === shown) preload();
        }, 0);
      });
    };
    if (photo.decode) photo.decode().then(then, then);
    else then();
  }

  // index.html's start image when it shows the first slide's photograph.
  function startImageOfFirst() {
    var img = document.getElementById("tw-start");
    return img && first && first.photo && img.getAttribute("src") === first.photo ? img : null;
  }

  // The start image of index.html asks for the start photograph while the
  // scripts load and shows it where the stage will. It stays, seen through the
  // stage, until the stage's own copy is painted: moved onto the stage it
  // would be painted anew, later, and a photograph still decoding would leave
  // a black gap. An image for another slide, or with no source (the single
  // file), just goes.
  function keepStartImage() {
    var img = startImageOfFirst();
    if (!img) {
      var other = document.getElementById("tw-start");
      if (other) other.remove();
      return;
    }
    state.startImage = img;
    state.stage.classList.add("tw-through");
  }

  function onArrowClick(e) {
    move(e.currentTarget.dataset.move);
  }

  function drawArrows(focusMove) {
    state.arrows.forEach(function (b) {
      b.remove();
    });
    state.arrows = logic.arrowsFor(format, state.current.exits).map(function (kind) {
      var sprite = format.sprites[kind.sprite];
      var button = document.createElement("button");
      button.type = "button";
      button.className = "tw-exit";
      button.setAttribute("aria-label", kind.label);
      button.style.left = sprite.x + "px";
      button.style.top = sprite.y + "px";
      var img = new Image();
      img.alt = "";
      img.src = sprite.arrow;
      button.appendChild(img);
      button.dataset.move = kind.move;
      button.addEventListener("click", onArrowClick);
      state.stage.insertBefore(button, state.mapButton);
      return button;
    });
    if (focusMove !== undefined) {
      var next = state.arrows.filter(function (b) {
        return b.dataset.move === focusMove;
      })[0];
      (next || state.arrows[0] || state.mapButton).focus();
    }
  }

  function onPointClick(e) {
    e.preventDefault();
    state.saved = null;
    go(e.currentTarget.tourSlide);
  }

  function stagePlace(element, x, y) {
    element.style.left = format.slide.x + x + "px";
    element.style.top = format.slide.y + y + "px";
    state.stage.insertBefore(element, state.mapButton);
    state.places.push(element);
  }

  // On the map: where the slide it was opened from stands, and the way it
  // faced; and each point a link to its slide facing that way.
  function drawPlaces() {
    state.places.forEach(function (e) {
      e.remove();
    });
    state.places = [];
    if (state.current.id !== format.map) return;
    var marker = logic.mapMarker(tour, state.saved);
    if (marker) {
      var here = document.createElement("div");
      here.className = "tw-here";
      here.setAttribute("role", "img");
      here.setAttribute("aria-label", "You were at " + marker.name);
      here.style.transform = "rotate(" + marker.degrees + "deg)";
      stagePlace(here, marker.x, marker.y);
    }
    logic.mapLinks(tour, table, state.saved).forEach(function (link) {
      var a = document.createElement("a");
      a.className = "tw-point";
      a.href = logic.fragmentOf(link.target.id);
      a.title = link.name;
      a.setAttribute("aria-label", link.name);
      a.tourSlide = link.target.id;
      a.addEventListener("click", onPointClick);
      stagePlace(a, link.x, link.y);
    });
  }

  // The history entry's state for the slide shown.
  function entry() {
    return { id: state.current.id, saved: state.saved ? state.saved.id : null };
  }

  // Shows `slide`; `how` says what becomes of the history: "start" or
  // "replace" the current entry, "push" a new one, or nothing (Back and Forward).
  function show(slide, how) {
    var focused = document.activeElement;
    var focusMove = undefined;
    if (focused && focused.classList.contains("tw-exit")) focusMove = focused.dataset.move;
    else if (focused && focused.classList.contains("tw-point")) focusMove = "";
    var arrived = slide !== state.current;
    state.current = slide;
    if (arrived) drawPhoto();
    drawArrows(focusMove);
    drawPlaces();
    updateCursor();
    var fragment = logic.fragmentOf(slide.id);
    if (how === "replace" || how === "start") history.replaceState(entry(), "", fragment);
    else if (how === "push") history.pushState(entry(), "", fragment);
    if (arrived) document.title = logic.pageTitle(tour, slide);
    // The start is named by the title; later arrivals are announced.
    if (arrived && how !== "start") state.say.textContent = logic.slideName(tour, slide);
  }

  function go(target) {
    var next = table.get(target);
    if (!next) {
      console.warn(
        "tourweb: slide " +
          JSON.stringify(target) +
          " is not in the tour; staying on " +
          JSON.stringify(state.current.id),
      );
      return;
    }
    show(next, next === state.current ? "" : "push");
  }

  function move(name) {
    var taken = logic.exitTaken(format, state.current.exits, name);
    if (taken) go(taken.target);
  }

  // The map key: opens the map remembering the slide, or returns to it.
  function toggleMap() {
    var next = state.saved || table.get(format.map);
    if (!next) return console.warn("tourweb: the tour has no map");
    state.saved = state.saved ? null : state.current;
    show(next, next === state.current ? "replace" : "push");
  }

  function stagePoint(e) {
    var r = state.stage.getBoundingClientRect();
    return {
      x: Math.floor((e.clientX - r.left) / state.scale),
      y: Math.floor((e.clientY - r.top) / state.scale),
    };
  }

  // The part of the view on the screen: the view fills the browser's layout
  // viewport (on a phone, the screen's width at its natural scale); unless
  // pinch-zoomed, the visual viewport leaves out what bars cover of it.
  function visible() {
    var area = { x: 0, y: 0, width: state.view.clientWidth, height: state.view.clientHeight };
    var vv = window.visualViewport;
    if (vv && Math.abs(vv.scale - 1) < 1e-3 && vv.width > 0 && vv.height > 0) {
      area.x = vv.offsetLeft;
      area.y = vv.offsetTop;
      area.width = Math.min(area.width, vv.width);
      area.height = Math.min(area.height, vv.height);
    }
    return area;
  }

  // The stage scaled into the visible part of the view and centred there.
  function fit() {
    var w = format.window.width,
      h = format.window.height,
      stage = state.stage,
      area = visible();
    stage.style.width = w + "px";
    stage.style.height = h + "px";
    var scale = (state.scale = Math.min(area.width / w, area.height / h) || 1);
    var dpr = window.devicePixelRatio || 1;
    // Whole device pixels, so the stage's edges and pixels stay sharp.
    var left = Math.round((area.x + (area.width - w * scale) / 2) * dpr) / dpr;
    var top = Math.round((area.y + (area.height - h * scale) / 2) * dpr) / dpr;
    stage.style.transform = "translate(" + left + "px," + top + "px) scale(" + scale + ")";
    stage.style.visibility = "visible";
    var device = scale * dpr;
    stage.classList.toggle("tw-crisp", device >= 1 && Math.abs(device - Math.round(device)) < 1e-6);
    state.cursorSprite = -1;
    updateCursor();
  }

  function onPointerDown(e) {
    if (e.target === state.mapButton || e.target.classList.contains("tw-point")) return;
    var p = stagePoint(e);
    if (e.pointerType === "mouse") {
      state.pointer = p;
      if (e.button === 0) move(logic.region(format, p.x, p.y));
      return;
    }
    state.touch = { id: e.pointerId, x: p.x, y: p.y };
  }

  function onPointerUp(e) {
    var from = state.touch;
    if (!from || from.id !== e.pointerId) return;
    state.touch = null;
    var p = stagePoint(e),
      dx = p.x - from.x,
      dy = p.y - from.y;
    var turn = logic.swipeMove(format, dx, dy);
    if (turn) move(turn);
    // A finger wanders a little in a tap: a dozen CSS pixels, at any scale.
    else if (Math.max(Math.abs(dx), Math.abs(dy)) * state.scale < 12)
      move(logic.region(format, from.x, from.y));
  }

  function onPointerCancel() {
    state.touch = null;
  }

  function onPointerMove(e) {
    if (e.pointerType !== "mouse") return;
    state.pointer = stagePoint(e);
    updateCursor();
  }

  function onKeyDown(e) {
    if (e.altKey || e.ctrlKey || e.metaKey || e.isComposing) return;
    if (e.key === "m" || e.key === "M") {
      if (!e.repeat) toggleMap();
      e.preventDefault();
      return;
    }
    if (!/^Arrow/.test(e.key)) return;
    e.preventDefault();
    var name = logic.keyMove(format, e.key);
    if (name && !e.repeat) move(name);
  }

  // Back, Forward, or a fragment typed in (an entry without state): one that
  // names no slide opens the start slide, and the address then names it.
  function onPopState(e) {
    var kept = e.state && typeof e.state.id === "string" ? e.state : null;
    var next = table.get(kept ? kept.id : logic.fragmentId(location.hash));
    state.saved = (kept && kept.saved !== null && table.get(kept.saved)) || null;
    if (next) show(next, "");
    else show(logic.startSlide(tour, table, ""), "replace");
  }

  function start() {
    state.view = document.getElementById("tw-view");
    var stage = (state.stage = document.getElementById("tw-stage"));
    state.say = document.getElementById("tw-say");
    state.mapButton = document.getElementById("tw-map");
    if (!first) return note("This tour cannot be shown: it has no start slide.");
    stage.addEventListener("pointerdown", onPointerDown);
    stage.addEventListener("pointerup", onPointerUp);
    stage.addEventListener("pointercancel", onPointerCancel);
    stage.addEventListener("pointermove", onPointerMove);
    state.mapButton.addEventListener("click", toggleMap);
    window.addEventListener("keydown", onKeyDown);
    window.addEventListener("popstate", onPopState);
    window.addEventListener("resize", fit);
    // Bars that come and go on a phone change the visual viewport alone.
    if (window.visualViewport) window.visualViewport.addEventListener("resize", fit);
    keepStartImage();
    fit();
    show(first, "start");
  }

  // The start photograph is painted first, as soon as it has loaded; the
  // stage is built after that frame, so as not to hold its paint back. A page
  // that draws no frames (a hidden tab or frame) starts a moment later.
  function startAfterStartImage() {
    var img = startImageOfFirst();
    if (!img) return start();
    var started = false;
    var once = function () {
      if (!started) start();
      started = true;
    };
    var later = function () {
      requestAnimationFrame(function () {
        setTimeout(once, 0);
      });
      setTimeout(once, 100);
    };
    if (img.complete) return later();
    img.addEventListener("load", later);
    img.addEventListener("error", later);
  }

  if (document.readyState === "loading")
    document.addEventListener("DOMContentLoaded", startAfterStartImage);
  else startAfterStartImage();
})();
