#include "decorations.h"

#include <algorithm>

static constexpr float PI = 3.14159265f;

// A soft-edged mask: 1 inside (d < 0), 0 outside, blurred over `width`.
static float inside(float d, float width)
{
    return 1 - smoothstep(-width, width, d);
}

static Rgb landscape(float x, float y, uint32_t seed, float fp)
{
    Rgb sky = mix(srgb(236, 214, 170), srgb(96, 140, 196), clamp01((y - 0.45f) * 1.8f));
    float sun = std::hypot(x - 0.25f - 0.5f * hashf(1, 0, seed), y - 0.8f);
    sky = mix(sky, srgb(255, 236, 180), inside(sun - 0.07f, fp));
    float far = 0.5f + 0.06f * std::sin(x * 7 + seed) + 0.03f * std::sin(x * 17 + 2.0f * seed);
    float near = 0.32f + 0.09f * std::sin(x * 4 + 3.0f * seed) + 0.02f * std::sin(x * 23);
    Rgb c = sky;
    c = mix(c, srgb(92, 118, 132), inside(y - far, fp));
    Rgb field = mix(srgb(86, 120, 52), srgb(160, 150, 70), value_noise(x * 6, y * 6, seed));
    c = mix(c, field, inside(y - near, fp));
    float tx = 0.62f + 0.2f * hashf(2, 1, seed);
    c = mix(c, srgb(40, 60, 30), inside(std::hypot(x - tx, (y - 0.5f) * 0.7f) - 0.09f, fp));
    float trunk = std::max({std::fabs(x - tx) - 0.012f, y - 0.44f, near - 0.02f - y});
    c = mix(c, srgb(60, 40, 24), inside(trunk, fp));
    return c;
}

static Rgb blocks(float x, float y, uint32_t seed, float fp)
{
    const Rgb palette[] = {srgb(238, 234, 222), srgb(200, 30, 30),   srgb(30, 60, 160),
                           srgb(240, 200, 40),  srgb(238, 234, 222), srgb(20, 20, 20)};
    float cx[3] = {0.22f + 0.15f * hashf(0, 1, seed), 0.55f, 0.78f + 0.1f * hashf(0, 2, seed)};
    float cy[2] = {0.35f + 0.2f * hashf(0, 3, seed), 0.7f};
    int i = (x > cx[0]) + (x > cx[1]) + (x > cx[2]);
    int j = (y > cy[0]) + (y > cy[1]);
    Rgb c = palette[hash3(i, j, seed) % 5];
    float line = 1.0f;
    for (float v : cx)
        line = std::min(line, std::fabs(x - v));
    for (float v : cy)
        line = std::min(line, std::fabs(y - v));
    return mix(c, palette[5], inside(line - 0.012f, fp));
}

static Rgb seascape(float x, float y, uint32_t seed, float fp)
{
    float horizon = 0.45f + 0.1f * hashf(2, 2, seed);
    Rgb c = mix(srgb(250, 226, 200), srgb(120, 160, 210), clamp01((y - horizon) * 2));
    float cloud = value_noise(x * 5, y * 12, seed);
    c = mix(c, srgb(250, 248, 244), smoothstep(0.6f, 0.8f, cloud) * (y > horizon + 0.1f));
    if (y < horizon) {
        float wave = value_noise(x * 4, y * 60, seed + 5);
        c = mix(srgb(30, 70, 110), srgb(80, 130, 160), y / horizon * 0.6f + wave * 0.4f);
    }
    float bx = 0.3f + 0.4f * hashf(3, 3, seed);
    float hull = std::max(std::fabs(x - bx) - 0.08f + (horizon - y) * 0.5f,
                          std::fabs(y - horizon + 0.02f) - 0.025f);
    c = mix(c, srgb(60, 36, 24), inside(hull, fp));
    float sail =
        std::max(std::max(bx - x, (y - horizon) - (x - bx) * 3.0f - 0.02f), horizon + 0.01f - y);
    c = mix(c, srgb(244, 238, 220), inside(std::max(sail, x - bx - 0.1f), fp));
    return c;
}

