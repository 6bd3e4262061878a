// The map slide: a plan of both floors that marks every standing point.
#ifndef MAKE_DEMO_TOUR_PLAN_H
#define MAKE_DEMO_TOUR_PLAN_H

#include <vector>

#include "graph.h"
#include "image.h"
#include "scene.h"

Image draw_plan(const Scene &scene, const std::vector<TourSlide> &slides);

#endif
