// The plan's text: one statement a line, words separated by blanks, a word
// with blanks in double quotes, "#" to the end of the line a comment.
#include "plan.h"

#include <math.h>
#include <stdlib.h>

#include <algorithm>
#include <numeric>

#include <glib.h>

int nearest_heading(double degrees)
{
    double turns = fmod(degrees, 360) / (360.0 / HEADINGS);
    return (static_cast<int>(floor(turns + 0.5)) + HEADINGS) % HEADINGS;
}

std::string number_text(double value)
{
    char text[G_ASCII_DTOSTR_BUF_SIZE];
    g_ascii_formatd(text, sizeof text, "%.1f", value);
    std::string out = text;
    if (out.size() > 2 && out.compare(out.size() - 2, 2, ".0") == 0)
        out.resize(out.size() - 2);
    return out == "-0" ? "0" : out;
}

namespace
{

struct Statement {
    int line;
    std::vector<std::string> words;
};

// What every statement's checks share.
struct Parser {
    Plan *plan;
    Diagnostics *diagnostics;
    std::string dir;
    DirectionReader read_direction;
    int line;
    int title_line = 0, photos_line = 0, start_line = 0;

    void error(const std::string &message)
    {
        diagnose(diagnostics, line, ERROR, message);
    }
};

} // namespace

std::vector<std::string> plan_lines(const std::string &text)
{
    std::vector<std::string> lines;
    gchar **split = g_strsplit(text.c_str(), "\n", -1);
    for (int i = 0; split[i]; i++)
        lines.push_back(split[i]);
    g_strfreev(split);
    return lines;
}

bool plan_split_line(const std::string &text, std::vector<PlanWord> *words, size_t *comment)
{
    size_t i = 0;
    *comment = text.size();
    while (i < text.size()) {
        char c = text[i];
        if (c == ' ' || c == '\t' || c == '\r') {
            i++;
        } else if (c == '#') {
            *comment = i;
            break;
        } else if (c == '"') {
            size_t end = text.find('"', i + 1);
            if (end == std::string::npos)
                return false;
            words->push_back({text.substr(i + 1, end - i - 1), i, end + 1});
            i = end + 1;
        } else {
            size_t end = text.find_first_of(" \t\r#\"", i);
            if (end == std::string::npos)
                end = text.size();
            words->push_back({text.substr(i, end - i), i, end});
            i = end;
        }
    }
    return true;
}

// Splits one line into words; false on an unclosed quote.
static bool split_words(const std::string &text, std::vector<std::string> *words)
{
    std::vector<PlanWord> found;
    size_t comment;
    if (!plan_split_line(text, &found, &comment))
        return false;
    for (const PlanWord &word : found)
        words->push_back(word.text);
    return true;
}

static int heading_of(Parser *p, const std::string &word)
{
    int heading = heading_named(word.c_str());
    if (heading < 0)
        p->error("bad heading " + quoted(word) + ": one of N NE E SE S SW W NW");
    return heading;
}

static bool integer_of(Parser *p, const std::string &word, int *value)
{
    char *end = nullptr;
    long v = strtol(word.c_str(), &end, 10);
    if (word.empty() || *end || v < -1000 || v > 1000) {
        p->error("bad floor number " + quoted(word));
        return false;
    }
    *value = static_cast<int>(v);
    return true;
}

static bool number_of(Parser *p, const std::string &word, double *value)
{
    char *end = nullptr;
    double v = g_ascii_strtod(word.c_str(), &end);
    if (word.empty() || *end || !isfinite(v) || fabs(v) > 1e6) {
        p->error("bad coordinate " + quoted(word));
        return false;
    }
    *value = v;
    return true;
}

static int point_of(Parser *p, const std::string &name)
{
    for (size_t i = 0; i < p->plan->points.size(); i++)
        if (p->plan->points[i].name == name)
            return static_cast<int>(i);
    p->error("unknown point " + quoted(name));
    return -1;
}

// A name becomes part of slide ids and file names: nothing that would leave
// the slide directory or need quoting.
std::string plan_name_problem(const std::string &name)
{
    for (unsigned char c : name)
        if (c == '/' || c == '\\' || c <= ' ' || c == 0x7f)
            return "bad point name " + quoted(name) +
                   ": no \"/\", \"\\\", blanks or control characters";
    if (name.size() > 200)
        return "point name longer than 200 bytes";
    return "";
}

static bool good_name(Parser *p, const std::string &name)
{
    std::string problem = plan_name_problem(name);
    if (!problem.empty())
        p->error(problem);
    return problem.empty();
}

std::string heading_text(const Plan *plan, int point, int heading)
{
    return plan->points[point].name + " facing " + heading_names[heading];
}

