// The mapping from a pointer position to a move, and the moves along the
// slide graph. No SDL here: the tests run without a display.
#ifndef TOURVIEW_MOVES_H
#define TOURVIEW_MOVES_H

#include <glib.h>

#include "format.h"
#include "geometry.h"
#include "tour.h"

Move get_region(int x, int y);

Slide *try_move(Slide *slide, int move, GHashTable *table);

// Tab: opens the map and remembers the shown slide in `saved`, or returns to
// `saved`.
void toggle_map(Slide **current, Slide **saved, GHashTable *table);

#endif
