// The camera: renders the photograph seen from a standing point in one heading.
#ifndef MAKE_DEMO_TOUR_RENDER_H
#define MAKE_DEMO_TOUR_RENDER_H

#include "format.h"
#include "image.h"
#include "scene.h"

Image render_view(const Scene &scene, int point, Heading heading);
// The 360° photograph taken at the point: `width` by width / 2, equirectangular,
// its centre column facing `centre` degrees clockwise from north.
Image render_equirect(const Scene &scene, int point, int width, double centre);

#endif
