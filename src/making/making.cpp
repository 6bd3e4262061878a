// The stages of making a tour, in the order they run.
#include "making.h"

#include <errno.h>
#include <string.h>

#include <glib.h>
#include <glib/gstdio.h>

#include "checks.h"
#include "format.h"
#include "map.h"
#include "pano.h"
#include "photo_meta.h"
#include "photos.h"
#include "places.h"
#include "sprite_shapes.h"
#include "version.h"
#include "vips_log.h"
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
        if (photo.pano >= 0) {
            photo.width = PHOTO_WIDTH, photo.height = PHOTO_HEIGHT; // cut to size
            continue;
        }
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

void check_panos(Plan *plan, Diagnostics *diagnostics)
{
    for (Pano &pano : plan->panos) {
        int width, height;
        std::string reason;
        bool read = photo_header(pano.path, &width, &height, &reason);
        for (const std::string &warning : photo_warnings_take(pano.path))
            diagnose(diagnostics, pano.line, read ? WARNING : ERROR, pano.file + ": " + warning);
        std::string problem = read ? pano_size_problem(width, height) : "";
        if (!read || !problem.empty()) {
            diagnose(diagnostics, pano.line, ERROR,
                     pano.file + (read ? " " + problem : ": " + reason));
            continue;
        }
        if (pano.north_given)
            continue;
        PhotoMeta meta;
        if (photo_meta_read(pano.path, &meta, &reason) && meta.has_pose_heading)
            pano.north = meta.pose_heading;
        else
            diagnose(diagnostics, pano.line, WARNING,
                     pano.file + " records no heading (GPano:PoseHeadingDegrees): its centre " +
                         "is taken to face north (\"north DEGREES\" says otherwise)");
    }
}

std::vector<PlannedSlide> plan_read(Plan *plan, Diagnostics *diagnostics, const std::string &text,
                                    const std::string &dir)
{
    plan_parse(plan, diagnostics, text, dir, photo_recorded_direction);
    return plan_slides(plan, diagnostics);
}

