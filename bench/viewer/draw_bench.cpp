// A slide change (the photograph's load and first draw) against a bare
// IMG_Load of the same file, and one whole redraw, drawn by the viewer's own
// functions into the screen of SDL's dummy video driver.
#include "demo_tour.h"
#include "harness.h"

#include <SDL.h>
#include <SDL_image.h>

#include <cstdio>
#include <cstdlib>

#include "moves.h"
#include "screen.h"
#include "sprites.h"

struct Viewer {
    SDL_Surface *screen = nullptr;
    GHashTable *table = nullptr;
    const Slide *start = nullptr;
    // Two photographs, each path its own string as slides' paths are.
    char *photographs[2] = {nullptr, nullptr};
};

// The window, the sprites and the demo tour's slides, set up once.
static const Viewer *viewer()
{
    static Viewer v;
    static bool tried = false;
    if (tried)
        return v.screen ? &v : nullptr;
    tried = true;
    const std::string &dir = demo_tour_directory();
    if (dir.empty())
        return nullptr;
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    if (SDL_Init(SDL_INIT_VIDEO) < 0)
        return nullptr;
    // The display's own depth, as the viewer asks: a shadow surface in
    // another depth would add a conversion to every update.
    SDL_Surface *screen = SDL_SetVideoMode(WINDOW_WIDTH, WINDOW_HEIGHT, 0, 0);
    if (!screen)
        return nullptr;
    InDirectory in_tour(dir);
    init_cursors();
    v.table = make_weak();
    v.start = static_cast<const Slide *>(g_hash_table_lookup(v.table, start_id));
    // The start and the slide a step forward from it.
    const Slide *ahead =
        v.start && v.start->forward
            ? static_cast<const Slide *>(g_hash_table_lookup(v.table, v.start->forward))
            : nullptr;
    if (!ahead)
        return nullptr;
    v.photographs[0] = g_strdup(v.start->fn);
    v.photographs[1] = g_strdup(ahead->fn);
    v.screen = screen;
    return &v;
}

static void image_load(benchmark::State &state, const Viewer *v)
{
    int next = 0;
    SDL_FreeSurface(IMG_Load(v->photographs[0])); // warms the heap
    auto load = [&] { return IMG_Load(v->photographs[next++ % 2]); };
    time_calls(state, load, SDL_FreeSurface);
}

static void slide_change(benchmark::State &state, const Viewer *v)
{
    // Alternating between two paths makes every call a change of slide.
    int next = 0;
    draw_slide(v->screen, v->photographs[next++ % 2]);
    auto change = [&] { draw_slide(v->screen, v->photographs[next++ % 2]); };
    time_calls(state, change);
}

static void redraw_frame(benchmark::State &state, const Viewer *v)
{
    SDL_WarpMouse(SLIDE_X + SLIDE_WIDTH / 2, SLIDE_Y + SLIDE_HEIGHT / 2);
    redraw(v->screen, v->start, 1); // loads the photograph
    auto frame = [&] { redraw(v->screen, v->start, 1); };
    time_calls(state, frame);
}

// What no redraw can do without: clear the window and copy a photograph that
// is already in the screen's format.
static void redraw_floor(benchmark::State &state, const Viewer *v)
{
    SDL_Surface *loaded = IMG_Load(v->photographs[0]);
    SDL_Surface *photograph = loaded ? SDL_DisplayFormat(loaded) : nullptr;
    SDL_FreeSurface(loaded);
    if (!photograph) {
        state.SkipWithError("the photograph did not load");
        return;
    }
    auto fill_and_copy = [&] {
        SDL_FillRect(v->screen, NULL, 0);
        SDL_Rect where = {SLIDE_X, SLIDE_Y, 0, 0};
        SDL_UpperBlit(photograph, NULL, v->screen, &where);
        SDL_UpdateRect(v->screen, 0, 0, 0, 0);
    };
    time_calls(state, fill_and_copy);
    SDL_FreeSurface(photograph);
}

// Runs `body` with the viewer in the demo tour's directory; without a viewer
// the benchmark is skipped.
template <void (*body)(benchmark::State &, const Viewer *)>
static void in_demo_tour(benchmark::State &state)
{
    const Viewer *v = viewer();
    if (!v) {
        state.SkipWithError("no demo tour or no dummy video");
        return;
    }
    InDirectory in_tour(demo_tour_directory());
    body(state, v);
}

static const bool registered = [] {
    register_timed("viewer/IMG_Load", in_demo_tour<image_load>);
    register_timed("viewer/slide_change", in_demo_tour<slide_change>);
    register_timed("viewer/redraw", in_demo_tour<redraw_frame>);
    register_timed("viewer/redraw_floor", in_demo_tour<redraw_floor>);
    add_table_row({400, "slide change: draw_slide (load, first draw)", "viewer/slide_change",
                   Shown::time, "bare IMG_Load of the same photograph", "viewer/IMG_Load", 1.1});
    add_table_row({401, "redraw: fill, photograph, arrows, pointer", "viewer/redraw", Shown::rate,
                   "fill + copy of a converted photograph", "viewer/redraw_floor", 0, "frames/s"});
    return true;
}();
