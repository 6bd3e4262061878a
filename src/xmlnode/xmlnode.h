// In-memory XML node tree: elements, attributes and character data sharing
// one child list per node, parsed with GLib's markup parser.
#ifndef TOURVIEW_XMLNODE_H
#define TOURVIEW_XMLNODE_H

#include <glib.h>

enum XMLNodeType : gint32 {
    XMLNODE_TYPE_TAG = 0,
    XMLNODE_TYPE_ATTRIB = 1,
    XMLNODE_TYPE_DATA = 2,
};

struct xmlnode {
    char *name; // element or attribute name; null for character data
    XMLNodeType type;
    char *data;        // attribute value (NUL-terminated) or data_size bytes of text
    guint32 data_size; // byte count of character data; 0 otherwise
    xmlnode *parent;
    xmlnode *first_child;
    xmlnode *last_child;
    xmlnode *next;
};

xmlnode *xmlnode_new(const char *name);
xmlnode *xmlnode_new_child(xmlnode *parent, const char *name);
void xmlnode_insert_child(xmlnode *parent, xmlnode *child);
xmlnode *xmlnode_get_child(const xmlnode *parent, const char *name);
xmlnode *xmlnode_get_child_with_namespace(const xmlnode *parent, const char *name, const char *ns);
xmlnode *xmlnode_get_next_twin(xmlnode *node);
void xmlnode_insert_data(xmlnode *node, const char *data, gint32 size);
char *xmlnode_get_data(const xmlnode *node);
void xmlnode_set_attrib(xmlnode *node, const char *attr, const char *value);
const char *xmlnode_get_attrib(const xmlnode *node, const char *attr);
void xmlnode_remove_attrib(xmlnode *node, const char *attr);
xmlnode *xmlnode_from_str(const char *str, gssize size);
// The bytes of a UTF-8 byte-order mark that starts `str`, which
// xmlnode_from_str skips: 3, or 0 without one.
gsize xmlnode_bom_length(const char *str, gsize size);
void xmlnode_free(xmlnode *node);

char *xmlnode_to_str(const xmlnode *node, int *len);
char *xmlnode_to_formatted_str(const xmlnode *node, int *len);
xmlnode *xmlnode_copy(const xmlnode *src);

#endif
