/* Preloaded into tourview by the tests: the window system refuses every
 * window, as it would when it is out of resources. */
#include <SDL.h>

SDL_Surface *SDL_SetVideoMode(int width, int height, int bpp, Uint32 flags)
{
    (void)width;
    (void)height;
    (void)bpp;
    (void)flags;
    SDL_SetError("the test refuses the window");
    return NULL;
}
