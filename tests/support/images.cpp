#include "images.h"

#include "files.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <stdexcept>

#include <jpeglib.h>
#include <png.h>
#include <zlib.h>

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

// A big-endian Exif block with one entry in its first directory: orientation 6.
static const unsigned char exif_rotated[] = {
    'E',  'x',  'i', 'f', 0, 0, 'M', 'M', 0, 42, 0, 0, 0, 8, // header, directory at 8
    0,    1,                                                 // one entry
    0x01, 0x12, 0,   3,   0, 0, 0,   1,   0, 6,  0, 0,       // orientation, SHORT, 1, 6
    0,    0,    0,   0};                                     // no next directory

std::string jpeg_bytes(const Picture &picture, int quality, JpegForm form)
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
    bool cmyk = form == JpegForm::cmyk || form == JpegForm::ycck;
    cinfo.input_components = cmyk ? 4 : 3;
    cinfo.in_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    if (form == JpegForm::ycck)
        jpeg_set_colorspace(&cinfo, JCS_YCCK);
    if (form == JpegForm::progressive)
        jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    if (form == JpegForm::rotated)
        jpeg_write_marker(&cinfo, JPEG_APP0 + 1, exif_rotated, sizeof exif_rotated);
    std::vector<JSAMPLE> row(size_t(picture.width) * cinfo.input_components);
    while (cinfo.next_scanline < cinfo.image_height) {
        const uint8_t *src = &picture.rgba[size_t(cinfo.next_scanline) * picture.width * 4];
        for (int x = 0; x < picture.width; x++) {
            JSAMPLE *out = &row[size_t(x) * cinfo.input_components];
            if (cmyk) // inverted, as Adobe writes CMYK
                for (int c = 0; c < 4; c++)
                    out[c] = JSAMPLE(c < 3 ? src[x * 4 + c] : 255);
            else
                std::memcpy(out, &src[size_t(x) * 4], 3);
        }
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

static void put_be(std::string &bytes, size_t at, uint32_t value, int size)
{
    for (int i = 0; i < size; i++)
        bytes[at + i] = char(value >> (8 * (size - 1 - i)));
}

std::string with_declared_size(std::string bytes, int width, int height)
{
    // PNG: IHDR comes first, after the signature and its length and type.
    if (bytes.compare(12, 4, "IHDR") == 0) {
        put_be(bytes, 16, uint32_t(width), 4);
        put_be(bytes, 20, uint32_t(height), 4);
        uLong crc = crc32(0, reinterpret_cast<const Bytef *>(&bytes[12]), 17);
        put_be(bytes, 29, uint32_t(crc), 4);
        return bytes;
    }
    // JPEG: the frame header (SOF0..SOF2) holds height, then width.
    for (size_t at = 2; at + 9 < bytes.size();) {
        unsigned char marker = static_cast<unsigned char>(bytes[at + 1]);
        if (marker >= 0xc0 && marker <= 0xc2) {
            put_be(bytes, at + 5, uint32_t(height), 2);
            put_be(bytes, at + 7, uint32_t(width), 2);
            return bytes;
        }
        at += 2 + (static_cast<unsigned char>(bytes[at + 2]) << 8) +
              static_cast<unsigned char>(bytes[at + 3]);
    }
    throw std::runtime_error("no PNG or JPEG header to resize");
}