static Rgb portrait(float x, float y, uint32_t seed, float fp)
{
    Rgb c = mix(srgb(40, 30, 22), srgb(90, 70, 44), value_noise(x * 3, y * 3, seed));
    float body = std::hypot((x - 0.5f) * 1.1f, (y + 0.05f) * 1.0f) - 0.42f;
    c = mix(c, hashf(1, 1, seed) < 0.5f ? srgb(30, 40, 70) : srgb(80, 24, 28), inside(body, fp));
    float head = std::hypot((x - 0.5f) * 1.35f, y - 0.62f) - 0.17f;
    c = mix(c, srgb(214, 170, 136), inside(head, fp));
    float hair = std::max(std::hypot((x - 0.5f) * 1.3f, y - 0.68f) - 0.18f, 0.66f - y);
    c = mix(c, srgb(58, 36, 20), inside(hair, fp));
    return c;
}

static Rgb colour_field(float x, float y, uint32_t seed, float fp)
{
    Rgb ground = mix(srgb(150, 40, 30), srgb(40, 60, 110), hashf(4, 4, seed));
    Rgb top = mix(srgb(240, 150, 40), srgb(200, 60, 70), hashf(5, 5, seed));
    Rgb bottom = mix(srgb(30, 24, 30), srgb(220, 200, 160), hashf(6, 6, seed));
    float edge = 0.03f + fp;
    float band1 = std::max(std::fabs(x - 0.5f) - 0.38f, std::fabs(y - 0.7f) - 0.18f);
    float band2 = std::max(std::fabs(x - 0.5f) - 0.38f, std::fabs(y - 0.28f) - 0.16f);
    Rgb c = mix(ground, top, inside(band1, edge));
    c = mix(c, bottom, inside(band2, edge));
    return c * (0.9f + 0.2f * value_noise(x * 8, y * 8, seed));
}

static Rgb mountains(float x, float y, uint32_t seed, float fp)
{
    Rgb c = mix(srgb(200, 214, 230), srgb(70, 110, 170), clamp01((y - 0.4f) * 1.6f));
    float ridge = 0.55f + 0.25f * (1 - std::fabs(2 * value_noise(x * 3, 0.5f, seed) - 1)) +
                  0.04f * value_noise(x * 14, 0.5f, seed + 1);
    Rgb rock = mix(srgb(96, 92, 100), srgb(130, 124, 130), value_noise(x * 20, y * 20, seed));
    Rgb mountain = mix(rock, srgb(246, 246, 250), smoothstep(ridge - 0.12f, ridge - 0.08f, y));
    c = mix(c, mountain, inside(y - ridge, fp));
    float valley = 0.25f + 0.05f * std::sin(x * 9 + seed);
    c = mix(c, srgb(50, 80, 46), inside(y - valley, fp));
    return c;
}

static Rgb still_life(float x, float y, uint32_t seed, float fp)
{
    Rgb c = mix(srgb(60, 50, 40), srgb(110, 90, 60), value_noise(x * 2, y * 4, seed));
    c = mix(c, srgb(150, 110, 70), inside(y - 0.3f, fp));
    float vase = std::max(std::hypot((x - 0.4f) * 1.6f, y - 0.48f) - 0.2f, 0.32f - y);
    c = mix(c, srgb(40, 80, 120), inside(vase, fp));
    c = mix(c, srgb(40, 80, 120),
            inside(std::max(std::fabs(x - 0.4f) - 0.05f, std::fabs(y - 0.72f) - 0.08f), fp));
    const Rgb fruit[] = {srgb(200, 60, 30), srgb(230, 170, 40), srgb(120, 160, 40)};
    for (int k = 0; k < 3; k++) {
        float fx = 0.62f + 0.1f * k, fy = 0.36f + 0.03f * (k % 2);
        c = mix(c, fruit[(k + seed) % 3], inside(std::hypot(x - fx, y - fy) - 0.06f, fp));
    }
    return c;
}

