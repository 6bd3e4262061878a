#include "photos.h"

#include <errno.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include "format.h"
#include "outdir.h"
#include "progress.h"

static constexpr int JPEG_QUALITY = 90;

// Warnings that tell nothing about the pixels shown, by their start: a
// resolution only sizes prints, the count of libjpeg's warnings and the tile
// that failed repeat what is said anyway.
static const char *const harmless_warnings[] = {
    "unknown EXIF resolution unit",
    "read gave ",
    "error in tile ",
};

static bool harmless(const std::string &text)
{
    for (const char *start : harmless_warnings)
        if (text.compare(0, strlen(start), start) == 0)
            return true;
    return text.empty();
}

struct Warnings {
    std::vector<std::string> texts;
    size_t taken = 0;
};

static std::mutex log_mutex;
static std::map<std::string, Warnings> warnings_of; // by path
// The photographs being read; `ambiguous` holds those that were among them
// when a warning could not be placed: they are read again alone.
static std::multiset<std::string> in_flight;
static std::set<std::string> ambiguous;
// Photographs are read side by side, with errors of others in the buffer.
static std::atomic<bool> side_by_side{false};
static thread_local const std::string *reading; // this thread's photograph

// One warning a line of `text`.
static void keep_warning(const std::string &path, const std::string &text)
{
    std::vector<std::string> &texts = warnings_of[path].texts;
    char **lines = g_strsplit(text.c_str(), "\n", -1);
    for (char **line = lines; *line; line++)
        if (!harmless(*line) && std::find(texts.begin(), texts.end(), *line) == texts.end())
            texts.push_back(*line);
    g_strfreev(lines);
}

static void log_handler(const char *, GLogLevelFlags level, const char *message, void *)
{
    if (level & (G_LOG_LEVEL_INFO | G_LOG_LEVEL_DEBUG))
        return;
    std::string text = message ? message : "";
    while (!text.empty() && text.back() == '\n')
        text.pop_back();
    // libjpeg's warnings come as the count, then the whole error buffer,
    // which holds the other photographs' errors too.
    static thread_local bool buffer_next = false;
    bool buffer = buffer_next;
    buffer_next = g_str_has_prefix(text.c_str(), "read gave ");
    if (harmless(text))
        return;
    std::lock_guard<std::mutex> lock(log_mutex);
    if (!(level & (G_LOG_LEVEL_WARNING | G_LOG_LEVEL_MESSAGE)) || in_flight.empty()) {
        fprintf(stderr, "tourmake: libvips: %s\n", text.c_str());
    } else if (buffer && side_by_side) {
        if (reading)
            ambiguous.insert(*reading);
        else
            ambiguous.insert(in_flight.begin(), in_flight.end());
    } else if (reading) {
        keep_warning(*reading, text);
    } else if (in_flight.size() == 1) {
        keep_warning(*in_flight.begin(), text);
    } else {
        ambiguous.insert(in_flight.begin(), in_flight.end());
    }
}

void photo_log_install()
{
    g_log_set_handler("VIPS", static_cast<GLogLevelFlags>(G_LOG_LEVEL_MASK | G_LOG_FLAG_FATAL),
                      log_handler, nullptr);
}

std::vector<std::string> photo_warnings_take(const std::string &path)
{
    std::lock_guard<std::mutex> lock(log_mutex);
    Warnings &w = warnings_of[path];
    std::vector<std::string> fresh(w.texts.begin() + w.taken, w.texts.end());
    w.taken = w.texts.size();
    return fresh;
}

// While it lives, warnings of this thread are `path`'s, and those of libvips'
// threads too when no other photograph is being read. File-local: tourcheck,
// linked into the same program, has a Reading of its own.
namespace
{
struct Reading {
    explicit Reading(const std::string &path) : path_(path)
    {
        std::lock_guard<std::mutex> lock(log_mutex);
        in_flight.insert(path_);
        reading = &path_;
    }
    ~Reading()
    {
        std::lock_guard<std::mutex> lock(log_mutex);
        in_flight.erase(in_flight.find(path_));
        reading = nullptr;
    }
    Reading(const Reading &) = delete;
    Reading &operator=(const Reading &) = delete;

  private:
    const std::string path_;
};
} // namespace

