// Photographs for tourmake's tests, written with libvips: solid colours in
// the forms phones and editors produce, and the run of the real program.
#ifndef TOURVIEW_TESTS_TOURMAKE_PHOTOS_H
#define TOURVIEW_TESTS_TOURMAKE_PHOTOS_H

#include <string>
#include <utility>
#include <vector>

#include "images.h"
#include "test_tours.h"

// Writes a `width` by `height` picture to `path` (format by the suffix);
// `left` fills the left half, `right` the right half. False on failure.
enum class Form { rgb, grey, cmyk };
bool write_picture(const std::string &path, int width, int height, Rgb left, Rgb right,
                   Form form = Form::rgb, int orientation = 1);
// A 360° photograph, `width` by width / 2 (PNG or JPEG by the suffix), with
// marks whose place in a view can be told: eight sectors of
// `pano_sector_colours`, sector k centred k * 45 degrees clockwise from the
// photograph's centre (the fifth, centred on its edge, in two colours split
// there); white vertical lines two pixels wide centred on `line_degrees` from
// the centre; and the horizon, a black line two pixels high.
extern const Rgb pano_sector_colours[9]; // the last: the fifth sector right of the edge
bool write_pano(const std::string &path, int width, const std::vector<double> &line_degrees);
// Sets tags ("Exif.Photo.DateTimeOriginal", "Xmp.GPano.PoseHeadingDegrees")
// to their values in the file at `path`, with gexiv2. False on failure.
bool write_tags(const std::string &path,
                const std::vector<std::pair<std::string, std::string>> &tags);
// What a photograph records, as EXIF writes it; a null is not recorded.
struct Shot {
    const char *file;
    const char *when, *subsec;        // DateTimeOriginal, SubSecTimeOriginal
    const char *direction;            // GPSImgDirection as a rational
    const char *latitude, *longitude; // GPS, degrees minutes seconds, north and east
};
// A 900 by 600 photograph at the shot's file, carrying its EXIF. False on
// failure.
bool write_shot(const Shot &shot);
// A make that takes a while: big.png, 3000 by 2000, and a plan at `plan_path`
// of fifteen points with four photos each of it (sixty photographs). False on
// failure.
bool write_slow_plan(const std::string &plan_path);
// The colour of a decoded picture at (x, y); {-1,-1,-1} when unreadable.
Rgb pixel_at(const std::string &path, int x, int y);
bool picture_size(const std::string &path, int *width, int *height);
// The whole picture as 8-bit RGB rows; empty when unreadable.
struct Pixels {
    int width = 0, height = 0;
    std::vector<unsigned char> rgb;
    Rgb at(int x, int y) const;
};
Pixels read_pixels(const std::string &path);

// A run of the program argv[0] with the rest as its arguments.
using Ran = Checked;
Ran run(const std::vector<std::string> &argv);

#endif
