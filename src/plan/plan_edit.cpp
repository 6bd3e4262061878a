// The plan's text as lines; each edit finds the statements it concerns with
// the parser's own word splitting and rewrites, adds or removes only those.
#include "plan_edit.h"

#include <math.h>
#include <stdlib.h>

#include <algorithm>

#include <glib.h>

namespace
{

struct Statement {
    size_t line; // index into Text::lines
    std::vector<PlanWord> words;
};

// The plan split at "\n" as the parser splits it: joined again with "\n" it
// is the same bytes.
struct Text {
    std::vector<std::string> lines;
    std::string added_end; // "\r" when the plan's lines end with "\r\n"

    std::vector<Statement> statements() const
    {
        std::vector<Statement> found;
        for (size_t i = 0; i < lines.size(); i++) {
            Statement s{i, {}};
            size_t comment;
            if (plan_split_line(lines[i], &s.words, &comment) && !s.words.empty())
                found.push_back(s);
        }
        return found;
    }
};

// A link statement as the parser reads it: "walk A H B [oneway]" or
// "stairs A H B".
struct LinkStatement {
    Statement statement;
    bool stairs, oneway;
    std::string from, to;
    int heading;
};

struct Editor {
    Text text;
    PlanEditRefusal *refusal;

    bool refuse(const std::string &message, const std::string &field)
    {
        refusal->message = message;
        refusal->field = field;
        return false;
    }
};

} // namespace

// The plan's own quoting: no escapes, a word cannot hold a double quote.
static std::string in_quotes(const std::string &word)
{
    return "\"" + word + "\"";
}

std::string plan_word(const std::string &word)
{
    bool plain = !word.empty() && word.find_first_of(" \t\r#") == std::string::npos;
    return plain ? word : in_quotes(word);
}

std::string plan_number(double value)
{
    if (value == floor(value) && fabs(value) < 1e15) {
        char *text = g_strdup_printf("%.0f", value == 0 ? 0.0 : value);
        std::string whole = text;
        g_free(text);
        return whole;
    }
    char buffer[G_ASCII_DTOSTR_BUF_SIZE];
    return g_ascii_dtostr(buffer, sizeof buffer, value);
}

static const std::string &word(const Statement &s, size_t i)
{
    return s.words[i].text;
}

static bool is(const Statement &s, const char *verb, size_t count)
{
    return s.words.size() == count && word(s, 0) == verb;
}

static bool is_point(const Statement &s)
{
    return is(s, "point", 7) && word(s, 2) == "floor" && word(s, 4) == "at";
}

static bool link_of(const Statement &s, LinkStatement *link)
{
    bool walk = is(s, "walk", 4) || (is(s, "walk", 5) && word(s, 4) == "oneway");
    if (!walk && !is(s, "stairs", 4))
        return false;
    *link = {s,          !walk,      s.words.size() == 5,
             word(s, 1), word(s, 3), heading_named(word(s, 2).c_str())};
    return link->heading >= 0;
}

static std::vector<LinkStatement> links_of(const Text &text)
{
    std::vector<LinkStatement> links;
    LinkStatement link;
    for (const Statement &s : text.statements())
        if (link_of(s, &link))
            links.push_back(link);
    return links;
}

// The point statement named `name`; false when there is none.
static bool find_point(const Text &text, const std::string &name, Statement *point)
{
    for (const Statement &s : text.statements())
        if (is_point(s) && word(s, 1) == name) {
            *point = s;
            return true;
        }
    return false;
}

// The statement on `line`, as the text now has it.
static Statement statement_at(const Text &text, size_t line)
{
    for (const Statement &s : text.statements())
        if (s.line == line)
            return s;
    return {line, {}};
}

static int floor_of(const Statement &point)
{
    return static_cast<int>(strtol(word(point, 3).c_str(), nullptr, 10));
}

// Blanks of a gap that is more than one space, made `shift` shorter (at least
// one), so that what follows stays in its column; other gaps as they are.
static std::string absorbed(const std::string &gap, long *shift)
{
    if (gap.size() < 2 || gap.find_first_not_of(' ') != std::string::npos)
        return gap;
    long keep = std::max<long>(1, static_cast<long>(gap.size()) - *shift);
    *shift -= static_cast<long>(gap.size()) - keep;
    return std::string(keep, ' ');
}