// The first line of libvips' error text, which names the failing operation.
static std::string vips_reason()
{
    std::string text = vips_error_buffer();
    vips_error_clear();
    size_t end = text.find('\n');
    if (end != std::string::npos)
        text.resize(end);
    return text.empty() ? "cannot be decoded" : text;
}

static bool loadable(const std::string &path, std::string *reason)
{
    struct stat st;
    if (stat(path.c_str(), &st) != 0) {
        *reason = strerror(errno);
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        *reason = "not a regular file";
        return false;
    }
    const char *loader = vips_foreign_find_load(path.c_str());
    vips_error_clear();
    if (!loader || (!strstr(loader, "Jpeg") && !strstr(loader, "Png"))) {
        *reason = "not a JPEG or PNG image";
        return false;
    }
    return true;
}

bool photo_header(const std::string &path, int *width, int *height, std::string *reason)
{
    Reading scope(path);
    if (!loadable(path, reason))
        return false;
    VipsImage *image =
        vips_image_new_from_file(path.c_str(), "access", VIPS_ACCESS_SEQUENTIAL, nullptr);
    if (!image) {
        *reason = vips_reason();
        return false;
    }
    bool turned = vips_image_get_orientation_swap(image);
    *width = turned ? image->Ysize : image->Xsize;
    *height = turned ? image->Xsize : image->Ysize;
    g_object_unref(image);
    return true;
}

// Takes over `*image` and replaces it by `op`'s result; false on failure.
template <class Op> static bool step(VipsImage **image, Op op)
{
    VipsImage *out = nullptr;
    int rc = op(*image, &out);
    g_object_unref(*image);
    *image = rc == 0 ? out : nullptr;
    return rc == 0;
}

// 8-bit sRGB, three bands: grey, CMYK and 16-bit images converted, alpha
// flattened onto black.
static bool to_srgb8(VipsImage **image)
{
    if ((*image)->Type == VIPS_INTERPRETATION_CMYK &&
        !step(image, [](VipsImage *in, VipsImage **out) {
            return vips_icc_import(in, out, "input_profile", "cmyk", "embedded", TRUE, nullptr);
        }))
        return false;
    if (vips_image_hasalpha(*image) &&
        !step(image, [](VipsImage *in, VipsImage **out) { return vips_flatten(in, out, nullptr); }))
        return false;
    if (!step(image, [](VipsImage *in, VipsImage **out) {
            return vips_colourspace(in, out, VIPS_INTERPRETATION_sRGB, nullptr);
        }))
        return false;
    return step(image,
                [](VipsImage *in, VipsImage **out) { return vips_cast_uchar(in, out, nullptr); });
}

VipsImage *load_upright(const std::string &path, std::string *reason)
{
    Reading scope(path);
    if (!loadable(path, reason))
        return nullptr;
    VipsImage *image =
        vips_image_new_from_file(path.c_str(), "fail_on", VIPS_FAIL_ON_TRUNCATED, nullptr);
    if (!image ||
        !step(&image,
              [](VipsImage *in, VipsImage **out) { return vips_autorot(in, out, nullptr); }) ||
        !to_srgb8(&image)) {
        if (image)
            g_object_unref(image);
        *reason = vips_reason();
        return nullptr;
    }
    return image;
}

// Shrink-on-load (JPEG DCT scaling) and the orientation tag come with the
// thumbnail operation; the final resample is Lanczos.
static bool make_photo(PhotoJob *job, bool fit)
{
    Reading scope(job->source);
    VipsImage *image = nullptr;
    int rc = fit ? vips_thumbnail(job->source.c_str(), &image, PHOTO_WIDTH, "height", PHOTO_HEIGHT,
                                  "fail_on", VIPS_FAIL_ON_TRUNCATED, nullptr)
                 : vips_thumbnail(job->source.c_str(), &image, PHOTO_WIDTH, "height", PHOTO_HEIGHT,
                                  "crop", VIPS_INTERESTING_CENTRE, "fail_on",
                                  VIPS_FAIL_ON_TRUNCATED, nullptr);
    bool ok = rc == 0 && to_srgb8(&image);
    if (ok && fit)
        ok = step(&image, [](VipsImage *in, VipsImage **out) {
            return vips_gravity(in, out, VIPS_COMPASS_DIRECTION_CENTRE, PHOTO_WIDTH, PHOTO_HEIGHT,
                                "extend", VIPS_EXTEND_BLACK, nullptr);
        });
    if (ok && (image->Xsize != PHOTO_WIDTH || image->Ysize != PHOTO_HEIGHT))
        ok = step(&image, [](VipsImage *in, VipsImage **out) {
            return vips_crop(in, out, (in->Xsize - PHOTO_WIDTH) / 2, (in->Ysize - PHOTO_HEIGHT) / 2,
                             PHOTO_WIDTH, PHOTO_HEIGHT, nullptr);
        });
    ok = ok && vips_jpegsave(image, job->target.c_str(), "Q", JPEG_QUALITY, "strip", TRUE,
                             "interlace", FALSE, nullptr) == 0;
    if (image)
        g_object_unref(image);
    return ok;
}