std::vector<PlannedSlide> plan_slides(Plan *plan, Diagnostics *diagnostics)
{
    check_plan_files(plan, diagnostics);
    check_panos(plan, diagnostics);
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
    return std::string("tourview ") + TOURVIEW_VERSION + " " + kind + "\n" + inputs;
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

// The jobs of the slides' photographs: one a 360° photograph, its views
// together, first (the longest jobs); then one a photograph. (*photo_of)[k]
// is the photograph on whose line job k's messages go.
static std::vector<PhotoJob> photo_jobs(const Plan &plan, const std::vector<PlannedSlide> &slides,
                                        const std::string &photo_dir, std::vector<int> *photo_of)
{
    std::vector<PhotoJob> jobs;
    std::vector<int> job_of_pano(plan.panos.size(), -1);
    for (const PlannedSlide &slide : slides) {
        const Photo &photo = plan.photos[slide.photo];
        if (photo.pano < 0)
            continue;
        int &job = job_of_pano[photo.pano];
        if (job < 0) {
            job = static_cast<int>(jobs.size());
            jobs.push_back({photo.path, "", "", {}});
            photo_of->push_back(slide.photo);
        }
        double heading = photo.heading * 360.0 / HEADINGS;
        jobs[job].views.push_back(
            {heading - plan.panos[photo.pano].north, photo_dir + "/" + slide.id + ".jpg"});
    }
    for (const PlannedSlide &slide : slides)
        if (plan.photos[slide.photo].pano < 0) {
            jobs.push_back(
                {plan.photos[slide.photo].path, photo_dir + "/" + slide.id + ".jpg", "", {}});
            photo_of->push_back(slide.photo);
        }
    return jobs;
}

// The store's key for the picture written for `photo`: the photograph itself,
// or one view of it when it is a 360° one.
static std::string picture_key(const MadeStore &store, const Plan &plan, const Photo &photo,
                               const PanoView *view)
{
    std::string inputs = photo_inputs(photo.path, plan.fit);
    if (!view || inputs.empty())
        return store_key(store, "photograph", inputs);
    char yaw[48];
    snprintf(yaw, sizeof yaw, " yaw %.9g", view->yaw);
    return store_key(store, "view", inputs + yaw);
}

// Takes from the store every picture it holds: a view so taken leaves its job,
// a job with nothing left to write leaves *jobs (and *photo_of). The number of
// pictures taken.
static size_t take_stored(const Plan &plan, const MadeStore &store, std::vector<PhotoJob> *jobs,
                          std::vector<int> *photo_of)
{
    size_t taken = 0;
    std::vector<PhotoJob> left;
    std::vector<int> left_of;
    for (size_t k = 0; k < jobs->size(); k++) {
        PhotoJob &job = (*jobs)[k];
        const Photo &photo = plan.photos[(*photo_of)[k]];
        if (job.views.empty() &&
            fetched(store, picture_key(store, plan, photo, nullptr), job.target)) {
            taken++;
            continue;
        }
        std::vector<PanoView> views;
        for (const PanoView &view : job.views)
            if (fetched(store, picture_key(store, plan, photo, &view), view.target))
                taken++;
            else
                views.push_back(view);
        if (!job.views.empty() && views.empty())
            continue;
        job.views = views;
        left.push_back(job);
        left_of.push_back((*photo_of)[k]);
    }
    *jobs = left;
    *photo_of = left_of;
    return taken;
}

// The photographs, one a slide, each taken from the store when it has it;
// false when any failed (said in diagnostics) or the run was stopped.
static bool make_slide_photos(const Plan &plan, const std::vector<PlannedSlide> &slides,
                              const std::string &photo_dir, const Steering &steering, Made *made)
{
    const MadeStore &store = steering.store;
    std::vector<int> photo_of;
    std::vector<PhotoJob> jobs = photo_jobs(plan, slides, photo_dir, &photo_of);
    size_t taken = in_use(store) ? take_stored(plan, store, &jobs, &photo_of) : 0;
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
    for (size_t i = 0; i < jobs.size(); i++) {
        const Photo &photo = plan.photos[photo_of[i]];
        if (!jobs[i].error.empty()) {
            diagnose(&made->photographs, photo.line, ERROR, failure(photo, jobs[i].error));
            continue;
        }
        size_t said = made->photographs.size();
        warn_of(photo, &made->photographs);
        if (made->photographs.size() != said)
            continue; // made again next time, so that its warnings are said again
        if (jobs[i].views.empty())
            keep(store, picture_key(store, plan, photo, nullptr), jobs[i].target);
        for (const PanoView &view : jobs[i].views)
            keep(store, picture_key(store, plan, photo, &view), view.target);
    }
    return all_made;
}

// The map, from the store when it has it (its spots then found without
// writing it), and where each point stands on it.
static bool make_map(const Plan &plan, const std::string &path, const MadeStore &store,
                     std::vector<MapSpot> *spots, std::string *error)
{
    std::string key = store_key(store, "map", map_inputs(&plan));
    if (fetched(store, key, path))
        return map_spots(&plan, spots, error);
    if (!write_map(&plan, path, error, spots))
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

// Where each slide stands on the map, for the page (places.h): the plan's
// points in order, those whose spots lie on the map.
static bool write_places(const Plan &plan, const std::vector<PlannedSlide> &slides,
                         const std::vector<MapSpot> &spots, const std::string &path,
                         std::string *failure)
{
    std::vector<const PlannedSlide *> slide_of(plan.photos.size(), nullptr);
    for (const PlannedSlide &slide : slides)
        slide_of[slide.photo] = &slide;
    TourPlaces places{plan.title, {}};
    for (size_t i = 0; i < plan.points.size(); i++) {
        const MapSpot &spot = spots[i];
        if (spot.x < 0 || spot.x > PHOTO_WIDTH || spot.y < 0 || spot.y > PHOTO_HEIGHT)
            continue;
        PlacedPoint point{plan.points[i].name, spot.x, spot.y, {}};
        for (int h = 0; h < HEADINGS; h++) {
            int photo = plan.points[i].photo[h];
            if (photo >= 0 && slide_of[photo])
                point.slides[h] = slide_of[photo]->id;
        }
        places.points.push_back(point);
    }
    std::string text = places_to_xml(places);
    GError *error = nullptr;
    if (g_file_set_contents(path.c_str(), text.data(), (gssize)text.size(), &error))
        return true;
    *failure = error->message;
    g_error_free(error);
    return false;
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
    std::vector<MapSpot> spots;
    if (!make_map(plan, photo_dir + "/" + map_id + ".jpg", steering.store, &spots, &error)) {
        made->failure = "cannot draw the map: " + error;
        return false;
    }
    if (stop_asked(steering, made) || !make_sprites(cursor_dir, steering.store, &made->failure) ||
        !write_slides(slides, dir + "/" + tour_file, &made->failure) ||
        !write_places(plan, slides, spots, dir + "/" + places_file, &made->failure))
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
