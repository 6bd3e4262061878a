// The photograph of the shown slide, and the redraw of the whole window.
#ifndef TOURVIEW_SCREEN_H
#define TOURVIEW_SCREEN_H

#include <SDL.h>

#include "tour.h"

// Draws the photograph at `path` into the slide area. The photograph is
// loaded again only when `path` is another string than last time.
void draw_slide(SDL_Surface *screen, const char *path);

// One frame: black, the photograph, the exit arrows and, while the pointer
// is inside the window, the pointer sprite; then the window is updated.
void redraw(SDL_Surface *screen, const Slide *current, int mouse_inside);

#endif
