// The plan of the demo tour for tourmake: its standing points on the floor
// drawings, one photograph a heading, and the walks and stairs between them
// as the model of the house gives them.
#ifndef MAKE_DEMO_TOUR_WALKS_H
#define MAKE_DEMO_TOUR_WALKS_H

#include <string>

#include "scene.h"

// The photograph of `point` facing `heading`, as the plan names it.
std::string photo_file(const Scene &scene, int point, Heading heading);
// The 360° photograph of a point, as the plan names it.
std::string pano_file(const Scene &scene, int point);
// The drawing of floor `level`, as the plan names it.
std::string drawing_file(int level);
std::string plan_text(const Scene &scene);

#endif
