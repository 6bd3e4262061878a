// What hangs on the walls: paintings, windows, doors and bookcases, drawn as
// procedural pictures over the decoration's rectangle.
#ifndef MAKE_DEMO_TOUR_DECORATIONS_H
#define MAKE_DEMO_TOUR_DECORATIONS_H

#include "color.h"
#include "scene.h"

// The albedo at (u, v) metres from the decoration's bottom-left corner as a
// viewer facing the wall sees it; light that the point gives off itself (a
// window's view) goes to `emission`. `footprint` is the pixel size in metres.
Rgb decoration_color(const Decoration &decor, const Room &room, float u, float v, float footprint,
                     Rgb *emission);

#endif
