#include "scene.h"

#include <algorithm>

namespace
{
enum RoomId { HALL, CORRIDOR, GALLERY, STUDY, STAIRS, LANDING, LIBRARY, STUDIO };
}

static constexpr double GROUND = 0.0, UPPER = UPPER_FLOOR;
static constexpr float GROUND_CEILING = 3.0f, UPPER_CEILING = 6.2f;
static constexpr int STEP_COUNT = 16;

static std::vector<Room> house_rooms()
{
    Rgb white = srgb(236, 232, 224);
    return {
        {"HALL", true, FLOOR_PLANKS, srgb(150, 100, 58), srgb(118, 76, 42), srgb(226, 212, 180),
         white, srgb(238, 234, 226), 0.20f},
        {"CORRIDOR", false, FLOOR_TILES, srgb(222, 218, 210), srgb(52, 50, 50), srgb(178, 196, 178),
         white, srgb(236, 236, 230), 0.18f},
        {"GALLERY", true, FLOOR_STONE, srgb(196, 186, 166), srgb(170, 160, 140), srgb(140, 46, 42),
         srgb(228, 222, 210), srgb(240, 238, 232), 0.22f},
        {"STUDY", true, FLOOR_CARPET, srgb(54, 84, 62), srgb(40, 64, 48), srgb(170, 186, 204),
         white, srgb(234, 234, 232), 0.18f},
        {"STAIRS", false, FLOOR_PLANKS, srgb(140, 92, 54), srgb(110, 70, 40), srgb(214, 200, 170),
         white, srgb(238, 236, 230), 0.30f},
        {"LANDING", false, FLOOR_CARPET, srgb(132, 36, 40), srgb(104, 26, 30), srgb(222, 206, 150),
         white, srgb(240, 238, 230), 0.20f},
        {"LIBRARY", true, FLOOR_PLANKS, srgb(96, 60, 36), srgb(74, 44, 26), srgb(46, 82, 62),
         srgb(210, 196, 160), srgb(228, 222, 206), 0.20f},
        {"STUDIO", true, FLOOR_PLANKS, srgb(196, 168, 124), srgb(170, 140, 100),
         srgb(236, 236, 232), srgb(200, 200, 200), srgb(244, 244, 242), 0.24f},
    };
}

static Cell &cell_ref(Scene &scene, int col, int row)
{
    return scene.cells[static_cast<size_t>(row) * scene.cols + col];
}

// Opens every cell whose centre lies inside the rectangle [x0, x1] x [y0, y1].
static void carve(Scene &scene, double x0, double y0, double x1, double y1, int room, double floor,
                  float ceiling)
{
    for (int row = 0; row < scene.rows; row++)
        for (int col = 0; col < scene.cols; col++) {
            double cx = scene.origin_x + (col + 0.5) * CELL_SIZE;
            double cy = scene.origin_y + (row + 0.5) * CELL_SIZE;
            if (cx > x0 && cx < x1 && cy > y0 && cy < y1)
                cell_ref(scene, col, row) = {false, false, static_cast<float>(floor), ceiling,
                                             room};
        }
}

// A straight flight rising eastwards, one step per cell column.
static void carve_stairs(Scene &scene, double x0, double y0, double x1, double y1)
{
    carve(scene, x0, y0, x1, y1, STAIRS, GROUND, UPPER_CEILING);
    double rise = (UPPER - GROUND) / STEP_COUNT;
    for (int row = 0; row < scene.rows; row++)
        for (int col = 0; col < scene.cols; col++) {
            Cell &cell = cell_ref(scene, col, row);
            double cx = scene.origin_x + (col + 0.5) * CELL_SIZE;
            if (cell.solid || cell.room != STAIRS)
                continue;
            int step = static_cast<int>((cx - x0) / CELL_SIZE);
            cell.floor = static_cast<float>(GROUND + rise * (step + 1));
            cell.stair = true;
        }
}

