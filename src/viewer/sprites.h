// The pointer sprites that show what a click would do, and the arrows that
// mark a slide's exits. All are loaded once from the directory "cursors".
#ifndef TOURVIEW_SPRITES_H
#define TOURVIEW_SPRITES_H

#include <SDL.h>

#include "tour.h"

enum Sprite {
    SPRITE_ARROW = 0,
    SPRITE_LEFT = 1,
    SPRITE_LEFT180 = 2,
    SPRITE_RIGHT = 3,
    SPRITE_RIGHT180 = 4,
    SPRITE_UP = 5,
    SPRITE_DOWN = 6,
    SPRITE_FWD = 7,
    SPRITE_COUNT = 8,
};

extern const char *const curfiles[SPRITE_COUNT];
extern const char *const arrowfiles[SPRITE_COUNT];
extern const SDL_Rect arrowrect[SPRITE_COUNT];
extern SDL_Surface *curs[SPRITE_COUNT];
extern SDL_Surface *arrows[SPRITE_COUNT];

SDL_Surface *load(const char *path);
void init_cursors(void);
void draw_arrow(SDL_Surface *screen, int index);
void draw_exits(SDL_Surface *screen, const Slide *slide);
void update_cursor(SDL_Surface *screen, const Slide *slide);

#endif
