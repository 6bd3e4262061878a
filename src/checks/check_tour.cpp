// The checks in their order.
#include "checks.h"

void check_tour(Tour *tour, const char *dir)
{
    tour_read(tour, dir);
    if (tour->readable) {
        check_graph(tour);
        check_images(tour);
        check_places(tour);
    }
    sort_diagnostics(&tour->problems, tour_file);
}