// The line with `words` in place of the statement's: a word that stays keeps
// its spelling, and a changed length is taken from the blanks after it where
// there are more than one, so that columns and the comment stay aligned.
static std::string rewritten(const std::string &line, const std::vector<PlanWord> &old,
                             const std::vector<std::string> &words)
{
    std::string out = line.substr(0, old[0].begin);
    long shift = 0; // how much longer the line has grown so far
    for (size_t i = 0; i < words.size(); i++) {
        bool kept = i < old.size();
        if (i > 0 && kept) {
            out += absorbed(line.substr(old[i - 1].end, old[i].begin - old[i - 1].end), &shift);
        } else if (i > 0) {
            out += " ";
            shift++;
        }
        std::string spelled = kept && old[i].text == words[i]
                                  ? line.substr(old[i].begin, old[i].end - old[i].begin)
                                  : plan_word(words[i]);
        shift += static_cast<long>(spelled.size()) -
                 (kept ? static_cast<long>(old[i].end - old[i].begin) : 0);
        out += spelled;
    }
    // Words dropped from the end take their room with them.
    if (words.size() < old.size())
        shift -= static_cast<long>(old.back().end - old[words.size() - 1].end);
    // The rest after the old last word: blanks, the comment, a "\r".
    std::string rest = line.substr(old.back().end);
    size_t hash = rest.find('#');
    if (hash != std::string::npos && rest.find_first_not_of(' ') == hash)
        rest = absorbed(rest.substr(0, hash), &shift) + rest.substr(hash);
    return out + rest;
}

static std::vector<std::string> texts_of(const Statement &s)
{
    std::vector<std::string> words;
    for (const PlanWord &w : s.words)
        words.push_back(w.text);
    return words;
}

static void rewrite(Text *text, const Statement &s, const std::vector<std::string> &words)
{
    text->lines[s.line] = rewritten(text->lines[s.line], s.words, words);
}

static void set_word(Text *text, const Statement &s, size_t i, const std::string &value)
{
    std::vector<std::string> words = texts_of(s);
    words[i] = value;
    rewrite(text, s, words);
}

// Where a line goes when nothing says otherwise: before the empty piece after
// the plan's last newline.
static size_t end_of(const Text &text)
{
    size_t n = text.lines.size();
    return n > 0 && text.lines[n - 1].empty() ? n - 1 : n;
}

static void insert(Text *text, size_t at, const std::vector<std::string> &words)
{
    std::string line;
    for (const std::string &w : words)
        line += (line.empty() ? "" : " ") + plan_word(w);
    text->lines.insert(text->lines.begin() + static_cast<long>(at), line + text->added_end);
}

static void remove_lines(Text *text, std::vector<size_t> lines)
{
    std::sort(lines.rbegin(), lines.rend());
    lines.erase(std::unique(lines.begin(), lines.end()), lines.end());
    for (size_t line : lines)
        text->lines.erase(text->lines.begin() + static_cast<long>(line));
}

static bool is_pano(const Statement &s)
{
    return is(s, "pano", 3) || (is(s, "pano", 5) && word(s, 3) == "north");
}

// A point's lines: a new point goes after the last point's photographs.
static bool is_point_or_photo(const Statement &s)
{
    return is_point(s) || is(s, "photo", 4) || is_pano(s);
}

static bool is_head(const Statement &s)
{
    for (const char *verb : {"title", "photos", "start", "map"})
        if (word(s, 0) == verb)
            return true;
    return false;
}

// A new title, photos, start or map line: after the last of those above the
// first point, else before the first statement, else at the end.
static size_t head_place(const Text &text)
{
    std::vector<Statement> statements = text.statements();
    size_t place = std::string::npos;
    for (const Statement &s : statements) {
        if (word(s, 0) == "point")
            break;
        if (is_head(s))
            place = s.line + 1;
    }
    if (place != std::string::npos)
        return place;
    return statements.empty() ? end_of(text) : statements[0].line;
}

static size_t after_last(const Text &text, bool (*wanted)(const Statement &), size_t otherwise)
{
    size_t place = otherwise;
    for (const Statement &s : text.statements())
        if (wanted(s))
            place = s.line + 1;
    return place;
}

// The value of a title or a file name: one line, no double quote.
static bool writable(Editor *e, const std::string &value, const std::string &field)
{
    if (value.find_first_of("\"\n\r") != std::string::npos)
        return e->refuse(
            "a plan cannot hold " + quoted(value) + ": no double quotes or line breaks", field);
    return true;
}

static bool known_point(Editor *e, const std::string &name, const std::string &field,
                        Statement *point)
{
    return find_point(e->text, name, point) ? true
                                            : e->refuse("unknown point " + quoted(name), field);
}

