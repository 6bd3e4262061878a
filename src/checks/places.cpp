// The places file that tourmake writes beside data.xml for the page's map.
#include "checks.h"

static void places_problem(Tour *tour, const std::string &problem)
{
    diagnose(&tour->problems, places_file, 0, WARNING,
             problem + "; the page's map does without the file");
}

// The first id of `places` that names no slide of the tour, or "".
static std::string unknown_id(const Tour *tour, const TourPlaces &places)
{
    for (const PlacedPoint &point : places.points)
        for (const std::string &id : point.slides)
            if (!id.empty() && (id == map_id || !g_hash_table_contains(tour->table, id.c_str())))
                return id;
    return "";
}

void check_places(Tour *tour)
{
    tour->placed = false;
    char *path = g_build_filename(tour->dir.c_str(), places_file, NULL);
    char *text = NULL;
    gsize length = 0;
    GError *error = NULL;
    if (!g_file_test(path, G_FILE_TEST_EXISTS)) {
        // A tour made by hand has none: the page's map is the picture alone.
    } else if (!read_whole_file(path, &text, &length, &error)) {
        places_problem(tour, std::string("cannot be read: ") + error->message);
        g_error_free(error);
    } else {
        std::string problem;
        TourPlaces places;
        if (!places_from_xml(text, length, &places, &problem))
            places_problem(tour, problem);
        else if (!(problem = unknown_id(tour, places)).empty())
            places_problem(tour, "slide " + quoted(problem) + " is not in the tour");
        else {
            tour->places = places;
            tour->placed = true;
        }
    }
    g_free(text);
    g_free(path);
}
