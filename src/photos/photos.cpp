#include "photos.h"

#include <errno.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>

#include "format.h"
#include "vips_log.h"

static constexpr int JPEG_QUALITY = 90;

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
    PhotoReading scope(path);
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

bool to_srgb8(VipsImage **image)
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
    PhotoReading scope(path);
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

std::string file_stamp(const std::string &path)
{
    struct stat st;
    if (stat(path.c_str(), &st) != 0)
        return "";
    char stamp[64];
    snprintf(stamp, sizeof stamp, " %lld %lld.%09ld", static_cast<long long>(st.st_size),
             static_cast<long long>(st.st_mtim.tv_sec), static_cast<long>(st.st_mtim.tv_nsec));
    return path + stamp;
}

std::string photo_inputs(const std::string &source, bool fit)
{
    std::string stamp = file_stamp(source);
    return stamp.empty() ? "" : std::string(fit ? "fit " : "crop ") + stamp;
}

bool save_slide_jpeg(VipsImage *image, const std::string &target)
{
    return vips_jpegsave(image, target.c_str(), "Q", JPEG_QUALITY, "strip", TRUE, "interlace",
                         FALSE, nullptr) == 0;
}

// Shrink-on-load (JPEG DCT scaling) and the orientation tag come with the
// thumbnail operation; the final resample is Lanczos.
static bool make_photo(PhotoJob *job, bool fit, const std::function<bool()> &stop)
{
    PhotoReading scope(job->source);
    if (!job->views.empty())
        return pano_write_views(job->source, job->views, stop);
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
    ok = ok && save_slide_jpeg(image, job->target);
    if (image)
        g_object_unref(image);
    return ok;
}

// The slides' pictures a job writes.
static size_t pictures_of(const PhotoJob &job)
{
    return std::max<size_t>(1, job.views.size());
}

// libvips' error buffer and the warnings of its own threads are shared by
// all photographs: the jobs that failed, or that were being read when a
// warning could not be placed, are run again one at a time, so that the
// reason and the warnings found then are theirs alone.
bool make_photos(std::vector<PhotoJob> &jobs, bool fit, int threads,
                 const std::function<void(size_t done, size_t total)> &progress,
                 const std::function<bool()> &stop)
{
    if (threads <= 0)
        threads = static_cast<int>(g_get_num_processors());
    threads = std::max(1, std::min(threads, static_cast<int>(jobs.size())));
    size_t pictures = 0;
    for (const PhotoJob &job : jobs)
        pictures += pictures_of(job);
    std::atomic<size_t> next{0};
    std::vector<char> failed(jobs.size(), 0);
    std::mutex progress_mutex;
    size_t done = 0;
    auto stopped = [&stop]() { return stop && stop(); };
    auto work = [&]() {
        for (size_t i; !stopped() && (i = next++) < jobs.size();) {
            failed[i] = !make_photo(&jobs[i], fit, stop);
            std::lock_guard<std::mutex> lock(progress_mutex);
            for (size_t v = 0; v < pictures_of(jobs[i]); v++) {
                done++;
                if (progress)
                    progress(done, pictures);
            }
        }
        vips_thread_shutdown();
    };
    photos_side_by_side(true);
    std::vector<std::thread> pool;
    for (int t = 1; t < threads; t++)
        pool.emplace_back(work);
    work();
    for (std::thread &t : pool)
        t.join();
    photos_side_by_side(false);
    if (stopped())
        return false;

    bool all_ok = true;
    for (size_t i = 0; i < jobs.size(); i++) {
        if (!failed[i] && !photo_ambiguous(jobs[i].source))
            continue;
        vips_error_clear();
        if (!make_photo(&jobs[i], fit, stop)) {
            jobs[i].error = vips_reason();
            all_ok = false;
        }
    }
    photo_ambiguities_clear();
    return all_ok;
}
