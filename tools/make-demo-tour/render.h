// The camera: renders the photograph seen from a standing point in one heading.
#ifndef MAKE_DEMO_TOUR_RENDER_H
#define MAKE_DEMO_TOUR_RENDER_H

#include "format.h"
#include "image.h"
#include "scene.h"

Image render_view(const Scene &scene, int point, Heading heading);

#endif
