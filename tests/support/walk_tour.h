// The tour that the viewer's and the page's walks share: a solid colour a
// photograph, every kind of exit, the map and a missing target.
#ifndef TOURVIEW_TESTS_WALK_TOUR_H
#define TOURVIEW_TESTS_WALK_TOUR_H

#include <string>
#include <utility>
#include <vector>

#include "images.h"

struct WalkSlide {
    const char *id;
    Rgb colour;
    std::vector<std::pair<std::string, std::string>> exits;
    std::vector<int> arrows; // the arrows its exits show, by sprite index
};

// S001 has every kind of exit, both left ones included; S002 both right
// ones; S003 none; S005 leads to the map; S007 to a slide that is missing.
inline const std::vector<WalkSlide> &walk_slides()
{
    static const std::vector<WalkSlide> slides = {
        {"S001",
         {85, 85, 85},
         {{"forward", "S002"},
          {"left", "S003"},
          {"left180", "S004"},
          {"right", "S005"},
          {"up", "S006"},
          {"down", "S007"}},
         {2, 3, 5, 6, 7}},
        {"S002",
         {170, 170, 170},
         {{"left", "S001"}, {"right", "S001"}, {"right180", "S003"}, {"forward", "S008"}},
         {1, 4, 7}},
        {"S003", {85, 0, 170}, {}, {}},
        {"S004", {170, 85, 0}, {{"left", "S001"}}, {1}},
        {"S005", {0, 85, 85}, {{"forward", "map"}, {"left", "S001"}}, {1, 7}},
        {"S006", {85, 170, 85}, {{"up", "S002"}, {"down", "S001"}}, {5, 6}},
        {"S007", {170, 85, 170}, {{"forward", "S999"}, {"left", "S001"}}, {1, 7}},
        {"S008", {85, 85, 170}, {{"forward", "S002"}}, {7}},
        {"map", {255, 170, 170}, {}, {}},
    };
    return slides;
}

#endif
