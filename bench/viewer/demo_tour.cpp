#include "demo_tour.h"

#include "harness.h"

#include <glib.h>

#include <cstdio>

// A stamp written after the generator succeeded marks a complete tour.
const std::string &demo_tour_directory()
{
    static const std::string dir = []() -> std::string {
        std::string root = data_directory() + "/demo";
        std::string stamp = root + "/complete";
        if (g_file_test(stamp.c_str(), G_FILE_TEST_EXISTS))
            return root;
        fprintf(stderr, "tourview_bench: making the demo tour in %s\n", root.c_str());
        char *argv[] = {(char *)MAKE_DEMO_TOUR, (char *)root.c_str(), NULL};
        int status = 0;
        if (!g_spawn_sync(NULL, argv, NULL, G_SPAWN_STDOUT_TO_DEV_NULL, NULL, NULL, NULL, NULL,
                          &status, NULL) ||
            !g_spawn_check_wait_status(status, NULL) ||
            !g_file_set_contents(stamp.c_str(), "", 0, NULL))
            return "";
        return root;
    }();
    return dir;
}
