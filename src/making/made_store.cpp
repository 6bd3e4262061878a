// The store of made files in a directory: one file a key, named by the key's
// SHA-256, shared by hard links.
#include "making.h"

#include <errno.h>
#include <unistd.h>

#include <glib.h>
#include <glib/gstdio.h>

static std::string stored_path(const std::string &dir, const std::string &key)
{
    gchar *hex = g_compute_checksum_for_string(G_CHECKSUM_SHA256, key.data(),
                                               static_cast<gssize>(key.size()));
    std::string path = dir + "/" + hex;
    g_free(hex);
    return path;
}

// A new file at `to` with the bytes of `from`, written beside it and renamed
// into place.
static bool copy_file(const std::string &from, const std::string &to)
{
    gchar *bytes = nullptr;
    gsize length = 0;
    if (!g_file_get_contents(from.c_str(), &bytes, &length, nullptr))
        return false;
    bool copied =
        g_file_set_contents(to.c_str(), bytes, static_cast<gssize>(length), nullptr) != FALSE;
    g_free(bytes);
    return copied;
}

// A new `to` that is `from`: a hard link, or a copy where links cannot be
// made. False when `from` is missing or `to` exists.
static bool share(const std::string &from, const std::string &to)
{
    if (link(from.c_str(), to.c_str()) == 0)
        return true;
    return errno != ENOENT && errno != EEXIST && copy_file(from, to);
}

MadeStore made_store_in(const std::string &dir)
{
    MadeStore store;
    store.fetch = [dir](const std::string &key, const std::string &target) {
        return share(stored_path(dir, key), target);
    };
    store.keep = [dir](const std::string &key, const std::string &made) {
        // A store that cannot be written costs time, never the tour.
        if (g_mkdir_with_parents(dir.c_str(), 0700) == 0)
            share(made, stored_path(dir, key));
    };
    return store;
}
