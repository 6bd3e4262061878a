// Pixel buffers and their encoding: JPEG through libjpeg, PNG through libpng.
#ifndef TOURVIEW_TOOLS_IMAGE_H
#define TOURVIEW_TOOLS_IMAGE_H

#include <string>
#include <vector>

// Rows top to bottom, `channels` bytes per pixel: 3 for RGB, 4 for RGBA.
struct Image {
    int width = 0, height = 0, channels = 3;
    std::vector<unsigned char> pixels;
};

Image image_new(int width, int height, int channels);
unsigned char *image_pixel(Image &image, int x, int y);

// Both return false, with *error set to a one-line reason, when the file
// cannot be written.
bool write_jpeg(const Image &image, const std::string &path, int quality, std::string *error);
bool write_png(const Image &image, const std::string &path, std::string *error);

#endif
