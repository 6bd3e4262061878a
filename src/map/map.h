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

// The spot of each of the plan's points, by index, as write_map would draw
// them, without writing the map; false with *error set on failure.
bool map_spots(const Plan *plan, std::vector<MapSpot> *spots, std::string *error);

// What the map of `plan` depends on, as text: the title, the points, the walks
// and stairs, and each drawing's file stamp. Plans with the same inputs draw
// the same map.
std::string map_inputs(const Plan *plan);

#endif
