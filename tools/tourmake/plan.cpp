// The plan's text: one statement a line, words separated by blanks, a word
// with blanks in double quotes, "#" to the end of the line a comment.
#include "plan.h"

#include <math.h>
#include <stdio.h>
#include <stdlib.h>

#include <algorithm>

#include <glib.h>

void plan_add(Plan *plan, int line, Severity severity, const std::string &message)
{
    plan->diagnostics.push_back({line, severity, message});
}

bool plan_has_errors(const Plan *plan)
{
    return std::any_of(plan->diagnostics.begin(), plan->diagnostics.end(),
                       [](const Diagnostic &d) { return d.severity == ERROR; });
}

void plan_report(const Plan *plan, const std::string &plan_name)
{
    std::vector<Diagnostic> sorted = plan->diagnostics;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const Diagnostic &a, const Diagnostic &b) { return a.line < b.line; });
    for (const Diagnostic &d : sorted) {
        const char *level = d.severity == ERROR ? "error" : "warning";
        if (d.line > 0)
            fprintf(stderr, "%s:%d: %s: %s\n", plan_name.c_str(), d.line, level, d.message.c_str());
        else
            fprintf(stderr, "%s: %s: %s\n", plan_name.c_str(), level, d.message.c_str());
    }
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
    std::string dir;
    int line;
    int title_line = 0, photos_line = 0, start_line = 0;

    void error(const std::string &message)
    {
        plan_add(plan, line, ERROR, message);
    }
};

} // namespace

static std::string quote(const std::string &word)
{
    return "\"" + word + "\"";
}

// Splits one line into words; false (with an error) on an unclosed quote.
static bool split_words(const std::string &text, std::vector<std::string> *words)
{
    size_t i = 0;
    while (i < text.size()) {
        char c = text[i];
        if (c == ' ' || c == '\t' || c == '\r') {
            i++;
        } else if (c == '#') {
            break;
        } else if (c == '"') {
            size_t end = text.find('"', i + 1);
            if (end == std::string::npos)
                return false;
            words->push_back(text.substr(i + 1, end - i - 1));
            i = end + 1;
        } else {
            size_t end = text.find_first_of(" \t\r#\"", i);
            if (end == std::string::npos)
                end = text.size();
            words->push_back(text.substr(i, end - i));
            i = end;
        }
    }
    return true;
}

static int heading_of(Parser *p, const std::string &word)
{
    for (int h = 0; h < HEADINGS; h++)
        if (word == heading_names[h])
            return h;
    p->error("bad heading " + quote(word) + ": one of N NE E SE S SW W NW");
    return -1;
}

