#include "walks.h"

#include <cmath>

#include "drawing.h"

static const int dir_x[] = {1, 0, -1, 0}, dir_y[] = {0, 1, 0, -1};

std::string photo_file(const Scene &scene, int point, Heading heading)
{
    return std::string(scene.points[point].name) + "-" + heading_name(heading) + ".png";
}

std::string pano_file(const Scene &scene, int point)
{
    return std::string(scene.points[point].name) + "-360.jpg";
}

std::string drawing_file(int level)
{
    return "floor-" + std::to_string(level) + ".png";
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

static Heading opposite(Heading h)
{
    return static_cast<Heading>((h + 2) % 4);
}

std::string plan_text(const Scene &scene)
{
    std::string text = "# The demo house, rendered by make-demo-tour.\n"
                       "title \"The demo house\"\n";
    for (int level = 0; level < floor_count(scene); level++)
        text += "map " + drawing_file(level) + " floor " + std::to_string(level) + "\n";
    int count = static_cast<int>(scene.points.size());
    for (int p = 0; p < count; p++) {
        const StandPoint &point = scene.points[p];
        DrawingFrame frame = drawing_frame(scene, point.level);
        text += std::string("\npoint ") + point.name + " floor " + std::to_string(point.level) +
                " at " + std::to_string(std::lround((point.x - frame.west) * DRAWING_SCALE)) + " " +
                std::to_string(std::lround((frame.north - point.y) * DRAWING_SCALE)) + "\n";
        if (point.pano) {
            text += std::string("pano ") + point.name + " " + pano_file(scene, p) + " north " +
                    std::to_string(std::lround(PANO_CENTRE)) + "\n";
            continue;
        }
        for (int h = EAST; h <= SOUTH; h++)
            if (point.views & view_of(static_cast<Heading>(h)))
                text += std::string("photo ") + point.name + " " +
                        heading_name(static_cast<Heading>(h)) + " " +
                        photo_file(scene, p, static_cast<Heading>(h)) + "\n";
    }
    // Each walk once, from the point listed first; one that cannot be walked
    // back is one way.
    text += "\n";
    for (int p = 0; p < count; p++)
        for (int h = EAST; h <= SOUTH; h++) {
            Heading heading = static_cast<Heading>(h);
            int q = point_ahead(scene, p, heading);
            if (q < 0)
                continue;
            bool back = point_ahead(scene, q, opposite(heading)) == p;
            if (back && q < p)
                continue;
            text += std::string("walk ") + scene.points[p].name + " " + heading_name(heading) +
                    " " + scene.points[q].name + (back ? "" : " oneway") + "\n";
        }
    for (const StairMove &m : scene.stairs)
        if (m.up)
            text += std::string("stairs ") + scene.points[m.point].name + " " +
                    heading_name(m.heading) + " " + scene.points[m.to_point].name + "\n";
    text += std::string("start ") + scene.points[0].name + " " + heading_name(EAST) + "\n";
    return text;
}
