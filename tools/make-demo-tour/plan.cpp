#include "plan.h"

#include <stdio.h>

#include <algorithm>

#include "font.h"
#include "render.h"

// The plan shows the world rectangle from (PLAN_WEST, PLAN_NORTH) down to the south-east.
static constexpr double SCALE = 23; // pixels per metre
static constexpr double PLAN_WEST = -0.6, PLAN_NORTH = 11.6;
static constexpr int LEFT = 25, TOP = 74;

static const unsigned char ink[3] = {40, 40, 44}, paper_rgb[3] = {246, 241, 228};
static const unsigned char tints[][3] = {{236, 214, 180}, {214, 226, 214}, {232, 196, 190},
                                         {202, 218, 232}, {226, 212, 190}, {236, 220, 170},
                                         {200, 224, 206}, {228, 228, 232}};

static double world_x(double px)
{
    return PLAN_WEST + (px - LEFT) / SCALE;
}
static double world_y(double py)
{
    return PLAN_NORTH - (py - TOP) / SCALE;
}
static int pixel_x(double x)
{
    return static_cast<int>(std::lround(LEFT + (x - PLAN_WEST) * SCALE));
}
static int pixel_y(double y)
{
    return static_cast<int>(std::lround(TOP + (PLAN_NORTH - y) * SCALE));
}

static bool near_open(const Scene &scene, int col, int row)
{
    for (int dr = -1; dr <= 1; dr++)
        for (int dc = -1; dc <= 1; dc++)
            if (!scene_cell(scene, col + dc, row + dr).solid)
                return true;
    return false;
}

// The colour of the plan at a world position: walls, room floors, and the
// stair treads drawn as lines across the flight.
static void plan_color(const Scene &scene, double x, double y, float out[3])
{
    int col = static_cast<int>(std::floor((x - scene.origin_x) / CELL_SIZE));
    int row = static_cast<int>(std::floor((y - scene.origin_y) / CELL_SIZE));
    const Cell &cell = scene_cell(scene, col, row);
    const unsigned char *c = paper_rgb;
    if (cell.solid && near_open(scene, col, row))
        c = ink;
    else if (!cell.solid)
        c = tints[cell.room % 8];
    for (int k = 0; k < 3; k++)
        out[k] = c[k];
    if (!cell.solid && cell.stair) {
        double into = (x - scene.origin_x) / CELL_SIZE - col;
        if (into < 0.12)
            for (int k = 0; k < 3; k++)
                out[k] = ink[k];
    }
}

static void fill_plan(const Scene &scene, Image &image)
{
    const int ss = 3;
    for (int py = 0; py < image.height; py++)
        for (int px = 0; px < image.width; px++) {
            float sum[3] = {0, 0, 0};
            for (int j = 0; j < ss; j++)
                for (int i = 0; i < ss; i++) {
                    float c[3];
                    plan_color(scene, world_x(px + (i + 0.5) / ss), world_y(py + (j + 0.5) / ss),
                               c);
                    for (int k = 0; k < 3; k++)
                        sum[k] += c[k];
                }
            unsigned char *p = image_pixel(image, px, py);
            for (int k = 0; k < 3; k++)
                p[k] = static_cast<unsigned char>(sum[k] / (ss * ss) + 0.5f);
        }
}

static void disc(Image &image, double cx, double cy, double radius, const unsigned char rgb[3])
{
    for (int py = static_cast<int>(cy - radius - 2); py <= cy + radius + 2; py++)
        for (int px = static_cast<int>(cx - radius - 2); px <= cx + radius + 2; px++) {
            if (px < 0 || py < 0 || px >= image.width || py >= image.height)
                continue;
            double d = std::hypot(px + 0.5 - cx, py + 0.5 - cy) - radius;
            float a = clamp01(static_cast<float>(0.5 - d));
            unsigned char *p = image_pixel(image, px, py);
            for (int k = 0; k < 3; k++)
                p[k] = static_cast<unsigned char>(p[k] + (rgb[k] - p[k]) * a + 0.5f);
        }
}

static void label(Image &image, int x, int y, const char *text, int scale, bool centred)
{
    draw_text(image, centred ? x - text_width(text, scale) / 2 : x, y, text, scale, ink);
}

static void label_rooms(const Scene &scene, Image &image)
{
    for (int room = 0; room < static_cast<int>(scene.rooms.size()); room++) {
        int min_col = scene.cols, min_row = scene.rows, max_row = 0;
        for (int row = 0; row < scene.rows; row++)
            for (int col = 0; col < scene.cols; col++) {
                const Cell &cell = scene_cell(scene, col, row);
                if (cell.solid || cell.room != room)
                    continue;
                min_col = std::min(min_col, col);
                min_row = std::min(min_row, row);
                max_row = std::max(max_row, row);
            }
        double x = scene.origin_x + min_col * CELL_SIZE + 0.25;
        double y = scene.origin_y + (max_row + 1) * CELL_SIZE - 0.25;
        (void)min_row;
        if (scene.rooms[room].labelled)
            label(image, pixel_x(x), pixel_y(y), scene.rooms[room].name, 2, false);
    }
}

static void mark_points(const Scene &scene, Image &image)
{
    static const unsigned char red[3] = {200, 40, 36}, white[3] = {255, 255, 255};
    for (size_t i = 0; i < scene.points.size(); i++) {
        double cx = pixel_x(scene.points[i].x), cy = pixel_y(scene.points[i].y);
        disc(image, cx, cy, 14, white);
        disc(image, cx, cy, 12.5, red);
        char number[24];
        snprintf(number, sizeof number, "%zu", i + 1);
        draw_text(image, static_cast<int>(cx) - text_width(number, 2) / 2 + 1,
                  static_cast<int>(cy) - 6, number, 2, white);
    }
}

Image draw_plan(const Scene &scene, const std::vector<TourSlide> &slides)
{
    Image image = image_new(PHOTO_WIDTH, PHOTO_HEIGHT, 3);
    fill_plan(scene, image);
    label_rooms(scene, image);
    mark_points(scene, image);
    label(image, pixel_x(scene.split_x / 2), 26, "GROUND FLOOR", 3, true);
    label(image, pixel_x((scene.split_x + 32) / 2 + 2), 26, "UPPER FLOOR", 3, true);
    label(image, pixel_x(18), pixel_y(2.2), "STAIRS UP", 1, true);
    char legend[96];
    snprintf(legend, sizeof legend, "%zu PLACES, %zu VIEWS. TAB RETURNS TO THE TOUR.",
             scene.points.size(), slides.size());
    label(image, PHOTO_WIDTH / 2, PHOTO_HEIGHT - 34, legend, 2, true);
    return image;
}
