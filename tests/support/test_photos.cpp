#include "test_photos.h"

#include <glib.h>
#include <vips/vips.h>

static bool ready()
{
    static bool ok = VIPS_INIT("tourmake_tests") == 0;
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
