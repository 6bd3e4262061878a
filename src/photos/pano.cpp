// The projection: for each pixel of a view, the point of the 360° photograph
// it sees, as an index image for vips_mapim. Coordinates put pixel centres at
// whole numbers: column c of a W-pixel-wide photograph spans longitudes
// (c / W - 1/2) 360 to ((c + 1) / W - 1/2) 360 degrees from its centre, and
// row r latitudes 90 - r / H 180 down to 90 - (r + 1) / H 180.
#include "pano.h"

#include <math.h>
#include <string.h>

#include <algorithm>

#include <vips/vips.h>

#include "diagnostics.h"
#include "format.h"
#include "photos.h"

// Columns repeated from the other edge on each side, so that bilinear
// sampling across the 180 degree seam reads the pixels beyond it.
static constexpr int PAD = 2;
// A JPEG at least twice as wide as this is read at a half, quarter or eighth
// of its size (DCT scaling): no narrower than this, where the photograph is
// still as sharp as the views at their edges (800 pixels a radian).
static constexpr int SHARP_WIDTH = 5027;

static const double focal = (PHOTO_WIDTH / 2.0) / tan(PANO_VIEW_DEGREES * M_PI / 360);

std::string pano_size_problem(int width, int height)
{
    std::string size = "is " + std::to_string(width) + " by " + std::to_string(height);
    if ((long long)width * height > IMAGE_PIXEL_BUDGET)
        return size + ", more than the " + std::to_string(IMAGE_PIXEL_BUDGET / 1000000) +
               " million pixels that " + program_name() + " reads";
    if (abs(width - 2 * height) > 1)
        return size + ", not a 360° photograph: that is twice as wide as high";
    if (width < PANO_MIN_WIDTH)
        return size + ", smaller than the " + std::to_string(PANO_MIN_WIDTH) + " by " +
               std::to_string(PANO_MIN_HEIGHT) + " that views of 800 by 533 need";
    return "";
}

namespace
{
// Where the views' pixels fall in a photograph of width by height pixels:
// the rows they need, and for each view pixel its column offset from the
// view's centre (the same on every row) and its row within those rows.
struct Geometry {
    int width, height;
    int top, rows;
    std::vector<double> column; // PHOTO_WIDTH
    std::vector<float> row;     // PHOTO_WIDTH * PHOTO_HEIGHT
};
} // namespace

// A level view: the pixel (u, v) from the view's centre looks along
// (u, -v, focal), at longitude atan2(u, focal) from the view's heading and at
// latitude atan2(-v, hypot(u, focal)).
static void measure(Geometry *g, int width, int height)
{
    g->width = width;
    g->height = height;
    g->column.resize(PHOTO_WIDTH);
    g->row.resize(size_t(PHOTO_WIDTH) * PHOTO_HEIGHT);
    double first = height, last = 0;
    for (int j = 0; j < PHOTO_HEIGHT; j++)
        for (int i = 0; i < PHOTO_WIDTH; i++) {
            double u = i + 0.5 - PHOTO_WIDTH / 2.0, v = j + 0.5 - PHOTO_HEIGHT / 2.0;
            double latitude = atan2(-v, hypot(u, focal));
            double y = (0.5 - latitude / M_PI) * height - 0.5;
            g->row[size_t(j) * PHOTO_WIDTH + i] = static_cast<float>(y);
            first = std::min(first, y);
            last = std::max(last, y);
            if (j == 0)
                g->column[i] = atan2(u, focal) / (2 * M_PI) * width;
        }
    g->top = std::max(0, static_cast<int>(floor(first)) - PAD);
    g->rows = std::min(height, static_cast<int>(ceil(last)) + 1 + PAD) - g->top;
    for (float &y : g->row)
        y -= static_cast<float>(g->top);
}

// Takes over `*image` and replaces it by `op`'s result; false on failure.
template <class Op> static bool apply(VipsImage **image, Op op)
{
    VipsImage *out = nullptr;
    int rc = op(*image, &out);
    g_object_unref(*image);
    *image = rc == 0 ? out : nullptr;
    return rc == 0;
}

