// Reads data.xml with the XML module and walks the tree exactly as the
// viewer's loader does, noting on the way what the loader drops or ignores.
#include "tourcheck.h"

#include <string.h>

#include <unordered_map>

static const char tour_file[] = "data.xml";
static const char slide_dir[] = "slides";

void add_problem(Tour *tour, const std::string &file, int line, Level level,
                 const std::string &message)
{
    tour->problems.push_back(Problem{file, line, level, message});
}

static void data_problem(Tour *tour, int line, Level level, const std::string &message)
{
    add_problem(tour, tour_file, line, level, message);
}

// Ids are free text: quote them and spell out what would break the line.
std::string quoted(const char *text)
{
    std::string out = "\"";
    for (const char *c = text; *c; c++) {
        if (*c == '"' || *c == '\\')
            out += std::string("\\") + *c;
        else if (*c == '\n')
            out += "\\n";
        else if (*c == '\t')
            out += "\\t";
        else if ((unsigned char)*c < 0x20 || *c == 0x7f) {
            char escape[8];
            g_snprintf(escape, sizeof escape, "\\x%02x", (unsigned char)*c);
            out += escape;
        } else
            out += *c;
    }
    return out + "\"";
}

using LineMap = std::unordered_map<const xmlnode *, int>;

// Elements come out of the parser in document order, which is the tree's
// pre-order; walked without recursion, as trees may be deep.
static LineMap number_elements(const xmlnode *root, const std::vector<int> &lines)
{
    LineMap map;
    size_t index = 0;
    const xmlnode *node = root;
    while (node) {
        if (node->type == XMLNODE_TYPE_TAG && index < lines.size())
            map[node] = lines[index++];
        if (node->type == XMLNODE_TYPE_TAG && node->first_child) {
            node = node->first_child;
            continue;
        }
        while (node && node != root && !node->next)
            node = node->parent;
        node = (node && node != root) ? node->next : NULL;
    }
    if (index != lines.size())
        map.clear(); // cannot happen with one parser behind both passes
    return map;
}

static int line_of(const LineMap &lines, const xmlnode *node)
{
    auto found = lines.find(node);
    return found == lines.end() ? 0 : found->second;
}

static bool has_outer_space(const char *text)
{
    size_t length = strlen(text);
    return length > 0 && (g_ascii_isspace(text[0]) || g_ascii_isspace(text[length - 1]));
}

static int exit_index(const char *name)
{
    for (size_t i = 0; i < exit_kinds.size(); i++)
        if (strcmp(exit_kinds[i].name, name) == 0)
            return (int)i;
    return -1;
}

// What the loader passes over inside `next`: empty and repeated exits,
// elements that are no exit.
static void check_next(Tour *tour, const LineMap &lines, const xmlnode *next)
{
    std::array<bool, 7> seen{};
    for (const xmlnode *child = next->first_child; child; child = child->next) {
        if (child->type != XMLNODE_TYPE_TAG)
            continue;
        int line = line_of(lines, child);
        int kind = exit_index(child->name);
        if (kind < 0) {
            data_problem(tour, line, LEVEL_WARNING,
                         "unknown element <" + std::string(child->name) + "> in <next> is ignored");
            continue;
        }
        if (seen[kind]) {
            data_problem(tour, line, LEVEL_WARNING,
                         "repeated <" + std::string(child->name) +
                             "> is ignored: only the first one counts");
            continue;
        }
        seen[kind] = true;
        char *target = xmlnode_get_data(child);
        if (!target)
            data_problem(tour, line, LEVEL_WARNING,
                         "<" + std::string(child->name) + "> is empty and makes no exit");
        else if (has_outer_space(target))
            data_problem(tour, line, LEVEL_WARNING,
                         std::string(child->name) + " target " + quoted(target) +
                             " has leading or trailing white space");
        g_free(target);
    }
}

static void check_slide_children(Tour *tour, const LineMap &lines, const xmlnode *slide)
{
    bool file_seen = false, next_seen = false;
    for (const xmlnode *child = slide->first_child; child; child = child->next) {
        if (child->type != XMLNODE_TYPE_TAG)
            continue;
        int line = line_of(lines, child);
        bool is_file = strcmp(child->name, "file") == 0;
        bool is_next = strcmp(child->name, "next") == 0;
        if (!is_file && !is_next)
            data_problem(tour, line, LEVEL_WARNING,
                         "unknown element <" + std::string(child->name) +
                             "> in <slide> is ignored");
        else if ((is_file && file_seen) || (is_next && next_seen))
            data_problem(tour, line, LEVEL_WARNING,
                         "repeated <" + std::string(child->name) +
                             "> is ignored: only the first one counts");
        else if (is_next)
            check_next(tour, lines, child);
        file_seen = file_seen || is_file;
        next_seen = next_seen || is_next;
    }
}

static Slide *new_slide(const char *id)
{
    Slide *slide = g_new0(Slide, 1);
    slide->id = g_strdup(id);
    char *name = g_strconcat(id, ".jpg", NULL);
    slide->fn = g_build_filename(slide_dir, name, NULL);
    g_free(name);
    return slide;
}

static SlideLines read_exits(Slide *slide, const LineMap &lines, xmlnode *slide_element)
{
    SlideLines where{slide->id, line_of(lines, slide_element), {}};
    xmlnode *next = xmlnode_get_child(slide_element, "next");
    if (!next)
        return where;
    for (size_t i = 0; i < exit_kinds.size(); i++) {
        slide->*exit_kinds[i].field = cdata(next, exit_kinds[i].name);
        if (slide->*exit_kinds[i].field)
            where.exits[i] = line_of(lines, xmlnode_get_child(next, exit_kinds[i].name));
    }
    return where;
}

