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
#include "places.h"
#include "vips_log.h"
#include "sprite_shapes.h"
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

// The photographs, one a slide; false when any failed (said in diagnostics)
// or the run was stopped.
static bool make_slide_photos(const Plan &plan, const std::vector<PlannedSlide> &slides,
                              const std::string &photo_dir, const Steering &steering, Made *made)
{
    std::vector<PhotoJob> jobs;
    for (const PlannedSlide &slide : slides)
        jobs.push_back({plan.photos[slide.photo].path, photo_dir + "/" + slide.id + ".jpg", ""});
    bool all_made = make_photos(jobs, plan.fit, 0, steering.progress, steering.stop);
    made->stopped = steering.stop && steering.stop();
    if (made->stopped)
        return false;
    for (size_t i = 0; i < jobs.size(); i++) {
        const Photo &photo = plan.photos[slides[i].photo];
        if (jobs[i].error.empty())
            warn_of(photo, &made->photographs);
        else
            diagnose(&made->photographs, photo.line, ERROR, failure(photo, jobs[i].error));
    }
    return all_made;
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
    if (!write_map(&plan, photo_dir + "/" + map_id + ".jpg", &error, &spots)) {
        made->failure = "cannot draw the map: " + error;
        return false;
    }
    if (stop_asked(steering, made) || !write_sprites(cursor_dir, &made->failure) ||
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
