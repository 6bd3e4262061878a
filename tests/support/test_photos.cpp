#include "test_photos.h"

#include "files.h"

#include <math.h>

#include <gexiv2/gexiv2.h>
#include <glib.h>
#include <vips/vips.h>

// No cache: cases in scratch folders of their own read files of the same name.
static bool ready()
{
    static bool ok = VIPS_INIT("tourmake_tests") == 0 && (vips_cache_set_max(0), true);
    return ok;
}

bool write_picture(const std::string &path, int width, int height, Rgb left, Rgb right, Form form,
                   int orientation)
{
    if (!ready())
        return false;
    std::vector<unsigned char> rgb(size_t(width) * height * 3);
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++) {
            Rgb c = x < width / 2 ? left : right;
            unsigned char *p = &rgb[(size_t(y) * width + x) * 3];
            p[0] = c.r, p[1] = c.g, p[2] = c.b;
        }
    VipsImage *image = vips_image_new_from_memory_copy(rgb.data(), rgb.size(), width, height, 3,
                                                       VIPS_FORMAT_UCHAR);
    VipsImage *out = nullptr;
    int rc = 0;
    if (form == Form::grey)
        rc = vips_colourspace(image, &out, VIPS_INTERPRETATION_B_W, nullptr);
    else if (form == Form::cmyk)
        rc = vips_icc_export(image, &out, "output_profile", "cmyk", nullptr);
    else
        out = (g_object_ref(image), image);
    g_object_unref(image);
    if (rc != 0)
        return false;
    if (orientation != 1) {
        vips_image_set_int(out, VIPS_META_ORIENTATION, orientation);
    }
    rc = vips_image_write_to_file(out, path.c_str(), nullptr);
    g_object_unref(out);
    return rc == 0;
}

const Rgb pano_sector_colours[9] = {
    {200, 30, 30}, {220, 120, 20}, {200, 200, 20}, {30, 170, 40},  {20, 170, 190},
    {30, 60, 200}, {130, 40, 190}, {200, 30, 140}, {110, 110, 30},
};

bool write_pano(const std::string &path, int width, const std::vector<double> &line_degrees)
{
    if (!ready())
        return false;
    int height = width / 2;
    std::vector<unsigned char> rgb(size_t(width) * height * 3);
    for (int x = 0; x < width; x++) {
        // Degrees clockwise from the centre at the middle of column x.
        double degrees = (x + 0.5) * 360.0 / width - 180;
        int sector = static_cast<int>(floor((degrees + 22.5) / 45 + 8)) % 8;
        Rgb c = pano_sector_colours[sector == 4 && degrees < 0 ? 8 : sector];
        for (double line : line_degrees) {
            double centre = width / 2.0 + line / 360 * width; // between two columns
            if (x + 0.5 > centre - 1 && x + 0.5 < centre + 1)
                c = {255, 255, 255};
        }
        for (int y = 0; y < height; y++) {
            Rgb p = y == height / 2 - 1 || y == height / 2 ? Rgb{0, 0, 0} : c;
            unsigned char *to = &rgb[(size_t(y) * width + x) * 3];
            to[0] = p.r, to[1] = p.g, to[2] = p.b;
        }
    }
    VipsImage *image =
        vips_image_new_from_memory(rgb.data(), rgb.size(), width, height, 3, VIPS_FORMAT_UCHAR);
    int rc = vips_image_write_to_file(image, path.c_str(), nullptr);
    g_object_unref(image);
    return rc == 0;
}

bool write_tags(const std::string &path,
                const std::vector<std::pair<std::string, std::string>> &tags)
{
    static bool ok =
        gexiv2_initialize() && (gexiv2_metadata_try_register_xmp_namespace(
                                    "http://ns.google.com/photos/1.0/panorama/", "GPano", nullptr),
                                true);
    GExiv2Metadata *metadata = gexiv2_metadata_new();
    bool done = ok && gexiv2_metadata_open_path(metadata, path.c_str(), nullptr);
    for (const auto &[tag, value] : tags)
        done = done &&
               gexiv2_metadata_try_set_tag_string(metadata, tag.c_str(), value.c_str(), nullptr);
    done = done && gexiv2_metadata_save_file(metadata, path.c_str(), nullptr);
    g_object_unref(metadata);
    return done;
}

