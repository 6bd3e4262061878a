#include "image.h"

#include <errno.h>
#include <stdio.h>
#include <string.h>

#include <jpeglib.h>
#include <png.h>

Image image_new(int width, int height, int channels)
{
    Image image;
    image.width = width;
    image.height = height;
    image.channels = channels;
    image.pixels.assign(static_cast<size_t>(width) * height * channels, 0);
    return image;
}

unsigned char *image_pixel(Image &image, int x, int y)
{
    return &image.pixels[(static_cast<size_t>(y) * image.width + x) * image.channels];
}

static FILE *open_for_writing(const std::string &path, std::string *error)
{
    FILE *file = fopen(path.c_str(), "wb");
    if (!file)
        *error = "cannot write " + path + ": " + strerror(errno);
    return file;
}

// Closes `file`; false, with *error set, when anything written to it failed.
static bool closed(FILE *file, const std::string &path, std::string *error)
{
    bool ok = !ferror(file);
    ok = fclose(file) == 0 && ok;
    if (!ok)
        *error = "cannot write " + path;
    return ok;
}

bool write_jpeg(const Image &image, const std::string &path, int quality, std::string *error)
{
    FILE *file = open_for_writing(path, error);
    if (!file)
        return false;
    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, file);
    cinfo.image_width = image.width;
    cinfo.image_height = image.height;
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    cinfo.optimize_coding = TRUE;
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(
            &image.pixels[static_cast<size_t>(cinfo.next_scanline) * image.width * 3]);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return closed(file, path, error);
}

bool write_png(const Image &image, const std::string &path, std::string *error)
{
    FILE *file = open_for_writing(path, error);
    if (!file)
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        fclose(file);
        *error = "cannot encode " + path;
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, image.width, image.height, 8,
                 image.channels == 4 ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < image.height; y++)
        png_write_row(png, &image.pixels[static_cast<size_t>(y) * image.width * image.channels]);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return closed(file, path, error);
}