static Rgb circles(float x, float y, uint32_t seed, float fp)
{
    Rgb c = mix(srgb(230, 220, 196), srgb(40, 40, 60), hashf(7, 7, seed) * 0.9f);
    for (int k = 0; k < 5; k++) {
        float cx = hashf(k, 10, seed), cy = hashf(k, 11, seed);
        float r = 0.06f + 0.16f * hashf(k, 12, seed);
        Rgb ink = mix(srgb(220, 60, 40), srgb(40, 90, 200), hashf(k, 13, seed));
        ink = mix(ink, srgb(250, 200, 40), hashf(k, 14, seed) * 0.6f);
        float d = std::hypot(x - cx, y - cy) - r;
        c = mix(c, ink, inside(d, fp) * 0.9f);
        c = mix(c, srgb(20, 20, 20), inside(std::fabs(d) - 0.006f, fp));
    }
    return c;
}

static Rgb painting(const Decoration &decor, float u, float v, float fp, const Room &room)
{
    float w = static_cast<float>(decor.u1 - decor.u0), h = static_cast<float>(decor.z1 - decor.z0);
    float frame = 0.07f;
    float edge = std::min({u, w - u, v, h - v});
    uint32_t seed = static_cast<uint32_t>(decor.seed) * 7919u + 17u;
    if (edge < frame) {
        bool gold = decor.seed % 3 != 1;
        Rgb base = gold ? srgb(196, 150, 64) : (decor.seed % 2 ? srgb(36, 28, 24) : room.trim);
        float t = edge / frame;
        float bevel = 0.7f + 0.5f * std::sin(t * PI) + ((u < v) != (w - u < h - v) ? 0.1f : 0.0f);
        return base * bevel;
    }
    float mat = decor.seed % 4 == 2 ? 0.06f : 0.0f;
    if (edge < frame + mat)
        return srgb(236, 232, 220) * (edge < frame + 0.006f ? 0.7f : 1.0f);
    float x = (u - frame - mat) / (w - 2 * (frame + mat));
    float y = (v - frame - mat) / (h - 2 * (frame + mat));
    float cfp = fp / std::min(w, h);
    // The kind of picture, by the decoration's seed (a count from 0).
    static Rgb (*const kinds[8])(float, float, uint32_t, float) = {
        landscape, blocks, seascape, portrait, colour_field, mountains, still_life, circles};
    Rgb c = kinds[static_cast<unsigned>(decor.seed) % 8](x, y, seed, cfp);
    // Varnish and brush texture.
    return c * (0.92f + 0.08f * value_noise(x * 60, y * 60, seed + 9));
}

// A garden seen through a window: sky with clouds over a hedge and trees.
static Rgb window_view(float x, float y, uint32_t seed)
{
    Rgb c = mix(srgb(210, 226, 240), srgb(110, 160, 220), clamp01(y));
    float cloud = fbm(x * 2 + seed, y * 8, seed, 0.0f);
    c = mix(c, srgb(250, 250, 252), smoothstep(0.5f, 0.75f, cloud) * clamp01(y * 2 - 0.8f));
    float trees = 0.38f + 0.12f * value_noise(x * 6, 0.3f, seed + 3) +
                  0.05f * value_noise(x * 25, 0.7f, seed + 4);
    if (y < trees) {
        // Foliage: leafy clumps at two scales, darker low down and inside.
        float clumps = fbm(x * 9, y * 9, seed + 5, 0.0f);
        float leaves = value_noise(x * 40, y * 40, seed + 6);
        c = mix(srgb(30, 56, 28), srgb(104, 138, 64), clumps * 0.8f + leaves * 0.2f);
        c = c * (0.7f + 0.3f * clamp01(y / trees + 0.3f));
    }
    if (y < 0.12f)
        c = mix(srgb(110, 140, 70), srgb(130, 160, 80), value_noise(x * 10, y * 40, seed));
    return c;
}

static Rgb window(const Decoration &decor, float u, float v, float fp, const Room &room,
                  Rgb *emission)
{
    float w = static_cast<float>(decor.u1 - decor.u0), h = static_cast<float>(decor.z1 - decor.z0);
    float frame = 0.08f, bar = 0.03f;
    float edge = std::min({u, w - u, v, h - v});
    if (edge < frame)
        return room.trim * (edge < 0.02f ? 0.75f : 1.0f);
    float mid_u = std::fabs(u - w / 2), mid_v = std::fabs(v - h * 0.62f);
    if (mid_u < bar + fp * 0.5f || mid_v < bar + fp * 0.5f)
        return room.trim;
    Rgb view = window_view(u / w, v / h, static_cast<uint32_t>(decor.seed));
    *emission = view * 1.15f;
    return {0.02f, 0.02f, 0.02f};
}

