// The model of the demo building: a two-floor house on a 25 cm grid, with
// rooms, a staircase, wall decorations, ceiling lights and the standing points
// from which the photographs are taken.
#ifndef MAKE_DEMO_TOUR_SCENE_H
#define MAKE_DEMO_TOUR_SCENE_H

#include <string>
#include <vector>

#include "color.h"
#include "plan.h"

constexpr double CELL_SIZE = 0.25;
constexpr double EYE_HEIGHT = 1.6;
constexpr double UPPER_FLOOR = 3.2; // the height of the upper floor above the ground floor

enum FloorKind { FLOOR_PLANKS, FLOOR_TILES, FLOOR_CARPET, FLOOR_STONE };

struct Room {
    const char *name; // as printed on the map
    bool labelled;    // whether the map prints the name
    FloorKind floor;
    Rgb floor_a, floor_b; // main and secondary floor colour
    Rgb wall, trim, ceiling;
    float ambient;
};

struct Cell {
    bool solid;
    bool stair; // a step: wooden tread, painted riser
    float floor, ceiling;
    int room;
};

enum DecorKind { DECOR_PAINTING, DECOR_WINDOW, DECOR_DOOR, DECOR_BOOKS };

// A flat thing on a wall face. The face lies on the plane x = `plane` (axis 0)
// or y = `plane` (axis 1) and looks towards `facing` (+1 or -1) along that axis.
struct Decoration {
    int axis;
    double plane;
    int facing;
    double u0, u1; // extent along the wall (y for axis 0, x for axis 1)
    double z0, z1;
    DecorKind kind;
    int seed;
};

struct Light {
    double x, y, z;
    float power;
    int room;
};

// Headings in turning order: a left turn adds one.
enum Heading { EAST, NORTH, WEST, SOUTH };
// As the plan writes it: east is its heading 2, and a left turn two back.
constexpr const char *heading_name(Heading heading)
{
    return heading_names[(HEADINGS + 2 - 2 * heading) % HEADINGS];
}

constexpr unsigned view_of(Heading heading)
{
    return 1u << heading;
}
constexpr unsigned ALL_VIEWS = 15;

struct StandPoint {
    const char *name; // the plan's name of the point, part of its slide ids
    double x, y;
    int level;                  // 0 ground floor, 1 upper floor
    unsigned views = ALL_VIEWS; // the headings photographed, by view_of
    bool pano = false;          // taken as one 360° photograph instead
};

// A 360° photograph: 4096 by 2048 pixels, its centre facing east.
constexpr int PANO_WIDTH = 4096;
constexpr double PANO_CENTRE = 90;

// An explicit stair move: from (point, heading) the exit `up` or `down` leads
// to (to_point, to_heading). The plan states the way up; tourmake derives the
// way down, which the model lists too for the camera's tilt.
struct StairMove {
    int point;
    Heading heading;
    bool up;
    int to_point;
    Heading to_heading;
};

struct Scene {
    int cols = 0, rows = 0;
    double origin_x = 0, origin_y = 0; // world position of cell (0, 0)'s corner
    std::vector<Cell> cells;
    std::vector<float> wall_distance; // at cell corners, (cols + 1) * (rows + 1)
    std::vector<Room> rooms;
    std::vector<Decoration> decorations;
    std::vector<Light> lights;
    std::vector<StandPoint> points;
    std::vector<StairMove> stairs;
    double split_x = 0;        // the ground floor lies west of it, the upper floor east
    double stair_middle_y = 0; // the middle line of the flight, where its runner lies
};

Scene build_scene();
const Cell &scene_cell(const Scene &scene, int col, int row);
// The cell under a world position; solid outside the grid.
const Cell &cell_at(const Scene &scene, double x, double y);
// Whether the cell is open floor on `level`: the flight belongs to both.
inline bool on_level(const Cell &cell, int level)
{
    return !cell.solid && (cell.stair || (cell.floor * 2 >= UPPER_FLOOR) == (level == 1));
}
// Distance in metres from (x, y) to the nearest wall, interpolated, capped at 1 m.
float distance_to_wall(const Scene &scene, double x, double y);

#endif
