// Drawn with Cairo; text laid out by Pango in DejaVu Sans.
#include "map.h"

#include <math.h>
#include <stdio.h>

#include <algorithm>
#include <set>

#include <cairo.h>
#include <pango/pangocairo.h>

#include "format.h"
#include "photos.h"

namespace
{

struct Box {
    double x, y, w, h;
};

// Where a floor's points land in its panel: x * scale + dx.
struct Placement {
    double scale, dx, dy;
};

} // namespace

static void set_rgb(cairo_t *cr, int rgb)
{
    cairo_set_source_rgb(cr, (rgb >> 16) / 255.0, ((rgb >> 8) & 255) / 255.0, (rgb & 255) / 255.0);
}

// Text with its top-left at (x, y), or centred on (x, y) when `centred`.
static void text(cairo_t *cr, const std::string &s, const char *font, double x, double y,
                 bool centred = false)
{
    PangoLayout *layout = pango_cairo_create_layout(cr);
    PangoFontDescription *desc = pango_font_description_from_string(font);
    pango_layout_set_font_description(layout, desc);
    pango_font_description_free(desc);
    pango_layout_set_text(layout, s.c_str(), -1);
    int w, h;
    pango_layout_get_pixel_size(layout, &w, &h);
    cairo_move_to(cr, centred ? x - w / 2.0 : x, centred ? y - h / 2.0 : y);
    pango_cairo_show_layout(cr, layout);
    g_object_unref(layout);
}

static std::string floor_name(int floor)
{
    return floor == 0 ? "Ground floor" : "Floor " + std::to_string(floor);
}

static const MapDrawing *drawing_for(const Plan *plan, int floor)
{
    for (const MapDrawing &map : plan->maps)
        if (map.floor == floor)
            return &map;
    return nullptr;
}

// Scales the drawing into `area` and paints it; the placement maps its pixels.
static bool paint_drawing(cairo_t *cr, const MapDrawing &map, const Box &area, Placement *place,
                          std::string *error)
{
    VipsImage *image = load_upright(map.path, error);
    if (!image)
        return false;
    double scale = std::min(area.w / image->Xsize, area.h / image->Ysize);
    VipsImage *small = nullptr;
    if (vips_resize(image, &small, scale, nullptr) != 0) {
        g_object_unref(image);
        *error = vips_error_buffer();
        vips_error_clear();
        return false;
    }
    size_t size = 0;
    auto *rgb = static_cast<unsigned char *>(vips_image_write_to_memory(small, &size));
    int w = small->Xsize, h = small->Ysize;
    cairo_surface_t *surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h);
    unsigned char *data = cairo_image_surface_get_data(surface);
    int stride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) {
            const unsigned char *p = rgb + (static_cast<size_t>(y) * w + x) * 3;
            reinterpret_cast<uint32_t *>(data + y * stride)[x] = p[0] << 16 | p[1] << 8 | p[2];
        }
    cairo_surface_mark_dirty(surface);
    g_free(rgb);
    place->scale = static_cast<double>(w) / image->Xsize;
    place->dx = area.x + (area.w - w) / 2;
    place->dy = area.y + (area.h - h) / 2;
    cairo_set_source_surface(cr, surface, place->dx, place->dy);
    cairo_paint(cr);
    cairo_surface_destroy(surface);
    g_object_unref(small);
    g_object_unref(image);
    return true;
}

// Fits the points into `area`, keeping their proportions. All drawn floors
// share one placement, so that a point stands over the one below it.
static Placement fit_points(const Plan *plan, const Box &area)
{
    double x0 = HUGE_VAL, y0 = HUGE_VAL, x1 = -HUGE_VAL, y1 = -HUGE_VAL;
    for (const Point &p : plan->points) {
        if (drawing_for(plan, p.floor))
            continue; // in the pixels of its floor's drawing
        x0 = std::min(x0, p.x), x1 = std::max(x1, p.x);
        y0 = std::min(y0, p.y), y1 = std::max(y1, p.y);
    }
    if (x0 > x1)
        return {1, area.x, area.y};
    double w = x1 - x0, h = y1 - y0;
    double scale = std::min(w > 0 ? area.w / w : HUGE_VAL, h > 0 ? area.h / h : HUGE_VAL);
    if (!isfinite(scale))
        scale = 1;
    return {scale, area.x + (area.w - w * scale) / 2 - x0 * scale,
            area.y + (area.h - h * scale) / 2 - y0 * scale};
}