bool write_shot(const Shot &shot)
{
    if (!write_picture(shot.file, 900, 600, {120, 90, 60}, {60, 90, 120}))
        return false;
    std::vector<std::pair<std::string, std::string>> tags;
    if (shot.when)
        tags.push_back({"Exif.Photo.DateTimeOriginal", shot.when});
    if (shot.subsec)
        tags.push_back({"Exif.Photo.SubSecTimeOriginal", shot.subsec});
    if (shot.direction) {
        tags.push_back({"Exif.GPSInfo.GPSImgDirectionRef", "T"});
        tags.push_back({"Exif.GPSInfo.GPSImgDirection", shot.direction});
    }
    if (shot.latitude) {
        tags.push_back({"Exif.GPSInfo.GPSLatitudeRef", "N"});
        tags.push_back({"Exif.GPSInfo.GPSLatitude", shot.latitude});
        tags.push_back({"Exif.GPSInfo.GPSLongitudeRef", "E"});
        tags.push_back({"Exif.GPSInfo.GPSLongitude", shot.longitude});
    }
    return tags.empty() || write_tags(shot.file, tags);
}

bool write_slow_plan(const std::string &plan_path)
{
    if (!write_picture("big.png", 3000, 2000, {180, 120, 60}, {60, 90, 160}))
        return false;
    std::string plan;
    for (int p = 0; p < 15; p++) {
        plan += "point p" + std::to_string(p) + " floor 0 at " + std::to_string(p * 10) + " 0\n";
        for (const char *heading : {"N", "E", "S", "W"})
            plan += "photo p" + std::to_string(p) + " " + heading + " big.png\n";
    }
    write_file(plan_path, plan);
    return true;
}

Rgb Pixels::at(int x, int y) const
{
    const unsigned char *p = &rgb[(size_t(y) * width + x) * 3];
    return {p[0], p[1], p[2]};
}

Pixels read_pixels(const std::string &path)
{
    Pixels pixels;
    VipsImage *image = ready() ? vips_image_new_from_file(path.c_str(), nullptr) : nullptr;
    if (!image)
        return pixels;
    size_t size = 0;
    void *data = image->Bands == 3 && image->BandFmt == VIPS_FORMAT_UCHAR
                     ? vips_image_write_to_memory(image, &size)
                     : nullptr;
    if (data) {
        pixels.width = image->Xsize, pixels.height = image->Ysize;
        pixels.rgb.assign(static_cast<unsigned char *>(data),
                          static_cast<unsigned char *>(data) + size);
        g_free(data);
    }
    g_object_unref(image);
    return pixels;
}

Rgb pixel_at(const std::string &path, int x, int y)
{
    Rgb none{-1, -1, -1};
    VipsImage *image = ready() ? vips_image_new_from_file(path.c_str(), nullptr) : nullptr;
    if (!image)
        return none;
    double *values = nullptr;
    int n = 0;
    bool ok = vips_getpoint(image, &values, &n, x, y, nullptr) == 0 && n >= 3;
    Rgb c = ok ? Rgb{int(values[0]), int(values[1]), int(values[2])} : none;
    g_free(values);
    g_object_unref(image);
    return c;
}

bool picture_size(const std::string &path, int *width, int *height)
{
    VipsImage *image = ready() ? vips_image_new_from_file(path.c_str(), nullptr) : nullptr;
    if (!image)
        return false;
    *width = image->Xsize, *height = image->Ysize;
    g_object_unref(image);
    return true;
}

Ran run(const std::vector<std::string> &args)
{
    return run_program(args[0].c_str(), std::vector<std::string>(args.begin() + 1, args.end()));
}
