// Procedural albedo of floors, ceilings and plain walls.
#ifndef MAKE_DEMO_TOUR_MATERIALS_H
#define MAKE_DEMO_TOUR_MATERIALS_H

#include "color.h"
#include "scene.h"

// `footprint` is the size of one pixel on the surface in metres; details
// finer than that fade to their average.
Rgb floor_color(const Room &room, double x, double y, float footprint, float *shine);
// A tread whose front edge lies at x = `front` and whose back at `back`;
// `runner` is the distance across the flight from the carpet runner's middle.
Rgb stair_tread_color(const Room &room, double x, double y, double front, double back,
                      double runner, float footprint);
Rgb stair_riser_color(const Room &room, double runner, float footprint);
Rgb ceiling_color(const Room &room, double x, double y, float footprint);
// A plain wall: plaster above a skirting board; `height` is above the floor.
Rgb wall_color(const Room &room, double along, double height, float footprint);

#endif
