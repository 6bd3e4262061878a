#include "tour.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

int debug = 0;

static const char tour_file[] = "data.xml";
static const char slide_dir[] = "slides";

void slide_free(gpointer slide)
{
    Slide *s = static_cast<Slide *>(slide);
    if (!s)
        return;
    g_free(s->id);
    g_free(s->left);
    g_free(s->right);
    g_free(s->forward);
    g_free(s->left180);
    g_free(s->right180);
    g_free(s->up);
    g_free(s->down);
    g_free(s->fn);
    g_free(s);
}

char *cdata(xmlnode *node, const char *name)
{
    xmlnode *child = xmlnode_get_child(node, name);
    return child ? xmlnode_get_data(child) : NULL;
}

// The photograph of slide `id`: slides/<id>.jpg, with a warning when absent.
static char *photo_path(const char *id)
{
    char *name = g_strconcat(id, ".jpg", NULL);
    char *path = g_build_filename(slide_dir, name, NULL);
    if (!g_file_test(path, G_FILE_TEST_EXISTS))
        fprintf(stderr, "%s does not exist at %s\n", name, path);
    g_free(name);
    return path;
}

static Slide *new_slide(const char *id)
{
    Slide *slide = g_new0(Slide, 1);
    slide->id = g_strdup(id);
    slide->fn = photo_path(id);
    return slide;
}

static void read_exits(Slide *slide, xmlnode *next)
{
    slide->left = cdata(next, "left");
    slide->right = cdata(next, "right");
    slide->forward = cdata(next, "forward");
    slide->left180 = cdata(next, "left180");
    slide->right180 = cdata(next, "right180");
    slide->up = cdata(next, "up");
    slide->down = cdata(next, "down");
}

// A slide's photograph lies directly in the slide directory; an id holding a
// directory separator would name a file elsewhere ("../x", "a/../../x").
bool id_leaves_slide_dir(const char *id)
{
    return strchr(id, '/') || strchr(id, G_DIR_SEPARATOR);
}

static void load_slides(GHashTable *table, xmlnode *root)
{
    int position = 0;
    for (xmlnode *elem = xmlnode_get_child(root, "slide"); elem;
         elem = xmlnode_get_next_twin(elem)) {
        position++;
        char *key = cdata(elem, "file");
        if (!key || !*key) {
            fprintf(stderr, "Slide number %d has no file name. Ignoring it.\n", position);
            g_free(key);
            continue;
        }
        if (id_leaves_slide_dir(key)) {
            fprintf(stderr, "Slide %s has a directory separator in its id. Ignoring it.\n", key);
            g_free(key);
            continue;
        }
        if (g_hash_table_contains(table, key)) {
            fprintf(stderr, "Slide %s was already seen. Ignoring the new one.\n", key);
            g_free(key);
            continue;
        }
        Slide *slide = new_slide(key);
        xmlnode *next = xmlnode_get_child(elem, "next");
        if (next)
            read_exits(slide, next);
        g_hash_table_insert(table, key, slide);
    }
}

bool is_special_file(const char *path)
{
    return g_file_test(path, G_FILE_TEST_EXISTS) && !g_file_test(path, G_FILE_TEST_IS_REGULAR);
}

gboolean read_whole_file(const char *path, char **text, gsize *length, GError **error)
{
    // A pipe would block the read and a link to a device could feed it forever;
    // reading only regular files also keeps the read within the file's size.
    if (is_special_file(path)) {
        g_set_error(error, G_FILE_ERROR, G_FILE_ERROR_FAILED, "not a regular file");
        return FALSE;
    }
    return g_file_get_contents(path, text, length, error);
}

GHashTable *make_weak(void)
{
    char *text = NULL;
    gsize length = 0;
    GError *error = NULL;
    if (!read_whole_file(tour_file, &text, &length, &error)) {
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
    load_slides(table, root);
    xmlnode_free(root);

    g_hash_table_insert(table, g_strdup("map"), new_slide("map"));
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
    print_exit("forward", s->forward);
    print_exit("left", s->left);
    print_exit("right", s->right);
    print_exit("left180", s->left180);
    print_exit("right180", s->right180);
    print_exit("up", s->up);
    print_exit("down", s->down);
    printf("\n");
}
