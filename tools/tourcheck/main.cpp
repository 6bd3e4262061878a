// tourcheck [--dot] [DIR]: checks the tour in DIR (the current directory by
// default) and prints one line per problem, or the slide graph with --dot.
#include "checks.h"
#include "options.h"
#include "terminate.h"
#include "version.h"

#include <stdio.h>

static const char usage[] = "usage: tourcheck [--dot] [DIR]\n";
static const char help[] =
    "usage: tourcheck [--dot] [DIR]\n"
    "Checks the tour in DIR (the current directory by default) as the viewer reads\n"
    "it, and prints one line per problem and a summary line.\n"
    "\n"
    "Options:\n"
    "  --dot      print the slide graph in Graphviz's dot language instead\n"
    "  --help     print this help and exit\n"
    "  --version  print the version and exit\n"
    "\n"
    "Exit status: 0 when the tour has no error, 1 when it has errors, 2 when it\n"
    "cannot be read at all or for an unknown option.\n";

static gboolean dot;

// --dot once only, as a second one is a slip.
static gboolean take_dot(const char *, const char *, gpointer, GError **error)
{
    if (dot) {
        g_set_error_literal(error, G_OPTION_ERROR, G_OPTION_ERROR_FAILED, "--dot twice");
        return FALSE;
    }
    dot = TRUE;
    return TRUE;
}

static const GOptionEntry options[] = {
    {"dot", 0, G_OPTION_FLAG_NO_ARG, G_OPTION_ARG_CALLBACK, (gpointer)take_dot, NULL, NULL},
    {NULL, 0, 0, G_OPTION_ARG_NONE, NULL, NULL, NULL},
};

int main(int argc, char **argv)
{
    end_uncaught_with_one_line();
    int ended = take_command_line(&argc, &argv, options, "tourcheck", usage, help, OPTIONAL_DIR);
    if (ended >= 0)
        return ended;
    const char *dir = argc == 2 ? argv[1] : NULL;

    Tour tour{};
    if (dot) {
        tour_read(&tour, dir ? dir : ".");
        sort_diagnostics(&tour.problems, tour_file);
    } else {
        check_tour(&tour, dir ? dir : ".");
    }

    int status = exit_status(&tour);
    if (dot && tour.readable) {
        fputs(tour_dot(&tour).c_str(), stdout);
        status = 0;
    } else {
        // With --dot the problems of an unreadable tour go where the graph would not.
        FILE *out = dot ? stderr : stdout;
        for (const Diagnostic &problem : tour.problems)
            fprintf(out, "%s\n", diagnostic_line(problem).c_str());
        fprintf(out, "%s\n", summary_line(&tour).c_str());
    }
    tour_clear(&tour);
    return status;
}