static void read_point(Parser *p, const Statement &s)
{
    Point point{s.words[1], 0, 0, 0, s.line, {}};
    point.photo.fill(-1);
    bool ok = good_name(p, point.name);
    ok = integer_of(p, s.words[3], &point.floor) && ok;
    ok = number_of(p, s.words[5], &point.x) && ok;
    ok = number_of(p, s.words[6], &point.y) && ok;
    for (const Point &other : p->plan->points)
        if (other.name == point.name) {
            p->error("point " + quoted(point.name) + " is already defined at line " +
                     std::to_string(other.line));
            return;
        }
    if (ok)
        p->plan->points.push_back(point);
}

static std::string found_path(const Parser *p, const std::string &file)
{
    if (g_path_is_absolute(file.c_str()))
        return file;
    char *path = g_build_filename(p->dir.c_str(), file.c_str(), NULL);
    std::string found = path;
    g_free(path);
    return found;
}

// The heading nearest the direction the photograph recorded, said in a note.
static int recorded_heading(Parser *p, const std::string &file)
{
    double degrees = 0;
    std::string reason = "no direction can be read";
    if (!p->read_direction || !p->read_direction(found_path(p, file), &degrees, &reason)) {
        p->error(file + ": " + reason);
        return -1;
    }
    int heading = nearest_heading(degrees);
    diagnose(p->diagnostics, p->line, NOTE,
             file + ": facing " + heading_names[heading] + ", the heading nearest the " +
                 number_text(degrees) + "° it recorded");
    return heading;
}

static void read_photo(Parser *p, const Statement &s)
{
    int point = point_of(p, s.words[1]);
    int heading =
        s.words[2] == "auto" ? recorded_heading(p, s.words[3]) : heading_of(p, s.words[2]);
    if (point < 0 || heading < 0)
        return;
    Plan *plan = p->plan;
    int &slot = plan->points[point].photo[heading];
    if (slot >= 0) {
        p->error(heading_text(plan, point, heading) + " already has a photograph at line " +
                 std::to_string(plan->photos[slot].line));
        return;
    }
    slot = static_cast<int>(plan->photos.size());
    plan->photos.push_back({point, heading, s.words[3], found_path(p, s.words[3]), s.line});
}

static void read_link(Parser *p, const Statement &s, bool stairs)
{
    bool oneway = s.words.size() == 5;
    int from = point_of(p, s.words[1]), heading = heading_of(p, s.words[2]);
    int to = point_of(p, s.words[3]);
    if (from < 0 || heading < 0 || to < 0)
        return;
    Plan *plan = p->plan;
    if (from == to) {
        p->error(std::string(stairs ? "stairs lead" : "walk leads") + " from " +
                 quoted(plan->points[from].name) + " to itself");
        return;
    }
    if (plan->points[from].photo[heading] < 0 && plan->points[from].pano < 0) {
        p->error("no photograph of " + heading_text(plan, from, heading) + " to " +
                 (stairs ? "climb" : "walk") + " from");
        return;
    }
    plan->links.push_back({from, heading, to, stairs, oneway, s.line});
}

static void read_pano(Parser *p, const Statement &s)
{
    int point = point_of(p, s.words[1]);
    double north = 0;
    bool given = s.words.size() == 5;
    if (given) {
        char *end = nullptr;
        north = g_ascii_strtod(s.words[4].c_str(), &end);
        if (s.words[4].empty() || *end || !(fabs(north) <= 360)) {
            p->error("bad north " + quoted(s.words[4]) + ": degrees clockwise, -360 to 360");
            return;
        }
    }
    if (point < 0)
        return;
    Point &at = p->plan->points[point];
    if (at.pano >= 0) {
        p->error(at.name + " already has a 360° photograph at line " +
                 std::to_string(p->plan->panos[at.pano].line));
        return;
    }
    at.pano = static_cast<int>(p->plan->panos.size());
    p->plan->panos.push_back({point, s.words[2], found_path(p, s.words[2]), s.line, given, north});
}

// The photograph of `point` facing `heading` that its 360° photograph gives,
// unless a photo line gave one; -1 without either.
static int pano_photo(Plan *plan, int point, int heading)
{
    Point &at = plan->points[point];
    if (at.photo[heading] < 0 && at.pano >= 0) {
        const Pano &pano = plan->panos[at.pano];
        at.photo[heading] = static_cast<int>(plan->photos.size());
        plan->photos.push_back({point, heading, pano.file, pano.path, pano.line, 0, 0, at.pano});
    }
    return at.photo[heading];
}

