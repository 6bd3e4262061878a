// The page's logic: walks the slide table of tour.js as the desktop viewer
// walks it. Each function takes the tour's `format` (or the tour) and needs no
// browser; the page and Node's tests find them all in TOURWEB_LOGIC.
var TOURWEB_LOGIC = (function () {
  "use strict";

  function has(object, key) {
    return Object.prototype.hasOwnProperty.call(object, key);
  }

  // The move a click at stage pixel (x, y) makes; the side bands take the
  // corners.
  function region(format, x, y) {
    var s = format.slide,
      b = format.bands,
      m = format.moves,
      c = format.codes;
    var across = x - s.x,
      down = y - s.y;
    if (across < 0 || across > s.width || down < 0 || down > s.height) return m[c.NONE];
    if (across < b.left) return m[c.LEFT];
    if (across > b.right) return m[c.RIGHT];
    if (down < b.top) return m[c.UP];
    if (down > b.bottom) return m[c.DOWN];
    return m[c.FORWARD];
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
    var kinds = format.exits,
      shown = [];
    for (var i = 1; i <= kinds.length; i++) {
      var kind = kinds[i % kinds.length];
      var taken = exitTaken(format, exits, kind.move);
      if (taken && taken.name === kind.name) shown.push(kind);
    }
    return shown;
  }

  // The move a key makes (Down makes none), or null.
  function keyMove(format, key) {
    var c = format.codes;
    var codes = { ArrowUp: c.FORWARD, ArrowLeft: c.LEFT, ArrowRight: c.RIGHT };
    return has(codes, key) ? format.moves[codes[key]] : null;
  }

  // A horizontal swipe of (dx, dy) stage pixels turns: dragging the view to
  // the right looks to the left. Anything shorter or steeper is no swipe.
  function swipeMove(format, dx, dy) {
    if (Math.abs(dx) < 48 || Math.abs(dx) < 2 * Math.abs(dy)) return null;
    return format.moves[dx > 0 ? format.codes.LEFT : format.codes.RIGHT];
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
    format.moves.forEach(function (move) {
      var taken = exitTaken(format, slide.exits, move);
      if (taken) add(table.get(taken.target));
    });
    add(table.get(format.map));
    return photos;
  }

  // What people call a slide: "hall, facing north" where the tour knows its
  // place, else its id; the map is the map.
  function slideName(tour, slide) {
    if (slide.name) return slide.name;
    return slide.id === tour.format.map ? "Map" : slide.id;
  }

  // The page's title while `slide` shows: its name, and the tour's title.
  function pageTitle(tour, slide) {
    var title = tour.places ? tour.places.title : "";
    return slideName(tour, slide) + (title ? " \u2013 " + title : "");
  }

  // The point of the map that `from` stands at, with its name and the way it
  // faces; null when the tour does not place it.
  function mapMarker(tour, from) {
    var point = tour.places && from && from.place ? tour.places.points[from.place.point] : null;
    if (!point) return null;
    return { x: point.x, y: point.y, degrees: from.place.degrees, name: slideName(tour, from) };
  }

  // Each point of the map as a link {x, y, target, name}: to its slide facing
  // the way `from` faced (north when the tour does not place `from`), or the
  // nearest photographed heading, as tour.js gives it.
  function mapLinks(tour, table, from) {
    if (!tour.places) return [];
    var heading = from && from.place ? from.place.heading : 0;
    var links = [];
    tour.places.points.forEach(function (point) {
      var target = table.get(point.toward[heading]);
      if (target)
        links.push({ x: point.x, y: point.y, target: target, name: slideName(tour, target) });
    });
    return links;
  }

  return {
    slideName: slideName,
    pageTitle: pageTitle,
    mapMarker: mapMarker,
    mapLinks: mapLinks,
    region: region,
    exitTaken: exitTaken,
    pointerSprite: pointerSprite,
    arrowsFor: arrowsFor,
    keyMove: keyMove,
    swipeMove: swipeMove,
    fragmentId: fragmentId,
    fragmentOf: fragmentOf,
    slideTable: slideTable,
    startSlide: startSlide,
    reachablePhotos: reachablePhotos,
  };
})();
