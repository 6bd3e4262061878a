#include "fuzz_checks.h"

#include "graph.h"
#include "plan.h"
#include "tour.h"
#include "tour_text.h"
#include "tree_dump.h"
#include "xmlnode.h"

#include <glib.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <vector>

namespace
{

const char declaration[] = "<?xml version='1.0' encoding='UTF-8' ?>\r\n\r\n";

std::vector<const xmlnode *> all_nodes(const xmlnode *root)
{
    std::vector<const xmlnode *> out;
    std::vector<const xmlnode *> pending{root};
    while (!pending.empty()) {
        const xmlnode *node = pending.back();
        pending.pop_back();
        out.push_back(node);
        for (const xmlnode *child = node->first_child; child; child = child->next)
            pending.push_back(child);
    }
    return out;
}

std::string check_links(const xmlnode *node)
{
    std::string broken = broken_links(node);
    if (!broken.empty())
        return broken;
    switch (node->type) {
    case XMLNODE_TYPE_TAG:
        if (!node->name || node->data || node->data_size)
            return "element with a missing name or with data";
        break;
    case XMLNODE_TYPE_ATTRIB:
        if (!node->name || !node->data || node->data_size || node->first_child)
            return "malformed attribute node";
        break;
    case XMLNODE_TYPE_DATA:
        if (node->name || (node->data == nullptr) != (node->data_size == 0) || node->first_child)
            return "malformed character-data node";
        break;
    default:
        return "unknown node type";
    }
    return "";
}

const xmlnode *first_element(const xmlnode *from, const char *name, const char *ns)
{
    for (const xmlnode *node = from; node; node = node->next) {
        if (node->type != XMLNODE_TYPE_TAG || strcmp(node->name, name) != 0)
            continue;
        if (ns) {
            const char *xmlns = xmlnode_get_attrib(node, "xmlns");
            if (!xmlns || strcmp(xmlns, ns) != 0)
                continue;
        }
        return node;
    }
    return nullptr;
}

std::string check_lookups(const xmlnode *node)
{
    std::string joined;
    bool has_data = false;
    for (const xmlnode *child = node->first_child; child; child = child->next) {
        if (child->type == XMLNODE_TYPE_DATA) {
            has_data = true;
            joined.append(child->data ? child->data : "", child->data_size);
        } else if (child->type == XMLNODE_TYPE_ATTRIB) {
            if (xmlnode_get_attrib(node, child->name) != child->data)
                return "an attribute name stands twice or is not found";
        } else {
            if (xmlnode_get_child(node, child->name) !=
                first_element(node->first_child, child->name, nullptr))
                return "xmlnode_get_child missed the first element of a name";
            const char *ns = xmlnode_get_attrib(child, "xmlns");
            const xmlnode *twin = first_element(child->next, child->name, ns);
            if (xmlnode_get_next_twin((xmlnode *)child) != twin)
                return "xmlnode_get_next_twin missed the next element of a name";
            if (ns && xmlnode_get_child_with_namespace(node, child->name, ns) !=
                          first_element(node->first_child, child->name, ns))
                return "xmlnode_get_child_with_namespace missed the first element";
            const xmlnode *grandchild = first_element(child->first_child, "a", nullptr);
            std::string path = std::string(child->name) + "/a";
            if (child == first_element(node->first_child, child->name, nullptr) &&
                xmlnode_get_child(node, path.c_str()) != grandchild)
                return "a two-step path missed its element";
        }
    }
    char *data = xmlnode_get_data(node);
    bool same = has_data ? data && memcmp(data, joined.data(), joined.size()) == 0 &&
                               data[joined.size()] == '\0'
                         : data == nullptr;
    g_free(data);
    return same ? "" : "xmlnode_get_data differs from the joined character data";
}

std::string compare_trees(const xmlnode *a, const xmlnode *b)
{
    std::vector<std::pair<const xmlnode *, const xmlnode *>> pending{{a, b}};
    while (!pending.empty()) {
        auto [x, y] = pending.back();
        pending.pop_back();
        if (x->type != y->type || (x->name == nullptr) != (y->name == nullptr) ||
            (x->name && strcmp(x->name, y->name) != 0) || x->data_size != y->data_size ||
            (x->data == nullptr) != (y->data == nullptr))
            return "the copy differs from its source";
        if (x->data && (x->data_size ? memcmp(x->data, y->data, x->data_size) != 0
                                     : strcmp(x->data, y->data) != 0))
            return "the copy's data differs from its source";
        if (x->data && x->data == y->data)
            return "the copy shares a buffer with its source";
        const xmlnode *cx = x->first_child, *cy = y->first_child;
        for (; cx && cy; cx = cx->next, cy = cy->next)
            pending.push_back({cx, cy});
        if (cx || cy)
            return "the copy has another number of children";
    }
    return "";
}

// Whether writing and parsing again keeps every value: the writer leaves tabs
// and line ends as they are, and the parser folds them in attribute values (and
// a carriage return in text) the way XML asks.
bool survives_rewriting(const std::vector<const xmlnode *> &nodes)
{
    for (const xmlnode *node : nodes) {
        if (node->type == XMLNODE_TYPE_ATTRIB && strpbrk(node->data, "\t\n\r"))
            return false;
        if (node->type == XMLNODE_TYPE_DATA && memchr(node->data, '\r', node->data_size))
            return false;
    }
    return true;
}

struct Text {
    char *str = nullptr;
    int len = -1;
    ~Text()
    {
        g_free(str);
    }
};

std::string rewrite(const char *text, int len, std::string &out)
{
    xmlnode *again = xmlnode_from_str(text, len);
    if (!again)
        return "the written text does not parse";
    Text written;
    written.str = xmlnode_to_str(again, &written.len);
    xmlnode_free(again);
    if (!written.str)
        return "the parsed written text cannot be written";
    out.assign(written.str, written.len);
    return "";
}

std::string check_tree(const xmlnode *root)
{
    std::vector<const xmlnode *> nodes = all_nodes(root);
    for (const xmlnode *node : nodes) {
        std::string error = check_links(node);
        if (error.empty() && node->type == XMLNODE_TYPE_TAG)
            error = check_lookups(node);
        if (!error.empty())
            return error;
    }

    Text compact, formatted, copied;
    compact.str = xmlnode_to_str(root, &compact.len);
    formatted.str = xmlnode_to_formatted_str(root, &formatted.len);
    if (!compact.str || !formatted.str)
        return "a tree from text cannot be written";
    if ((size_t)compact.len != strlen(compact.str))
        return "the compact length is wrong";
    if ((size_t)formatted.len + 43 != strlen(formatted.str) ||
        strncmp(formatted.str, declaration, 43) != 0)
        return "the formatted text or its length is wrong";

    xmlnode *copy = xmlnode_copy(root);
    std::string error = compare_trees(root, copy);
    copied.str = xmlnode_to_str(copy, &copied.len);
    xmlnode_free(copy);
    if (!error.empty())
        return error;
    if (!copied.str || strcmp(copied.str, compact.str) != 0)
        return "the copy is written differently";

    std::string once, twice, ignored;
    if (!(error = rewrite(compact.str, compact.len, once)).empty() ||
        !(error = rewrite(once.data(), (int)once.size(), twice)).empty())
        return error;
    if (once != twice)
        return "writing and parsing again does not settle";
    if (survives_rewriting(nodes) && once != compact.str)
        return "writing and parsing again changes the tree";
    if (!(error = rewrite(formatted.str, (int)strlen(formatted.str), ignored)).empty())
        return "formatted: " + error;
    return "";
}

} // namespace

