// Reads data.xml with the XML module and hands the tree to the viewer's own
// loader, turning the slides it drops into problems at their lines.
#include "checks.h"

#include "tour_text.h"

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

static const SlideLines *slide_lines(const Tour *tour, const char *id)
{
    for (const SlideLines &lines : tour->slides)
        if (lines.id == id)
            return &lines;
    return NULL;
}

namespace
{
struct Reading {
    Tour *tour;
    const LineMap &lines;
    std::vector<const xmlnode *> visited; // the slide elements the loader came to
};
} // namespace

static std::string skip_message(SlideVerdict verdict, const xmlnode *element, const char *id,
                                const SlideLines *first)
{
    switch (verdict) {
    case SLIDE_NO_ID:
        return xmlnode_get_child(element, file_tag)
                   ? "slide has an empty <file>, so no id: the viewer skips it"
                   : "slide has no <file>, so no id: the viewer skips it";
    case SLIDE_ID_IS_PATH:
        return "id " + quoted(id) +
               " is a path, not a name: its photograph would lie outside slides/, "
               "so the viewer skips it";
    default:
        return "duplicate id " + quoted(id) + " (first at line " +
               std::to_string(first ? first->line : 0) + "): the viewer ignores this slide";
    }
}

static void on_slide(void *data, xmlnode *element, const char *id, SlideVerdict verdict,
                     const Slide *)
{
    Reading *reading = static_cast<Reading *>(data);
    Tour *tour = reading->tour;
    int line = line_of(reading->lines, element);
    reading->visited.push_back(element);
    check_slide_children(tour, reading->lines, element);
    if (verdict != SLIDE_TAKEN) {
        const SlideLines *first = verdict == SLIDE_DUPLICATE_ID ? slide_lines(tour, id) : NULL;
        data_problem(tour, line, ERROR, skip_message(verdict, element, id, first));
        return;
    }
    if (has_outer_space(id))
        data_problem(tour, line, WARNING,
                     "id " + quoted(id) + " has leading or trailing white space");
    tour->slides.push_back(SlideLines{id, line, {}});
}

static void on_exit(void *data, const Slide *, size_t kind, xmlnode *element)
{
    Reading *reading = static_cast<Reading *>(data);
    reading->tour->slides.back().exits[kind] = line_of(reading->lines, element);
}

// The built-in map replaces a slide of that name, which loses its exits.
static void drop_map_slide(Tour *tour)
{
    for (auto lines = tour->slides.begin(); lines != tour->slides.end(); ++lines) {
        if (lines->id == map_id) {
            data_problem(tour, lines->line, ERROR,
                         "slide \"map\" is replaced by the built-in map, which has no exits");
            tour->slides.erase(lines);
            break;
        }
    }
}

// A null root, text that gave no tree, leaves the table with the map alone.
static void load(Tour *tour, const LineMap &lines, xmlnode *root)
{
    Reading reading{tour, lines, {}};
    LoadObserver observer{on_slide, on_exit, &reading};
    load_tour(tour->table, root, &observer);
    if (!root)
        return;
    check_skipped(tour, lines, root, reading.visited);
    drop_map_slide(tour);
}

static xmlnode *parse(Tour *tour, const char *text, gsize length, LineMap *lines)
{
    // The XML module skips a UTF-8 byte-order mark; so does the line count.
    gsize bom = xmlnode_bom_length(text, length);
    text += bom;
    length -= bom;
    MarkupPositions positions = markup_positions(text, length);
    if (!positions.well_formed) {
        data_problem(tour, positions.error_line, ERROR,
                     "not well-formed at column " + std::to_string(positions.error_column) + ": " +
                         positions.error_message);
        return NULL;
    }
    if (positions.unfinished_tail)
        data_problem(tour, positions.error_line, WARNING,
                     "unfinished markup after the root element at column " +
                         std::to_string(positions.error_column) + ": " + positions.error_message +
                         "; the viewer ignores it");
    xmlnode *root = xmlnode_from_str(text, (gssize)length);
    if (!root) {
        data_problem(tour, 0, ERROR, "the XML module rejects it");
        return NULL;
    }
    *lines = number_elements(root, positions.element_lines);
    return root;
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
    if (!read_tour_text(path, &text, &length, &error)) {
        data_problem(tour, 0, ERROR, std::string("cannot be read: ") + error->message);
        g_error_free(error);
    }
    LineMap lines;
    xmlnode *root = text ? parse(tour, text, length, &lines) : NULL;
    tour->readable = root != NULL;
    load(tour, lines, root);
    if (root)
        xmlnode_free(root);
    g_free(text);
    g_free(path);
}

void tour_clear(Tour *tour)
{
    if (tour->table)
        g_hash_table_destroy(tour->table);
    tour->table = NULL;
    tour->slides.clear();
    tour->problems.clear();
    tour->placed = false;
    tour->places = TourPlaces{};
}