static void build_plan(Scene &scene)
{
    // Ground floor: entrance hall, corridor with a gallery off it, study.
    carve(scene, 0, 0, 7, 7, HALL, GROUND, GROUND_CEILING);
    carve(scene, 7, 2.5, 16, 4.5, CORRIDOR, GROUND, GROUND_CEILING);
    carve(scene, 7, 2.5, 7.5, 4.5, CORRIDOR, GROUND, 2.4f); // arch into the hall
    carve(scene, 2.75, -0.5, 4.25, 0, HALL, GROUND, 2.2f);  // study door
    carve(scene, 0.5, -5, 6.5, -0.5, STUDY, GROUND, GROUND_CEILING);
    carve(scene, 11.25, 4.5, 12.75, 5, CORRIDOR, GROUND, 2.3f); // gallery door
    carve(scene, 9, 5, 15, 11, GALLERY, GROUND, 3.6f);
    carve_stairs(scene, 16, 2.5, 20, 4.5);
    scene.stair_middle_y = 3.5;
    // Upper floor: landing corridor, library, studio.
    float lintel = static_cast<float>(UPPER + 2.2);
    carve(scene, 20, 2.5, 30, 4.5, LANDING, UPPER, UPPER_CEILING);
    carve(scene, 24.25, 4.5, 25.75, 5, LANDING, UPPER, lintel);
    carve(scene, 22, 5, 28, 11, LIBRARY, UPPER, UPPER_CEILING);
    carve(scene, 28.25, 2, 29.75, 2.5, LANDING, UPPER, lintel);
    carve(scene, 26.5, -4, 31.5, 2, STUDIO, UPPER, UPPER_CEILING);
    scene.split_x = 16;
}

