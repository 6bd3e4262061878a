// The map slide: one panel per floor, either the floor's drawing with
// numbered markers at the points, or a drawn plan of the points, the walks
// between them and the stairs, with the names and the title.
#ifndef TOURMAKE_MAP_H
#define TOURMAKE_MAP_H

#include <string>
#include <vector>

#include "plan.h"

// Where a point's marker stands on the map, in the map's pixels.
struct MapSpot {
    double x, y;
};

// Writes the 800 by 533 map JPEG to `path`, and into *spots (unless null) the
// spot of each of the plan's points, by index; false with *error set on failure.
bool write_map(const Plan *plan, const std::string &path, std::string *error,
               std::vector<MapSpot> *spots = nullptr);

#endif
