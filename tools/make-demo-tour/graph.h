// The slide graph of the demo tour, derived from the model: one slide per
// standing point and heading, and data.xml written through the XML module.
#ifndef MAKE_DEMO_TOUR_GRAPH_H
#define MAKE_DEMO_TOUR_GRAPH_H

#include <array>
#include <string>
#include <vector>

#include "format.h"
#include "scene.h"

struct TourSlide {
    std::string id;
    int point;
    Heading heading;
    std::array<std::string, exit_kinds.size()> exits; // target ids by exit kind; empty when absent
};

// "S001" is the first standing point looking east; ids run point by point.
std::string slide_id(int point, Heading heading);
std::vector<TourSlide> build_graph(const Scene &scene);
bool write_tour_file(const std::vector<TourSlide> &slides, const std::string &path);

#endif
