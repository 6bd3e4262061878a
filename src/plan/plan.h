// The plan: standing points, the photographs taken there and the walks and
// stairs between them; and the problems each stage finds, by line.
#ifndef TOURMAKE_PLAN_H
#define TOURMAKE_PLAN_H

#include <string.h>

#include <array>
#include <string>
#include <vector>

#include "diagnostics.h"

// Clockwise from north, 45 degrees apart: N NE E SE S SW W NW.
constexpr int HEADINGS = 8;
constexpr const char *heading_names[HEADINGS] = {"N", "NE", "E", "SE", "S", "SW", "W", "NW"};
inline int opposite(int heading)
{
    return (heading + HEADINGS / 2) % HEADINGS;
}
// The heading called `name` ("N" to "NW"), or -1.
inline int heading_named(const char *name)
{
    for (int h = 0; name && h < HEADINGS; h++)
        if (strcmp(name, heading_names[h]) == 0)
            return h;
    return -1;
}
// The heading nearest to `degrees` clockwise from north; halfway, the one
// clockwise.
int nearest_heading(double degrees);
// A number as the plan and its messages write it, to a tenth: "93", "92.5".
std::string number_text(double value);

struct Point {
    std::string name;
    int floor;
    double x, y;
    int line;
    std::array<int, HEADINGS> photo; // index into Plan::photos, or -1
    int pano = -1;                   // index into Plan::panos, or -1
};

struct Photo {
    int point, heading;
    std::string file; // as the plan writes it
    std::string path; // found from the plan's directory
    int line;
    int width = 0, height = 0; // upright, once the header is read
    int pano = -1;             // the Plan::panos it is cut from, or -1
};

// A 360° photograph taken at a point: its photographs at the headings the
// point needs are cut from it, where no photo line gives them.
struct Pano {
    int point;
    std::string file, path;
    int line;
    bool north_given; // on its line
    double north;     // the heading of its centre column, in degrees, once known
};

struct Link {
    int from, heading, to;
    bool stairs, oneway;
    int line;
};

struct MapDrawing {
    int floor;
    std::string file, path;
    int line;
};

struct Plan {
    std::string title;
    bool fit = false; // photographs fitted inside black bars, not cropped
    std::vector<Point> points;
    std::vector<Photo> photos; // in plan order, a pano's by heading at its line
    std::vector<Pano> panos;
    std::vector<Link> links; // only those whose points and headings are sound
    std::vector<MapDrawing> maps;
    int start_photo = -1;
};

// One word of a plan's line: its text, and where it stands in the line
// (`end` past its closing quote when it is quoted).
struct PlanWord {
    std::string text;
    size_t begin, end;
};

// A plan's text as its lines, split at "\n" (none for "").
std::vector<std::string> plan_lines(const std::string &text);

// Splits one line into words, stopping at "#"; *comment is where the comment
// begins (the line's length when there is none). False on an unclosed quote.
bool plan_split_line(const std::string &line, std::vector<PlanWord> *words, size_t *comment);

// Why `name` cannot name a point ("" when it can), in the parser's words.
std::string plan_name_problem(const std::string &name);

// The direction the photograph at `path` recorded, in degrees clockwise from
// north, for "photo POINT auto FILE"; false with *reason when there is none.
using DirectionReader = bool (*)(const std::string &path, double *degrees, std::string *reason);

// Reads and checks the plan text; `dir` is where its file names are found.
// Without a reader, "auto" headings are errors.
void plan_parse(Plan *plan, Diagnostics *diagnostics, const std::string &text,
                const std::string &dir, DirectionReader read_direction = nullptr);

// The statement list of --help: each statement's words and what it says.
std::string plan_statements_help();

// "POINT facing HEADING", as messages name a photograph.
std::string heading_text(const Plan *plan, int point, int heading);

#endif
