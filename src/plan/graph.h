// The slides derived from a plan: one per photograph, with the turns at each
// point and the exits that walks and stairs give.
#ifndef TOURMAKE_GRAPH_H
#define TOURMAKE_GRAPH_H

#include <array>
#include <string>
#include <vector>

#include "format.h"
#include "plan.h"

struct PlannedSlide {
    std::string id;
    int photo;                          // index into Plan::photos
    std::array<int, EXIT_COUNT> exits;  // target slide index, or -1
    std::array<int, EXIT_COUNT> set_by; // the plan line that gave the exit
};

// The heading nearest to `heading` whose photo[] is set (>= 0), clockwise
// first on a tie; -1 when none is.
int nearest_heading(const std::array<int, HEADINGS> &photo, int heading);

// Slides in plan order, the start first. Conflicting exits are errors, a
// nearest-heading substitution and a point out of reach are warnings.
std::vector<PlannedSlide> build_slides(const Plan *plan, Diagnostics *diagnostics);

#endif
