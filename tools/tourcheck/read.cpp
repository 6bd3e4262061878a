// Reads data.xml with the XML module and walks the tree exactly as the
// viewer's loader does, noting on the way which slides the loader drops.
#include "tourcheck.h"

#include <string.h>

static const char tour_file[] = "data.xml";
static const char slide_dir[] = "slides";

static void data_problem(Tour *tour, int line, Level level, const std::string &message)
{
    add_problem(tour, tour_file, line, level, message);
}

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

int line_of(const LineMap &lines, const xmlnode *node)
{
    auto found = lines.find(node);
    return found == lines.end() ? 0 : found->second;
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
    if (id_leaves_slide_dir(key)) {
        data_problem(tour, line, LEVEL_ERROR,
                     "id " + quoted(key) +
                         " is a path, not a name: its photograph would lie outside slides/, "
                         "so the viewer skips it");
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
    if (!read_whole_file(path, &text, &length, &error)) {
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
