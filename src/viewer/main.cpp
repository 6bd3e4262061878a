// tourview [DIR]: walks the photographic tour in DIR, the directory that holds
// data.xml, slides/ and cursors/ (the current directory by default).
#include <SDL.h>
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include "moves.h"
#include "options.h"
#include "screen.h"
#include "sprites.h"
#include "tour.h"
#include "tour_dir.h"
#include "version.h"

static_assert(KEY_UP == SDLK_UP && KEY_LEFT == SDLK_LEFT && KEY_RIGHT == SDLK_RIGHT,
              "the moving keys' codes");

struct Viewer {
    GHashTable *table;
    Slide *current;
    Slide *saved;
    int app_active;
    int mouse_inside;
};

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

static const char usage[] = "usage: tourview [DIR]\n";
static const char help[] =
    "usage: tourview [DIR]\n"
    "Walks the photographic tour in DIR (the current directory by default). DIR\n"
    "may also be the path of the tour's data.xml.\n"
    "\n"
    "Keys and mouse:\n"
    "  Up, click in the middle          step forward\n"
    "  Left, Right, click at the sides  turn left or right, or round\n"
    "  click at the top or bottom       take the stairs up or down\n"
    "  Tab                              open the map, and return from it\n"
    "  D                                toggle debug traces\n"
    "  Q, Escape                        quit\n"
    "\n"
    "Options:\n"
    "  --help     print this help and exit\n"
    "  --version  print the version and exit\n"
    "\n"
    "Exit status: 0 after quitting; 2 for an unknown option or a DIR that is no\n"
    "directory; 255 when the tour, the display or a photograph cannot be loaded.\n";

// Takes the command line: answers --help and --version, or makes the tour's
// directory the working one, where the loader and the sprites look. Returns
// the exit status when the program ends here, -1 to go on.
static int take_arguments(int argc, char **argv)
{
    const GOptionEntry options[] = {{NULL, 0, 0, G_OPTION_ARG_NONE, NULL, NULL, NULL}};
    int status = take_command_line(&argc, &argv, options, "tourview", usage, help, OPTIONAL_DIR);
    if (status >= 0)
        return status;
    if (argc < 2)
        return -1;
    const char *path = argv[1];

    int error = 0;
    gchar *dir = tour_dir_of(path, &error);
    if (!dir) {
        fprintf(stderr, "tourview: %s: %s\n", path, strerror(error ? error : ENOTDIR));
        return 2;
    }
    int entered = chdir(dir);
    error = errno;
    g_free(dir);
    if (entered != 0) {
        fprintf(stderr, "tourview: %s: %s\n", path, strerror(error));
        return 2;
    }
    return -1;
}

// The video driver SDL chose when none was asked for, if it is one that shows
// nothing: with no display, SDL2 under sdl12-compat falls back to "offscreen",
// and the viewer would go on running unseen. Asked for by name, it stands.
static const char *unseen_video_driver(void)
{
    static char name[32];
    const char *asked = getenv("SDL_VIDEODRIVER");
    if ((asked && *asked) || !SDL_VideoDriverName(name, sizeof name))
        return NULL;
    return strcmp(name, "offscreen") == 0 || strcmp(name, "dummy") == 0 ? name : NULL;
}

int main(int argc, char *argv[])
{
    int status = take_arguments(argc, argv);
    if (status >= 0)
        return status;

    Viewer viewer = {};
    viewer.table = make_weak();
    viewer.app_active = 1;
    viewer.mouse_inside = 1;

    if (SDL_Init(SDL_INIT_VIDEO) < 0) {
        fprintf(stderr, "Unable to init SDL: %s", SDL_GetError());
        exit(-1);
    }
    if (const char *unseen = unseen_video_driver()) {
        fprintf(stderr, "Unable to init SDL: no display (the %s video driver shows nothing)",
                unseen);
        SDL_Quit();
        exit(-1);
    }
    SDL_Surface *screen = SDL_SetVideoMode(WINDOW_WIDTH, WINDOW_HEIGHT, 0, 0);
    if (!screen) {
        fprintf(stderr, "Could not get a surface: %s", SDL_GetError());
        exit(-1);
    }
    SDL_ShowCursor(SDL_DISABLE);
    init_cursors();

    viewer.current = static_cast<Slide *>(g_hash_table_lookup(viewer.table, start_id));
    if (!viewer.current) {
        fprintf(stderr, "The tour has no start slide %s.\n", start_id);
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
