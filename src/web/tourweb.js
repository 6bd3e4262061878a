// The tour in a browser: walks the slide table of tour.js as the desktop
// viewer walks it. The functions up to the page set-up take the tour's
// `format` and need no browser; Node's tests load them through module.exports.
(function () {
  "use strict";

  // Move codes, as indexes into format.moves.
  var FORWARD = 0, LEFT = 1, RIGHT = 2, UP = 3, DOWN = 4, NONE = 5;

  var LABELS = {
    forward: "Forward",
    left: "Turn left",
    right: "Turn right",
    left180: "Turn round to the left",
    right180: "Turn round to the right",
    up: "Up the stairs",
    down: "Down the stairs"
  };

  function has(object, key) {
    return Object.prototype.hasOwnProperty.call(object, key);
  }

  // The move a click at stage pixel (x, y) makes; the side bands take the
  // corners.
  function region(format, x, y) {
    var s = format.slide, b = format.bands, m = format.moves;
    var across = x - s.x, down = y - s.y;
    if (across < 0 || across > s.width || down < 0 || down > s.height) return m[NONE];
    if (across < b.left) return m[LEFT];
    if (across > b.right) return m[RIGHT];
    if (down < b.top) return m[UP];
    if (down > b.bottom) return m[DOWN];
    return m[FORWARD];
  }

  // The exit {name, target} that `move` follows from a slide with `exits`,
  // or null.
  function exitTaken(format, exits, move) {
    var names = has(format.preference, move) ? format.preference[move] : [];
    for (var i = 0; i < names.length; i++)
      if (has(exits, names[i])) return { name: names[i], target: exits[names[i]] };
    return null;
  }

  function exitKind(format, name) {
    for (var i = 0; i < format.exits.length; i++)
      if (format.exits[i].name === name) return format.exits[i];
    return null;
  }

  // The sprite index of the pointer that shows what `move` would do.
  function pointerSprite(format, exits, move) {
    var taken = exitTaken(format, exits, move);
    var kind = taken && exitKind(format, taken.name);
    return kind ? kind.sprite : 0;
  }

  // The exit kinds whose arrows show, in the desktop's drawing order
  // (forward last, so it lies on top).
  function arrowsFor(format, exits) {
    var kinds = format.exits, shown = [];
    for (var i = 1; i <= kinds.length; i++) {
      var kind = kinds[i % kinds.length];
      var taken = exitTaken(format, exits, kind.move);
      if (taken && taken.name === kind.name) shown.push(kind);
    }
    return shown;
  }

  // The move a key makes (Down makes none), or null.
  function keyMove(format, key) {
    var codes = { ArrowUp: FORWARD, ArrowLeft: LEFT, ArrowRight: RIGHT };
    return has(codes, key) ? format.moves[codes[key]] : null;
  }

  // A horizontal swipe of (dx, dy) stage pixels turns: dragging the view to
  // the right looks to the left. Anything shorter or steeper is no swipe.
  function swipeMove(format, dx, dy) {
    if (Math.abs(dx) < 48 || Math.abs(dx) < 2 * Math.abs(dy)) return null;
    return format.moves[dx > 0 ? LEFT : RIGHT];
  }

  // The slide id a location fragment names, or null.
  function fragmentId(hash) {
    var text = String(hash || "").replace(/^#/, "");
    if (!text) return null;
    try {
      return decodeURIComponent(text);
    } catch (e) {
      return null;
    }
  }

  function fragmentOf(id) {
    try {
      return "#" + encodeURIComponent(id);
    } catch (e) {
      return "#";
    }
  }

  function slideTable(tour) {
    var table = new Map();
    tour.slides.forEach(function (slide) {
      if (!table.has(slide.id)) table.set(slide.id, slide);
    });
    return table;
  }

  // The slide a page opened at `hash` shows first: the one it names, else the
  // start slide.
  function startSlide(tour, table, hash) {
    var id = fragmentId(hash);
    return (id !== null && table.get(id)) || table.get(tour.format.start) || null;
  }

  // The photographs a slide's moves and the map can reach.
  function reachablePhotos(format, table, slide) {
    var photos = [];
    function add(next) {
      if (next && next.photo && next !== slide && photos.indexOf(next.photo) < 0)
        photos.push(next.photo);
    }
    for (var code = FORWARD; code < NONE; code++) {
      var taken = exitTaken(format, slide.exits, format.moves[code]);
      if (taken) add(table.get(taken.target));
    }
    add(table.get(format.map));
    return photos;
  }

  var logic = {
    region: region, exitTaken: exitTaken, pointerSprite: pointerSprite, arrowsFor: arrowsFor,
    keyMove: keyMove, swipeMove: swipeMove, fragmentId: fragmentId, fragmentOf: fragmentOf,
    slideTable: slideTable, startSlide: startSlide, reachablePhotos: reachablePhotos
  };
  if (typeof module !== "undefined") module.exports = logic;
  if (typeof document === "undefined") return;

  // A page that cannot walk says why, in place of the stage.
  function note(text) {
    var p = document.createElement("p");
    p.className = "tw-note";
    p.textContent = text;
    document.body.textContent = "";
    document.body.appendChild(p);
  }

  if (typeof TOURWEB_TOUR === "undefined") {
    document.addEventListener("DOMContentLoaded", function () {
      note("This tour cannot be shown: its tour.js is missing.");
    });
    return;
  }
  var tour = TOURWEB_TOUR, format = tour.format;
  var table = slideTable(tour);
  var preloadOn = !/[?&]preload=0(&|$)/.test(location.search);
  var current = null, saved = null, scale = 1;
  var photo = null, arrows = [], cached = new Map(), cursorSprite = -1;
  var pointer = null; // last pointer position in stage pixels
  var stage, say, mapButton;
  var first = startSlide(tour, table, location.hash);
  // The start photograph loads while the rest of the document is parsed.
  if (first && first.photo) cached.set(first.photo, imageFor(first.photo));

  function cssUrl(url) {
    return 'url("' + String(url).replace(/["\\\n]/g, "\\$&") + '")';
  }

  function setCursor(sprite) {
    if (sprite === cursorSprite) return;
    cursorSprite = sprite;
    var url = cssUrl(format.sprites[sprite].cursor);
    stage.style.cursor = url + " 0 0, default";
    // Scaled with the stage where image-set() works; ignored elsewhere.
    if (scale !== 1)
      stage.style.cursor = "image-set(" + url + " " + (1 / scale) + "x) 0 0, " + url + " 0 0, default";
  }

  function updateCursor() {
    if (pointer) setCursor(pointerSprite(format, current.exits, region(format, pointer.x, pointer.y)));
  }

  function imageFor(url) {
    var img = cached.get(url);
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
    if (photo && current.photo) keep.set(current.photo, photo);
    if (preloadOn)
      reachablePhotos(format, table, current).forEach(function (url) {
        var img = imageFor(url);
        keep.set(url, img);
        if (img.decode) img.decode().catch(function () {});
      });
    cached = keep;
  }

  function drawPhoto() {
    if (photo) photo.remove();
    photo = current.photo ? imageFor(current.photo) : null;
    if (!photo) return preload();
    photo.className = "tw-photo";
    photo.style.left = format.slide.x + "px";
    photo.style.top = format.slide.y + "px";
    stage.insertBefore(photo, stage.firstChild);
    // Preloads begin once the photograph is painted, so as not to delay it.
    var shown = current;
    var then = function () {
      requestAnimationFrame(function () {
        setTimeout(function () {
          if (current === shown) preload();
        }, 0);
      });
    };
    if (photo.decode) photo.decode().then(then, then);
    else then();
  }

  function drawArrows(focusMove) {
    arrows.forEach(function (b) { b.remove(); });
    arrows = arrowsFor(format, current.exits).map(function (kind) {
      var sprite = format.sprites[kind.sprite];
      var button = document.createElement("button");
      button.type = "button";
      button.className = "tw-exit";
      button.setAttribute("aria-label", has(LABELS, kind.name) ? LABELS[kind.name] : kind.name);
      button.style.left = sprite.x + "px";
      button.style.top = sprite.y + "px";
      var img = new Image();
      img.alt = "";
      img.src = sprite.arrow;
      button.appendChild(img);
      button.addEventListener("click", function () { move(kind.move); });
      button.dataset.move = kind.move;
      stage.insertBefore(button, mapButton);
      return button;
    });
    if (focusMove !== undefined) {
      var next = arrows.filter(function (b) { return b.dataset.move === focusMove; })[0];
      (next || arrows[0] || mapButton).focus();
    }
  }

  // Shows `slide`; `how` says what becomes of the history: "start" or
  // "replace" the current entry, "push" a new one, or nothing (Back and Forward).
  function show(slide, how) {
    var focused = document.activeElement;
    var focusMove = focused && focused.classList.contains("tw-exit") ? focused.dataset.move : undefined;
    var arrived = slide !== current;
    current = slide;
    if (arrived) drawPhoto();
    drawArrows(focusMove);
    updateCursor();
    var state = { id: current.id, saved: saved ? saved.id : null };
    if (how === "replace" || how === "start") history.replaceState(state, "", fragmentOf(current.id));
    else if (how === "push") history.pushState(state, "", fragmentOf(current.id));
    if (arrived) document.title = current.id;
    // The start is named by the title; later arrivals are announced.
    if (arrived && how !== "start") say.textContent = current.id === format.map ? "Map" : current.id;
  }

  function go(target) {
    var next = table.get(target);
    if (!next) {
      console.warn("tourweb: slide " + JSON.stringify(target) + " is not in the tour; staying on " +
                   JSON.stringify(current.id));
      return;
    }
    show(next, next === current ? "" : "push");
  }

  function move(name) {
    var taken = exitTaken(format, current.exits, name);
    if (taken) go(taken.target);
  }

  // The map key: opens the map remembering the slide, or returns to it.
  function toggleMap() {
    if (saved) {
      var back = saved;
      saved = null;
      show(back, back === current ? "replace" : "push");
      return;
    }
    var map = table.get(format.map);
    if (!map) return console.warn("tourweb: the tour has no map");
    saved = current;
    show(map, map === current ? "replace" : "push");
  }

  function stagePoint(e) {
    var r = stage.getBoundingClientRect();
    return {
      x: Math.floor((e.clientX - r.left) / scale),
      y: Math.floor((e.clientY - r.top) / scale)
    };
  }

  function fit() {
    var w = format.window.width, h = format.window.height;
    stage.style.width = w + "px";
    stage.style.height = h + "px";
    scale = Math.min(window.innerWidth / w, window.innerHeight / h) || 1;
    var dpr = window.devicePixelRatio || 1;
    // Whole device pixels, so the stage's edges and pixels stay sharp.
    var left = Math.round((window.innerWidth - w * scale) / 2 * dpr) / dpr;
    var top = Math.round((window.innerHeight - h * scale) / 2 * dpr) / dpr;
    stage.style.transform = "translate(" + left + "px," + top + "px) scale(" + scale + ")";
    var device = scale * dpr;
    stage.classList.toggle("tw-crisp", device >= 1 && Math.abs(device - Math.round(device)) < 1e-6);
    cursorSprite = -1;
    updateCursor();
  }

  function start() {
    stage = document.getElementById("tw-stage");
    say = document.getElementById("tw-say");
    mapButton = document.getElementById("tw-map");
    if (!first) {
      note("This tour cannot be shown: it has no start slide.");
      return;
    }
    var touch = null;
    stage.addEventListener("pointerdown", function (e) {
      if (e.target === mapButton) return;
      var p = stagePoint(e);
      if (e.pointerType === "mouse") {
        pointer = p;
        if (e.button === 0) move(region(format, p.x, p.y));
        return;
      }
      touch = { id: e.pointerId, x: p.x, y: p.y };
    });
    stage.addEventListener("pointerup", function (e) {
      if (!touch || touch.id !== e.pointerId) return;
      var p = stagePoint(e), from = touch;
      touch = null;
      var dx = p.x - from.x, dy = p.y - from.y;
      var turn = swipeMove(format, dx, dy);
      if (turn) move(turn);
      // A finger wanders a little in a tap: a dozen CSS pixels, at any scale.
      else if (Math.max(Math.abs(dx), Math.abs(dy)) * scale < 12) move(region(format, from.x, from.y));
    });
    stage.addEventListener("pointercancel", function () { touch = null; });
    stage.addEventListener("pointermove", function (e) {
      if (e.pointerType !== "mouse") return;
      pointer = stagePoint(e);
      updateCursor();
    });
    mapButton.addEventListener("click", toggleMap);

    window.addEventListener("keydown", function (e) {
      if (e.altKey || e.ctrlKey || e.metaKey || e.isComposing) return;
      if (e.key === "m" || e.key === "M") {
        if (!e.repeat) toggleMap();
        e.preventDefault();
        return;
      }
      if (!/^Arrow/.test(e.key)) return;
      e.preventDefault();
      var name = keyMove(format, e.key);
      if (name && !e.repeat) move(name);
    });
    window.addEventListener("popstate", function (e) {
      var state = e.state && typeof e.state.id === "string" ? e.state : null;
      var next = table.get(state ? state.id : fragmentId(location.hash));
      if (!next) {
        history.replaceState({ id: current.id, saved: saved ? saved.id : null }, "", fragmentOf(current.id));
        return;
      }
      saved = (state && state.saved !== null && table.get(state.saved)) || null;
      show(next, "");
    });
    window.addEventListener("resize", fit);

    fit();
    show(first, "start");
  }

  if (document.readyState === "loading") document.addEventListener("DOMContentLoaded", start);
  else start();
})();