// Decorations, as (axis, plane, facing, u0, u1, z0, z1, kind, seed); z is
// measured from the floor of the room.
static void add_decorations(Scene &scene)
{
    struct Entry {
        int axis;
        double plane;
        int facing;
        double u0, u1, z0, z1;
        DecorKind kind;
        double floor;
    };
    const double G = GROUND, U = UPPER;
    const Entry entries[] = {
        // Hall
        {1, 7, -1, 1.2, 2.8, 0.9, 2.5, DECOR_WINDOW, G},
        {1, 7, -1, 4.2, 5.8, 0.9, 2.5, DECOR_WINDOW, G},
        {0, 0, 1, 3.0, 4.0, 0.0, 2.2, DECOR_DOOR, G},
        {0, 0, 1, 0.9, 2.1, 1.1, 2.0, DECOR_PAINTING, G},
        {0, 0, 1, 4.9, 6.1, 1.1, 2.0, DECOR_PAINTING, G},
        {1, 0, 1, 0.9, 2.1, 1.1, 2.0, DECOR_PAINTING, G},
        {1, 0, 1, 4.9, 6.1, 1.1, 2.0, DECOR_PAINTING, G},
        {0, 7, -1, 0.6, 1.9, 1.1, 2.1, DECOR_PAINTING, G},
        {0, 7, -1, 5.1, 6.4, 1.1, 2.1, DECOR_PAINTING, G},
        // Corridor
        {1, 4.5, -1, 8.0, 9.0, 1.2, 2.0, DECOR_PAINTING, G},
        {1, 4.5, -1, 14.4, 15.6, 1.2, 2.0, DECOR_PAINTING, G},
        {1, 2.5, 1, 7.9, 9.1, 1.1, 2.0, DECOR_PAINTING, G},
        {1, 2.5, 1, 11.4, 12.6, 1.1, 2.0, DECOR_PAINTING, G},
        {1, 2.5, 1, 14.55, 15.45, 0.0, 2.1, DECOR_DOOR, G},
        // Gallery
        {1, 11, -1, 10.5, 13.5, 0.9, 2.8, DECOR_PAINTING, G},
        {0, 15, -1, 6.0, 7.6, 1.0, 2.3, DECOR_PAINTING, G},
        {0, 15, -1, 8.4, 10.0, 1.0, 2.3, DECOR_PAINTING, G},
        {0, 9, 1, 6.0, 7.6, 1.0, 2.3, DECOR_PAINTING, G},
        {0, 9, 1, 8.4, 10.0, 1.0, 2.3, DECOR_PAINTING, G},
        {1, 5, 1, 9.6, 10.8, 1.1, 2.1, DECOR_PAINTING, G},
        {1, 5, 1, 13.2, 14.4, 1.1, 2.1, DECOR_PAINTING, G},
        // Study
        {1, -5, 1, 2.7, 4.3, 0.9, 2.3, DECOR_WINDOW, G},
        {0, 6.5, -1, -4.6, -0.9, 0.0, 2.2, DECOR_BOOKS, G},
        {0, 0.5, 1, -3.5, -2.0, 1.0, 2.1, DECOR_PAINTING, G},
        {1, -0.5, -1, 1.0, 2.2, 1.1, 2.0, DECOR_PAINTING, G},
        {1, -0.5, -1, 4.8, 6.0, 1.1, 2.0, DECOR_PAINTING, G},
        // Stairwell
        {1, 4.5, -1, 17.2, 18.8, 2.7, 4.0, DECOR_PAINTING, G},
        {1, 2.5, 1, 17.4, 18.6, 3.0, 4.6, DECOR_WINDOW, G},
        // Landing
        {1, 4.5, -1, 20.4, 21.6, 1.1, 2.0, DECOR_PAINTING, U},
        {1, 4.5, -1, 28.4, 29.6, 1.1, 2.0, DECOR_PAINTING, U},
        {1, 2.5, 1, 20.4, 21.6, 1.1, 2.0, DECOR_PAINTING, U},
        {1, 2.5, 1, 24.4, 25.6, 1.1, 2.0, DECOR_PAINTING, U},
        {0, 30, -1, 2.9, 4.1, 0.6, 2.6, DECOR_WINDOW, U},
        // Library
        {1, 11, -1, 24.2, 25.8, 0.9, 2.5, DECOR_WINDOW, U},
        {1, 11, -1, 22.2, 23.8, 0.0, 2.4, DECOR_BOOKS, U},
        {1, 11, -1, 26.2, 27.8, 0.0, 2.4, DECOR_BOOKS, U},
        {0, 28, -1, 5.3, 10.7, 0.0, 2.4, DECOR_BOOKS, U},
        {0, 22, 1, 5.3, 7.6, 0.0, 2.4, DECOR_BOOKS, U},
        {0, 22, 1, 8.4, 10.0, 1.0, 2.2, DECOR_PAINTING, U},
        {1, 5, 1, 22.6, 23.6, 1.1, 2.0, DECOR_PAINTING, U},
        {1, 5, 1, 26.4, 27.4, 1.1, 2.0, DECOR_PAINTING, U},
        // Studio
        {1, -4, 1, 28.0, 30.0, 0.8, 2.5, DECOR_WINDOW, U},
        {0, 31.5, -1, -2.5, 0.5, 0.9, 2.6, DECOR_PAINTING, U},
        {0, 26.5, 1, -2.6, -1.4, 1.1, 2.1, DECOR_PAINTING, U},
        {0, 26.5, 1, -0.4, 0.8, 1.1, 2.1, DECOR_PAINTING, U},
        {1, 2, -1, 26.9, 27.9, 1.1, 2.0, DECOR_PAINTING, U},
        {1, 2, -1, 30.1, 31.1, 1.1, 2.0, DECOR_PAINTING, U},
    };
    int seed = 0;
    for (const Entry &e : entries)
        scene.decorations.push_back({e.axis, e.plane, e.facing, e.u0, e.u1, e.floor + e.z0,
                                     e.floor + e.z1, e.kind, seed++});
}

static void add_lights(Scene &scene)
{
    auto light = [&](double x, double y, float ceiling, float power, int room) {
        scene.lights.push_back({x, y, ceiling - 0.35, power, room});
    };
    const float g = GROUND_CEILING, u = UPPER_CEILING;
    light(2, 2, g, 1.6f, HALL);
    light(5, 2, g, 1.6f, HALL);
    light(2, 5, g, 1.6f, HALL);
    light(5, 5, g, 1.6f, HALL);
    light(9.5, 3.5, g, 1.8f, CORRIDOR);
    light(13.5, 3.5, g, 1.8f, CORRIDOR);
    light(10.5, 8, 3.6f, 2.6f, GALLERY);
    light(13.5, 8, 3.6f, 2.6f, GALLERY);
    light(2.2, -2, g, 1.8f, STUDY);
    light(4.8, -3.5, g, 1.8f, STUDY);
    light(16.6, 3.5, u, 3.0f, STAIRS);
    light(19.4, 3.5, u, 3.0f, STAIRS);
    light(22.5, 3.5, u, 2.2f, LANDING);
    light(27, 3.5, u, 2.2f, LANDING);
    light(25, 6.5, u, 2.2f, LIBRARY);
    light(25, 9.5, u, 2.2f, LIBRARY);
    light(29, 0.5, u, 2.4f, STUDIO);
    light(29, -2.5, u, 2.4f, STUDIO);
}

