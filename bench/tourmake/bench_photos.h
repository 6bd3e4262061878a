// What the photograph benchmarks share: the clock, the photographs under a
// folder, libvips started as tourmake's stage runs it, and a scratch folder.
#pragma once

#include <stdio.h>

#include <string>
#include <vector>

#include <glib.h>
#include <vips/vips.h>

static inline double now()
{
    return g_get_monotonic_time() / 1e6;
}

// Every JPEG and PNG under `dir`, in the order the folders list them.
static inline void find_photos(const std::string &dir, std::vector<std::string> *found)
{
    GDir *d = g_dir_open(dir.c_str(), 0, nullptr);
    while (const char *name = d ? g_dir_read_name(d) : nullptr) {
        std::string path = dir + "/" + name;
        if (g_file_test(path.c_str(), G_FILE_TEST_IS_DIR))
            find_photos(path, found);
        else if (g_str_has_suffix(name, ".jpg") || g_str_has_suffix(name, ".png"))
            found->push_back(path);
    }
    if (d)
        g_dir_close(d);
}

// Checks there are `operands` operands, else prints the usage line; then
// starts libvips with one thread a photograph and no operation cache, as the
// stage runs it.
static inline bool bench_start(int argc, char **argv, int operands, const char *usage)
{
    if (argc != operands + 1) {
        fprintf(stderr, "usage: %s %s\n", g_get_prgname() ? g_get_prgname() : argv[0], usage);
        return false;
    }
    if (VIPS_INIT(argv[0]) != 0)
        return false;
    vips_concurrency_set(1);
    vips_cache_set_max(0);
    return true;
}

// A new folder under the temporary directory, or /tmp when none can be made.
static inline std::string scratch_dir(const char *pattern)
{
    char *scratch = g_dir_make_tmp(pattern, nullptr);
    std::string base = scratch ? scratch : "/tmp";
    g_free(scratch);
    return base;
}
