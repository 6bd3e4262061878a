// Pieces that the warm and the fresh-process load benchmarks share.
#ifndef TOURVIEW_BENCH_LOADING_H
#define TOURVIEW_BENCH_LOADING_H

#include <glib.h>

#include <string>
#include <vector>

// The bare markup parse with empty callbacks (bench/xml).
bool bare_parse(const char *text, gsize size);

// Paths of every photograph of the generated tour, relative to it.
std::vector<std::string> photograph_paths();

// What loading cannot do without, inside the tour: read and parse data.xml
// and test that each photograph exists. Returns the count found, -1 when
// the file cannot be read or parsed.
int load_floor(const std::vector<std::string> &paths);

#endif