static bool good_new_name(Editor *e, const std::string &name, const std::string &field)
{
    if (name.empty())
        return e->refuse("a point needs a name", field);
    std::string problem = plan_name_problem(name);
    if (!problem.empty())
        return e->refuse(problem, field);
    if (name.find_first_of("#\"") != std::string::npos)
        return e->refuse("bad point name " + quoted(name) + ": no \"#\" or double quotes", field);
    Statement taken;
    if (find_point(e->text, name, &taken))
        return e->refuse("point " + quoted(name) + " is already defined at line " +
                             std::to_string(taken.line + 1),
                         field);
    return true;
}

static bool good_heading(Editor *e, int heading)
{
    return heading >= 0 && heading < HEADINGS
               ? true
               : e->refuse("bad heading: one of N NE E SE S SW W NW", "heading");
}

static bool good_place(Editor *e, double x, double y)
{
    if (!isfinite(x) || fabs(x) > 1e6)
        return e->refuse("bad coordinate " + plan_number(x), "x");
    if (!isfinite(y) || fabs(y) > 1e6)
        return e->refuse("bad coordinate " + plan_number(y), "y");
    return true;
}

static bool good_floor(Editor *e, int floor)
{
    return floor >= -1000 && floor <= 1000
               ? true
               : e->refuse("bad floor number " + std::to_string(floor), "floor");
}

// The first statement of `verb` with `count` words, or null.
static bool first_of(const std::vector<Statement> &statements, const char *verb, size_t count,
                     Statement *found = nullptr)
{
    for (const Statement &s : statements)
        if (is(s, verb, count)) {
            if (found)
                *found = s;
            return true;
        }
    return false;
}

// Sets, adds or (with empty `words`) removes the one statement of `verb`.
static void set_single(Text *text, const char *verb, size_t count,
                       const std::vector<std::string> &words)
{
    std::vector<Statement> statements = text->statements();
    Statement found;
    bool exists = first_of(statements, verb, count, &found);
    if (words.empty()) {
        std::vector<size_t> lines;
        for (const Statement &s : statements)
            if (is(s, verb, count))
                lines.push_back(s.line);
        remove_lines(text, lines);
    } else if (exists) {
        rewrite(text, found, words);
    } else {
        insert(text, head_place(*text), words);
    }
}

static bool edit_title(Editor *e, const PlanEdit &edit)
{
    if (!writable(e, edit.value, "value"))
        return false;
    set_single(&e->text, "title", 2,
               edit.value.empty() ? std::vector<std::string>{}
                                  : std::vector<std::string>{"title", edit.value});
    return true;
}

static bool edit_framing(Editor *e, const PlanEdit &edit)
{
    // Cropping is the default: no line needs adding for it.
    if (edit.fit || first_of(e->text.statements(), "photos", 2))
        set_single(&e->text, "photos", 2, {"photos", edit.fit ? "fit" : "crop"});
    return true;
}

static bool edit_start(Editor *e, const PlanEdit &edit)
{
    if (edit.point.empty()) {
        set_single(&e->text, "start", 3, {});
        return true;
    }
    Statement point;
    if (!known_point(e, edit.point, "point", &point) || !good_heading(e, edit.heading))
        return false;
    set_single(&e->text, "start", 3, {"start", edit.point, heading_names[edit.heading]});
    return true;
}

static bool edit_add_point(Editor *e, const PlanEdit &edit)
{
    if (!good_new_name(e, edit.point, "name") || !good_floor(e, edit.floor) ||
        !good_place(e, edit.x, edit.y))
        return false;
    size_t place = after_last(e->text, is_point_or_photo, std::string::npos);
    if (place == std::string::npos)
        place = after_last(e->text, is_head, end_of(e->text));
    insert(&e->text, place,
           {"point", edit.point, "floor", std::to_string(edit.floor), "at", plan_number(edit.x),
            plan_number(edit.y)});
    return true;
}

static bool edit_move_point(Editor *e, const PlanEdit &edit)
{
    Statement point;
    if (!known_point(e, edit.point, "name", &point) || !good_place(e, edit.x, edit.y))
        return false;
    std::vector<std::string> words = texts_of(point);
    words[5] = plan_number(edit.x);
    words[6] = plan_number(edit.y);
    rewrite(&e->text, point, words);
    return true;
}

static bool edit_floor_point(Editor *e, const PlanEdit &edit)
{
    Statement point;
    if (!known_point(e, edit.point, "name", &point) || !good_floor(e, edit.floor))
        return false;
    set_word(&e->text, point, 3, std::to_string(edit.floor));
    return true;
}

// The places where a statement names a point: 1 for all, 3 for walks and
// stairs.
static std::vector<size_t> point_words(const Statement &s)
{
    LinkStatement link;
    if (link_of(s, &link))
        return {1, 3};
    if (is_point(s) || is(s, "photo", 4) || is(s, "start", 3) || is_pano(s))
        return {1};
    return {};
}

