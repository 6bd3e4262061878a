#include "sprites.h"

#include <SDL_image.h>
#include <stdio.h>
#include <stdlib.h>

#include "moves.h"

static const char sprite_dir[] = "cursors";

const char *const curfiles[SPRITE_COUNT] = {
    "arrow.png",    "left.png", "left180.png", "right.png",
    "right180.png", "up.png",   "down.png",    "fwd.png",
};

const char *const arrowfiles[SPRITE_COUNT] = {
    NULL,           "arrow-left.png", "arrow-left180.png", "arrow-right.png", "arrow-right180.png",
    "arrow-up.png", "arrow-down.png", "arrow-fwd.png",
};

// Top-left corners in the window; the left and right arrows of both kinds
// share a place. Entry 0 has no arrow.
const SDL_Rect arrowrect[SPRITE_COUNT] = {
    {0, 0, 0, 0},     {15, 310, 0, 0}, {15, 310, 0, 0},  {872, 310, 0, 0},
    {872, 310, 0, 0}, {456, 60, 0, 0}, {456, 593, 0, 0}, {443, 15, 0, 0},
};

SDL_Surface *curs[SPRITE_COUNT];
SDL_Surface *arrows[SPRITE_COUNT];

SDL_Surface *load(const char *path)
{
    // Opening a pipe or a device would block or never end: refuse it first.
    SDL_Surface *surface = NULL;
    if (is_special_file(path))
        SDL_SetError("%s is not a regular file", path);
    else
        surface = IMG_Load(path);
    if (!surface) {
        fprintf(stderr, "IMG_Load: %s\n", SDL_GetError());
        exit(-1);
    }
    return surface;
}

static SDL_Surface *load_sprite(const char *name)
{
    char *path = g_build_filename(sprite_dir, name, NULL);
    SDL_Surface *surface = load(path);
    g_free(path);
    return surface;
}

void init_cursors(void)
{
    for (int index = 0; index < SPRITE_COUNT; index++) {
        curs[index] = load_sprite(curfiles[index]);
        if (arrowfiles[index])
            arrows[index] = load_sprite(arrowfiles[index]);
    }
}

// Blits the whole of `sprite` unscaled with its top-left corner at (x, y).
static void blit_at(SDL_Surface *sprite, SDL_Surface *screen, int x, int y)
{
    SDL_Rect where = {static_cast<Sint16>(x), static_cast<Sint16>(y), 0, 0};
    SDL_UpperBlit(sprite, NULL, screen, &where);
}

void draw_arrow(SDL_Surface *screen, int index)
{
    blit_at(arrows[index], screen, arrowrect[index].x, arrowrect[index].y);
}

void draw_exits(SDL_Surface *screen, const Slide *slide)
{
    if (slide->left180)
        draw_arrow(screen, SPRITE_LEFT180);
    else if (slide->left)
        draw_arrow(screen, SPRITE_LEFT);
    if (slide->right180)
        draw_arrow(screen, SPRITE_RIGHT180);
    else if (slide->right)
        draw_arrow(screen, SPRITE_RIGHT);
    if (slide->up)
        draw_arrow(screen, SPRITE_UP);
    if (slide->down)
        draw_arrow(screen, SPRITE_DOWN);
    if (slide->forward)
        draw_arrow(screen, SPRITE_FWD);
}

// The pointer sprite for `move` on `slide`: the same exit choice as a click.
static int cursor_for(const Slide *slide, Move move)
{
    switch (move) {
    case MOVE_FORWARD:
        return slide->forward ? SPRITE_FWD : SPRITE_ARROW;
    case MOVE_LEFT:
        return slide->left180 ? SPRITE_LEFT180 : slide->left ? SPRITE_LEFT : SPRITE_ARROW;
    case MOVE_RIGHT:
        return slide->right180 ? SPRITE_RIGHT180 : slide->right ? SPRITE_RIGHT : SPRITE_ARROW;
    case MOVE_UP:
        return slide->up ? SPRITE_UP : SPRITE_ARROW;
    case MOVE_DOWN:
        return slide->down ? SPRITE_DOWN : SPRITE_ARROW;
    default:
        return SPRITE_ARROW;
    }
}

void update_cursor(SDL_Surface *screen, const Slide *slide)
{
    int x = 0, y = 0;
    SDL_GetMouseState(&x, &y);
    blit_at(curs[cursor_for(slide, get_region(x, y))], screen, x, y);
}