static const SlideLines *slide_lines(const Tour *tour, const char *id)
{
    for (const SlideLines &lines : tour->slides)
        if (lines.id == id)
            return &lines;
    return NULL;
}

// One slide element as the loader takes it: no id, a repeated id, or a new slide.
static void take_slide(Tour *tour, const LineMap &lines, xmlnode *element)
{
    int line = line_of(lines, element);
    check_slide_children(tour, lines, element);
    char *key = cdata(element, "file");
    if (!key || !*key) {
        data_problem(tour, line, LEVEL_ERROR,
                     xmlnode_get_child(element, "file")
                         ? "slide has an empty <file>, so no id: the viewer skips it"
                         : "slide has no <file>, so no id: the viewer skips it");
        g_free(key);
        return;
    }
    if (g_hash_table_contains(tour->table, key)) {
        const SlideLines *first = slide_lines(tour, key);
        data_problem(tour, line, LEVEL_ERROR,
                     "duplicate id " + quoted(key) + " (first at line " +
                         std::to_string(first ? first->line : 0) +
                         "): the viewer ignores this slide");
        g_free(key);
        return;
    }
    if (has_outer_space(key))
        data_problem(tour, line, LEVEL_WARNING,
                     "id " + quoted(key) + " has leading or trailing white space");
    Slide *slide = new_slide(key);
    tour->slides.push_back(read_exits(slide, lines, element));
    g_hash_table_insert(tour->table, key, slide);
}

static std::string slide_name(xmlnode *element)
{
    char *id = cdata(element, "file");
    std::string name = id && *id ? "slide " + quoted(id) : "slide without id";
    g_free(id);
    return name;
}

// After a slide with an xmlns attribute the loader takes only slides with the
// same value; report the ones it passes over, and elements that are no slide.
static void check_skipped(Tour *tour, const LineMap &lines, xmlnode *root,
                          const std::vector<const xmlnode *> &taken)
{
    size_t next_taken = 0;
    const xmlnode *last_taken = NULL;
    for (xmlnode *child = root->first_child; child; child = child->next) {
        if (child->type != XMLNODE_TYPE_TAG)
            continue;
        int line = line_of(lines, child);
        if (strcmp(child->name, "slide") != 0) {
            data_problem(tour, line, LEVEL_WARNING,
                         "unknown element <" + std::string(child->name) + "> in <" + root->name +
                             "> is ignored");
        } else if (next_taken < taken.size() && taken[next_taken] == child) {
            last_taken = child;
            next_taken++;
        } else {
            const char *want = last_taken ? xmlnode_get_attrib(last_taken, "xmlns") : "";
            const char *have = xmlnode_get_attrib(child, "xmlns");
            std::string why = have ? "its xmlns " + quoted(have) + " differs from "
                                   : std::string("it lacks the xmlns ");
            data_problem(tour, line, LEVEL_ERROR,
                         slide_name(child) + " is passed over by the viewer: " + why +
                             quoted(want ? want : "") + " of the slide at line " +
                             std::to_string(line_of(lines, last_taken)));
        }
    }
}

static void load_slides(Tour *tour, const LineMap &lines, xmlnode *root)
{
    std::vector<const xmlnode *> taken;
    for (xmlnode *element = xmlnode_get_child(root, "slide"); element;
         element = xmlnode_get_next_twin(element)) {
        taken.push_back(element);
        take_slide(tour, lines, element);
    }
    check_skipped(tour, lines, root, taken);
}

// The built-in map replaces a slide of that name, which loses its exits.
static void add_map(Tour *tour)
{
    for (auto lines = tour->slides.begin(); lines != tour->slides.end(); ++lines) {
        if (lines->id == "map") {
            data_problem(tour, lines->line, LEVEL_ERROR,
                         "slide \"map\" is replaced by the built-in map, which has no exits");
            tour->slides.erase(lines);
            break;
        }
    }
    g_hash_table_insert(tour->table, g_strdup("map"), new_slide("map"));
}

static xmlnode *parse(Tour *tour, const char *text, gsize length, LineMap *lines)
{
    MarkupPositions positions = markup_positions(text, length);
    xmlnode *root = xmlnode_from_str(text, (gssize)length);
    if (!positions.well_formed) {
        data_problem(tour, positions.error_line, LEVEL_ERROR,
                     "not well-formed at column " + std::to_string(positions.error_column) + ": " +
                         positions.error_message);
    } else if (!root) {
        data_problem(tour, 0, LEVEL_ERROR, "the XML module rejects it");
    } else {
        *lines = number_elements(root, positions.element_lines);
        return root;
    }
    if (root)
        xmlnode_free(root);
    return NULL;
}

void tour_read(Tour *tour, const char *dir)
{
    tour->dir = dir;
    tour->readable = false;
    tour->table = g_hash_table_new_full(g_str_hash, g_str_equal, g_free, slide_free);

    char *path = g_build_filename(dir, tour_file, NULL);
    char *text = NULL;
    gsize length = 0;
    GError *error = NULL;
    if (!g_file_get_contents(path, &text, &length, &error)) {
        data_problem(tour, 0, LEVEL_ERROR, std::string("cannot be read: ") + error->message);
        g_error_free(error);
    } else {
        LineMap lines;
        xmlnode *root = parse(tour, text, length, &lines);
        if (root) {
            tour->readable = true;
            load_slides(tour, lines, root);
            xmlnode_free(root);
        }
    }
    g_free(text);
    g_free(path);
    add_map(tour);
}

void tour_clear(Tour *tour)
{
    if (tour->table)
        g_hash_table_destroy(tour->table);
    tour->table = NULL;
    tour->slides.clear();
    tour->problems.clear();
}