static bool edit_rename_point(Editor *e, const PlanEdit &edit)
{
    Statement point;
    if (!known_point(e, edit.point, "name", &point) || !good_new_name(e, edit.to, "to"))
        return false;
    for (const Statement &s : e->text.statements()) {
        std::vector<std::string> words = texts_of(s);
        bool named = false;
        for (size_t i : point_words(s))
            if (words[i] == edit.point) {
                words[i] = edit.to;
                named = true;
            }
        if (named)
            rewrite(&e->text, s, words);
    }
    return true;
}

static bool edit_delete_point(Editor *e, const PlanEdit &edit)
{
    Statement point;
    if (!known_point(e, edit.point, "name", &point))
        return false;
    std::vector<size_t> lines;
    for (const Statement &s : e->text.statements())
        for (size_t i : point_words(s))
            if (word(s, i) == edit.point)
                lines.push_back(s.line);
    remove_lines(&e->text, lines);
    return true;
}

// Sets, adds (after the point's photo and pano lines) or, with no `words`,
// removes the point's photo line facing `heading`, or its pano line when
// `heading` is null.
static void set_point_photo(Text *text, const Statement &point, const char *heading,
                            const std::vector<std::string> &words)
{
    size_t after = point.line + 1;
    std::vector<size_t> same;
    for (const Statement &s : text->statements())
        if ((is(s, "photo", 4) || is_pano(s)) && word(s, 1) == word(point, 1)) {
            after = std::max(after, s.line + 1);
            if (heading ? is(s, "photo", 4) && word(s, 2) == heading : is_pano(s))
                same.push_back(s.line);
        }
    if (words.empty())
        remove_lines(text, same);
    else if (!same.empty())
        rewrite(text, statement_at(*text, same[0]), words);
    else
        insert(text, after, words);
}

static bool edit_photo(Editor *e, const PlanEdit &edit)
{
    Statement point;
    if (!known_point(e, edit.point, "point", &point) || !good_heading(e, edit.heading) ||
        !writable(e, edit.file, "file"))
        return false;
    const char *heading = heading_names[edit.heading];
    set_point_photo(&e->text, point, heading,
                    edit.file.empty()
                        ? std::vector<std::string>{}
                        : std::vector<std::string>{"photo", edit.point, heading, edit.file});
    return true;
}

static bool edit_pano(Editor *e, const PlanEdit &edit)
{
    Statement point;
    if (!known_point(e, edit.point, "point", &point) || !writable(e, edit.file, "file"))
        return false;
    if (edit.has_north && !(fabs(edit.north) <= 360))
        return e->refuse(
            "bad north " + plan_number(edit.north) + ": degrees clockwise, -360 to 360", "north");
    std::vector<std::string> words;
    if (!edit.file.empty())
        words = {"pano", edit.point, edit.file};
    if (!edit.file.empty() && edit.has_north)
        words.insert(words.end(), {"north", plan_number(edit.north)});
    set_point_photo(&e->text, point, nullptr, words);
    return true;
}

// The statement that makes the walk or stairs `from` facing `heading` to
// `to`, by the floors: stairs go up from the lower point.
static std::vector<std::string> link_words(const std::string &from, int heading,
                                           const std::string &to, bool oneway, int from_floor,
                                           int to_floor)
{
    if (from_floor == to_floor) {
        std::vector<std::string> words = {"walk", from, heading_names[heading], to};
        if (oneway)
            words.push_back("oneway");
        return words;
    }
    if (to_floor > from_floor)
        return {"stairs", from, heading_names[heading], to};
    return {"stairs", to, heading_names[opposite(heading)], from};
}

