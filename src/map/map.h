// The map slide: one panel per floor, either the floor's drawing with
// numbered markers at the points, or a drawn plan of the points, the walks
// between them and the stairs, with the names and the title.
#ifndef TOURMAKE_MAP_H
#define TOURMAKE_MAP_H

#include <string>

#include "plan.h"

// Writes the 800 by 533 map JPEG to `path`; false with *error set on failure.
bool write_map(const Plan *plan, const std::string &path, std::string *error);

// What the map of `plan` depends on, as text: the title, the points, the walks
// and stairs, and each drawing's file stamp. Plans with the same inputs draw
// the same map.
std::string map_inputs(const Plan *plan);

#endif
