// Making a tour from a plan, in process: the photographs' headers checked, the
// photographs made, the map drawn, the sprites and data.xml written and the
// tour checked as the viewer reads it. Nothing here prints, exits or installs
// a handler: what goes wrong comes back as diagnostics and a failure text.
// The caller starts libvips first (VIPS_INIT), and installs photo_log_install()
// (vips_log.h) for libvips' warnings to reach the photographs they are about.
#ifndef TOURVIEW_MAKING_H
#define TOURVIEW_MAKING_H

#include <stddef.h>

#include <functional>
#include <string>
#include <vector>

#include "diagnostics.h"
#include "graph.h"
#include "plan.h"

// Files an earlier run made, kept by the caller for the next: make_tour asks
// it for each photograph, the map and each sprite by a key that names all that
// the file is made from, and hands it each one it had to make. Photographs
// that warned or failed are not handed over.
struct MadeStore {
    // Puts the file kept for `key` at `target`: false when there is none.
    std::function<bool(const std::string &key, const std::string &target)> fetch;
    // Keeps a copy of `made`, just made for `key`, or a link to it.
    std::function<void(const std::string &key, const std::string &made)> keep;
};

// A store in the directory `dir` (made when first needed): a file by its key's
// SHA-256, hard-linked out and in (copied where a link cannot be made). Only
// for targets that are never written again: a link shares the file.
MadeStore made_store_in(const std::string &dir);

// The caller's hold on a run.
struct Steering {
    // After each photograph, one call at a time from any thread: how many are
    // done of how many. May be empty.
    std::function<void(size_t done, size_t total)> progress;
    // Asked before each photograph and between stages; true stops the run.
    // May be empty.
    std::function<bool()> stop;
    // Files made before, taken instead of being made again. May be empty.
    MadeStore store;
};

// Reads the plan from `text` (its file names found from `dir`; an "auto"
// heading from the direction its photograph recorded), reads the header of
// each photograph, 360° photograph and drawing it names and derives the
// slides: the diagnostics are by plan line. The tour can be made when none is
// an error.
std::vector<PlannedSlide> plan_read(Plan *plan, Diagnostics *diagnostics, const std::string &text,
                                    const std::string &dir);

// The same for a plan already parsed, and perhaps changed since: the headers
// read again and the slides derived, the diagnostics added.
std::vector<PlannedSlide> plan_slides(Plan *plan, Diagnostics *diagnostics);

// Reads each photograph's and drawing's header: missing or undecodable files
// are errors, photographs that must be scaled up warnings. Sets the
// photographs' upright sizes (a view of a 360° photograph is cut to size).
void check_plan_files(Plan *plan, Diagnostics *diagnostics);

// Reads each 360° photograph's header: a size that cannot give views is an
// error. Its centre faces the heading that its line gives, else the one it
// recorded (GPano:PoseHeadingDegrees), else north, with a warning.
void check_panos(Plan *plan, Diagnostics *diagnostics);

// What making a tour came to.
struct Made {
    Diagnostics photographs; // by plan line: photographs that failed or warned
    Diagnostics checks;      // the tour written, as the viewer reads it: by file of the tour
    std::string failure;     // why the tour is not whole ("" when it is, or when it failed
                             // on photographs alone, or was stopped)
    bool stopped = false;    // the steering asked to stop
};

// Writes the tour of `plan` and its `slides` (from plan_read, without errors)
// into `dir`, an existing empty directory; true when the tour is whole and
// passes its checks. On false `dir` holds part of a tour: the caller removes it.
// The views of each 360° photograph are made from one reading of it, before
// the other photographs; the progress counts every slide's photograph.
bool make_tour(const Plan &plan, const std::vector<PlannedSlide> &slides, const std::string &dir,
               const Steering &steering, Made *made);

#endif
