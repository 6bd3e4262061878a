// The stages of making a tour, in the order they run.
#include "making.h"

#include <errno.h>
#include <string.h>

#include <glib.h>
#include <glib/gstdio.h>

#include "checks.h"
#include "format.h"
#include "map.h"
#include "photos.h"
#include "vips_log.h"
#include "sprite_shapes.h"
#include "version.h"
#include "writer.h"

// A failed photograph's reason, with the first of its warnings that says more
// (libpng names the damage only in a warning).
static std::string failure(const Photo &photo, const std::string &reason)
{
    std::string text = photo.file + ": " + reason;
    for (const std::string &warning : photo_warnings_take(photo.path))
        if (warning != reason)
            return text + " (" + warning + ")";
    return text;
}

static void warn_of(const Photo &photo, Diagnostics *diagnostics)
{
    for (const std::string &warning : photo_warnings_take(photo.path))
        diagnose(diagnostics, photo.line, WARNING, photo.file + ": " + warning);
}

void check_plan_files(Plan *plan, Diagnostics *diagnostics)
{
    for (Photo &photo : plan->photos) {
        std::string reason;
        if (!photo_header(photo.path, &photo.width, &photo.height, &reason)) {
            diagnose(diagnostics, photo.line, ERROR, failure(photo, reason));
            continue;
        }
        warn_of(photo, diagnostics);
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

std::vector<PlannedSlide> plan_read(Plan *plan, Diagnostics *diagnostics, const std::string &text,
                                    const std::string &dir)
{
    plan_parse(plan, diagnostics, text, dir);
    return plan_slides(plan, diagnostics);
}

std::vector<PlannedSlide> plan_slides(Plan *plan, Diagnostics *diagnostics)
{
    check_plan_files(plan, diagnostics);
    return build_slides(plan, diagnostics);
}

static bool make_dir(const std::string &path, std::string *error)
{
    if (g_mkdir(path.c_str(), 0755) == 0)
        return true;
    *error = "cannot create " + path + ": " + strerror(errno);
    return false;
}

static bool write_slides(const std::vector<PlannedSlide> &slides, const std::string &path,
                         std::string *failure)
{
    std::vector<Slide> table(slides.size());
    std::vector<const Slide *> order;
    for (size_t i = 0; i < slides.size(); i++) {
        Slide &s = table[i];
        s = Slide{};
        s.id = const_cast<char *>(slides[i].id.c_str());
        for (int e = 0; e < EXIT_COUNT; e++)
            if (slides[i].exits[e] >= 0)
                s.*exit_kinds[e].field = const_cast<char *>(slides[slides[i].exits[e]].id.c_str());
        order.push_back(&s);
    }
    GError *error = nullptr;
    if (tour_write_file(path.c_str(), order.data(), order.size(), &error))
        return true;
    *failure = error->message;
    g_error_free(error);
    return false;
}

static bool in_use(const MadeStore &store)
{
    return store.fetch || store.keep;
}

// The store's key for a file made of `inputs` by this version ("" when the
// store is not used or the inputs cannot be known).
static std::string store_key(const MadeStore &store, const char *kind, const std::string &inputs)
{
    if (!in_use(store) || inputs.empty())
        return "";
    return std::string("tourview " TOURVIEW_VERSION " ") + kind + "\n" + inputs;
}

static bool fetched(const MadeStore &store, const std::string &key, const std::string &target)
{
    return store.fetch && !key.empty() && store.fetch(key, target);
}

static void keep(const MadeStore &store, const std::string &key, const std::string &made)
{
    if (store.keep && !key.empty())
        store.keep(key, made);
}

// The photographs, one a slide, each taken from the store when it has it;
// false when any failed (said in diagnostics) or the run was stopped.
static bool make_slide_photos(const Plan &plan, const std::vector<PlannedSlide> &slides,
                              const std::string &photo_dir, const Steering &steering, Made *made)
{
    const MadeStore &store = steering.store;
    std::vector<PhotoJob> jobs;
    std::vector<size_t> slide_of; // each job's slide
    std::vector<std::string> keys;
    for (size_t i = 0; i < slides.size(); i++) {
        const Photo &photo = plan.photos[slides[i].photo];
        std::string target = photo_dir + "/" + slides[i].id + ".jpg";
        std::string key = store_key(store, "photograph", photo_inputs(photo.path, plan.fit));
        if (fetched(store, key, target))
            continue;
        jobs.push_back({photo.path, target, ""});
        slide_of.push_back(i);
        keys.push_back(key);
    }
    size_t taken = slides.size() - jobs.size();
    std::function<void(size_t, size_t)> progress;
    if (steering.progress) {
        for (size_t done = 1; done <= taken; done++)
            steering.progress(done, slides.size());
        progress = [&steering, taken, &slides](size_t done, size_t) {
            steering.progress(taken + done, slides.size());
        };
    }
    bool all_made = make_photos(jobs, plan.fit, 0, progress, steering.stop);
    made->stopped = steering.stop && steering.stop();
    if (made->stopped)
        return false;
    for (size_t j = 0; j < jobs.size(); j++) {
        const Photo &photo = plan.photos[slides[slide_of[j]].photo];
        if (!jobs[j].error.empty()) {
            diagnose(&made->photographs, photo.line, ERROR, failure(photo, jobs[j].error));
            continue;
        }
        size_t said = made->photographs.size();
        warn_of(photo, &made->photographs);
        if (made->photographs.size() == said)
            keep(store, keys[j], jobs[j].target);
    }
    return all_made;
}

static bool make_map(const Plan &plan, const std::string &path, const MadeStore &store,
                     std::string *error)
{
    std::string key = store_key(store, "map", map_inputs(&plan));
    if (fetched(store, key, path))
        return true;
    if (!write_map(&plan, path, error))
        return false;
    keep(store, key, path);
    return true;
}

// The sprites, from the store when it has them all.
static bool make_sprites(const std::string &dir, const MadeStore &store, std::string *failure)
{
    std::vector<std::string> names;
    for (int i = 0; i < SPRITE_COUNT; i++) {
        names.push_back(curfiles[i]);
        if (arrowfiles[i])
            names.push_back(arrowfiles[i]);
    }
    size_t taken = 0;
    while (taken < names.size() &&
           fetched(store, store_key(store, "sprite", names[taken]), dir + "/" + names[taken]))
        taken++;
    if (taken == names.size())
        return true;
    // A fetched file may be a link to the store's: never written through.
    for (size_t i = 0; i < taken; i++)
        g_unlink((dir + "/" + names[i]).c_str());
    if (!write_sprites(dir, failure))
        return false;
    for (const std::string &name : names)
        keep(store, store_key(store, "sprite", name), dir + "/" + name);
    return true;
}

static bool stop_asked(const Steering &steering, Made *made)
{
    made->stopped = steering.stop && steering.stop();
    return made->stopped;
}

bool make_tour(const Plan &plan, const std::vector<PlannedSlide> &slides, const std::string &dir,
               const Steering &steering, Made *made)
{
    std::string photo_dir = dir + "/" + slide_dir, cursor_dir = dir + "/" + sprite_dir;
    if (!make_dir(photo_dir, &made->failure) || !make_dir(cursor_dir, &made->failure) ||
        !make_slide_photos(plan, slides, photo_dir, steering, made))
        return false;
    std::string error;
    if (!make_map(plan, photo_dir + "/" + map_id + ".jpg", steering.store, &error)) {
        made->failure = "cannot draw the map: " + error;
        return false;
    }
    if (stop_asked(steering, made) || !make_sprites(cursor_dir, steering.store, &made->failure) ||
        !write_slides(slides, dir + "/" + tour_file, &made->failure))
        return false;
    Tour tour{};
    check_tour(&tour, dir.c_str());
    made->checks = tour.problems;
    // An unreadable tour fails even when nothing was said about it.
    bool passes = !has_errors(tour.problems) && (tour.readable || !tour.problems.empty());
    tour_clear(&tour);
    if (!passes)
        made->failure = "the tour written fails its checks";
    return passes;
}
