// make_weak on the generated tour against its floor, repeated in one process
// on a heap that earlier loads have warmed.
#include "harness.h"
#include "loading.h"

#include <benchmark/benchmark.h>

#include <cstdio>

#include "format.h"
#include "tour.h"

std::vector<std::string> photograph_paths()
{
    std::vector<std::string> paths;
    for (int i = 0; i < tour_slides; i++)
        paths.push_back("slides/" + tour_slide_id(i) + ".jpg");
    paths.push_back("slides/map.jpg");
    return paths;
}

int load_floor(const std::vector<std::string> &paths)
{
    char *text = NULL;
    gsize length = 0;
    if (!g_file_get_contents(tour_file, &text, &length, NULL))
        return -1;
    bool parsed = bare_parse(text, length);
    g_free(text);
    int found = 0;
    for (const std::string &path : paths)
        found += g_file_test(path.c_str(), G_FILE_TEST_EXISTS);
    return parsed ? found : -1;
}

static void load_floor_bench(benchmark::State &state)
{
    InDirectory in_tour(tour_directory());
    std::vector<std::string> paths = photograph_paths();
    time_calls(
        state, [&] { return load_floor(paths); },
        [&](int found) {
            if (found != (int)paths.size())
                state.SkipWithError("the floor did not find every photograph");
        });
}

static void load_make_weak(benchmark::State &state)
{
    InDirectory in_tour(tour_directory());
    g_hash_table_destroy(make_weak()); // warms the heap
    time_calls(state, make_weak, [&](GHashTable *table) {
        if (g_hash_table_size(table) != (guint)tour_slides + 1)
            state.SkipWithError("make_weak did not load every slide");
        g_hash_table_destroy(table);
    });
}

static const bool registered = [] {
    register_timed("load_floor", load_floor_bench);
    register_timed("load_make_weak", load_make_weak);
    add_table_row({300, "load tour: make_weak, warm heap", "load_make_weak", Shown::time,
                   "read + bare parse + photograph tests", "load_floor", 2.0});
    return true;
}();
