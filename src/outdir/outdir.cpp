#include "outdir.h"

#include <errno.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>

#include <glib.h>
#include <glib/gstdio.h>

#include <filesystem>

static bool empty_dir(const std::string &dir)
{
    GDir *d = g_dir_open(dir.c_str(), 0, nullptr);
    if (!d)
        return false;
    bool empty = g_dir_read_name(d) == nullptr;
    g_dir_close(d);
    return empty;
}

std::string outdir_refusal(const std::string &outdir, bool force)
{
    struct stat st;
    if (lstat(outdir.c_str(), &st) != 0)
        return "";
    if (!S_ISDIR(st.st_mode))
        return outdir + " exists and is not a directory";
    if (!force && !empty_dir(outdir))
        return outdir + " is not empty (--force replaces it)";
    return "";
}

// A fresh directory named after `outdir` in the same parent, so that a rename
// moves it without copying.
static std::string sibling(const std::string &outdir, const char *kind, std::string *error)
{
    std::string trimmed = outdir;
    while (trimmed.size() > 1 && trimmed.back() == '/')
        trimmed.pop_back();
    char *parent = g_path_get_dirname(trimmed.c_str());
    char *base = g_path_get_basename(trimmed.c_str());
    char *name = g_strdup_printf(".%s.%s-XXXXXX", base, kind);
    char *path = g_build_filename(parent, name, NULL);
    std::string made;
    if (g_mkdtemp(path))
        made = path;
    else
        *error = std::string("cannot create a directory beside ") + outdir + ": " + strerror(errno);
    g_free(path);
    g_free(name);
    g_free(base);
    g_free(parent);
    return made;
}

std::string outdir_begin(const std::string &outdir, const char *tool, std::string *error)
{
    return sibling(outdir, tool, error);
}

bool outdir_commit(const std::string &work, const std::string &outdir, std::string *error)
{
    if (g_chmod(work.c_str(), 0755) != 0) {
        *error = strerror(errno);
        return false;
    }
    std::string old;
    if (g_file_test(outdir.c_str(), G_FILE_TEST_IS_DIR)) {
        old = sibling(outdir, "old", error);
        if (old.empty())
            return false;
        if (g_rename(outdir.c_str(), old.c_str()) != 0) {
            *error = "cannot move " + outdir + " aside: " + strerror(errno);
            g_rmdir(old.c_str());
            return false;
        }
    }
    if (g_rename(work.c_str(), outdir.c_str()) != 0) {
        *error = "cannot rename " + work + " to " + outdir + ": " + strerror(errno);
        if (!old.empty())
            g_rename(old.c_str(), outdir.c_str());
        return false;
    }
    if (!old.empty())
        remove_tree(old);
    return true;
}

void remove_tree(const std::string &dir)
{
    std::error_code ignored; // what cannot be removed stays
    std::filesystem::remove_all(dir, ignored);
}
