// The photograph stage: every photograph upright, in sRGB, scaled to cover
// (or fit inside) 800 by 533 and written as a baseline JPEG, on all cores.
#ifndef TOURMAKE_PHOTOS_H
#define TOURMAKE_PHOTOS_H

#include <string>
#include <vector>

#include <vips/vips.h>

#include "plan.h"

struct PhotoJob {
    std::string source, target;
    std::string error; // why it failed, empty when it did not
};

// Routes libvips' log through our handler: a warning raised while a
// photograph is read is kept for that photograph, unless it cannot change the
// pixels shown (an unknown resolution unit); any other is printed as
// "tourmake: libvips: ...".
void photo_log_install();
// The warnings about `path` that were not taken before, each once.
std::vector<std::string> photo_warnings_take(const std::string &path);

// Opens `path` as a JPEG or PNG and reads its header: *width and *height as
// seen upright. False with *reason set when it is missing or no such image.
bool photo_header(const std::string &path, int *width, int *height, std::string *reason);

// A failed photograph's reason, "FILE: reason", with the first of its
// warnings that says more (libpng names the damage only in a warning).
std::string photo_failure(const Photo &photo, const std::string &reason);

// Reads each photograph's and drawing's header: missing or undecodable files
// are errors, photographs that must be scaled up are warnings.
void check_plan_files(Plan *plan, Diagnostics *diagnostics);

// A photograph as an upright 8-bit sRGB image, alpha flattened onto black:
// NULL with *reason set on failure. Maps use it too.
VipsImage *load_upright(const std::string &path, std::string *reason);

// Runs every job on `threads` threads (0: one a core), with progress on
// stderr when `progress` is set. False when any job failed or the run was
// interrupted (outdir_interrupted()) before all jobs were handed out.
bool make_photos(std::vector<PhotoJob> &jobs, bool fit, int threads, bool progress);

#endif
