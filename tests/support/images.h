// Pictures for test tours: written as PNG (exact colours) or JPEG (lossy, so
// compare with a tolerance).
#ifndef TOURVIEW_TESTS_IMAGES_H
#define TOURVIEW_TESTS_IMAGES_H

#include <cstdint>
#include <string>
#include <vector>

struct Rgb {
    int r, g, b;
    bool operator==(const Rgb &o) const
    {
        return r == o.r && g == o.g && b == o.b;
    }
};

// True when every channel differs by at most `tolerance`.
bool near(Rgb a, Rgb b, int tolerance);
std::string describe(Rgb colour);

struct Picture {
    int width = 0, height = 0;
    std::vector<uint8_t> rgba; // row by row, four bytes a pixel

    Picture(int w, int h, Rgb fill, int alpha = 255);
    void set(int x, int y, Rgb colour, int alpha = 255);
    Rgb at(int x, int y) const;
};

// JPEG forms that cameras and editors write besides the plain one.
enum class JpegForm { baseline, cmyk, ycck, progressive, rotated };

// The encoded file as bytes. `rotated` carries an Exif orientation tag of 6
// ("Right-top": turn 90 degrees clockwise to view).
std::string png_bytes(const Picture &picture, bool with_alpha = false);
std::string jpeg_bytes(const Picture &picture, int quality = 95,
                       JpegForm form = JpegForm::baseline);

// Throws std::runtime_error when the file cannot be written.
void write_png(const std::string &path, const Picture &picture, bool with_alpha = false);
void write_jpeg(const std::string &path, const Picture &picture, int quality = 95);

// An encoded PNG or JPEG whose header claims `width` by `height` pixels: the
// data stays the small picture's, so a decoder finds it cut short.
std::string with_declared_size(std::string encoded, int width, int height);

#endif
