#include "check.h"

#include <stdio.h>

#include "checks.h"

int check_written_tour(const std::string &dir)
{
    Tour tour{};
    tour_read(&tour, dir.c_str());
    if (tour.readable) {
        check_graph(&tour);
        check_images(&tour);
    }
    sort_problems(&tour);
    int errors = 0;
    for (const Problem &problem : tour.problems) {
        fprintf(stderr, "tourmake: check: %s\n", problem_line(problem).c_str());
        errors += problem.level == LEVEL_ERROR;
    }
    if (!tour.readable && tour.problems.empty())
        errors++;
    tour_clear(&tour);
    return errors;
}
