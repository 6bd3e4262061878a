// tourmake [--force] PLAN OUTDIR: a complete tour from photographs and a plan.
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include <string>
#include <vector>

#include <glib.h>
#include <vips/vips.h>

#include "check.h"
#include "draft.h"
#include "format.h"
#include "graph.h"
#include "map.h"
#include "options.h"
#include "outdir.h"
#include "pano.h"
#include "photo_meta.h"
#include "photos.h"
#include "plan.h"
#include "sprite_shapes.h"
#include "tourcheck.h"
#include "tourweb.h"
#include "version.h"
#include "writer.h"

static const char usage[] = "usage: tourmake [--force] [--web] PLAN OUTDIR\n";
static const char draft_usage[] = "usage: tourmake --draft DIR\n";

static const char help[] =
    "       tourmake --draft DIR\n"
    "\n"
    "Makes a tour in OUTDIR from the photographs named in PLAN (found beside it).\n"
    "An existing, non-empty OUTDIR is replaced only with --force.\n"
    "With --draft, writes a plan for the photographs in DIR to standard output\n"
    "instead, from what they recorded, its guesses marked by comments.\n"
    "\n"
    "The plan has one statement a line; \"#\" starts a comment; a word with blanks\n"
    "stands in double quotes. Headings are N NE E SE S SW W NW.\n"
    "\n";

// After the plan's statements.
static const char help_options[] =
    "\n"
    "Options:\n"
    "  --force    replace an existing, non-empty OUTDIR\n"
    "  --web      also write the page that walks the tour in a web browser\n"
    "  --draft    write a draft plan for the photographs in DIR and make nothing\n"
    "  --help     print this help and exit\n"
    "  --version  print the version and exit\n"
    "\n"
    "Exit status: 0 when the tour is written; 1 for errors in the plan or its files,\n"
    "or when the tour cannot be written (OUTDIR is then left as it was); 2 for a\n"
    "usage error; 128 + N when signal N (SIGINT, SIGTERM, SIGHUP) interrupted it\n"
    "(OUTDIR is then left as it was too).\n";

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

// Reads each photograph's and drawing's header: missing or undecodable files
// are errors, photographs that must be scaled up are warnings.
static void check_files(Plan *plan, Diagnostics *diagnostics)
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

// Reads each 360° photograph's header: a size that cannot give views is an
// error. Its centre faces the heading that its line gives, else the one it
// recorded, else north, with a warning.
static void check_panos(Plan *plan, Diagnostics *diagnostics)
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

static bool make_dir(const std::string &path)
{
    if (g_mkdir(path.c_str(), 0755) == 0)
        return true;
    fprintf(stderr, "tourmake: cannot create %s: %s\n", path.c_str(), strerror(errno));
    return false;
}

static bool write_slides(const std::vector<PlannedSlide> &slides, const std::string &path)
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
    fprintf(stderr, "tourmake: %s\n", error->message);
    g_error_free(error);
    return false;
}

// Everything of the tour into `dir`; false when anything failed (and said so).
static bool write_tour(const Plan *plan, const std::vector<PlannedSlide> &slides,
                       const std::string &dir, const std::string &plan_name)
{
    std::string photo_dir = dir + "/" + slide_dir, cursor_dir = dir + "/" + sprite_dir;
    if (!make_dir(photo_dir) || !make_dir(cursor_dir))
        return false;
    // A job a 360° photograph, its views together, the longest first; then one
    // a photograph. `photo_of` holds the photograph whose line a job's messages go on.
    std::vector<PhotoJob> jobs;
    std::vector<int> photo_of, job_of_pano(plan->panos.size(), -1);
    for (const PlannedSlide &slide : slides) {
        const Photo &photo = plan->photos[slide.photo];
        if (photo.pano < 0)
            continue;
        int &job = job_of_pano[photo.pano];
        if (job < 0) {
            job = static_cast<int>(jobs.size());
            jobs.push_back({photo.path, "", "", {}});
            photo_of.push_back(slide.photo);
        }
        double heading = photo.heading * 360.0 / HEADINGS;
        jobs[job].views.push_back(
            {heading - plan->panos[photo.pano].north, photo_dir + "/" + slide.id + ".jpg"});
    }
    for (const PlannedSlide &slide : slides)
        if (plan->photos[slide.photo].pano < 0) {
            jobs.push_back(
                {plan->photos[slide.photo].path, photo_dir + "/" + slide.id + ".jpg", "", {}});
            photo_of.push_back(slide.photo);
        }
    bool made = make_photos(jobs, plan->fit, 0, true);
    if (outdir_interrupted())
        return false;
    Diagnostics diagnostics;
    for (size_t i = 0; i < jobs.size(); i++) {
        const Photo &photo = plan->photos[photo_of[i]];
        if (!jobs[i].error.empty()) {
            diagnose(&diagnostics, photo.line, ERROR, failure(photo, jobs[i].error));
            continue;
        }
        for (const std::string &warning : photo_warnings_take(photo.path))
            diagnose(&diagnostics, photo.line, WARNING, photo.file + ": " + warning);
    }
    report(diagnostics, plan_name);
    if (!made)
        return false;
    std::string error;
    if (!write_map(plan, photo_dir + "/" + map_id + ".jpg", &error)) {
        fprintf(stderr, "tourmake: cannot draw the map: %s\n", error.c_str());
        return false;
    }
    if (outdir_interrupted() || !write_sprites(cursor_dir) ||
        !write_slides(slides, dir + "/" + tour_file))
        return false;
    if (check_written_tour(dir) > 0) {
        fprintf(stderr, "tourmake: the tour written fails its checks\n");
        return false;
    }
    return true;
}