static bool edit_walk(Editor *e, const PlanEdit &edit)
{
    Statement from, to;
    if (!known_point(e, edit.point, "point", &from) || !good_heading(e, edit.heading))
        return false;
    int from_floor = floor_of(from), to_floor = 0;
    if (!edit.to.empty()) {
        if (!known_point(e, edit.to, "to", &to))
            return false;
        if (edit.to == edit.point)
            return e->refuse("walk leads from " + quoted(edit.point) + " to itself", "to");
        to_floor = floor_of(to);
    }
    std::vector<std::string> wanted;
    if (!edit.to.empty())
        wanted = link_words(edit.point, edit.heading, edit.to, edit.oneway, from_floor, to_floor);
    // Every statement that makes a way out of the point facing the heading:
    // its own, and the way back of a walk or the way down of stairs to it.
    std::vector<LinkStatement> leaving;
    for (const LinkStatement &link : links_of(e->text)) {
        bool own = link.from == edit.point && link.heading == edit.heading;
        bool back = link.to == edit.point && opposite(link.heading) == edit.heading &&
                    (link.stairs || !link.oneway);
        if (own || back)
            leaving.push_back(link);
    }
    auto same = [&](const LinkStatement &link) {
        std::vector<std::string> words = texts_of(link.statement);
        if (words == wanted)
            return true;
        // A walk both ways from the other end is the same walk.
        return !wanted.empty() && wanted[0] == "walk" && wanted.size() == 4 && !link.stairs &&
               !link.oneway && link.from == edit.to;
    };
    bool placed = std::any_of(leaving.begin(), leaving.end(), same);
    std::vector<size_t> removed;
    for (const LinkStatement &link : leaving) {
        if (same(link))
            continue;
        bool own = link.from == edit.point && link.heading == edit.heading;
        if (!placed && !wanted.empty() && (own || link.from == edit.to)) {
            rewrite(&e->text, link.statement, wanted);
            placed = true;
        } else if (own || link.stairs) {
            removed.push_back(link.statement.line);
        } else {
            // Keeps the other point's way here, without the way back.
            std::vector<std::string> words = texts_of(link.statement);
            words.push_back("oneway");
            rewrite(&e->text, link.statement, words);
        }
    }
    remove_lines(&e->text, removed);
    if (!placed && !wanted.empty()) {
        size_t place = end_of(e->text);
        bool of_point = false;
        for (const LinkStatement &link : links_of(e->text)) {
            bool mine = link.from == edit.point || link.to == edit.point;
            if (mine || !of_point)
                place = link.statement.line + 1;
            of_point = of_point || mine;
        }
        insert(&e->text, place, wanted);
    }
    return true;
}

static bool edit_map(Editor *e, const PlanEdit &edit)
{
    if (!good_floor(e, edit.floor) || !writable(e, edit.file, "file"))
        return false;
    std::vector<size_t> same;
    for (const Statement &s : e->text.statements()) {
        bool floor_zero = is(s, "map", 2) && edit.floor == 0;
        bool named = is(s, "map", 4) && word(s, 2) == "floor" &&
                     strtol(word(s, 3).c_str(), nullptr, 10) == edit.floor;
        if (floor_zero || named)
            same.push_back(s.line);
    }
    if (edit.file.empty()) {
        remove_lines(&e->text, same);
    } else if (!same.empty()) {
        set_word(&e->text, statement_at(e->text, same[0]), 1, edit.file);
    } else {
        insert(&e->text, head_place(e->text),
               {"map", edit.file, "floor", std::to_string(edit.floor)});
    }
    return true;
}

static bool apply(Editor *e, const PlanEdit &edit)
{
    switch (edit.op) {
    case PlanEditOp::TITLE:
        return edit_title(e, edit);
    case PlanEditOp::FRAMING:
        return edit_framing(e, edit);
    case PlanEditOp::START:
        return edit_start(e, edit);
    case PlanEditOp::ADD_POINT:
        return edit_add_point(e, edit);
    case PlanEditOp::MOVE_POINT:
        return edit_move_point(e, edit);
    case PlanEditOp::FLOOR_POINT:
        return edit_floor_point(e, edit);
    case PlanEditOp::RENAME_POINT:
        return edit_rename_point(e, edit);
    case PlanEditOp::DELETE_POINT:
        return edit_delete_point(e, edit);
    case PlanEditOp::PHOTO:
        return edit_photo(e, edit);
    case PlanEditOp::PANO:
        return edit_pano(e, edit);
    case PlanEditOp::WALK:
        return edit_walk(e, edit);
    case PlanEditOp::MAP:
        return edit_map(e, edit);
    }
    return e->refuse("unknown edit", "op");
}

bool plan_edit(const std::string &text, const std::vector<PlanEdit> &edits, std::string *edited,
               PlanEditRefusal *refusal)
{
    Editor editor{{}, refusal};
    editor.text.lines = plan_lines(text);
    // GLib splits "" into no pieces; a plan is at least one (empty) line.
    if (editor.text.lines.empty())
        editor.text.lines.push_back("");
    const std::vector<std::string> &all = editor.text.lines;
    if (!all.empty() && !all[0].empty() && all[0].back() == '\r' && all.size() > 1)
        editor.text.added_end = "\r";
    for (const PlanEdit &edit : edits)
        if (!apply(&editor, edit))
            return false;
    std::string joined;
    for (size_t i = 0; i < all.size(); i++)
        joined += (i ? "\n" : "") + all[i];
    *edited = joined;
    return true;
}
