// The floor drawings that tourmake marks the standing points on: one plan
// of each floor, its walls, its rooms tinted and the stair treads as lines.
#ifndef MAKE_DEMO_TOUR_DRAWING_H
#define MAKE_DEMO_TOUR_DRAWING_H

#include "image.h"
#include "scene.h"

// Where a floor's drawing lies in the world: every floor's drawing has the
// same size and scale, so that the map shows them alike.
struct DrawingFrame {
    double west, north; // the world position of the drawing's top-left corner
    int width, height;  // pixels
};

constexpr double DRAWING_SCALE = 24; // pixels per metre

// The number of floors with standing points, each with its drawing.
int floor_count(const Scene &scene);
DrawingFrame drawing_frame(const Scene &scene, int level);
Image draw_floor(const Scene &scene, int level);

#endif
