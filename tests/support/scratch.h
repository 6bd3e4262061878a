// Scratch tour directories and whole-file reads for tests.
#ifndef TOURVIEW_TESTS_SCRATCH_H
#define TOURVIEW_TESTS_SCRATCH_H

#include <glib.h>
#include <glib/gstdio.h>

#include <stdio.h>
#include <unistd.h>

#include <string>

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
        char *dir = g_path_get_dirname(name.c_str());
        g_mkdir_with_parents(dir, 0755);
        g_free(dir);
        g_file_set_contents(name.c_str(), text.data(), (gssize)text.size(), nullptr);
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

// The whole of a file, or "" when it cannot be read.
inline std::string read_file(const std::string &path)
{
    char *text = nullptr;
    gsize length = 0;
    if (!g_file_get_contents(path.c_str(), &text, &length, nullptr))
        return "";
    std::string out(text, length);
    g_free(text);
    return out;
}

#endif
