// The slide graph and its loader: data.xml in the working directory becomes a
// table of slides keyed by id.
#ifndef TOURVIEW_TOUR_H
#define TOURVIEW_TOUR_H

#include <glib.h>
#include <stddef.h>

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

// What the loader decides about one slide element.
enum SlideVerdict {
    SLIDE_TAKEN,
    SLIDE_NO_ID,       // no <file>, or an empty one
    SLIDE_ID_IS_PATH,  // id_leaves_slide_dir
    SLIDE_DUPLICATE_ID // an earlier slide has the id
};

// Watches the loader. `slide` hears of each slide element the loader comes to,
// in document order: `id` is the element's id (null when it has none) and
// `taken` the new slide, null unless SLIDE_TAKEN. `exit` then hears of each
// exit of a taken slide, by its index in exit_kinds and its element. With an
// observer the loader writes nothing to stderr.
struct LoadObserver {
    void (*slide)(void *data, xmlnode *element, const char *id, SlideVerdict verdict,
                  const Slide *taken);
    void (*exit)(void *data, const Slide *slide, size_t kind, xmlnode *element);
    void *data;
};

// The slides of the tree `root` into `table` (id -> Slide) as make_weak takes
// them, then the built-in map slide, which replaces one of that id. `observer`
// may be null. A null `root` (text that gave no tree) leaves the map alone;
// the XML module warns of it unless an observer listens.
void load_tour(GHashTable *table, xmlnode *root, const LoadObserver *observer);

#endif
