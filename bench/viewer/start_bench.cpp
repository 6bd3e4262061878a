// Time from starting the viewer on the demo tour to its first presented
// frame, with SDL's dummy video driver: process start, loading the tour and
// the sprites, the first photograph and the first redraw.
#include "demo_tour.h"
#include "harness.h"

#include <glib.h>

#include <cstdio>

static double monotonic_now()
{
    return (double)g_get_monotonic_time() * 1e-6;
}

static void start_to_first_frame(benchmark::State &state)
{
    const std::string &dir = demo_tour_directory();
    if (dir.empty()) {
        state.SkipWithError("no demo tour");
        return;
    }
    char **envp = g_get_environ();
    envp = g_environ_setenv(envp, "SDL_VIDEODRIVER", "dummy", TRUE);
    envp = g_environ_setenv(envp, "LD_PRELOAD", FIRST_FRAME_LIBRARY, TRUE);
    char *argv[] = {(char *)TOURVIEW_PROGRAM, NULL};
    double best = HUGE_VAL;
    for (auto _ : state) {
        char *out = NULL;
        int status = 0;
        double start = monotonic_now();
        bool ran = g_spawn_sync(dir.c_str(), argv, envp, G_SPAWN_STDERR_TO_DEV_NULL, NULL, NULL,
                                &out, NULL, &status, NULL) &&
                   g_spawn_check_wait_status(status, NULL);
        double presented = 0;
        bool ok = ran && out && sscanf(out, "%lf", &presented) == 1 && presented > start;
        g_free(out);
        if (!ok) {
            state.SkipWithError("the viewer presented no frame");
            break;
        }
        state.SetIterationTime(presented - start);
        best = std::min(best, presented - start);
    }
    g_strfreev(envp);
    state.counters["best_seconds"] = best;
}

static const bool registered = [] {
    register_timed("viewer/first_frame", start_to_first_frame)->Iterations(3);
    add_table_row({410, "start to first presented frame, demo tour (wall)", "viewer/first_frame",
                   Shown::time, "", ""});
    return true;
}();
