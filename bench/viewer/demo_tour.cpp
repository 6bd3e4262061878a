#include "demo_tour.h"

#include "harness.h"

#include <glib.h>

#include <cstdio>

// A stamp written after tourmake succeeded marks a complete tour; make-demo-tour
// renders its photographs and plan beside it.
const std::string &demo_tour_directory()
{
    static const std::string dir = []() -> std::string {
        std::string root = data_directory() + "/demo";
        std::string stamp = root + "/complete";
        if (g_file_test(stamp.c_str(), G_FILE_TEST_EXISTS))
            return root;
        fprintf(stderr, "tourview_bench: making the demo tour in %s\n", root.c_str());
        std::string source = root + "-source", plan = source + "/plan.txt";
        char *render[] = {(char *)MAKE_DEMO_TOUR, (char *)source.c_str(), NULL};
        char *make[] = {(char *)TOURMAKE, (char *)"--force", (char *)plan.c_str(),
                        (char *)root.c_str(), NULL};
        for (char **argv : {render, make}) {
            int status = 0;
            if (!g_spawn_sync(NULL, argv, NULL,
                              GSpawnFlags(G_SPAWN_STDOUT_TO_DEV_NULL | G_SPAWN_STDERR_TO_DEV_NULL),
                              NULL, NULL, NULL, NULL, &status, NULL) ||
                !g_spawn_check_wait_status(status, NULL))
                return "";
        }
        if (!g_file_set_contents(stamp.c_str(), "", 0, NULL))
            return "";
        return root;
    }();
    return dir;
}
