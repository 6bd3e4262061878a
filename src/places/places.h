// The places file (places_file, beside data.xml) of a tour that tourmake
// made: the tour's title and, for each standing point, its name, where it
// lands on the map photograph and its slides by heading. The page's map reads
// it; the desktop viewer never does.
//
//   <places version="1">
//     <title>Our house</title>
//     <point name="hall" x="212.5" y="301.0">
//       <slide heading="N">S001</slide>
//       <slide heading="E">hall-E</slide>
//     </point>
//   </places>
#ifndef TOURVIEW_PLACES_H
#define TOURVIEW_PLACES_H

#include <glib.h>

#include <array>
#include <string>
#include <vector>

#include "plan.h"

// The version this tourview writes and reads; a file of another is not read.
constexpr int PLACES_VERSION = 1;

struct PlacedPoint {
    std::string name;
    double x, y;                              // pixels of the map photograph
    std::array<std::string, HEADINGS> slides; // slide ids by heading; "" where none
};

struct TourPlaces {
    std::string title; // "" when the plan has none
    std::vector<PlacedPoint> points;
};

// The file's text.
std::string places_to_xml(const TourPlaces &places);

// Reads the file's text; false with *problem (one line, saying what is wrong
// and where) when it is not a places file of this version: not well-formed, a
// version other than PLACES_VERSION, a point without a name or off the map, a
// heading that is none of N..NW or given twice, a slide without an id or
// placed twice.
bool places_from_xml(const char *text, gsize length, TourPlaces *places, std::string *problem);

#endif
