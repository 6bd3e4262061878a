#include "files.h"

#include <algorithm>

#include <glib.h>
#include <glib/gstdio.h>

#include <stdexcept>

std::string read_file(const std::string &path)
{
    char *text = nullptr;
    gsize length = 0;
    if (!g_file_get_contents(path.c_str(), &text, &length, nullptr))
        return "";
    std::string out(text, length);
    g_free(text);
    return out;
}

void write_file(const std::string &path, const std::string &bytes)
{
    char *dir = g_path_get_dirname(path.c_str());
    g_mkdir_with_parents(dir, 0755);
    g_free(dir);
    std::string aside = path + ".part";
    if (!g_file_set_contents(aside.c_str(), bytes.data(), (gssize)bytes.size(), nullptr) ||
        g_rename(aside.c_str(), path.c_str()) != 0)
        throw std::runtime_error("cannot write " + path);
}

std::string in_encoding(const std::string &utf8, const char *encoding)
{
    gsize length = 0;
    char *converted =
        g_convert(utf8.data(), (gssize)utf8.size(), encoding, "UTF-8", NULL, &length, NULL);
    std::string bytes(converted ? converted : "", converted ? length : 0);
    g_free(converted);
    return bytes;
}

std::vector<std::string> dir_entries(const std::string &dir)
{
    std::vector<std::string> names;
    GDir *d = g_dir_open(dir.c_str(), 0, nullptr);
    while (const char *name = d ? g_dir_read_name(d) : nullptr)
        names.push_back(name);
    if (d)
        g_dir_close(d);
    std::sort(names.begin(), names.end());
    return names;
}
