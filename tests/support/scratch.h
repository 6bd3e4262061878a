// A scratch directory that is the working directory while a test runs.
#ifndef TOURVIEW_TESTS_SCRATCH_H
#define TOURVIEW_TESTS_SCRATCH_H

#include <glib.h>
#include <glib/gstdio.h>

#include <stdio.h>
#include <unistd.h>

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
        if (!path.empty())
            remove_tree(path);
    }
    ScratchDir(const ScratchDir &) = delete;
    ScratchDir &operator=(const ScratchDir &) = delete;

    // Writes `text` to `name` (relative), creating parent directories.
    static void write(const std::string &name, const std::string &text)
    {
        write_file(name, text);
    }

    static void remove_tree(const std::string &dir)
    {
        GDir *d = g_dir_open(dir.c_str(), 0, nullptr);
        if (d) {
            while (const char *entry = g_dir_read_name(d)) {
                std::string child = dir + "/" + entry;
                if (g_file_test(child.c_str(), G_FILE_TEST_IS_DIR) &&
                    !g_file_test(child.c_str(), G_FILE_TEST_IS_SYMLINK))
                    remove_tree(child);
                else
                    g_unlink(child.c_str());
            }
            g_dir_close(d);
        }
        g_rmdir(dir.c_str());
    }
};

#endif
