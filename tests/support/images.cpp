#include "images.h"

#include "files.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <stdexcept>

#include <jpeglib.h>
#include <png.h>

bool near(Rgb a, Rgb b, int tolerance)
{
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
           std::abs(a.b - b.b) <= tolerance;
}

std::string describe(Rgb c)
{
    return "(" + std::to_string(c.r) + ", " + std::to_string(c.g) + ", " + std::to_string(c.b) +
           ")";
}

Picture::Picture(int w, int h, Rgb fill, int alpha) : width(w), height(h), rgba(size_t(w) * h * 4)
{
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++)
            set(x, y, fill, alpha);
}

void Picture::set(int x, int y, Rgb c, int alpha)
{
    uint8_t *p = &rgba[(size_t(y) * width + x) * 4];
    p[0] = uint8_t(c.r);
    p[1] = uint8_t(c.g);
    p[2] = uint8_t(c.b);
    p[3] = uint8_t(alpha);
}

Rgb Picture::at(int x, int y) const
{
    const uint8_t *p = &rgba[(size_t(y) * width + x) * 4];
    return {p[0], p[1], p[2]};
}

std::string png_bytes(const Picture &picture, bool with_alpha)
{
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = png_uint_32(picture.width);
    image.height = png_uint_32(picture.height);
    image.format = PNG_FORMAT_RGBA;
    std::vector<uint8_t> rgb;
    const uint8_t *pixels = picture.rgba.data();
    if (!with_alpha) {
        rgb.reserve(picture.rgba.size() / 4 * 3);
        for (size_t i = 0; i < picture.rgba.size(); i += 4)
            rgb.insert(rgb.end(), &picture.rgba[i], &picture.rgba[i + 3]);
        image.format = PNG_FORMAT_RGB;
        pixels = rgb.data();
    }
    png_alloc_size_t size = 0;
    if (!png_image_write_to_memory(&image, nullptr, &size, 0, pixels, 0, nullptr))
        throw std::runtime_error(std::string("cannot encode a PNG: ") + image.message);
    std::string bytes(size, '\0');
    if (!png_image_write_to_memory(&image, &bytes[0], &size, 0, pixels, 0, nullptr))
        throw std::runtime_error(std::string("cannot encode a PNG: ") + image.message);
    bytes.resize(size);
    return bytes;
}

std::string jpeg_bytes(const Picture &picture, int quality)
{
    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char *buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = JDIMENSION(picture.width);
    cinfo.image_height = JDIMENSION(picture.height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<JSAMPLE> row(size_t(picture.width) * 3);
    while (cinfo.next_scanline < cinfo.image_height) {
        const uint8_t *src = &picture.rgba[size_t(cinfo.next_scanline) * picture.width * 4];
        for (int x = 0; x < picture.width; x++)
            std::memcpy(&row[size_t(x) * 3], &src[size_t(x) * 4], 3);
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::string bytes(reinterpret_cast<char *>(buffer), size);
    std::free(buffer);
    return bytes;
}

void write_png(const std::string &path, const Picture &picture, bool with_alpha)
{
    write_file(path, png_bytes(picture, with_alpha));
}

void write_jpeg(const std::string &path, const Picture &picture, int quality)
{
    write_file(path, jpeg_bytes(picture, quality));
}