// Each 360° photograph gives N, E, S and W, and every heading that a walk or
// stairs leaves from or arrives at.
static void add_pano_photos(Plan *plan)
{
    for (const Pano &pano : plan->panos)
        for (int h = 0; h < HEADINGS; h += 2)
            pano_photo(plan, pano.point, h);
    for (const Link &link : plan->links) {
        pano_photo(plan, link.from, link.heading);
        pano_photo(plan, link.to, link.heading);
        if (!link.oneway) {
            pano_photo(plan, link.from, opposite(link.heading));
            pano_photo(plan, link.to, opposite(link.heading));
        }
    }
}

// Photographs in plan order, a 360° photograph's by heading at its line.
static void order_photos(Plan *plan)
{
    std::vector<int> order(plan->photos.size()), place(plan->photos.size());
    std::iota(order.begin(), order.end(), 0);
    const std::vector<Photo> &photos = plan->photos;
    std::stable_sort(order.begin(), order.end(), [&photos](int a, int b) {
        return photos[a].line != photos[b].line ? photos[a].line < photos[b].line
                                                : photos[a].heading < photos[b].heading;
    });
    std::vector<Photo> sorted;
    for (size_t k = 0; k < order.size(); k++) {
        place[order[k]] = static_cast<int>(k);
        sorted.push_back(photos[order[k]]);
    }
    plan->photos = sorted;
    for (Point &point : plan->points)
        for (int &photo : point.photo)
            if (photo >= 0)
                photo = place[photo];
    if (plan->start_photo >= 0)
        plan->start_photo = place[plan->start_photo];
}

static void read_map(Parser *p, const Statement &s)
{
    int floor = 0;
    if (s.words.size() == 4 && !integer_of(p, s.words[3], &floor))
        return;
    for (const MapDrawing &other : p->plan->maps)
        if (other.floor == floor) {
            p->error("floor " + std::to_string(floor) + " already has a map at line " +
                     std::to_string(other.line));
            return;
        }
    p->plan->maps.push_back({floor, s.words[1], found_path(p, s.words[1]), s.line});
}

static bool once(Parser *p, int *seen, const char *what)
{
    if (*seen) {
        p->error(std::string(what) + " is already given at line " + std::to_string(*seen));
        return false;
    }
    *seen = p->line;
    return true;
}

static void read_walk(Parser *p, const Statement &s)
{
    read_link(p, s, false);
}

static void read_stairs(Parser *p, const Statement &s)
{
    read_link(p, s, true);
}

static void read_title(Parser *p, const Statement &s)
{
    if (once(p, &p->title_line, "title"))
        p->plan->title = s.words[1];
}

static void read_photos(Parser *p, const Statement &s)
{
    if (s.words[1] != "crop" && s.words[1] != "fit")
        p->error("expected \"photos crop\" or \"photos fit\"");
    else if (once(p, &p->photos_line, "photos"))
        p->plan->fit = s.words[1] == "fit";
}

static void read_start(Parser *p, const Statement &s)
{
    if (!once(p, &p->start_line, "start"))
        return;
    int point = point_of(p, s.words[1]), heading = heading_of(p, s.words[2]);
    if (point < 0 || heading < 0)
        return;
    int photo = pano_photo(p->plan, point, heading);
    if (photo < 0)
        p->error("no photograph of " + heading_text(p->plan, point, heading) + " to start from");
    else
        p->plan->start_photo = photo;
}

namespace
{

// Points first, so that any statement may name a point below it, then the
// 360° photographs that walks may leave from; the start last, as it names a
// photograph.
enum Pass { PASS_POINTS, PASS_PANOS, PASS_MOST, PASS_START, PASSES };

// One statement: its verb and words as errors and --help write them ("[...]"
// optional, "a|b" one of these), the pass that reads it and what it says.
struct Rule {
    const char *verb, *words;
    Pass pass;
    void (*read)(Parser *, const Statement &);
    const char *help; // a line per "\n"
};

} // namespace

