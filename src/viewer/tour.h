// The slide graph and its loader: data.xml in the working directory becomes a
// table of slides keyed by id.
#ifndef TOURVIEW_TOUR_H
#define TOURVIEW_TOUR_H

#include <glib.h>

#include "xmlnode.h"

struct Slide {
    char *id, *left, *right, *forward, *left180, *right180, *up, *down, *fn;
};

extern int debug;

GHashTable *make_weak(void);
void slide_free(gpointer slide);
char *cdata(xmlnode *node, const char *name);
void view(gpointer key, gpointer slide, gpointer user_data);

// True when an id holds a directory separator, so that its photograph would
// lie outside the slide directory; the loader skips such slides.
bool id_leaves_slide_dir(const char *id);

// True when `path` exists but is no regular file: a pipe or a device, whose
// reading would block or never end.
bool is_special_file(const char *path);

// g_file_get_contents that refuses a special file ("not a regular file").
gboolean read_whole_file(const char *path, char **text, gsize *length, GError **error);

#endif