// tourmake --draft DIR: the plan to standard output, the problems to stderr.
static int write_draft(int argc, char **argv, bool other_options)
{
    if (other_options) {
        fputs(draft_usage, stderr);
        return 2;
    }
    int ended = take_operands(argc, argv, 1, draft_usage);
    if (ended >= 0)
        return ended;
    photo_meta_init();
    std::string text;
    Diagnostics diagnostics;
    bool drafted = draft_plan(argv[1], &text, &diagnostics);
    report(diagnostics, argv[1]);
    if (!drafted)
        return 1;
    fputs(text.c_str(), stdout);
    return fflush(stdout) == 0 ? 0 : 1;
}

int main(int argc, char **argv)
{
    end_uncaught_with_one_line("tourmake");
    gboolean force = FALSE, web = FALSE, draft = FALSE;
    const GOptionEntry options[] = {
        {"force", 0, 0, G_OPTION_ARG_NONE, &force, NULL, NULL},
        {"web", 0, 0, G_OPTION_ARG_NONE, &web, NULL, NULL},
        {"draft", 0, 0, G_OPTION_ARG_NONE, &draft, NULL, NULL},
        {NULL, 0, 0, G_OPTION_ARG_NONE, NULL, NULL, NULL},
    };
    std::string help_text = std::string(usage) + help + plan_statements_help() + help_options;
    int ended = take_options(&argc, &argv, options, "tourmake", usage, help_text.c_str());
    if (ended >= 0)
        return ended;
    if (draft)
        return write_draft(argc, argv, force || web);
    ended = take_operands(argc, argv, 2, usage);
    if (ended >= 0)
        return ended;
    const std::string plan_name = argv[1], outdir = argv[2];
    if (VIPS_INIT(argv[0]) != 0) {
        fprintf(stderr, "tourmake: %s", vips_error_buffer());
        return 1;
    }
    // Photographs run one a core; each one on a single thread.
    vips_concurrency_set(1);
    vips_cache_set_max(0);
    photo_log_install();
    photo_meta_init();
    outdir_catch_signals();

    std::string refusal = outdir_refusal(outdir, force);
    if (!refusal.empty()) {
        fprintf(stderr, "tourmake: %s\n", refusal.c_str());
        return 1;
    }
    char *text = nullptr;
    GError *error = nullptr;
    if (!g_file_get_contents(plan_name.c_str(), &text, nullptr, &error)) {
        fprintf(stderr, "tourmake: %s\n", error->message);
        g_error_free(error);
        return 1;
    }
    char *plan_dir = g_path_get_dirname(plan_name.c_str());
    Plan plan;
    Diagnostics diagnostics;
    plan_parse(&plan, &diagnostics, text, plan_dir, photo_recorded_direction);
    g_free(plan_dir);
    g_free(text);
    check_files(&plan, &diagnostics);
    check_panos(&plan, &diagnostics);
    std::vector<PlannedSlide> slides = build_slides(&plan, &diagnostics);
    report(diagnostics, plan_name);
    if (has_errors(diagnostics))
        return 1;

    if (outdir_interrupted())
        return 128 + outdir_interrupted();
    std::string reason;
    std::string work = outdir_begin(outdir, "tourmake", &reason);
    if (work.empty()) {
        fprintf(stderr, "tourmake: %s\n", reason.c_str());
        return 1;
    }
    if (!write_tour(&plan, slides, work, plan_name) || (web && !write_web_page(work, &reason)) ||
        outdir_interrupted() || !outdir_commit(work, outdir, &reason)) {
        if (outdir_interrupted()) {
            remove_tree(work);
            return 128 + outdir_interrupted();
        }
        if (!reason.empty())
            fprintf(stderr, "tourmake: %s\n", reason.c_str());
        remove_tree(work);
        return 1;
    }
    printf("tourmake: wrote %zu slides, the map and %d sprites to %s\n", slides.size(),
           2 * SPRITE_COUNT - 1, outdir.c_str());
    vips_shutdown();
    return 0;
}
