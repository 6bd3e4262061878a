// The files beside the plan: names from requests kept inside DIR, the
// images' headers, and thumbnails in the cache.
#include "touredit.h"

#include <errno.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include <algorithm>

#include <glib/gstdio.h>
#include <vips/vips.h>

#include "photos.h"
#include "vips_log.h"

static constexpr int THUMBNAIL_QUALITY = 80;

bool file_inside(const std::string &root, const std::string &name, std::string *path)
{
    if (name.empty() || name[0] == '/' || name.find('\\') != std::string::npos ||
        name.find('\0') != std::string::npos)
        return false;
    gchar **segments = g_strsplit(name.c_str(), "/", -1);
    bool climbs = false;
    for (int i = 0; segments[i]; i++)
        climbs = climbs || strcmp(segments[i], "..") == 0;
    g_strfreev(segments);
    if (climbs)
        return false;
    std::string real = real_path(root + "/" + name);
    if (real.compare(0, root.size() + 1, root + "/") != 0)
        return false;
    *path = real;
    return true;
}

static bool stat_of(const std::string &path, int64_t *size, int64_t *mtime)
{
    struct stat st;
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    *size = st.st_size;
    *mtime = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return true;
}

std::string image_type(const std::string &path)
{
    unsigned char magic[8] = {0};
    FILE *file = g_fopen(path.c_str(), "rb");
    if (!file)
        return "";
    size_t got = fread(magic, 1, sizeof magic, file);
    fclose(file);
    static const unsigned char png[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    if (got == 8 && memcmp(magic, png, 8) == 0)
        return "image/png";
    if (got >= 3 && magic[0] == 0xff && magic[1] == 0xd8 && magic[2] == 0xff)
        return "image/jpeg";
    return "";
}

bool image_header(Editing *editing, const std::string &path, int *width, int *height)
{
    ImageHeader now;
    if (!stat_of(path, &now.size, &now.mtime))
        return false;
    ImageHeader &known = editing->headers[path];
    if (known.size != now.size || known.mtime != now.mtime) {
        std::string reason;
        now.ok = !image_type(path).empty() && photo_header(path, &now.width, &now.height, &reason);
        photo_warnings_take(path);
        known = now;
    }
    *width = known.width;
    *height = known.height;
    return known.ok;
}

static bool has_image_suffix(const char *name)
{
    for (const char *suffix : {".jpg", ".jpeg", ".png"}) {
        size_t n = strlen(name), s = strlen(suffix);
        if (n > s && g_ascii_strcasecmp(name + n - s, suffix) == 0)
            return true;
    }
    return false;
}

std::vector<std::string> image_names(const Editing *editing)
{
    std::vector<std::string> names;
    GDir *dir = g_dir_open(editing->dir.c_str(), 0, nullptr);
    if (!dir)
        return names;
    std::string path;
    while (const char *name = g_dir_read_name(dir))
        if (name[0] != '.' && has_image_suffix(name) && file_inside(editing->real_dir, name, &path))
            names.push_back(name);
    g_dir_close(dir);
    std::sort(names.begin(), names.end());
    return names;
}

std::string images_signature(const Editing *editing)
{
    std::string listed;
    for (const std::string &name : image_names(editing)) {
        int64_t size = -1, mtime = -1;
        stat_of(editing->dir + "/" + name, &size, &mtime);
        listed += name + "\n" + std::to_string(size) + " " + std::to_string(mtime) + "\n";
    }
    return sha256_hex(listed);
}

// Shrunk on load, turned upright, made 8-bit sRGB and flattened onto black.
static bool make_thumbnail(const std::string &path, int size, std::string *jpeg, std::string *error)
{
    VipsImage *image = nullptr;
    if (vips_thumbnail(path.c_str(), &image, size, "height", size, nullptr) != 0) {
        *error = vips_error_buffer();
        vips_error_clear();
        return false;
    }
    VipsImage *step = nullptr;
    if (vips_image_hasalpha(image) && vips_flatten(image, &step, nullptr) == 0) {
        g_object_unref(image);
        image = step;
    }
    if (vips_colourspace(image, &step, VIPS_INTERPRETATION_sRGB, nullptr) == 0) {
        g_object_unref(image);
        image = step;
    }
    void *data = nullptr;
    size_t length = 0;
    bool ok = vips_jpegsave_buffer(image, &data, &length, "Q", THUMBNAIL_QUALITY, "strip", TRUE,
                                   nullptr) == 0;
    g_object_unref(image);
    if (!ok) {
        *error = vips_error_buffer();
        vips_error_clear();
        return false;
    }
    jpeg->assign(static_cast<const char *>(data), length);
    g_free(data);
    return true;
}

bool thumbnail(Editing *editing, const std::string &path, int size, std::string *jpeg,
               std::string *error)
{
    int64_t bytes = -1, mtime = -1;
    if (!stat_of(path, &bytes, &mtime) || image_type(path).empty()) {
        *error = "not a JPEG or PNG image";
        return false;
    }
    std::string key = sha256_hex(path + "\n" + std::to_string(bytes) + "\n" +
                                 std::to_string(mtime) + "\n" + std::to_string(size));
    std::string dir = editing->cache + "/thumbs", cached = dir + "/" + key + ".jpg";
    std::string unread;
    if (read_bytes(cached, jpeg, &unread))
        return true;
    if (!make_thumbnail(path, size, jpeg, error))
        return false;
    // A cache that cannot be written costs time, not the answer.
    if (g_mkdir_with_parents(dir.c_str(), 0700) == 0)
        g_file_set_contents(cached.c_str(), jpeg->data(), static_cast<gssize>(jpeg->size()),
                            nullptr);
    return true;
}
