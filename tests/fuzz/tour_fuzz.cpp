// libFuzzer target for the tour loader: each input becomes data.xml in a
// scratch tour directory that lives as long as the process.
#include "fuzz_checks.h"

#include "tour.h"

#include <glib.h>
#include <glib/gstdio.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

static char *scratch_dir;

static void remove_scratch_dir(void)
{
    for (const char *name : {"data.xml", "slides/S001.jpg", "slides/map.jpg", "slides"})
        g_remove(name);
    if (chdir("/") == 0)
        g_rmdir(scratch_dir);
    g_free(scratch_dir);
}

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    scratch_dir = g_dir_make_tmp("tour-fuzz-XXXXXX", nullptr);
    if (!scratch_dir || chdir(scratch_dir) != 0 || g_mkdir("slides", 0755) != 0 ||
        !g_file_set_contents("slides/S001.jpg", "", 0, nullptr) ||
        !g_file_set_contents("slides/map.jpg", "", 0, nullptr)) {
        fprintf(stderr, "tour_fuzz: cannot make a scratch tour directory\n");
        exit(1);
    }
    atexit(remove_scratch_dir);
    debug = 1; // the debug listing runs over every loaded slide
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    return fuzz_verdict("tour_fuzz", check_tour(data, size));
}
