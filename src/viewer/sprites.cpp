#include "sprites.h"

#include <SDL_image.h>
#include <stdio.h>
#include <stdlib.h>

#include "geometry.h"
#include "moves.h"

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

void draw_exits(SDL_Surface *screen, const Slide *slide)
{
    Sprite sprites[exit_kinds.size()];
    size_t count = exit_arrows(slide, sprites);
    for (size_t i = 0; i < count; i++)
        draw_arrow(screen, sprites[i]);
}

void update_cursor(SDL_Surface *screen, const Slide *slide)
{
    int x = 0, y = 0;
    SDL_GetMouseState(&x, &y);
    blit_at(curs[cursor_for(slide, get_region(x, y))], screen, x, y);
}
