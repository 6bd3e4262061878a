// tourcheck [--dot] [DIR]: checks the tour in DIR (the current directory by
// default) and prints one line per problem, or the slide graph with --dot.
#include "tourcheck.h"

#include <stdio.h>
#include <string.h>

static const char usage[] = "usage: tourcheck [--dot] [DIR]\n";

int main(int argc, char **argv)
{
    bool dot = false;
    const char *dir = NULL;
    for (int i = 1; i < argc; i++) {
        if (strcmp(argv[i], "--dot") == 0 && !dot) {
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
