#include "drawing.h"

#include <algorithm>
#include <cmath>

static constexpr double MARGIN = 0.6; // metres of paper round the walls

static const unsigned char ink[3] = {40, 40, 44}, paper_rgb[3] = {255, 255, 255};
static const unsigned char tints[][3] = {{236, 214, 180}, {214, 226, 214}, {232, 196, 190},
                                         {202, 218, 232}, {226, 212, 190}, {236, 220, 170},
                                         {200, 224, 206}, {228, 228, 232}};

namespace
{
struct Bounds {
    double west = INFINITY, east = -INFINITY, south = INFINITY, north = -INFINITY;
};
} // namespace

int floor_count(const Scene &scene)
{
    int top = 0;
    for (const StandPoint &p : scene.points)
        top = std::max(top, p.level);
    return top + 1;
}

// The world rectangle of the floor's open cells.
static Bounds floor_bounds(const Scene &scene, int level)
{
    Bounds b;
    for (int row = 0; row < scene.rows; row++)
        for (int col = 0; col < scene.cols; col++)
            if (on_level(scene_cell(scene, col, row), level)) {
                double x = scene.origin_x + col * CELL_SIZE, y = scene.origin_y + row * CELL_SIZE;
                b.west = std::min(b.west, x);
                b.east = std::max(b.east, x + CELL_SIZE);
                b.south = std::min(b.south, y);
                b.north = std::max(b.north, y + CELL_SIZE);
            }
    return b;
}

DrawingFrame drawing_frame(const Scene &scene, int level)
{
    double width = 0, height = 0;
    for (int l = 0; l < floor_count(scene); l++) {
        Bounds b = floor_bounds(scene, l);
        width = std::max(width, b.east - b.west);
        height = std::max(height, b.north - b.south);
    }
    width += 2 * MARGIN;
    height += 2 * MARGIN;
    Bounds own = floor_bounds(scene, level);
    return {(own.west + own.east - width) / 2, (own.north + own.south + height) / 2,
            static_cast<int>(std::lround(width * DRAWING_SCALE)),
            static_cast<int>(std::lround(height * DRAWING_SCALE))};
}

static bool near_open(const Scene &scene, int col, int row, int level)
{
    for (int dr = -1; dr <= 1; dr++)
        for (int dc = -1; dc <= 1; dc++)
            if (on_level(scene_cell(scene, col + dc, row + dr), level))
                return true;
    return false;
}

// The colour of the drawing at a world position: the walls round the floor,
// its rooms, and the stair treads drawn as lines across the flight.
static void floor_color(const Scene &scene, int level, double x, double y, float out[3])
{
    int col = static_cast<int>(std::floor((x - scene.origin_x) / CELL_SIZE));
    int row = static_cast<int>(std::floor((y - scene.origin_y) / CELL_SIZE));
    const Cell &cell = scene_cell(scene, col, row);
    const unsigned char *c = paper_rgb;
    if (on_level(cell, level))
        c = tints[cell.room % 8];
    else if (cell.solid && near_open(scene, col, row, level))
        c = ink;
    for (int k = 0; k < 3; k++)
        out[k] = c[k];
    if (on_level(cell, level) && cell.stair) {
        double into = (x - scene.origin_x) / CELL_SIZE - col;
        if (into < 0.12)
            for (int k = 0; k < 3; k++)
                out[k] = ink[k];
    }
}

Image draw_floor(const Scene &scene, int level)
{
    DrawingFrame frame = drawing_frame(scene, level);
    Image image = image_new(frame.width, frame.height, 3);
    const int ss = 3; // samples a pixel side
    for (int py = 0; py < image.height; py++)
        for (int px = 0; px < image.width; px++) {
            float sum[3] = {0, 0, 0};
            for (int j = 0; j < ss; j++)
                for (int i = 0; i < ss; i++) {
                    float c[3];
                    floor_color(scene, level, frame.west + (px + (i + 0.5) / ss) / DRAWING_SCALE,
                                frame.north - (py + (j + 0.5) / ss) / DRAWING_SCALE, c);
                    for (int k = 0; k < 3; k++)
                        sum[k] += c[k];
                }
            unsigned char *p = image_pixel(image, px, py);
            for (int k = 0; k < 3; k++)
                p[k] = static_cast<unsigned char>(sum[k] / (ss * ss) + 0.5f);
        }
    return image;
}