// Walks between points of the floor, and a flight of steps at each foot or
// head of stairs.
static void draw_links(cairo_t *cr, const Plan *plan, int floor, const Placement &at)
{
    cairo_set_line_width(cr, 3);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    set_rgb(cr, 0x8a8f99);
    for (const Link &link : plan->links) {
        const Point &a = plan->points[link.from], &b = plan->points[link.to];
        if (link.stairs || a.floor != floor || b.floor != floor)
            continue;
        cairo_move_to(cr, a.x * at.scale + at.dx, a.y * at.scale + at.dy);
        cairo_line_to(cr, b.x * at.scale + at.dx, b.y * at.scale + at.dy);
        cairo_stroke(cr);
    }
    cairo_set_line_width(cr, 2);
    set_rgb(cr, 0x9c5a1c);
    for (const Link &link : plan->links) {
        if (!link.stairs)
            continue;
        for (int end : {link.from, link.to}) {
            const Point &p = plan->points[end];
            if (p.floor != floor)
                continue;
            double x = p.x * at.scale + at.dx + 10, y = p.y * at.scale + at.dy + 10;
            cairo_move_to(cr, x, y + 12);
            for (int step = 0; step < 3; step++) {
                cairo_rel_line_to(cr, 0, -4);
                cairo_rel_line_to(cr, 5, 0);
            }
            cairo_stroke(cr);
        }
    }
}

static void draw_points(cairo_t *cr, const Plan *plan, int floor, const Placement &at,
                        bool on_drawing, std::vector<MapSpot> *spots)
{
    for (size_t i = 0; i < plan->points.size(); i++) {
        const Point &p = plan->points[i];
        if (p.floor != floor)
            continue;
        double x = p.x * at.scale + at.dx, y = p.y * at.scale + at.dy;
        (*spots)[i] = {x, y};
        cairo_new_path(cr); // text leaves a current point that the arc would join
        cairo_arc(cr, x, y, 10, 0, 2 * M_PI);
        set_rgb(cr, on_drawing ? 0xc62828 : 0x1f4e8c);
        cairo_fill_preserve(cr);
        set_rgb(cr, 0xffffff);
        cairo_set_line_width(cr, 1.5);
        cairo_stroke(cr);
        text(cr, std::to_string(i + 1), "DejaVu Sans Bold 8", x, y, true);
        if (!on_drawing) {
            set_rgb(cr, 0x222222);
            text(cr, p.name, "DejaVu Sans 9", x + 13, y - 20);
        }
    }
}

// The numbers of the points on drawings, with their names, along the bottom.
static void draw_key(cairo_t *cr, const Plan *plan, double y)
{
    std::string key;
    for (size_t i = 0; i < plan->points.size(); i++)
        key += (i ? "   " : "") + std::to_string(i + 1) + " " + plan->points[i].name;
    set_rgb(cr, 0x222222);
    PangoLayout *layout = pango_cairo_create_layout(cr);
    PangoFontDescription *desc = pango_font_description_from_string("DejaVu Sans 9");
    pango_layout_set_font_description(layout, desc);
    pango_font_description_free(desc);
    pango_layout_set_width(layout, (PHOTO_WIDTH - 24) * PANGO_SCALE);
    pango_layout_set_ellipsize(layout, PANGO_ELLIPSIZE_END);
    pango_layout_set_text(layout, key.c_str(), -1);
    cairo_move_to(cr, 12, y);
    pango_cairo_show_layout(cr, layout);
    g_object_unref(layout);
}

