// Where things lie in the window: the photograph, the bands of the photograph
// that map to moves, and the exit arrows. No SDL here.
#ifndef TOURVIEW_GEOMETRY_H
#define TOURVIEW_GEOMETRY_H

#include "format.h"

constexpr int WINDOW_WIDTH = 912;
constexpr int WINDOW_HEIGHT = 645;
// The photograph's top-left corner in the window, and its size.
constexpr int SLIDE_X = 56;
constexpr int SLIDE_Y = 56;
constexpr int SLIDE_WIDTH = PHOTO_WIDTH;
constexpr int SLIDE_HEIGHT = PHOTO_HEIGHT;

// Offsets into the slide area, counted from its top-left corner: a pointer
// left of LEFT_BAND turns left, and so on; the middle steps forward.
constexpr int LEFT_BAND = 120;
constexpr int RIGHT_BAND = 680;
constexpr int TOP_BAND = 120;
constexpr int BOTTOM_BAND = 413;

struct WindowPoint {
    int x, y;
};

// Top-left corners of the exit arrows in the window, by sprite index; the
// left and right arrows of both kinds share a place. Entry 0 has no arrow.
constexpr WindowPoint arrow_places[SPRITE_COUNT] = {
    {0, 0}, {15, 310}, {15, 310}, {872, 310}, {872, 310}, {456, 60}, {456, 593}, {443, 15},
};

#endif