static bool integer_of(Parser *p, const std::string &word, int *value)
{
    char *end = nullptr;
    long v = strtol(word.c_str(), &end, 10);
    if (word.empty() || *end || v < -1000 || v > 1000) {
        p->error("bad floor number " + quote(word));
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
        p->error("bad coordinate " + quote(word));
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
    p->error("unknown point " + quote(name));
    return -1;
}

// A name becomes part of slide ids and file names: nothing that would leave
// the slide directory or need quoting.
static bool good_name(Parser *p, const std::string &name)
{
    for (unsigned char c : name)
        if (c == '/' || c == '\\' || c <= ' ' || c == 0x7f) {
            p->error("bad point name " + quote(name) +
                     ": no \"/\", \"\\\", blanks or control characters");
            return false;
        }
    if (name.size() > 200) {
        p->error("point name longer than 200 bytes");
        return false;
    }
    return true;
}

static bool arity(Parser *p, const Statement &s, size_t least, size_t most, const char *form)
{
    if (s.words.size() >= least && s.words.size() <= most)
        return true;
    p->error(std::string("expected \"") + form + "\"");
    return false;
}

std::string heading_text(const Plan *plan, int point, int heading)
{
    return plan->points[point].name + " facing " + heading_names[heading];
}

static void read_point(Parser *p, const Statement &s)
{
    const char *form = "point NAME floor F at X Y";
    if (!arity(p, s, 7, 7, form))
        return;
    if (s.words[2] != "floor" || s.words[4] != "at") {
        p->error(std::string("expected \"") + form + "\"");
        return;
    }
    Point point{s.words[1], 0, 0, 0, s.line, {}};
    point.photo.fill(-1);
    bool ok = good_name(p, point.name);
    ok = integer_of(p, s.words[3], &point.floor) && ok;
    ok = number_of(p, s.words[5], &point.x) && ok;
    ok = number_of(p, s.words[6], &point.y) && ok;
    for (const Point &other : p->plan->points)
        if (other.name == point.name) {
            p->error("point " + quote(point.name) + " is already defined at line " +
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

static void read_photo(Parser *p, const Statement &s)
{
    if (!arity(p, s, 4, 4, "photo POINT HEADING FILE"))
        return;
    int point = point_of(p, s.words[1]), heading = heading_of(p, s.words[2]);
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
    const char *form = stairs ? "stairs A HEADING B" : "walk A HEADING B [oneway]";
    if (!arity(p, s, 4, stairs ? 4 : 5, form))
        return;
    bool oneway = s.words.size() == 5;
    if (oneway && s.words[4] != "oneway") {
        p->error(std::string("expected \"") + form + "\"");
        return;
    }
    int from = point_of(p, s.words[1]), heading = heading_of(p, s.words[2]);
    int to = point_of(p, s.words[3]);
    if (from < 0 || heading < 0 || to < 0)
        return;
    Plan *plan = p->plan;
    if (from == to) {
        p->error(std::string(stairs ? "stairs lead" : "walk leads") + " from " +
                 quote(plan->points[from].name) + " to itself");
        return;
    }
    if (plan->points[from].photo[heading] < 0) {
        p->error("no photograph of " + heading_text(plan, from, heading) + " to " +
                 (stairs ? "climb" : "walk") + " from");
        return;
    }
    plan->links.push_back({from, heading, to, stairs, oneway, s.line});
}

static void read_map(Parser *p, const Statement &s)
{
    const char *form = "map FILE [floor F]";
    if (!arity(p, s, 2, 4, form))
        return;
    int floor = 0;
    if (s.words.size() == 3 || (s.words.size() == 4 && s.words[2] != "floor")) {
        p->error(std::string("expected \"") + form + "\"");
        return;
    }
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

static void read_statement(Parser *p, const Statement &s)
{
    const std::string &verb = s.words[0];
    if (verb == "point") {
        // read in the first pass
    } else if (verb == "photo") {
        read_photo(p, s);
    } else if (verb == "walk" || verb == "stairs") {
        read_link(p, s, verb == "stairs");
    } else if (verb == "map") {
        read_map(p, s);
    } else if (verb == "title") {
        if (arity(p, s, 2, 2, "title TEXT") && once(p, &p->title_line, "title"))
            p->plan->title = s.words[1];
    } else if (verb == "photos") {
        if (!arity(p, s, 2, 2, "photos crop|fit"))
            return;
        if (s.words[1] != "crop" && s.words[1] != "fit")
            p->error("expected \"photos crop\" or \"photos fit\"");
        else if (once(p, &p->photos_line, "photos"))
            p->plan->fit = s.words[1] == "fit";
    } else if (verb != "start") {
        p->error("unknown statement " + quote(verb));
    }
}

// The start is read last: it names a photograph, wherever that stands.
static void read_start(Parser *p, const Statement &s)
{
    if (!arity(p, s, 3, 3, "start POINT HEADING") || !once(p, &p->start_line, "start"))
        return;
    int point = point_of(p, s.words[1]), heading = heading_of(p, s.words[2]);
    if (point < 0 || heading < 0)
        return;
    int photo = p->plan->points[point].photo[heading];
    if (photo < 0)
        p->error("no photograph of " + heading_text(p->plan, point, heading) + " to start from");
    else
        p->plan->start_photo = photo;
}

void plan_parse(Plan *plan, const std::string &text, const std::string &dir)
{
    Parser parser{plan, dir, 0};
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

    // Points first, so that a statement may name a point defined below it.
    for (const Statement &s : statements)
        if (s.words[0] == "point") {
            parser.line = s.line;
            read_point(&parser, s);
        }
    for (const Statement &s : statements) {
        parser.line = s.line;
        read_statement(&parser, s);
    }
    for (const Statement &s : statements)
        if (s.words[0] == "start") {
            parser.line = s.line;
            read_start(&parser, s);
        }

    for (const Point &point : plan->points)
        if (std::all_of(point.photo.begin(), point.photo.end(), [](int i) { return i < 0; }))
            plan_add(plan, point.line, ERROR, "point " + quote(point.name) + " has no photograph");
    if (plan->photos.empty() && plan->points.empty())
        plan_add(plan, 0, ERROR, "the plan has no point and no photograph");
    if (plan->start_photo < 0 && !parser.start_line && !plan->photos.empty())
        plan->start_photo = 0;
}
