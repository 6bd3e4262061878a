#include "tour.h"

#include "format.h"
#include "tour_text.h"

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

int debug = 0;

void slide_free(gpointer slide)
{
    Slide *s = static_cast<Slide *>(slide);
    if (!s)
        return;
    g_free(s->id);
    for (const ExitKind &kind : exit_kinds)
        g_free(s->*kind.field);
    g_free(s->fn);
    g_free(s);
}

char *cdata(xmlnode *node, const char *name)
{
    xmlnode *child = xmlnode_get_child(node, name);
    return child ? xmlnode_get_data(child) : NULL;
}

// The photograph of slide `id`: slides/<id>.jpg, with a warning when absent
// unless an observer listens.
static char *photo_path(const char *id, const LoadObserver *observer)
{
    char *name = g_strconcat(id, ".jpg", NULL);
    char *path = g_build_filename(slide_dir, name, NULL);
    if (!observer && !g_file_test(path, G_FILE_TEST_EXISTS))
        fprintf(stderr, "%s does not exist at %s\n", name, path);
    g_free(name);
    return path;
}

static Slide *new_slide(const char *id, const LoadObserver *observer)
{
    Slide *slide = g_new0(Slide, 1);
    slide->id = g_strdup(id);
    slide->fn = photo_path(id, observer);
    return slide;
}

static void read_exits(Slide *slide, xmlnode *next, const LoadObserver *observer)
{
    for (size_t kind = 0; kind < exit_kinds.size(); kind++) {
        xmlnode *element = xmlnode_get_child(next, exit_kinds[kind].name);
        if (!element)
            continue;
        char *target = xmlnode_get_data(element);
        slide->*exit_kinds[kind].field = target;
        if (observer && target)
            observer->exit(observer->data, slide, kind, element);
    }
}

// A slide's photograph lies directly in the slide directory; an id holding a
// directory separator would name a file elsewhere ("../x", "a/../../x").
bool id_leaves_slide_dir(const char *id)
{
    return strchr(id, '/') || strchr(id, G_DIR_SEPARATOR);
}

// Without an observer the loader's own messages go to stderr.
static void skip(const LoadObserver *observer, xmlnode *element, char *key, SlideVerdict verdict,
                 const char *format, ...) G_GNUC_PRINTF(5, 6);
static void skip(const LoadObserver *observer, xmlnode *element, char *key, SlideVerdict verdict,
                 const char *format, ...)
{
    if (observer) {
        observer->slide(observer->data, element, key, verdict, NULL);
    } else {
        va_list args;
        va_start(args, format);
        vfprintf(stderr, format, args);
        va_end(args);
    }
    g_free(key);
}

static void load_slides(GHashTable *table, xmlnode *root, const LoadObserver *observer)
{
    int position = 0;
    for (xmlnode *elem = xmlnode_get_child(root, slide_tag); elem;
         elem = xmlnode_get_next_twin(elem)) {
        position++;
        char *key = cdata(elem, file_tag);
        if (!key || !*key) {
            g_free(key);
            skip(observer, elem, NULL, SLIDE_NO_ID,
                 "Slide number %d has no file name. Ignoring it.\n", position);
            continue;
        }
        if (id_leaves_slide_dir(key)) {
            skip(observer, elem, key, SLIDE_ID_IS_PATH,
                 "Slide %s has a directory separator in its id. Ignoring it.\n", key);
            continue;
        }
        if (g_hash_table_contains(table, key)) {
            skip(observer, elem, key, SLIDE_DUPLICATE_ID,
                 "Slide %s was already seen. Ignoring the new one.\n", key);
            continue;
        }
        Slide *slide = new_slide(key, observer);
        g_hash_table_insert(table, key, slide);
        if (observer)
            observer->slide(observer->data, elem, key, SLIDE_TAKEN, slide);
        xmlnode *next = xmlnode_get_child(elem, next_tag);
        if (next)
            read_exits(slide, next, observer);
    }
}

void load_tour(GHashTable *table, xmlnode *root, const LoadObserver *observer)
{
    if (root || !observer)
        load_slides(table, root, observer);
    g_hash_table_insert(table, g_strdup(map_id), new_slide(map_id, observer));
}

GHashTable *make_weak(void)
{
    char *text = NULL;
    gsize length = 0;
    GError *error = NULL;
    if (!read_tour_text(tour_file, &text, &length, &error)) {
        fprintf(stderr, "Couldn't open %s: %s\n", tour_file, error->message);
        g_error_free(error);
        fprintf(stderr, "Failed.");
        exit(-1);
    }
    xmlnode *root = xmlnode_from_str(text, (gssize)length);
    g_free(text);

    GHashTable *table = g_hash_table_new_full(g_str_hash, g_str_equal, g_free, slide_free);
    // Text without a tree gets the module's own precondition warnings from the
    // lookup and the free, and leaves the table with the map slide only.
    load_tour(table, root, NULL);
    xmlnode_free(root);
    return table;
}

static void print_exit(const char *name, const char *target)
{
    if (target)
        printf("(%s %s) ", name, target);
}

void view(gpointer, gpointer slide, gpointer)
{
    if (!debug)
        return;
    const Slide *s = static_cast<const Slide *>(slide);
    if (!s)
        return;
    printf("Slide (id=%s, fn=%s): ", s->id, s->fn);
    for (const ExitKind &kind : exit_kinds)
        print_exit(kind.name, s->*kind.field);
    printf("\n");
}
