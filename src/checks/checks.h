// The checks: a tour read with the viewer's own loader, and what would go
// wrong when it is shown.
#ifndef TOURVIEW_CHECKS_H
#define TOURVIEW_CHECKS_H

#include <glib.h>

#include <array>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "diagnostics.h"
#include "format.h"
#include "places.h"
#include "tour.h"
#include "whole_file.h"
#include "xmlnode.h"

// The order in which tourcheck reports a slide's exits, by exit_kinds index:
// left, right, forward, then the rest in listing order. Older versions read
// the exits in this order, and reports and graphs keep it.
constexpr std::array<size_t, EXIT_COUNT> report_order = {
    EXIT_LEFT, EXIT_RIGHT, EXIT_FORWARD, EXIT_LEFT180, EXIT_RIGHT180, EXIT_UP, EXIT_DOWN};

// Where a slide the loader kept stands in data.xml.
struct SlideLines {
    std::string id;
    int line;                          // the slide element
    std::array<int, EXIT_COUNT> exits; // the exit element that counts, by exit_kinds index
};

struct Tour {
    std::string dir;
    bool readable;                  // data.xml was read and parsed
    GHashTable *table;              // id -> Slide, built exactly as the viewer's loader builds it
    std::vector<SlideLines> slides; // kept slides in document order, the built-in map excluded
    Diagnostics problems;           // by file: "data.xml" or a path inside the tour
    bool placed;                    // places.xml was read, and names slides of the tour only
    TourPlaces places;              // what it says, when placed
};

// Reads the tour in `dir` and, when data.xml is read, checks its slide graph,
// photographs and sprites: the problems sorted as reported, data.xml's first.
void check_tour(Tour *tour, const char *dir);

// Markup details that the XML module does not keep: the line of every element
// in document order, and what the parser says about text it rejects.
struct MarkupPositions {
    std::vector<int> element_lines;
    bool well_formed;
    bool unfinished_tail; // well-formed up to the root's end, unfinished after it
    int error_line, error_column;
    std::string error_message;
};
MarkupPositions markup_positions(const char *text, gsize length);

// The start-tag line of each element of the tree.
using LineMap = std::unordered_map<const xmlnode *, int>;
int line_of(const LineMap &lines, const xmlnode *node);

// read.cpp
void tour_read(Tour *tour, const char *dir);
void tour_clear(Tour *tour);

// markup.cpp
bool has_outer_space(const char *text);
void check_slide_children(Tour *tour, const LineMap &lines, const xmlnode *slide);
void check_skipped(Tour *tour, const LineMap &lines, xmlnode *root,
                   const std::vector<const xmlnode *> &taken);

// checks.cpp: the slide graph as the viewer walks it.
std::set<std::string> reachable_ids(const Tour *tour);
void check_graph(Tour *tour);

// images.cpp: photographs and sprites.
void check_images(Tour *tour);
// Whether the bytes of an image file decode as the viewer decodes them; *png
// tells the decoder taken, *error why it failed ("cannot be decoded (...)" or
// its size beyond the viewer's budget).
bool image_decodes(const char *bytes, gsize length, bool *png, std::string *error);

// places.cpp: the places file, which only the page reads; what is wrong with
// it is a warning, as the tour walks without it.
void check_places(Tour *tour);

// dot.cpp
std::string tour_dot(const Tour *tour);

// report.cpp
void data_problem(Tour *tour, int line, Severity severity, const std::string &message);
// "tourcheck: N slides, N errors, N warnings", the report's last line.
std::string summary_line(const Tour *tour);
int exit_status(const Tour *tour);

#endif
