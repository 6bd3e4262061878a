// Preloaded into the viewer by the start-up benchmark: at the first
// SDL_UpdateRect it lets SDL present the frame, prints the monotonic clock in
// seconds on standard output and ends the process.
#include <SDL.h>
#include <dlfcn.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>

extern "C" void SDL_UpdateRect(SDL_Surface *screen, Sint32 x, Sint32 y, Uint32 w, Uint32 h)
{
    using UpdateRect = void (*)(SDL_Surface *, Sint32, Sint32, Uint32, Uint32);
    auto real = reinterpret_cast<UpdateRect>(dlsym(RTLD_NEXT, "SDL_UpdateRect"));
    if (real)
        real(screen, x, y, w, h);
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    printf("%.6f\n", (double)now.tv_sec + (double)now.tv_nsec * 1e-9);
    fflush(stdout);
    _exit(0);
}