static bool draw(cairo_t *cr, const Plan *plan, std::vector<MapSpot> *spots, std::string *error)
{
    spots->assign(plan->points.size(), MapSpot{});
    set_rgb(cr, 0xf3efe6);
    cairo_paint(cr);
    std::set<int> floor_set;
    for (const Point &p : plan->points)
        floor_set.insert(p.floor);
    for (const MapDrawing &m : plan->maps)
        floor_set.insert(m.floor);
    std::vector<int> floors(floor_set.begin(), floor_set.end());
    int count = std::max<int>(1, floors.size());
    int columns = count <= 3 ? count : static_cast<int>(ceil(sqrt(count)));
    int rows = (count + columns - 1) / columns;

    double top = 8;
    if (!plan->title.empty()) {
        set_rgb(cr, 0x222222);
        text(cr, plan->title, "DejaVu Sans Bold 16", PHOTO_WIDTH / 2.0, 22, true);
        top = 40;
    }
    double bottom = plan->maps.empty() ? PHOTO_HEIGHT - 8 : PHOTO_HEIGHT - 30;
    if (!plan->maps.empty())
        draw_key(cr, plan, bottom + 6);
    double pw = (PHOTO_WIDTH - 8.0) / columns, ph = (bottom - top) / rows;
    for (size_t i = 0; i < floors.size(); i++) {
        Box panel{8 + (i % columns) * pw, top + (i / columns) * ph, pw - 8, ph - 8};
        set_rgb(cr, 0xffffff);
        cairo_rectangle(cr, panel.x, panel.y, panel.w, panel.h);
        cairo_fill_preserve(cr);
        set_rgb(cr, 0xc9c2b3);
        cairo_set_line_width(cr, 1);
        cairo_stroke(cr);
        set_rgb(cr, 0x555555);
        text(cr, floor_name(floors[i]), "DejaVu Sans Bold 10", panel.x + 8, panel.y + 5);
        Placement at{};
        const MapDrawing *drawing = drawing_for(plan, floors[i]);
        if (drawing) {
            Box area{panel.x + 6, panel.y + 26, panel.w - 12, panel.h - 32};
            if (!paint_drawing(cr, *drawing, area, &at, error))
                return false;
        } else {
            Box area{panel.x + 30, panel.y + 50, panel.w - 110, panel.h - 80};
            at = fit_points(plan, area);
            draw_links(cr, plan, floors[i], at);
        }
        draw_points(cr, plan, floors[i], at, drawing != nullptr, spots);
    }
    return true;
}

std::string map_inputs(const Plan *plan)
{
    std::string inputs = "title " + plan->title + "\n";
    char place[96];
    for (const Point &p : plan->points) {
        snprintf(place, sizeof place, " %d %.17g %.17g\n", p.floor, p.x, p.y);
        inputs += "point " + p.name + place;
    }
    for (const Link &link : plan->links)
        inputs += "link " + std::to_string(link.from) + " " + std::to_string(link.to) +
                  (link.stairs ? " stairs\n" : "\n");
    for (const MapDrawing &map : plan->maps)
        inputs += "drawing " + std::to_string(map.floor) + " " + file_stamp(map.path) + "\n";
    return inputs;
}

// The map drawn into a new surface, and each point's spot into *spots; null
// with *error set when a drawing cannot be read.
static cairo_surface_t *draw_map(const Plan *plan, std::vector<MapSpot> *spots, std::string *error)
{
    cairo_surface_t *surface =
        cairo_image_surface_create(CAIRO_FORMAT_RGB24, PHOTO_WIDTH, PHOTO_HEIGHT);
    cairo_t *cr = cairo_create(surface);
    bool ok = draw(cr, plan, spots, error);
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    if (!ok) {
        cairo_surface_destroy(surface);
        return nullptr;
    }
    return surface;
}

bool map_spots(const Plan *plan, std::vector<MapSpot> *spots, std::string *error)
{
    cairo_surface_t *surface = draw_map(plan, spots, error);
    if (surface)
        cairo_surface_destroy(surface);
    return surface != nullptr;
}

bool write_map(const Plan *plan, const std::string &path, std::string *error,
               std::vector<MapSpot> *spots)
{
    std::vector<MapSpot> drawn;
    cairo_surface_t *surface = draw_map(plan, &drawn, error);
    bool ok = surface != nullptr;
    if (ok) {
        const unsigned char *data = cairo_image_surface_get_data(surface);
        int stride = cairo_image_surface_get_stride(surface);
        std::vector<unsigned char> rgb(static_cast<size_t>(PHOTO_WIDTH) * PHOTO_HEIGHT * 3);
        for (int y = 0; y < PHOTO_HEIGHT; y++)
            for (int x = 0; x < PHOTO_WIDTH; x++) {
                uint32_t v = reinterpret_cast<const uint32_t *>(data + y * stride)[x];
                unsigned char *p = &rgb[(static_cast<size_t>(y) * PHOTO_WIDTH + x) * 3];
                p[0] = v >> 16, p[1] = v >> 8, p[2] = v;
            }
        VipsImage *image = vips_image_new_from_memory(rgb.data(), rgb.size(), PHOTO_WIDTH,
                                                      PHOTO_HEIGHT, 3, VIPS_FORMAT_UCHAR);
        ok = image && vips_jpegsave(image, path.c_str(), "Q", 90, "strip", TRUE, nullptr) == 0;
        if (!ok) {
            *error = vips_error_buffer();
            vips_error_clear();
        }
        if (image)
            g_object_unref(image);
    }
    if (ok && spots)
        *spots = drawn;
    if (surface)
        cairo_surface_destroy(surface);
    return ok;
}