// libvips' error buffer and the warnings of its own threads are shared by
// all photographs: the jobs that failed, or that were being read when a
// warning could not be placed, are run again one at a time, so that the
// reason and the warnings found then are theirs alone.
bool make_photos(std::vector<PhotoJob> &jobs, bool fit, int threads, bool progress)
{
    if (threads <= 0)
        threads = static_cast<int>(g_get_num_processors());
    threads = std::max(1, std::min(threads, static_cast<int>(jobs.size())));
    Progress bar(jobs.size(), progress);
    std::atomic<size_t> next{0};
    std::vector<char> failed(jobs.size(), 0);
    auto work = [&]() {
        for (size_t i; !outdir_interrupted() && (i = next++) < jobs.size();) {
            failed[i] = !make_photo(&jobs[i], fit);
            bar.advance();
        }
        vips_thread_shutdown();
    };
    side_by_side = true;
    std::vector<std::thread> pool;
    for (int t = 1; t < threads; t++)
        pool.emplace_back(work);
    work();
    for (std::thread &t : pool)
        t.join();
    side_by_side = false;
    bar.finish();
    if (outdir_interrupted())
        return false;

    bool all_ok = true;
    for (size_t i = 0; i < jobs.size(); i++) {
        bool again;
        {
            std::lock_guard<std::mutex> lock(log_mutex);
            again = failed[i] || ambiguous.count(jobs[i].source);
        }
        if (!again)
            continue;
        vips_error_clear();
        if (!make_photo(&jobs[i], fit)) {
            jobs[i].error = vips_reason();
            all_ok = false;
        }
    }
    std::lock_guard<std::mutex> lock(log_mutex);
    ambiguous.clear();
    return all_ok;
}

// A failed photograph's reason, with the first of its warnings that says more
// (libpng names the damage only in a warning).
std::string photo_failure(const Photo &photo, const std::string &reason)
{
    std::string text = photo.file + ": " + reason;
    for (const std::string &warning : photo_warnings_take(photo.path))
        if (warning != reason)
            return text + " (" + warning + ")";
    return text;
}

// Reads each photograph's and drawing's header: missing or undecodable files
// are errors, photographs that must be scaled up are warnings.
void check_plan_files(Plan *plan, Diagnostics *diagnostics)
{
    for (Photo &photo : plan->photos) {
        std::string reason;
        if (!photo_header(photo.path, &photo.width, &photo.height, &reason)) {
            diagnose(diagnostics, photo.line, ERROR, photo_failure(photo, reason));
            continue;
        }
        for (const std::string &warning : photo_warnings_take(photo.path))
            diagnose(diagnostics, photo.line, WARNING, photo.file + ": " + warning);
        bool narrow = photo.width < PHOTO_WIDTH, low = photo.height < PHOTO_HEIGHT;
        if (plan->fit ? narrow && low : narrow || low)
            diagnose(diagnostics, photo.line, WARNING,
                     photo.file + " is " + std::to_string(photo.width) + " by " +
                         std::to_string(photo.height) + ", smaller than 800 by 533: scaled up");
    }
    for (const MapDrawing &map : plan->maps) {
        int width, height;
        std::string reason;
        if (!photo_header(map.path, &width, &height, &reason))
            diagnose(diagnostics, map.line, ERROR, map.file + ": " + reason);
    }
}
