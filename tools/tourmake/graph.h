// The slides derived from a plan: one per photograph, with the turns at each
// point and the exits that walks and stairs give.
#ifndef TOURMAKE_GRAPH_H
#define TOURMAKE_GRAPH_H

#include <array>
#include <string>
#include <vector>

#include "plan.h"

// Exit indexes in the format's listing order.
enum Exit { EXIT_FORWARD, EXIT_LEFT, EXIT_RIGHT, EXIT_LEFT180, EXIT_RIGHT180, EXIT_UP, EXIT_DOWN };
constexpr int EXITS = 7;

struct PlannedSlide {
    std::string id;
    int photo;                     // index into Plan::photos
    std::array<int, EXITS> exits;  // target slide index, or -1
    std::array<int, EXITS> set_by; // the plan line that gave the exit
};

// Slides in plan order, the start first. Conflicting exits are errors, a
// nearest-heading substitution and a point out of reach are warnings.
std::vector<PlannedSlide> build_slides(Plan *plan);

#endif
