// tourmake [--force] PLAN OUTDIR: a complete tour from photographs and a plan.
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include <string>
#include <vector>

#include <glib.h>
#include <vips/vips.h>

#include "draft.h"
#include "format.h"
#include "making.h"
#include "options.h"
#include "outdir.h"
#include "progress.h"
#include "signals.h"
#include "terminate.h"
#include "version.h"
#include "vips_log.h"
#include "webexport.h"

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

// The plan's diagnostics as "PLAN:LINE: level: message" lines, in line order.
static void report(Diagnostics diagnostics, const std::string &plan_name)
{
    sort_diagnostics(&diagnostics, "");
    for (const Diagnostic &d : diagnostics)
        fprintf(stderr, "%s\n", diagnostic_line(d, plan_name).c_str());
}

// Makes the tour into `work` with the bar on stderr, and says what went wrong.
static bool make(const Plan &plan, const std::vector<PlannedSlide> &slides, const std::string &work,
                 const std::string &plan_name)
{
    Progress bar(slides.size(), true);
    Steering steering;
    steering.progress = [&bar](size_t, size_t) { bar.advance(); };
    steering.stop = []() { return interrupted() != 0; };
    Made made;
    bool whole = make_tour(plan, slides, work, steering, &made);
    bar.finish();
    report(made.photographs, plan_name);
    for (const Diagnostic &problem : made.checks)
        fprintf(stderr, "%s: check: %s\n", program_name(), diagnostic_line(problem).c_str());
    if (!made.failure.empty())
        fprintf(stderr, "%s: %s\n", program_name(), made.failure.c_str());
    return whole;
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
    end_uncaught_with_one_line();
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
        fprintf(stderr, "%s: %s", program_name(), vips_error_buffer());
        return 1;
    }
    // Photographs run one a core; each one on a single thread.
    vips_concurrency_set(1);
    vips_cache_set_max(0);
    photo_log_install();
    catch_signals();

    std::string refusal = outdir_refusal(outdir, force);
    if (!refusal.empty()) {
        fprintf(stderr, "%s: %s\n", program_name(), refusal.c_str());
        return 1;
    }
    char *text = nullptr;
    GError *error = nullptr;
    if (!g_file_get_contents(plan_name.c_str(), &text, nullptr, &error)) {
        fprintf(stderr, "%s: %s\n", program_name(), error->message);
        g_error_free(error);
        return 1;
    }
    char *plan_dir = g_path_get_dirname(plan_name.c_str());
    Plan plan;
    Diagnostics diagnostics;
    std::vector<PlannedSlide> slides = plan_read(&plan, &diagnostics, text, plan_dir);
    g_free(plan_dir);
    g_free(text);
    report(diagnostics, plan_name);
    if (has_errors(diagnostics))
        return 1;

    if (interrupted())
        return 128 + interrupted();
    std::string reason;
    std::string work = outdir_begin(outdir, "tourmake", &reason);
    if (work.empty()) {
        fprintf(stderr, "%s: %s\n", program_name(), reason.c_str());
        return 1;
    }
    if (!make(plan, slides, work, plan_name) || (web && !write_web_page(work, &reason)) ||
        interrupted() || !outdir_commit(work, outdir, &reason)) {
        if (interrupted()) {
            remove_tree(work);
            return 128 + interrupted();
        }
        if (!reason.empty())
            fprintf(stderr, "%s: %s\n", program_name(), reason.c_str());
        remove_tree(work);
        return 1;
    }
    printf("%s: wrote %zu slides, the map and %d sprites to %s\n", program_name(), slides.size(),
           2 * SPRITE_COUNT - 1, outdir.c_str());
    vips_shutdown();
    return 0;
}
