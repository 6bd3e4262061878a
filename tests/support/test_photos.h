// Photographs for tourmake's tests, written with libvips: solid colours in
// the forms phones and editors produce, and the run of the real program.
#ifndef TOURVIEW_TESTS_TOURMAKE_PHOTOS_H
#define TOURVIEW_TESTS_TOURMAKE_PHOTOS_H

#include <string>
#include <vector>

#include "images.h"
#include "test_tours.h"

// Writes a `width` by `height` picture to `path` (format by the suffix);
// `left` fills the left half, `right` the right half. False on failure.
enum class Form { rgb, grey, cmyk };
bool write_picture(const std::string &path, int width, int height, Rgb left, Rgb right,
                   Form form = Form::rgb, int orientation = 1);
// The colour of a decoded picture at (x, y); {-1,-1,-1} when unreadable.
Rgb pixel_at(const std::string &path, int x, int y);
bool picture_size(const std::string &path, int *width, int *height);

// A run of the program argv[0] with the rest as its arguments.
using Ran = Checked;
Ran run(const std::vector<std::string> &argv);

#endif
