#include "sprites.h"

#include <SDL_image.h>
#include <stdio.h>
#include <stdlib.h>

#include "geometry.h"
#include "moves.h"
#include "whole_file.h"

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
    blit_at(arrows[index], screen, arrow_places[index].x, arrow_places[index].y);
}

// In listing order but forward last, so that its arrow lies over the up
// arrow where large sprites meet.
void draw_exits(SDL_Surface *screen, const Slide *slide)
{
    for (size_t i = 1; i <= exit_kinds.size(); i++) {
        const ExitKind &kind = exit_kinds[i % exit_kinds.size()];
        if (taken_exit(slide, kind))
            draw_arrow(screen, kind.sprite);
    }
}

// The pointer sprite for `move` on `slide`: the exit a click would follow.
static int cursor_for(const Slide *slide, Move move)
{
    const char *target = exit_for(slide, move);
    for (const ExitKind &kind : exit_kinds)
        if (target && kind.move == move && slide->*kind.field == target)
            return kind.sprite;
    return SPRITE_ARROW;
}

void update_cursor(SDL_Surface *screen, const Slide *slide)
{
    int x = 0, y = 0;
    SDL_GetMouseState(&x, &y);
    blit_at(curs[cursor_for(slide, get_region(x, y))], screen, x, y);
}
