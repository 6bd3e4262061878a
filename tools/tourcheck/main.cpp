// tourcheck [--dot] [DIR]: checks the tour in DIR (the current directory by
// default) and prints one line per problem, or the slide graph with --dot.
#include "tourcheck.h"
#include "version.h"

#include <stdio.h>
#include <string.h>

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

int main(int argc, char **argv)
{
    end_uncaught_with_one_line("tourcheck");
    bool dot = false;
    const char *dir = NULL;
    for (int i = 1; i < argc; i++) {
        if (strcmp(argv[i], "--help") == 0) {
            fputs(help, stdout);
            return 0;
        } else if (strcmp(argv[i], "--version") == 0) {
            printf("tourcheck %s\n", TOURVIEW_VERSION);
            return 0;
        } else if (strcmp(argv[i], "--dot") == 0 && !dot) {
            dot = true;
        } else if (argv[i][0] != '-' && !dir) {
            dir = argv[i];
        } else {
            fputs(usage, stderr);
            return 2;
        }
    }

    Tour tour{};
    tour_read(&tour, dir ? dir : ".");
    if (tour.readable && !dot) {
        check_graph(&tour);
        check_images(&tour);
    }
    sort_problems(&tour);

    int status = exit_status(&tour);
    if (dot && tour.readable) {
        fputs(tour_dot(&tour).c_str(), stdout);
        status = 0;
    } else {
        // With --dot the problems of an unreadable tour go where the graph would not.
        FILE *out = dot ? stderr : stdout;
        for (const Problem &problem : tour.problems)
            fprintf(out, "%s\n", problem_line(problem).c_str());
        fprintf(out, "%s\n", summary_line(&tour).c_str());
    }
    tour_clear(&tour);
    return status;
}
