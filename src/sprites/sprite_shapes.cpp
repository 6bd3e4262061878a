// Shapes are signed distance functions in pixels (negative inside), so the
// outline, the shadow and the anti-aliasing all come from one description.
#include "sprite_shapes.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include "format.h"

using Shape = std::function<float(float, float)>;

static float smoothstep(float a, float b, float v)
{
    float t = std::clamp((v - a) / (b - a), 0.0f, 1.0f);
    return t * t * (3 - 2 * t);
}

static float segment(float x, float y, float ax, float ay, float bx, float by)
{
    float px = x - ax, py = y - ay, dx = bx - ax, dy = by - ay;
    float h = std::clamp((px * dx + py * dy) / (dx * dx + dy * dy), 0.0f, 1.0f);
    return std::hypot(px - dx * h, py - dy * h);
}

// A convex polygon given counter-clockwise or clockwise; exact enough near
// the edges, which is all that outlines and anti-aliasing need.
static float polygon(float x, float y, const float (*pts)[2], int n)
{
    float area = 0;
    for (int i = 0; i < n; i++) {
        const float *a = pts[i], *b = pts[(i + 1) % n];
        area += a[0] * b[1] - b[0] * a[1];
    }
    float sign = area > 0 ? 1.0f : -1.0f, d = -1e9f;
    for (int i = 0; i < n; i++) {
        const float *a = pts[i], *b = pts[(i + 1) % n];
        float ex = b[0] - a[0], ey = b[1] - a[1], len = std::hypot(ex, ey);
        d = std::max(d, sign * ((x - a[0]) * ey - (y - a[1]) * ex) / len);
    }
    return d;
}

static float triangle(float x, float y, float ax, float ay, float bx, float by, float cx, float cy)
{
    const float pts[3][2] = {{ax, ay}, {bx, by}, {cx, cy}};
    return polygon(x, y, pts, 3);
}

static float box(float x, float y, float x0, float y0, float x1, float y1)
{
    const float pts[4][2] = {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
    return polygon(x, y, pts, 4);
}

// Exit glyphs in a 40 by 40 box.
static float glyph_left(float x, float y)
{
    return std::min(triangle(x, y, 4, 20, 20, 5, 20, 35), box(x, y, 18, 14, 36, 26));
}

static float glyph_fwd(float x, float y)
{
    return std::min(triangle(x, y, 20, 3, 5, 19, 35, 19), box(x, y, 14, 17, 26, 37));
}

// A U-turn: up on the right, over the top, down to a head on the left.
static float glyph_left180(float x, float y)
{
    float arc = std::fabs(std::hypot(x - 20, y - 17) - 9.5f) - 4.5f;
    if (y > 17)
        arc = 1e9f;
    float tail = box(x, y, 25, 16, 34, 37);
    float head = triangle(x, y, 2, 16, 22, 16, 12, 31);
    return std::min({arc, tail, head});
}

// Three steps rising to the right, with an arrow over them.
static float steps(float x, float y)
{
    return std::min(
        {box(x, y, 3, 31, 37, 37), box(x, y, 14, 24, 37, 37), box(x, y, 25, 17, 37, 37)});
}

static float glyph_up(float x, float y)
{
    float shaft = segment(x, y, 5, 24, 15, 14) - 2.8f;
    return std::min({steps(x, y), shaft, triangle(x, y, 9, 6, 22, 6, 22, 19)});
}

// Three steps falling to the right, with an arrow going down over them.
static float glyph_down(float x, float y)
{
    float shaft = segment(x, y, 15, 6, 27, 18) - 2.8f;
    return std::min({steps(40 - x, y), shaft, triangle(x, y, 35, 26, 32, 13, 22, 23)});
}

static Shape mirrored(float (*glyph)(float, float))
{
    return [glyph](float x, float y) { return glyph(ARROW_SIZE - x, y); };
}

// The plain pointer: tip at the top-left, clear of the outline.
static float pointer(float x, float y)
{
    float head = triangle(x, y, 2, 2, 2, 21, 15.5f, 15.5f);
    float tail = segment(x, y, 7.5f, 15, 11, 23) - 2.2f;
    return std::min(head, tail);
}

// A move pointer: a smaller pointer with the move's glyph beside it.
static Shape move_pointer(Shape glyph)
{
    return [glyph](float x, float y) {
        const float k = 0.8f, g = 0.5f;
        float p = pointer(x / k, y / k) * k;
        float m = glyph((x - 12) / g, (y - 12) / g) * g;
        return std::min(p, m);
    };
}

// `fill` is the body's colour; the rim is near-black and the shadow black.
static Image render_shape(int size, const Shape &shape, const unsigned char fill[3])
{
    const int ss = 4;
    const float outline = 1.6f;
    Image image = image_new(size, size, 4);
    for (int py = 0; py < size; py++)
        for (int px = 0; px < size; px++) {
            float fill_cover = 0, edge = 0, shadow = 0;
            for (int j = 0; j < ss; j++)
                for (int i = 0; i < ss; i++) {
                    float x = px + (i + 0.5f) / ss, y = py + (j + 0.5f) / ss;
                    float d = shape(x, y);
                    fill_cover += d < 0;
                    edge += d < outline;
                    float ds = shape(x - 1.5f, y - 1.5f);
                    shadow += 1 - smoothstep(outline - 1.0f, outline + 2.0f, ds);
                }
            fill_cover /= ss * ss;
            edge /= ss * ss;
            shadow = shadow / (ss * ss) * 0.45f;
            float alpha = edge + (1 - edge) * shadow;
            unsigned char *p = image_pixel(image, px, py);
            for (int k = 0; k < 3; k++) {
                float v = alpha > 0 ? (fill[k] * fill_cover + 24 * (edge - fill_cover)) / alpha : 0;
                p[k] = static_cast<unsigned char>(std::lround(std::min(v, 255.0f)));
            }
            p[3] = static_cast<unsigned char>(std::lround(alpha * 255));
        }
    return image;
}

static Shape glyph_for(Sprite sprite)
{
    switch (sprite) {
    case SPRITE_LEFT:
        return glyph_left;
    case SPRITE_RIGHT:
        return mirrored(glyph_left);
    case SPRITE_LEFT180:
        return glyph_left180;
    case SPRITE_RIGHT180:
        return mirrored(glyph_left180);
    case SPRITE_UP:
        return glyph_up;
    case SPRITE_DOWN:
        return glyph_down;
    case SPRITE_FWD:
        return glyph_fwd;
    default:
        return nullptr;
    }
}

// Pointers are white; exit arrows amber, which stands out on white ceilings too.
static const unsigned char pointer_fill[3] = {250, 250, 250}, arrow_fill[3] = {255, 196, 48};

Image draw_sprite(Sprite sprite, bool exit_arrow)
{
    if (sprite == SPRITE_ARROW && !exit_arrow)
        return render_shape(POINTER_SIZE, pointer, pointer_fill);
    Shape glyph = glyph_for(sprite);
    if (!glyph)
        return Image();
    if (exit_arrow)
        return render_shape(ARROW_SIZE, glyph, arrow_fill);
    return render_shape(POINTER_SIZE, move_pointer(glyph), pointer_fill);
}

bool write_sprites(const std::string &dir, std::string *error)
{
    for (int index = 0; index < SPRITE_COUNT; index++) {
        Sprite sprite = static_cast<Sprite>(index);
        if (!write_png(draw_sprite(sprite, false), dir + "/" + curfiles[index], error))
            return false;
        if (arrowfiles[index] &&
            !write_png(draw_sprite(sprite, true), dir + "/" + arrowfiles[index], error))
            return false;
    }
    return true;
}
