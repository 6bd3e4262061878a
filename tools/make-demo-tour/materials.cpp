#include "materials.h"

#include <algorithm>

// How much of a line `half_width` wide shows at `distance` from its centre,
// averaged over a pixel of size `footprint`.
static float line_weight(float distance, float half_width, float footprint)
{
    float spread = std::max(half_width, footprint * 0.5f);
    return (1 - smoothstep(spread * 0.5f, spread, distance)) * (half_width / spread);
}

static Rgb planks(const Room &room, double x, double y, float fp)
{
    const double width = 0.16, length = 1.3;
    double across = y / width;
    int row = static_cast<int>(std::floor(across));
    double along = x + hashf(row, 0, 11) * length;
    int column = static_cast<int>(std::floor(along / length));
    float tint = hashf(column, row, 12);
    Rgb c = mix(room.floor_a, room.floor_b, tint);
    float grain = value_noise(static_cast<float>(along * 1.5), static_cast<float>(across * 6), 13);
    float fine = fp < 0.01f
                     ? value_noise(static_cast<float>(along * 9), static_cast<float>(y * 90), 14)
                     : 0.5f;
    c = c * (0.82f + 0.25f * grain + 0.1f * (fine - 0.5f));
    float dy = static_cast<float>(std::min(across - row, row + 1 - across) * width);
    float dx =
        static_cast<float>(std::min(along / length - column, column + 1 - along / length) * length);
    float gap = std::max(line_weight(dy, 0.002f, fp), line_weight(dx, 0.002f, fp));
    return c * (1 - 0.6f * gap);
}

static Rgb tiles(const Room &room, double x, double y, float fp)
{
    const double size = 0.5;
    int i = static_cast<int>(std::floor(x / size)), j = static_cast<int>(std::floor(y / size));
    Rgb c = (i + j) & 1 ? room.floor_b : room.floor_a;
    float vein = fbm(static_cast<float>(x * 3), static_cast<float>(y * 3), 21, fp * 3);
    c = c * (0.9f + 0.16f * vein);
    float fx = static_cast<float>(std::min(x / size - i, i + 1 - x / size) * size);
    float fy = static_cast<float>(std::min(y / size - j, j + 1 - y / size) * size);
    float grout = std::max(line_weight(fx, 0.003f, fp), line_weight(fy, 0.003f, fp));
    return mix(c, srgb(150, 146, 140), grout);
}

static Rgb carpet(const Room &room, double x, double y, float fp)
{
    float pile = fbm(static_cast<float>(x * 25), static_cast<float>(y * 25), 31, fp * 25);
    Rgb c = room.floor_a * (0.85f + 0.3f * pile);
    // A woven diamond pattern, faded out where it would flicker.
    float fade = 1 - smoothstep(0.01f, 0.03f, fp);
    float diamond =
        std::fabs(std::fmod(static_cast<float>(std::fabs(x) + std::fabs(y)) * 4, 1.0f) - 0.5f);
    return mix(c, room.floor_b, fade * 0.5f * (diamond < 0.08f));
}

static Rgb stone(const Room &room, double x, double y, float fp)
{
    const double size = 0.6;
    int j = static_cast<int>(std::floor(y / size));
    double shifted = x + (j & 1) * size * 0.5;
    int i = static_cast<int>(std::floor(shifted / size));
    Rgb c = mix(room.floor_a, room.floor_b, hashf(i, j, 41));
    c = c * (0.9f + 0.15f * fbm(static_cast<float>(x * 5), static_cast<float>(y * 5), 42, fp * 5));
    float fx = static_cast<float>(std::min(shifted / size - i, i + 1 - shifted / size) * size);
    float fy = static_cast<float>(std::min(y / size - j, j + 1 - y / size) * size);
    float grout = std::max(line_weight(fx, 0.003f, fp), line_weight(fy, 0.003f, fp));
    return mix(c, srgb(120, 112, 100), grout);
}

Rgb floor_color(const Room &room, double x, double y, float footprint, float *shine)
{
    switch (room.floor) {
    case FLOOR_PLANKS:
        *shine = 0.25f;
        return planks(room, x, y, footprint);
    case FLOOR_TILES:
        *shine = 0.45f;
        return tiles(room, x, y, footprint);
    case FLOOR_CARPET:
        *shine = 0.0f;
        return carpet(room, x, y, footprint);
    case FLOOR_STONE:
        *shine = 0.3f;
        return stone(room, x, y, footprint);
    }
    return room.floor_a;
}

static constexpr double RUNNER_HALF_WIDTH = 0.5;

static Rgb runner_color(double runner, float fp)
{
    Rgb c = srgb(128, 34, 38);
    double edge = RUNNER_HALF_WIDTH - runner;
    if (edge < 0.06)
        c = mix(c, srgb(200, 160, 70),
                line_weight(static_cast<float>(std::fabs(edge - 0.03)), 0.01f, fp));
    return c;
}

Rgb stair_tread_color(const Room &room, double x, double y, double front, double back,
                      double runner, float footprint)
{
    if (runner < RUNNER_HALF_WIDTH) {
        Rgb c = runner_color(runner, footprint);
        // A brass rod holds the runner into the back of each tread.
        float rod = line_weight(static_cast<float>(back - x - 0.015), 0.006f, footprint);
        return mix(c, srgb(230, 190, 90), rod);
    }
    // Boards run across the flight; the rounded nosing catches the light.
    Rgb c = planks(room, y, x, footprint);
    if (x - front < 0.035)
        c = c * 1.3f;
    return c;
}

Rgb stair_riser_color(const Room &room, double runner, float footprint)
{
    return runner < RUNNER_HALF_WIDTH ? runner_color(runner, footprint) * 0.9f : room.trim;
}

Rgb ceiling_color(const Room &room, double x, double y, float footprint)
{
    float n = fbm(static_cast<float>(x * 2), static_cast<float>(y * 2), 51, footprint * 2);
    return room.ceiling * (0.96f + 0.06f * n);
}

Rgb wall_color(const Room &room, double along, double height, float footprint)
{
    if (height < 0.12)
        return room.trim * (height > 0.1 ? 0.8f : 1.0f);
    float n = fbm(static_cast<float>(along * 1.5), static_cast<float>(height * 1.5), 61,
                  footprint * 1.5f);
    return room.wall * (0.93f + 0.1f * n);
}
