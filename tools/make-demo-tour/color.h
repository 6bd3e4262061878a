// Linear RGB colours and the deterministic noise that the procedural textures use.
#ifndef MAKE_DEMO_TOUR_COLOR_H
#define MAKE_DEMO_TOUR_COLOR_H

#include <stdint.h>

#include <cmath>

struct Rgb {
    float r, g, b;
};

inline Rgb operator+(Rgb a, Rgb b)
{
    return {a.r + b.r, a.g + b.g, a.b + b.b};
}
inline Rgb operator*(Rgb a, float k)
{
    return {a.r * k, a.g * k, a.b * k};
}
inline Rgb operator*(Rgb a, Rgb b)
{
    return {a.r * b.r, a.g * b.g, a.b * b.b};
}
inline Rgb mix(Rgb a, Rgb b, float t)
{
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}
// A colour given as sRGB bytes, in linear light.
inline Rgb srgb(int r, int g, int b)
{
    auto lin = [](int v) { return static_cast<float>(std::pow(v / 255.0, 2.2)); };
    return {lin(r), lin(g), lin(b)};
}

inline float clamp01(float v)
{
    return v < 0 ? 0 : v > 1 ? 1 : v;
}
inline float smoothstep(float a, float b, float v)
{
    float t = clamp01((v - a) / (b - a));
    return t * t * (3 - 2 * t);
}

inline uint32_t hash3(int32_t x, int32_t y, uint32_t seed)
{
    uint32_t h = seed * 0x9e3779b1u ^ static_cast<uint32_t>(x) * 0x85ebca6bu ^
                 static_cast<uint32_t>(y) * 0xc2b2ae35u;
    h ^= h >> 15;
    h *= 0x2c1b3c6du;
    h ^= h >> 12;
    h *= 0x297a2d39u;
    h ^= h >> 15;
    return h;
}
// Uniform in [0, 1).
inline float hashf(int32_t x, int32_t y, uint32_t seed)
{
    return (hash3(x, y, seed) >> 8) * (1.0f / 16777216.0f);
}

// Smooth value noise in [0, 1) with unit feature size.
inline float value_noise(float x, float y, uint32_t seed)
{
    float fx = std::floor(x), fy = std::floor(y);
    int32_t ix = static_cast<int32_t>(fx), iy = static_cast<int32_t>(fy);
    float tx = x - fx, ty = y - fy;
    tx = tx * tx * (3 - 2 * tx);
    ty = ty * ty * (3 - 2 * ty);
    float a = hashf(ix, iy, seed), b = hashf(ix + 1, iy, seed);
    float c = hashf(ix, iy + 1, seed), d = hashf(ix + 1, iy + 1, seed);
    return a + (b - a) * tx + (c - a) * ty + (a - b - c + d) * tx * ty;
}

// Two or three octaves; `footprint` (the size of a pixel in noise units) drops
// octaves too fine to show, which keeps distant surfaces free of glitter.
inline float fbm(float x, float y, uint32_t seed, float footprint)
{
    float sum = value_noise(x, y, seed) * 0.57f;
    float weight = 0.57f;
    if (footprint < 0.5f) {
        sum += value_noise(x * 2.1f, y * 2.1f, seed + 1) * 0.29f;
        weight += 0.29f;
    }
    if (footprint < 0.25f) {
        sum += value_noise(x * 4.3f, y * 4.3f, seed + 2) * 0.14f;
        weight += 0.14f;
    }
    return sum / weight;
}

#endif
