// The mapping from a pointer position to a move, and the moves along the
// slide graph. No SDL here: the tests run without a display.
#ifndef TOURVIEW_MOVES_H
#define TOURVIEW_MOVES_H

#include <glib.h>

#include "format.h"
#include "geometry.h"
#include "tour.h"

Move get_region(int x, int y);

// The pointer sprite for `move` on `slide`: the exit a click would follow.
Sprite cursor_for(const Slide *slide, Move move);

// The arrows drawn for `slide` into `sprites`, in drawing order (forward last,
// so that its arrow lies over the up arrow where large sprites meet); returns
// how many.
size_t exit_arrows(const Slide *slide, Sprite sprites[exit_kinds.size()]);

// The keys that move, by their SDL key codes, and what a key does.
constexpr int KEY_UP = 273, KEY_RIGHT = 275, KEY_LEFT = 276;
constexpr int MOVE_IGNORED = 6;
// The move of key `sym`, MOVE_IGNORED for a key that makes none (Down too).
int key_move(int sym);

Slide *try_move(Slide *slide, int move, GHashTable *table);

// Tab: opens the map and remembers the shown slide in `saved`, or returns to
// `saved`.
void toggle_map(Slide **current, Slide **saved, GHashTable *table);

#endif
