// The photograph stage: every photograph upright, in sRGB, scaled to cover
// (or fit inside) 800 by 533 and written as a baseline JPEG, on all cores.
#ifndef TOURMAKE_PHOTOS_H
#define TOURMAKE_PHOTOS_H

#include <functional>
#include <string>
#include <vector>

#include <vips/vips.h>

#include "pano.h"

struct PhotoJob {
    std::string source, target;
    std::string error; // why it failed, empty when it did not
    // A 360° photograph's views, made from one reading of it: `target` unused.
    std::vector<PanoView> views;
};

// Opens `path` as a JPEG or PNG and reads its header: *width and *height as
// seen upright. False with *reason set when it is missing or no such image.
bool photo_header(const std::string &path, int *width, int *height, std::string *reason);

// A photograph as an upright 8-bit sRGB image, alpha flattened onto black:
// NULL with *reason set on failure. Maps use it too.
VipsImage *load_upright(const std::string &path, std::string *reason);

// The file as it is now: its path, size and time of change, or "" when it
// cannot be seen. A file changed in place stamps differently.
std::string file_stamp(const std::string &path);

// What a slide's photograph made from `source` depends on, as text: the file's
// stamp and the framing; "" when the file cannot be seen.
std::string photo_inputs(const std::string &source, bool fit);

// 8-bit sRGB, three bands: grey, CMYK and 16-bit images converted, alpha
// flattened onto black. Takes over *image and replaces it; false on failure.
bool to_srgb8(VipsImage **image);
// Writes a slide's photograph: a baseline JPEG at the tour's quality, without
// metadata.
bool save_slide_jpeg(VipsImage *image, const std::string &target);

// Runs every job on `threads` threads (0: one a core), telling `progress`
// (when set) of each picture written, one call at a time: a job of views
// counts each view. False when any job failed or `stop` (when set) answered
// true before all jobs were handed out; a job of views stops between views.
bool make_photos(std::vector<PhotoJob> &jobs, bool fit, int threads,
                 const std::function<void(size_t done, size_t total)> &progress,
                 const std::function<bool()> &stop);

#endif