std::string check_xml(const uint8_t *data, size_t size)
{
    xmlnode *root = xmlnode_from_str(reinterpret_cast<const char *>(data), (gssize)size);
    if (!root)
        return "";
    std::string error = root->parent || root->next ? "the root is linked" : check_tree(root);
    xmlnode_free(root);
    return error;
}

namespace
{

std::string check_slide(const char *key, const Slide *slide)
{
    if (!slide || !slide->id || strcmp(key, slide->id) != 0 || key == slide->id)
        return "a slide's key and id disagree";
    if (!*slide->id)
        return "a slide without an id was loaded";
    if (strchr(slide->id, '/') || strchr(slide->id, G_DIR_SEPARATOR))
        return "a slide whose id leaves the slide directory was loaded";
    std::string name = std::string(slide->id) + ".jpg";
    char *path = g_build_filename("slides", name.c_str(), NULL);
    bool same = slide->fn && strcmp(slide->fn, path) == 0;
    g_free(path);
    if (!same)
        return "a slide's photograph path is wrong";
    for (const char *exit : {slide->left, slide->right, slide->forward, slide->left180,
                             slide->right180, slide->up, slide->down}) {
        if (exit && !*exit)
            return "an empty exit was loaded";
    }
    view(nullptr, (gpointer)slide, nullptr);
    return "";
}

} // namespace

