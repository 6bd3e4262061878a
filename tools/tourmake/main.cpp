// tourmake [--force] PLAN OUTDIR: a complete tour from photographs and a plan.
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include <string>
#include <vector>

#include <glib.h>
#include <vips/vips.h>

#include "check.h"
#include "format.h"
#include "graph.h"
#include "map.h"
#include "options.h"
#include "outdir.h"
#include "photos.h"
#include "plan.h"
#include "sprite_shapes.h"
#include "tourcheck.h"
#include "tourweb.h"
#include "version.h"
#include "writer.h"

static const char usage[] = "usage: tourmake [--force] [--web] PLAN OUTDIR\n";

static const char help[] =
    "Makes a tour in OUTDIR from the photographs named in PLAN (found beside it).\n"
    "An existing, non-empty OUTDIR is replaced only with --force.\n"
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
    "  --help     print this help and exit\n"
    "  --version  print the version and exit\n"
    "\n"
    "Exit status: 0 when the tour is written; 1 for errors in the plan or its files,\n"
    "or when the tour cannot be written (OUTDIR is then left as it was); 2 for a\n"
    "usage error; 128 + N when signal N (SIGINT, SIGTERM, SIGHUP) interrupted it\n"
    "(OUTDIR is then left as it was too).\n";

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
    std::vector<PhotoJob> jobs;
    for (const PlannedSlide &slide : slides)
        jobs.push_back({plan->photos[slide.photo].path, photo_dir + "/" + slide.id + ".jpg", ""});
    bool made = make_photos(jobs, plan->fit, 0, true);
    if (outdir_interrupted())
        return false;
    Diagnostics diagnostics;
    for (size_t i = 0; i < jobs.size(); i++) {
        const Photo &photo = plan->photos[slides[i].photo];
        if (!jobs[i].error.empty()) {
            diagnose(&diagnostics, photo.line, ERROR, photo_failure(photo, jobs[i].error));
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

int main(int argc, char **argv)
{
    end_uncaught_with_one_line("tourmake");
    gboolean force = FALSE, web = FALSE;
    const GOptionEntry options[] = {
        {"force", 0, 0, G_OPTION_ARG_NONE, &force, NULL, NULL},
        {"web", 0, 0, G_OPTION_ARG_NONE, &web, NULL, NULL},
        {NULL, 0, 0, G_OPTION_ARG_NONE, NULL, NULL, NULL},
    };
    std::string help_text = std::string(usage) + help + plan_statements_help() + help_options;
    int ended = take_options(&argc, &argv, options, "tourmake", usage, help_text.c_str());
    if (ended >= 0)
        return ended;
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
    plan_parse(&plan, &diagnostics, text, plan_dir);
    g_free(plan_dir);
    g_free(text);
    check_plan_files(&plan, &diagnostics);
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