static Rgb door(const Decoration &decor, float u, float v, float fp, const Room &room)
{
    float w = static_cast<float>(decor.u1 - decor.u0), h = static_cast<float>(decor.z1 - decor.z0);
    float frame = 0.08f;
    float edge = std::min({u, w - u, h - v});
    if (edge < frame)
        return room.trim * (edge < 0.015f ? 0.8f : 1.0f);
    uint32_t seed = static_cast<uint32_t>(decor.seed);
    Rgb wood = mix(srgb(120, 74, 40), srgb(92, 54, 30), value_noise(u * 40, v * 2, seed));
    float x = u - frame, y = v, dw = w - 2 * frame;
    // Four sunken panels with a shadowed upper-left and lit lower-right edge.
    float px = std::fmod(x, dw / 2), py = y < h * 0.45f ? y : y - h * 0.45f;
    float ph = y < h * 0.45f ? h * 0.45f : h * 0.55f - frame;
    float d = std::min({px - 0.09f, dw / 2 - 0.09f - px, py - 0.12f, ph - 0.12f - py});
    if (d > 0)
        wood = wood * (d < 0.02f ? (px < dw / 4 ? 0.7f : 1.15f) : 0.92f);
    float handle = std::hypot(u - (w - frame - 0.09f), v - 1.0f) - 0.03f;
    if (handle < fp)
        return srgb(210, 180, 90);
    return wood;
}

static Rgb books(const Decoration &decor, float u, float v, float fp)
{
    float w = static_cast<float>(decor.u1 - decor.u0), h = static_cast<float>(decor.z1 - decor.z0);
    Rgb wood = mix(srgb(90, 56, 32), srgb(70, 42, 24), value_noise(u * 30, v * 3, 3));
    float edge = std::min({u, w - u, h - v});
    const float shelf = 0.4f, board = 0.03f;
    if (edge < 0.05f || v < 0.1f)
        return wood;
    float sv = std::fmod(v - 0.1f, shelf);
    if (sv < board + fp * 0.5f)
        return wood * 1.1f;
    int row = static_cast<int>((v - 0.1f) / shelf);
    float slot_width = 0.045f;
    float su = u - 0.05f;
    int slot = static_cast<int>(su / slot_width);
    uint32_t seed = static_cast<uint32_t>(decor.seed) * 131u;
    float height = board + 0.2f + 0.13f * hashf(slot, row, seed);
    if (hashf(slot, row, seed + 1) < 0.08f || sv > height)
        return srgb(24, 16, 10);
    const Rgb covers[] = {srgb(120, 30, 30),  srgb(30, 50, 100), srgb(40, 80, 50),
                          srgb(180, 150, 90), srgb(90, 40, 70),  srgb(200, 190, 170),
                          srgb(30, 30, 30),   srgb(150, 80, 30)};
    Rgb c = covers[hash3(slot, row, seed + 2) % 8];
    float in_slot = std::fmod(su, slot_width);
    float rim = std::min(in_slot, slot_width - in_slot);
    if (rim < 0.004f + fp * 0.3f)
        c = c * 0.55f;
    float band = std::fabs(sv - height + 0.05f);
    if (band < 0.008f)
        c = mix(c, srgb(210, 180, 90), 0.7f);
    return c;
}

Rgb decoration_color(const Decoration &decor, const Room &room, float u, float v, float footprint,
                     Rgb *emission)
{
    switch (decor.kind) {
    case DECOR_PAINTING:
        return painting(decor, u, v, footprint, room);
    case DECOR_WINDOW:
        return window(decor, u, v, footprint, room, emission);
    case DECOR_DOOR:
        return door(decor, u, v, footprint, room);
    case DECOR_BOOKS:
        return books(decor, u, v, footprint);
    }
    return room.wall;
}
