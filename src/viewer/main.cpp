// tourview: walks a photographic tour. Run it in the directory that holds
// data.xml, slides/ and cursors/.
#include <SDL.h>
#include <stdio.h>
#include <stdlib.h>

#include "moves.h"
#include "screen.h"
#include "sprites.h"
#include "tour.h"

// A key that makes no move.
constexpr int MOVE_IGNORED = 6;

struct Viewer {
    GHashTable *table;
    Slide *current;
    Slide *saved;
    int app_active;
    int mouse_inside;
};

static int key_move(SDLKey key)
{
    switch (key) {
    case SDLK_UP:
        return MOVE_FORWARD;
    case SDLK_LEFT:
        return MOVE_LEFT;
    case SDLK_RIGHT:
        return MOVE_RIGHT;
    default:
        return MOVE_IGNORED;
    }
}

// Handles one key press; false when it asks to quit.
static bool handle_key(Viewer *viewer, SDLKey key)
{
    switch (key) {
    case SDLK_q:
    case SDLK_ESCAPE:
        return false;
    case SDLK_TAB:
        toggle_map(&viewer->current, &viewer->saved, viewer->table);
        return true;
    case SDLK_d:
        debug = !debug;
        fprintf(stderr, "Debug Mode %s\n", debug ? "enabled" : "disabled");
        return true;
    default:
        break;
    }
    int move = key_move(key);
    if (move != MOVE_IGNORED)
        viewer->current = try_move(viewer->current, move, viewer->table);
    return true;
}

// Handles one event; false when it asks to quit.
static bool handle_event(Viewer *viewer, const SDL_Event &event)
{
    switch (event.type) {
    case SDL_QUIT:
        return false;
    case SDL_KEYDOWN:
        return handle_key(viewer, event.key.keysym.sym);
    case SDL_MOUSEBUTTONDOWN:
        if (event.button.button == SDL_BUTTON_LEFT && event.button.state == SDL_PRESSED)
            viewer->current = try_move(viewer->current, get_region(event.button.x, event.button.y),
                                       viewer->table);
        return true;
    case SDL_ACTIVEEVENT:
        // Each flag follows only the events about it: sdl12-compat reports an
        // iconify as three separate events, and a focus change says nothing
        // about where the pointer is.
        if (event.active.state & SDL_APPMOUSEFOCUS)
            viewer->mouse_inside = event.active.gain;
        if (event.active.state & SDL_APPACTIVE)
            viewer->app_active = event.active.gain;
        return true;
    default:
        return true;
    }
}

int main(int, char *[])
{
    Viewer viewer = {};
    viewer.table = make_weak();
    viewer.app_active = 1;
    viewer.mouse_inside = 1;

    if (SDL_Init(SDL_INIT_VIDEO) < 0) {
        fprintf(stderr, "Unable to init SDL: %s", SDL_GetError());
        exit(-1);
    }
    SDL_Surface *screen = SDL_SetVideoMode(WINDOW_WIDTH, WINDOW_HEIGHT, 0, 0);
    if (!screen) {
        fprintf(stderr, "Could not get a surface: %s", SDL_GetError());
        exit(-1);
    }
    SDL_ShowCursor(SDL_DISABLE);
    init_cursors();

    viewer.current = static_cast<Slide *>(g_hash_table_lookup(viewer.table, start_slide));
    if (!viewer.current) {
        fprintf(stderr, "The tour has no start slide %s.\n", start_slide);
        exit(-1);
    }
    viewer.saved = NULL;

    for (;;) {
        SDL_Event event;
        if (SDL_PollEvent(&event)) {
            if (!handle_event(&viewer, event))
                break;
        } else if (viewer.app_active) {
            redraw(screen, viewer.current, viewer.mouse_inside);
        } else {
            SDL_Delay(250);
        }
    }

    SDL_Quit();
    g_hash_table_destroy(viewer.table);
    return 0;
}
