#include "graph.h"

#include <stdio.h>

#include <cmath>

#include <glib.h>

#include "writer.h"

static const int dir_x[] = {1, 0, -1, 0}, dir_y[] = {0, 1, 0, -1};

std::string slide_id(int point, Heading heading)
{
    char id[16];
    snprintf(id, sizeof id, "S%03d", point * 4 + heading + 1);
    return id;
}

// Walkable: open cells at the same floor level all the way.
static bool clear_path(const Scene &scene, double x, double y, double dx, double dy, double length)
{
    float floor = cell_at(scene, x, y).floor;
    for (double s = 0; s <= length; s += 0.05) {
        const Cell &cell = cell_at(scene, x + dx * s, y + dy * s);
        if (cell.solid || cell.floor != floor)
            return false;
    }
    return true;
}

// The nearest standing point straight ahead that can be walked to, or -1.
static int point_ahead(const Scene &scene, int from, Heading heading)
{
    const StandPoint &p = scene.points[from];
    int best = -1;
    double best_distance = 8.0;
    for (int i = 0; i < static_cast<int>(scene.points.size()); i++) {
        const StandPoint &q = scene.points[i];
        double ahead = (q.x - p.x) * dir_x[heading] + (q.y - p.y) * dir_y[heading];
        double aside = (q.x - p.x) * dir_y[heading] - (q.y - p.y) * dir_x[heading];
        if (i == from || q.level != p.level || ahead <= 0 || std::fabs(aside) > 0.01 ||
            ahead > best_distance)
            continue;
        if (clear_path(scene, p.x, p.y, dir_x[heading], dir_y[heading], ahead)) {
            best = i;
            best_distance = ahead;
        }
    }
    return best;
}

static double open_distance(const Scene &scene, int point, Heading heading)
{
    const StandPoint &p = scene.points[point];
    double s = 0;
    while (s < 20 && clear_path(scene, p.x, p.y, dir_x[heading], dir_y[heading], s + 0.05))
        s += 0.05;
    return s;
}

// The exit of `slide` held in Slide's `field`.
static std::string &exit_of(TourSlide &slide, char *Slide::*field)
{
    size_t kind = 0;
    while (exit_kinds[kind].field != field)
        kind++;
    return slide.exits[kind];
}

static Heading turned(Heading h, int quarters)
{
    return static_cast<Heading>((h + quarters + 4) % 4);
}

std::vector<TourSlide> build_graph(const Scene &scene)
{
    std::vector<TourSlide> slides;
    int count = static_cast<int>(scene.points.size());
    for (int p = 0; p < count; p++)
        for (int h = EAST; h <= SOUTH; h++) {
            Heading heading = static_cast<Heading>(h);
            TourSlide slide{slide_id(p, heading), p, heading, {}};
            int ahead = point_ahead(scene, p, heading);
            if (ahead >= 0)
                exit_of(slide, &Slide::forward) = slide_id(ahead, heading);
            bool on_stairs = false;
            for (const StairMove &m : scene.stairs)
                if (m.point == p && m.heading == heading) {
                    exit_of(slide, m.up ? &Slide::up : &Slide::down) =
                        slide_id(m.to_point, m.to_heading);
                    on_stairs = true;
                }
            // Facing the wall at the end of a corridor, both turns take you round.
            bool dead_end = ahead < 0 && !on_stairs && open_distance(scene, p, heading) < 1.5 &&
                            point_ahead(scene, p, turned(heading, 2)) >= 0;
            if (dead_end) {
                exit_of(slide, &Slide::left180) = slide_id(p, turned(heading, 2));
                exit_of(slide, &Slide::right180) = slide_id(p, turned(heading, 2));
            } else {
                exit_of(slide, &Slide::left) = slide_id(p, turned(heading, 1));
                exit_of(slide, &Slide::right) = slide_id(p, turned(heading, -1));
            }
            slides.push_back(slide);
        }
    return slides;
}

bool write_tour_file(const std::vector<TourSlide> &slides, const std::string &path)
{
    // Slide records that borrow the strings of `slides`.
    std::vector<Slide> records(slides.size());
    std::vector<const Slide *> table;
    for (size_t i = 0; i < slides.size(); i++) {
        records[i].id = const_cast<char *>(slides[i].id.c_str());
        for (size_t kind = 0; kind < exit_kinds.size(); kind++)
            if (!slides[i].exits[kind].empty())
                records[i].*exit_kinds[kind].field =
                    const_cast<char *>(slides[i].exits[kind].c_str());
        table.push_back(&records[i]);
    }
    GError *error = nullptr;
    if (tour_write_file(path.c_str(), table.data(), table.size(), &error))
        return true;
    fprintf(stderr, "make-demo-tour: %s\n", error->message);
    g_error_free(error);
    return false;
}