// In --help's order.
static const Rule grammar[] = {
    {"title", "TEXT", PASS_MOST, read_title, "drawn on the map"},
    {"point", "NAME floor F at X Y", PASS_POINTS, read_point,
     "a standing point; floor 0 is the ground floor;\n"
     "X Y its place (pixels of the floor's map drawing)"},
    {"photo", "POINT HEADING FILE", PASS_MOST, read_photo,
     "the JPEG or PNG taken at POINT facing HEADING;\n"
     "HEADING auto: the nearest to the direction that\n"
     "the photograph recorded (GPSImgDirection)"},
    {"pano", "POINT FILE [north DEGREES]", PASS_PANOS, read_pano,
     "a 360° photograph taken at POINT, twice as wide\n"
     "as high (equirectangular), its centre facing\n"
     "DEGREES clockwise from north (default: as it\n"
     "recorded, else north); the point's photographs\n"
     "are cut from it where no photo line gives them"},
    {"walk", "A HEADING B [oneway]", PASS_MOST, read_walk,
     "forward from A leads to B, and back unless oneway"},
    {"stairs", "A HEADING B", PASS_MOST, read_stairs,
     "up from A leads to B; down from B (facing the\n"
     "opposite heading) leads back to A"},
    {"map", "FILE [floor F]", PASS_MOST, read_map, "a drawing of the floor to mark the points on"},
    {"photos", "crop|fit", PASS_MOST, read_photos,
     "cover 800 by 533 and crop (the default), or fit\n"
     "whole inside black bars"},
    {"start", "POINT HEADING", PASS_START, read_start,
     "the first slide (default: the first photo or\n"
     "pano line)"},
};

static std::string form_of(const Rule &rule)
{
    return std::string(rule.verb) + " " + rule.words;
}

// Whether the statement has the rule's words: every word outside brackets,
// each bracketed group whole or not at all, and its fixed words as written.
// Alternatives ("a|b") are left to the reader.
static bool matches(const Rule &rule, const Statement &s)
{
    gchar **words = g_strsplit(rule.words, " ", -1);
    bool ok = true;
    size_t at = 1;
    for (int i = 0; ok && words[i]; i++, at++) {
        std::string word = words[i];
        if (word[0] == '[') {
            // A group that the statement ends before is left out.
            if (at == s.words.size())
                break;
            word = word.substr(1);
        }
        if (word.back() == ']')
            word.pop_back();
        if (at == s.words.size())
            ok = false;
        else if (g_ascii_islower(word[0]) && word.find('|') == std::string::npos)
            ok = s.words[at] == word;
    }
    g_strfreev(words);
    return ok && at == s.words.size();
}

static const Rule *rule_for(const std::string &verb)
{
    for (const Rule &rule : grammar)
        if (verb == rule.verb)
            return &rule;
    return nullptr;
}

std::string plan_statements_help()
{
    std::string text;
    for (const Rule &rule : grammar) {
        gchar **lines = g_strsplit(rule.help, "\n", -1);
        // A form too wide for its column stands on a line of its own.
        if (form_of(rule).size() > 27)
            text += "  " + form_of(rule) + "\n";
        for (int i = 0; lines[i]; i++) {
            std::string lead = i || form_of(rule).size() > 27 ? "" : form_of(rule);
            char *line = g_strdup_printf("  %-29s%s\n", lead.c_str(), lines[i]);
            text += line;
            g_free(line);
        }
        g_strfreev(lines);
    }
    return text;
}

void plan_parse(Plan *plan, Diagnostics *diagnostics, const std::string &text,
                const std::string &dir, DirectionReader read_direction)
{
    Parser parser{plan, diagnostics, dir, read_direction, 0};
    std::vector<Statement> statements;
    gchar **lines = g_strsplit(text.c_str(), "\n", -1);
    for (int i = 0; lines[i]; i++) {
        parser.line = i + 1;
        Statement s{i + 1, {}};
        if (!g_utf8_validate(lines[i], -1, nullptr))
            parser.error("not UTF-8 text");
        else if (!split_words(lines[i], &s.words))
            parser.error("unclosed double quote");
        else if (!s.words.empty())
            statements.push_back(s);
    }
    g_strfreev(lines);

    for (int pass = 0; pass < PASSES; pass++) {
        if (pass == PASS_START)
            add_pano_photos(plan);
        for (const Statement &s : statements) {
            parser.line = s.line;
            const Rule *rule = rule_for(s.words[0]);
            if (!rule) {
                if (pass == PASS_MOST)
                    parser.error("unknown statement " + quoted(s.words[0]));
            } else if (rule->pass != pass) {
                continue;
            } else if (!matches(*rule, s)) {
                parser.error("expected " + quoted(form_of(*rule)));
            } else {
                rule->read(&parser, s);
            }
        }
    }
    order_photos(plan);

    for (const Point &point : plan->points)
        if (std::all_of(point.photo.begin(), point.photo.end(), [](int i) { return i < 0; }))
            diagnose(diagnostics, point.line, ERROR,
                     "point " + quoted(point.name) + " has no photograph");
    if (plan->photos.empty() && plan->points.empty())
        diagnose(diagnostics, 0, ERROR, "the plan has no point and no photograph");
    if (plan->start_photo < 0 && !parser.start_line && !plan->photos.empty())
        plan->start_photo = 0;
}