static void add_points(Scene &scene)
{
    scene.points = {
        {"hall", 3.5, 3.5, 0},
        {"arch", 8.5, 3.5, 0},
        {"corridor", 12, 3.5, 0},
        {"gallery", 12, 8, 0},
        {"stairs", 15, 3.5, 0},
        {"study", 3.5, -2.75, 0},
        {"landing", 21, 3.5, 1, view_of(EAST) | view_of(WEST)},
        {"passage", 25, 3.5, 1},
        {"window", 29, 3.5, 1, ALL_VIEWS, true},
        {"library", 25, 8, 1},
        {"studio", 29, -1, 1},
    };
    // The foot of the stairs (point 4) and the top (point 6). The top sees
    // only along the landing: turning there turns round.
    scene.stairs = {{4, EAST, true, 6, EAST}, {6, WEST, false, 4, WEST}};
}

const Cell &scene_cell(const Scene &scene, int col, int row)
{
    static const Cell outside = {true, false, 0, 0, 0};
    if (col < 0 || row < 0 || col >= scene.cols || row >= scene.rows)
        return outside;
    return scene.cells[static_cast<size_t>(row) * scene.cols + col];
}

const Cell &cell_at(const Scene &scene, double x, double y)
{
    return scene_cell(scene, static_cast<int>(std::floor((x - scene.origin_x) / CELL_SIZE)),
                      static_cast<int>(std::floor((y - scene.origin_y) / CELL_SIZE)));
}

static void compute_wall_distance(Scene &scene)
{
    const int reach = 4;
    scene.wall_distance.assign(static_cast<size_t>(scene.cols + 1) * (scene.rows + 1), 1.0f);
    for (int j = 0; j <= scene.rows; j++)
        for (int i = 0; i <= scene.cols; i++) {
            double best = 1.0;
            for (int row = j - reach; row < j + reach; row++)
                for (int col = i - reach; col < i + reach; col++) {
                    if (!scene_cell(scene, col, row).solid)
                        continue;
                    double dx = std::max({0.0, col - static_cast<double>(i), i - (col + 1.0)});
                    double dy = std::max({0.0, row - static_cast<double>(j), j - (row + 1.0)});
                    best = std::min(best, std::sqrt(dx * dx + dy * dy) * CELL_SIZE);
                }
            scene.wall_distance[static_cast<size_t>(j) * (scene.cols + 1) + i] =
                static_cast<float>(best);
        }
}

float distance_to_wall(const Scene &scene, double x, double y)
{
    double gx = (x - scene.origin_x) / CELL_SIZE, gy = (y - scene.origin_y) / CELL_SIZE;
    int i = static_cast<int>(std::floor(gx)), j = static_cast<int>(std::floor(gy));
    if (i < 0 || j < 0 || i >= scene.cols || j >= scene.rows)
        return 0;
    float tx = static_cast<float>(gx - i), ty = static_cast<float>(gy - j);
    const float *d = &scene.wall_distance[static_cast<size_t>(j) * (scene.cols + 1) + i];
    const float *e = d + scene.cols + 1;
    return (d[0] * (1 - tx) + d[1] * tx) * (1 - ty) + (e[0] * (1 - tx) + e[1] * tx) * ty;
}

Scene build_scene()
{
    Scene scene;
    scene.origin_x = -1;
    scene.origin_y = -6;
    scene.cols = static_cast<int>(34 / CELL_SIZE);
    scene.rows = static_cast<int>(18 / CELL_SIZE);
    scene.cells.assign(static_cast<size_t>(scene.cols) * scene.rows, Cell{true, false, 0, 0, 0});
    scene.rooms = house_rooms();
    build_plan(scene);
    add_decorations(scene);
    add_lights(scene);
    add_points(scene);
    compute_wall_distance(scene);
    return scene;
}