std::string check_tour(const uint8_t *data, size_t size)
{
    // Plain stdio: g_file_set_contents syncs to disk, a hundred times slower.
    FILE *file = fopen("data.xml", "wb");
    bool written = file && fwrite(data, 1, size, file) == size;
    if (file && fclose(file) != 0)
        written = false;
    if (!written)
        return "cannot write data.xml";
    // Bytes that fit neither UTF-8 nor their declared encoding end the loader
    // with its message, as a file it cannot read does: nothing more to load.
    char *text = static_cast<char *>(g_malloc(size + 1));
    memcpy(text, data, size);
    text[size] = '\0';
    gsize length = size;
    GError *refused = NULL;
    bool readable = tour_text_to_utf8(&text, &length, &refused);
    g_free(text);
    if (!readable) {
        bool said = refused && refused->message[0];
        g_clear_error(&refused);
        return said ? "" : "text refused for its encoding without a reason";
    }
    GHashTable *table = make_weak();
    std::string error;
    const Slide *map = static_cast<const Slide *>(g_hash_table_lookup(table, "map"));
    if (!map || map->left || map->right || map->forward || map->left180 || map->right180 ||
        map->up || map->down)
        error = "the map slide is missing or has exits";
    GHashTableIter iter;
    gpointer key, value;
    g_hash_table_iter_init(&iter, table);
    while (error.empty() && g_hash_table_iter_next(&iter, &key, &value))
        error = check_slide(static_cast<const char *>(key), static_cast<const Slide *>(value));
    g_hash_table_destroy(table);
    return error;
}

std::string check_plan(const uint8_t *data, size_t size)
{
    // As tourmake hands it over: the file's text up to a NUL.
    std::string text(reinterpret_cast<const char *>(data), size);
    text.resize(strlen(text.c_str()));
    int lines = static_cast<int>(std::count(text.begin(), text.end(), '\n')) +
                (text.empty() || text.back() == '\n' ? 0 : 1);
    Plan plan;
    Diagnostics diagnostics;
    plan_parse(&plan, &diagnostics, text, ".");
    std::vector<PlannedSlide> slides = build_slides(&plan, &diagnostics);
    for (const Diagnostic &d : diagnostics) {
        if (d.line < 0 || d.line > lines)
            return "diagnostic on line " + std::to_string(d.line) + " of " + std::to_string(lines) +
                   ": " + d.message;
        if (d.message.empty() || d.message.find('\n') != std::string::npos)
            return "a diagnostic that is empty or more than one line, on line " +
                   std::to_string(d.line);
    }
    const int photos = static_cast<int>(plan.photos.size());
    for (const PlannedSlide &slide : slides) {
        if (slide.photo < 0 || slide.photo >= photos)
            return "slide " + slide.id + " has photograph " + std::to_string(slide.photo);
        for (int e = 0; e < EXIT_COUNT; e++)
            if (slide.exits[e] < -1 || slide.exits[e] >= static_cast<int>(slides.size()))
                return "slide " + slide.id + " has an exit to slide " +
                       std::to_string(slide.exits[e]);
    }
    return "";
}

int fuzz_verdict(const char *target, const std::string &error)
{
    if (error.empty())
        return 0;
    fprintf(stderr, "%s: %s\n", target, error.c_str());
    abort();
}
