// The camera: renders the photograph seen from a standing point in one heading.
#ifndef MAKE_DEMO_TOUR_RENDER_H
#define MAKE_DEMO_TOUR_RENDER_H

#include "image.h"
#include "scene.h"

constexpr int PHOTO_WIDTH = 800;
constexpr int PHOTO_HEIGHT = 533;

Image render_view(const Scene &scene, int point, Heading heading);

#endif
