// Window geometry, the mapping from a pointer position to a move, and the
// moves along the slide graph. No SDL here: the tests run without a display.
#ifndef TOURVIEW_MOVES_H
#define TOURVIEW_MOVES_H

#include <glib.h>

#include "tour.h"

enum Move {
    MOVE_FORWARD = 0,
    MOVE_LEFT = 1,
    MOVE_RIGHT = 2,
    MOVE_UP = 3,
    MOVE_DOWN = 4,
    MOVE_NONE = 5,
};

constexpr int WINDOW_WIDTH = 912;
constexpr int WINDOW_HEIGHT = 645;
// The photograph's top-left corner in the window, and its size.
constexpr int SLIDE_X = 56;
constexpr int SLIDE_Y = 56;
constexpr int SLIDE_WIDTH = 800;
constexpr int SLIDE_HEIGHT = 533;

// The id of the slide that the viewer shows first.
extern const char start_slide[];

Move get_region(int x, int y);

// The exit of `slide` that `move` follows (left180 before left, right180
// before right), or null when there is none.
const char *exit_for(const Slide *slide, int move);

Slide *try_move(Slide *slide, int move, GHashTable *table);

// Tab: opens the map and remembers the shown slide in `saved`, or returns to
// `saved`.
void toggle_map(Slide **current, Slide **saved, GHashTable *table);

#endif
