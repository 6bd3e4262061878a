// A scratch directory that is the working directory while a test runs.
#ifndef TOURVIEW_TESTS_SCRATCH_H
#define TOURVIEW_TESTS_SCRATCH_H

#include <glib.h>
#include <glib/gstdio.h>

#include <stdio.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "files.h"

// A temporary directory that is the working directory while the object lives.
struct ScratchDir {
    std::string path;
    std::string previous;

    ScratchDir()
    {
        char *dir = g_dir_make_tmp("tourview-XXXXXX", nullptr);
        path = dir ? dir : "";
        g_free(dir);
        char *cwd = g_get_current_dir();
        previous = cwd;
        g_free(cwd);
        if (chdir(path.c_str()) != 0)
            path.clear();
    }
    ~ScratchDir()
    {
        if (chdir(previous.c_str()) != 0)
            return;
        std::error_code ignored;
        if (!path.empty())
            std::filesystem::remove_all(path, ignored);
    }
    ScratchDir(const ScratchDir &) = delete;
    ScratchDir &operator=(const ScratchDir &) = delete;

    // Writes `text` to `name` (relative), creating parent directories.
    static void write(const std::string &name, const std::string &text)
    {
        write_file(name, text);
    }
};

#endif
