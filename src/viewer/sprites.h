// The pointer sprites that show what a click would do, and the arrows that
// mark a slide's exits. All are loaded once from the tour's sprite directory.
#ifndef TOURVIEW_SPRITES_H
#define TOURVIEW_SPRITES_H

#include <SDL.h>

#include "format.h"
#include "tour.h"

extern SDL_Surface *curs[SPRITE_COUNT];
extern SDL_Surface *arrows[SPRITE_COUNT];

SDL_Surface *load(const char *path);
void init_cursors(void);
void draw_arrow(SDL_Surface *screen, int index);
void draw_exits(SDL_Surface *screen, const Slide *slide);
void update_cursor(SDL_Surface *screen, const Slide *slide);

#endif