// The largest DCT scaling that leaves a JPEG at least SHARP_WIDTH across.
static int shrink_for(const std::string &source)
{
    const char *loader = vips_foreign_find_load(source.c_str());
    VipsImage *header =
        loader && strstr(loader, "Jpeg")
            ? vips_image_new_from_file(source.c_str(), "access", VIPS_ACCESS_SEQUENTIAL, nullptr)
            : nullptr;
    vips_error_clear();
    int shrink = 1;
    while (header && shrink < 8 && header->Xsize / (2 * shrink) >= SHARP_WIDTH)
        shrink *= 2;
    if (header)
        g_object_unref(header);
    return shrink;
}

// The rows the views need, upright, in sRGB, in memory, with PAD columns from
// the other edge on each side; NULL on failure.
static VipsImage *read_band(const std::string &source, Geometry *g)
{
    VipsImage *image = nullptr;
    int shrink = shrink_for(source);
    if (shrink > 1)
        image =
            vips_image_new_from_file(source.c_str(), "access", VIPS_ACCESS_SEQUENTIAL, "fail_on",
                                     VIPS_FAIL_ON_TRUNCATED, "shrink", shrink, nullptr);
    else
        image = vips_image_new_from_file(source.c_str(), "access", VIPS_ACCESS_SEQUENTIAL,
                                         "fail_on", VIPS_FAIL_ON_TRUNCATED, nullptr);
    if (image && vips_image_get_orientation(image) > 1) {
        // Turned or mirrored: rare enough to read whole.
        g_object_unref(image);
        image =
            vips_image_new_from_file(source.c_str(), "fail_on", VIPS_FAIL_ON_TRUNCATED, nullptr);
        if (image && !apply(&image, [](VipsImage *in, VipsImage **out) {
                return vips_autorot(in, out, nullptr);
            }))
            return nullptr;
    }
    if (!image)
        return nullptr;
    measure(g, image->Xsize, image->Ysize);
    bool ok = apply(&image,
                    [g](VipsImage *in, VipsImage **out) {
                        return vips_crop(in, out, 0, g->top, g->width, g->rows, nullptr);
                    }) &&
              to_srgb8(&image) &&
              apply(&image,
                    [](VipsImage *in, VipsImage **out) {
                        *out = vips_image_copy_memory(in);
                        return *out ? 0 : -1;
                    }) &&
              apply(&image, [g](VipsImage *in, VipsImage **out) {
                  return vips_embed(in, out, PAD, 0, g->width + 2 * PAD, g->rows, "extend",
                                    VIPS_EXTEND_REPEAT, nullptr);
              });
    return ok ? image : nullptr;
}

// The index image of the view at `yaw` into the padded band.
static void index_view(const Geometry &g, double yaw, std::vector<float> *index)
{
    double centre = g.width / 2.0 + yaw / 360 * g.width - 0.5;
    for (int j = 0; j < PHOTO_HEIGHT; j++)
        for (int i = 0; i < PHOTO_WIDTH; i++) {
            size_t at = size_t(j) * PHOTO_WIDTH + i;
            double x = fmod(centre + g.column[i], g.width);
            (*index)[2 * at] = static_cast<float>((x < 0 ? x + g.width : x) + PAD);
            (*index)[2 * at + 1] = g.row[at];
        }
}

bool pano_write_views(const std::string &source, const std::vector<PanoView> &views,
                      const std::function<bool()> &stop)
{
    auto stopped = [&stop]() { return stop && stop(); };
    Geometry g;
    VipsImage *band = read_band(source, &g);
    if (!band)
        return false;
    std::vector<float> index(size_t(2) * PHOTO_WIDTH * PHOTO_HEIGHT);
    bool ok = true;
    for (size_t v = 0; ok && v < views.size() && !stopped(); v++) {
        index_view(g, views[v].yaw, &index);
        VipsImage *map =
            vips_image_new_from_memory(index.data(), index.size() * sizeof(float), PHOTO_WIDTH,
                                       PHOTO_HEIGHT, 2, VIPS_FORMAT_FLOAT);
        VipsImage *view = nullptr;
        ok = map && vips_mapim(band, &view, map, "interpolate", vips_interpolate_bilinear_static(),
                               nullptr) == 0;
        ok = ok && save_slide_jpeg(view, views[v].target);
        if (view)
            g_object_unref(view);
        if (map)
            g_object_unref(map);
    }
    g_object_unref(band);
    return ok && !stopped();
}
