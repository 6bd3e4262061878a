#include "screen.h"

#include "moves.h"
#include "sprites.h"

static SDL_Surface *image = NULL;
static const char *last = NULL;

void draw_slide(SDL_Surface *screen, const char *path)
{
    // Every slide owns its path string, so a new string means a new slide.
    if (path != last) {
        if (image)
            SDL_FreeSurface(image);
        image = load(path);
        last = path;
    }
    SDL_Rect where = {SLIDE_X, SLIDE_Y, 0, 0};
    SDL_UpperBlit(image, NULL, screen, &where);
}

void redraw(SDL_Surface *screen, const Slide *current, int mouse_inside)
{
    SDL_FillRect(screen, NULL, 0);
    draw_slide(screen, current->fn);
    draw_exits(screen, current);
    if (mouse_inside)
        update_cursor(screen, current);
    SDL_UpdateRect(screen, 0, 0, 0, 0);
}
