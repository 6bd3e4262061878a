#include "writer.h"

#include "format.h"

#include <string.h>

static xmlnode *tour_tree(const Slide *const *slides, size_t count)
{
    xmlnode *tour = xmlnode_new(root_tag);
    for (size_t i = 0; i < count; i++) {
        const Slide *slide = slides[i];
        xmlnode *node = xmlnode_new_child(tour, slide_tag);
        xmlnode_insert_data(xmlnode_new_child(node, file_tag), slide->id, -1);
        xmlnode *next = xmlnode_new_child(node, next_tag);
        for (const ExitKind &kind : exit_kinds)
            if (const char *target = slide->*kind.field)
                xmlnode_insert_data(xmlnode_new_child(next, kind.name), target, -1);
    }
    return tour;
}

char *tour_to_xml(const Slide *const *slides, size_t count, gsize *length)
{
    xmlnode *tour = tour_tree(slides, count);
    // The module's length leaves out the XML declaration in front.
    char *text = xmlnode_to_formatted_str(tour, NULL);
    xmlnode_free(tour);
    if (length)
        *length = text ? strlen(text) : 0;
    return text;
}

gboolean tour_write_file(const char *path, const Slide *const *slides, size_t count, GError **error)
{
    gsize length = 0;
    char *text = tour_to_xml(slides, count, &length);
    gboolean ok = g_file_set_contents(path, text ? text : "", (gssize)length, error);
    g_free(text);
    return ok;
}
