#include "xmlnode.h"

#include <string.h>

#include <array>

// Precondition reports carry the operation's bare name, not the C++ signature
// that G_STRFUNC would give.
#define xn_return_if_fail(func, expr)                                                              \
    do {                                                                                           \
        if (G_UNLIKELY(!(expr))) {                                                                 \
            g_return_if_fail_warning(NULL, func, #expr);                                           \
            return;                                                                                \
        }                                                                                          \
    } while (0)

#define xn_return_val_if_fail(func, expr, val)                                                     \
    do {                                                                                           \
        if (G_UNLIKELY(!(expr))) {                                                                 \
            g_return_if_fail_warning(NULL, func, #expr);                                           \
            return (val);                                                                          \
        }                                                                                          \
    } while (0)

static xmlnode *new_node(const char *name, XMLNodeType type)
{
    // Zero-filled by the initialiser rather than by calloc, which bypasses
    // malloc's per-thread cache: a parse makes millions of nodes.
    xmlnode *node = g_new(xmlnode, 1);
    *node = xmlnode{};
    if (name)
        node->name = g_strdup(name);
    node->type = type;
    return node;
}

xmlnode *xmlnode_new(const char *name)
{
    xn_return_val_if_fail("xmlnode_new", name != NULL, NULL);
    return new_node(name, XMLNODE_TYPE_TAG);
}

xmlnode *xmlnode_new_child(xmlnode *parent, const char *name)
{
    xn_return_val_if_fail("xmlnode_new_child", parent != NULL, NULL);
    xn_return_val_if_fail("xmlnode_new_child", name != NULL, NULL);
    xmlnode *node = new_node(name, XMLNODE_TYPE_TAG);
    xmlnode_insert_child(parent, node);
    return node;
}

void xmlnode_insert_child(xmlnode *parent, xmlnode *child)
{
    xn_return_if_fail("xmlnode_insert_child", parent != NULL);
    xn_return_if_fail("xmlnode_insert_child", child != NULL);
    child->parent = parent;
    if (parent->last_child)
        parent->last_child->next = child;
    else
        parent->first_child = child;
    parent->last_child = child;
}

void xmlnode_insert_data(xmlnode *node, const char *data, gint32 size)
{
    xn_return_if_fail("xmlnode_insert_data", node != NULL);
    xn_return_if_fail("xmlnode_insert_data", data != NULL);
    xn_return_if_fail("xmlnode_insert_data", size != 0);
    xn_return_if_fail("xmlnode_insert_data", size >= -1);

    gsize real_size = size == -1 ? strlen(data) : (gsize)size;
    if (real_size > G_MAXUINT32)
        real_size = G_MAXUINT32;
    xmlnode *child = new_node(NULL, XMLNODE_TYPE_DATA);
    if (real_size) {
        child->data = (char *)g_memdup2(data, real_size);
        child->data_size = (guint32)real_size;
    }
    xmlnode_insert_child(node, child);
}

void xmlnode_remove_attrib(xmlnode *node, const char *attr)
{
    xn_return_if_fail("xmlnode_remove_attrib", node != NULL);
    xn_return_if_fail("xmlnode_remove_attrib", attr != NULL);

    xmlnode *prev = NULL;
    for (xmlnode *child = node->first_child; child; prev = child, child = child->next) {
        if (child->type != XMLNODE_TYPE_ATTRIB || strcmp(child->name, attr) != 0)
            continue;
        if (prev)
            prev->next = child->next;
        else
            node->first_child = child->next;
        if (node->last_child == child)
            node->last_child = prev;
        child->next = NULL;
        child->parent = NULL;
        xmlnode_free(child);
        return;
    }
}

void xmlnode_set_attrib(xmlnode *node, const char *attr, const char *value)
{
    xn_return_if_fail("xmlnode_set_attrib", node != NULL);
    xn_return_if_fail("xmlnode_set_attrib", attr != NULL);
    xn_return_if_fail("xmlnode_set_attrib", value != NULL);

    xmlnode_remove_attrib(node, attr);
    xmlnode *attrib = new_node(attr, XMLNODE_TYPE_ATTRIB);
    attrib->data = g_strdup(value);
    xmlnode_insert_child(node, attrib);
}

const char *xmlnode_get_attrib(const xmlnode *node, const char *attr)
{
    xn_return_val_if_fail("xmlnode_get_attrib", node != NULL, NULL);
    if (!attr)
        return NULL; // no name has no value; not reported, as callers always pass one
    for (const xmlnode *child = node->first_child; child; child = child->next) {
        if (child->type == XMLNODE_TYPE_ATTRIB && strcmp(child->name, attr) == 0)
            return child->data;
    }
    return NULL;
}

void xmlnode_free(xmlnode *node)
{
    xn_return_if_fail("xmlnode_free", node != NULL);

    // Splice each child list into the work list instead of recursing, so that
    // a tree of any depth is freed in constant stack space.
    xmlnode *pending = node->first_child;
    while (pending) {
        xmlnode *cur = pending;
        pending = cur->next;
        if (cur->first_child) {
            cur->last_child->next = pending;
            pending = cur->first_child;
        }
        g_free(cur->name);
        g_free(cur->data);
        g_free(cur);
    }
    g_free(node->name);
    g_free(node->data);
    g_free(node);
}

static bool name_is_step(const char *name, const char *step, gsize step_len)
{
    return strncmp(name, step, step_len) == 0 && name[step_len] == '\0';
}

xmlnode *xmlnode_get_child(const xmlnode *parent, const char *name)
{
    return xmlnode_get_child_with_namespace(parent, name, NULL);
}

xmlnode *xmlnode_get_child_with_namespace(const xmlnode *parent, const char *name, const char *ns)
{
    xn_return_val_if_fail("xmlnode_get_child_with_namespace", parent != NULL, NULL);
    xn_return_val_if_fail("xmlnode_get_child_with_namespace", name != NULL, NULL);

    // Each "/"-separated step is looked up inside the first match of the step
    // before it; the namespace filters the first step only.
    const xmlnode *scope = parent;
    const char *step = name;
    for (;;) {
        const char *slash = strchr(step, '/');
        gsize step_len = slash ? (gsize)(slash - step) : strlen(step);
        if (!slash && step_len == 0)
            return NULL; // empty path, or a path ending in "/"
        const xmlnode *match = NULL;
        for (const xmlnode *child = scope->first_child; child; child = child->next) {
            if (child->type != XMLNODE_TYPE_TAG || !name_is_step(child->name, step, step_len))
                continue;
            if (ns && step == name) {
                const char *xmlns = xmlnode_get_attrib(child, "xmlns");
                if (!xmlns || strcmp(xmlns, ns) != 0)
                    continue;
            }
            match = child;
            break;
        }
        if (!match || !slash)
            return (xmlnode *)match;
        scope = match;
        step = slash + 1;
    }
}

char *xmlnode_get_data(const xmlnode *node)
{
    xn_return_val_if_fail("xmlnode_get_data", node != NULL, NULL);

    // Measured first, so that the text takes exactly its size: a growing
    // string would start at 64 bytes, and the loader keeps such texts.
    gsize size = 0;
    bool any = false;
    for (const xmlnode *child = node->first_child; child; child = child->next) {
        if (child->type == XMLNODE_TYPE_DATA) {
            any = true;
            size += child->data_size;
        }
    }
    if (!any)
        return NULL;
    char *text = static_cast<char *>(g_malloc(size + 1));
    char *end = text;
    for (const xmlnode *child = node->first_child; child; child = child->next) {
        if (child->type == XMLNODE_TYPE_DATA && child->data_size) {
            memcpy(end, child->data, child->data_size);
            end += child->data_size;
        }
    }
    *end = '\0';
    return text;
}

xmlnode *xmlnode_get_next_twin(xmlnode *node)
{
    xn_return_val_if_fail("xmlnode_get_next_twin", node != NULL, NULL);
    xn_return_val_if_fail("xmlnode_get_next_twin", node->type == XMLNODE_TYPE_TAG, NULL);

    const char *ns = xmlnode_get_attrib(node, "xmlns");
    for (xmlnode *sibling = node->next; sibling; sibling = sibling->next) {
        if (sibling->type != XMLNODE_TYPE_TAG || strcmp(sibling->name, node->name) != 0)
            continue;
        if (ns) {
            const char *xmlns = xmlnode_get_attrib(sibling, "xmlns");
            if (!xmlns || strcmp(xmlns, ns) != 0)
                continue;
        }
        return sibling;
    }
    return NULL;
}

struct xmlnode_parse_state {
    xmlnode *current_node;
    bool root_closed; // the root's end tag has been seen
};

// Up to this many attributes per start tag go through xmlnode_set_attrib one by
// one; past it, its scan for an earlier namesake would make a tag quadratic.
static const int few_attributes = 16;

// Appends the attributes as successive xmlnode_set_attrib calls would leave them
// (a repeated name keeps one node, with the last value, at the place of its last
// occurrence) in time linear in their number.
static void append_many_attributes(xmlnode *node, const char **names, const char **values)
{
    GHashTable *last_index = g_hash_table_new(g_str_hash, g_str_equal);
    for (int i = 0; names[i]; i++)
        g_hash_table_insert(last_index, (gpointer)names[i], GINT_TO_POINTER(i));
    for (int i = 0; names[i]; i++) {
        if (GPOINTER_TO_INT(g_hash_table_lookup(last_index, names[i])) != i)
            continue;
        xmlnode *attrib = new_node(names[i], XMLNODE_TYPE_ATTRIB);
        attrib->data = g_strdup(values[i]);
        xmlnode_insert_child(node, attrib);
    }
    g_hash_table_destroy(last_index);
}

static void xmlnode_parser_element_start(GMarkupParseContext *, const char *element_name,
                                         const char **attrib_names, const char **attrib_values,
                                         gpointer user_data, GError **)
{
    auto *state = static_cast<xmlnode_parse_state *>(user_data);
    if (!element_name)
        return;
    xmlnode *node = state->current_node ? xmlnode_new_child(state->current_node, element_name)
                                        : xmlnode_new(element_name);
    int count = 0;
    while (count <= few_attributes && attrib_names[count])
        count++;
    if (count > few_attributes) {
        append_many_attributes(node, attrib_names, attrib_values);
    } else {
        for (int i = 0; attrib_names[i]; i++)
            xmlnode_set_attrib(node, attrib_names[i], attrib_values[i]);
    }
    state->current_node = node;
}

static void xmlnode_parser_element_end(GMarkupParseContext *, const char *element_name,
                                       gpointer user_data, GError **)
{
    auto *state = static_cast<xmlnode_parse_state *>(user_data);
    xmlnode *cur = state->current_node;
    if (!element_name || !cur || strcmp(cur->name, element_name) != 0)
        return;
    if (!cur->parent)
        state->root_closed = true; // the root stays current
    else
        state->current_node = cur->parent;
}

static void xmlnode_parser_element_text(GMarkupParseContext *, const char *text, gsize text_len,
                                        gpointer user_data, GError **)
{
    auto *state = static_cast<xmlnode_parse_state *>(user_data);
    if (!state->current_node || !text || text_len == 0)
        return;
    // A run longer than a character-data node can count becomes several nodes.
    while (text_len > 0) {
        gsize chunk = MIN(text_len, (gsize)G_MAXINT32);
        xmlnode_insert_data(state->current_node, text, (gint32)chunk);
        text += chunk;
        text_len -= chunk;
    }
}

static const GMarkupParser xmlnode_parser = {xmlnode_parser_element_start,
                                             xmlnode_parser_element_end,
                                             xmlnode_parser_element_text, NULL, NULL};

gsize xmlnode_bom_length(const char *str, gsize size)
{
    return size >= 3 && memcmp(str, "\xEF\xBB\xBF", 3) == 0 ? 3 : 0;
}

xmlnode *xmlnode_from_str(const char *str, gssize size)
{
    xn_return_val_if_fail("xmlnode_from_str", str != NULL, NULL);
    if (size < 0)
        size = (gssize)strlen(str);
    // XML has no NUL character; the markup parser would silently cut the run.
    if (memchr(str, '\0', (gsize)size))
        return NULL;
    // Editors on some systems open UTF-8 files with a byte-order mark, which
    // the markup parser takes for text before the root.
    gsize bom = xmlnode_bom_length(str, (gsize)size);
    str += bom;
    size -= (gssize)bom;

    auto *state = g_new0(xmlnode_parse_state, 1);
    GMarkupParseContext *context =
        g_markup_parse_context_new(&xmlnode_parser, (GMarkupParseFlags)0, state, NULL);
    // Ending the parse makes text cut short inside the root (open elements, a
    // half-written tag) fail like any other malformed text, so a truncated file
    // never loads. Once the root has closed, an unfinished tail (a comment, a
    // processing instruction, a stray "<") no longer takes the document with it.
    bool ok = g_markup_parse_context_parse(context, str, size, NULL) &&
              (g_markup_parse_context_end_parse(context, NULL) || state->root_closed);
    // An unfinished tail may leave a later top-level element open inside the root.
    xmlnode *root = state->current_node;
    while (root && root->parent)
        root = root->parent;
    if (!ok && root) {
        xmlnode_free(root);
        root = NULL;
    }
    g_markup_parse_context_free(context);
    g_free(state);
    return root;
}

// Writing keeps one frame per open element on an explicit stack, so trees of
// any depth are written in constant C stack space and into a single buffer.
struct write_frame {
    const xmlnode *node;
    const xmlnode *cursor; // next child to write
    guint depth;
    bool formatting; // the layout this element was asked for
    bool pretty;     // the layout of its inside: off once it holds character data
};

static void append_tabs(GString *out, guint depth)
{
    for (guint i = 0; i < depth; i++)
        g_string_append_c(out, '\t');
}

// Bytes that g_markup_escape_text does not copy through as they are: markup
// characters, control characters, the lead byte of the C1 controls' UTF-8
// form, and NUL, where appending its result would stop.
static constexpr std::array<bool, 256> make_escape_table()
{
    std::array<bool, 256> table{};
    for (int c = 0; c < 0x20; c++)
        table[c] = c != '\t' && c != '\n' && c != '\r';
    for (unsigned char c : {'&', '<', '>', '\'', '"'})
        table[c] = true;
    table[0x7f] = table[0xc2] = true;
    return table;
}
static constexpr std::array<bool, 256> needs_escape = make_escape_table();

// Appends what appending g_markup_escape_text (text, len) would, without the
// temporary string: the same references for the same bytes, cut at a NUL.
// A run of plain bytes is copied in one piece.
static void append_escaped(GString *out, const char *text, gsize len)
{
    const char *run = text, *end = text + len;
    for (const char *p = text; p < end; p++) {
        guchar c = (guchar)*p;
        if (G_LIKELY(!needs_escape[c]))
            continue;
        const char *entity = NULL;
        switch (c) {
        case '&':
            entity = "&amp;";
            break;
        case '<':
            entity = "&lt;";
            break;
        case '>':
            entity = "&gt;";
            break;
        case '\'':
            entity = "&apos;";
            break;
        case '"':
            entity = "&quot;";
            break;
        }
        guint code = c;
        gsize width = 1;
        if (c == 0xc2) {
            // U+0080..U+009F but U+0085 (next line) become references.
            guchar next = p + 1 < end ? (guchar)p[1] : 0;
            if ((next & 0xc0) != 0x80 || next == 0x85 || next > 0x9f)
                continue;
            code = next;
            width = 2;
        }
        g_string_append_len(out, run, p - run);
        if (c == 0)
            return;
        if (entity)
            g_string_append(out, entity);
        else
            g_string_append_printf(out, "&#x%x;", code);
        p += width - 1;
        run = p + 1;
    }
    g_string_append_len(out, run, end - run);
}

static void append_escaped(GString *out, const char *text)
{
    if (text)
        append_escaped(out, text, strlen(text));
}

// Writes an element's start tag; returns whether it stays open for content.
static bool open_element(GString *out, write_frame *frame)
{
    const xmlnode *node = frame->node;
    if (frame->formatting && frame->depth)
        append_tabs(out, frame->depth);
    g_string_append_c(out, '<');
    append_escaped(out, node->name);

    bool need_close = false;
    frame->pretty = frame->formatting;
    for (const xmlnode *child = node->first_child; child; child = child->next) {
        if (child->type == XMLNODE_TYPE_ATTRIB) {
            g_string_append_c(out, ' ');
            append_escaped(out, child->name);
            g_string_append_len(out, "='", 2);
            append_escaped(out, child->data);
            g_string_append_c(out, '\'');
        } else {
            need_close = true;
            if (child->type == XMLNODE_TYPE_DATA)
                frame->pretty = false;
        }
    }
    if (!need_close) {
        if (frame->formatting)
            g_string_append_len(out, "/>\r\n", 4);
        else
            g_string_append_len(out, "/>", 2);
        return false;
    }
    if (frame->pretty)
        g_string_append_len(out, ">\r\n", 3);
    else
        g_string_append_c(out, '>');
    frame->cursor = node->first_child;
    return true;
}

static void close_element(GString *out, const write_frame *frame)
{
    if (frame->formatting && frame->depth && frame->pretty)
        append_tabs(out, frame->depth);
    g_string_append_len(out, "</", 2);
    append_escaped(out, frame->node->name);
    if (frame->formatting)
        g_string_append_len(out, ">\r\n", 3);
    else
        g_string_append_c(out, '>');
}

// Longest text the writers hand out: its length must fit the caller's int.
static const gsize max_text_len = G_MAXINT;

// The tabs that formatted text would hold, counted up to just past the limit.
// They grow with the square of the depth (a million levels would need about a
// terabyte), so counting them first refuses such a text before building any.
static gsize count_tabs(const xmlnode *node, guint depth)
{
    struct pending {
        const xmlnode *node;
        guint depth;
    };
    GArray *stack = g_array_new(FALSE, FALSE, sizeof(pending));
    pending root = {node, depth};
    g_array_append_val(stack, root);
    gsize tabs = 0;
    while (stack->len > 0 && tabs <= max_text_len) {
        pending cur = g_array_index(stack, pending, stack->len - 1);
        g_array_set_size(stack, stack->len - 1);
        bool has_content = false, pretty = true;
        for (const xmlnode *child = cur.node->first_child; child; child = child->next) {
            has_content = has_content || child->type != XMLNODE_TYPE_ATTRIB;
            pretty = pretty && child->type != XMLNODE_TYPE_DATA;
        }
        tabs += cur.depth;
        if (!has_content || !pretty)
            continue; // no end tag to indent, or an inside written compact
        tabs += cur.depth;
        for (const xmlnode *child = cur.node->first_child; child; child = child->next) {
            if (child->type == XMLNODE_TYPE_TAG) {
                pending next = {child, cur.depth + 1};
                g_array_append_val(stack, next);
            }
        }
    }
    g_array_free(stack, TRUE);
    return tabs;
}

// Appends the text of `node` to what `out` holds and hands `out`'s characters
// over, storing through `len` the length of the part written here.
static char *write_element(GString *out, const xmlnode *node, int *len, bool formatting,
                           guint depth)
{
    const gsize start = out->len;
    GArray *stack = g_array_new(FALSE, FALSE, sizeof(write_frame));
    write_frame root = {node, NULL, depth, formatting, formatting};
    if (open_element(out, &root))
        g_array_append_val(stack, root);

    while (stack->len > 0 && out->len - start <= max_text_len) {
        write_frame *top = &g_array_index(stack, write_frame, stack->len - 1);
        const xmlnode *child = top->cursor;
        if (!child) {
            close_element(out, top);
            g_array_set_size(stack, stack->len - 1);
            continue;
        }
        top->cursor = child->next;
        if (child->type == XMLNODE_TYPE_DATA) {
            if (child->data_size)
                append_escaped(out, child->data, child->data_size);
        } else if (child->type == XMLNODE_TYPE_TAG) {
            write_frame frame = {child, NULL, top->depth + 1, top->pretty, top->pretty};
            if (open_element(out, &frame))
                g_array_append_val(stack, frame); // may move the array: top is stale now
        }
    }
    g_array_free(stack, TRUE);

    if (out->len - start > max_text_len) {
        g_string_free(out, TRUE);
        g_return_if_fail_warning(NULL, "xmlnode_to_str_helper", "text length <= G_MAXINT");
        return NULL;
    }
    if (len)
        *len = (int)(out->len - start);
    return g_string_free(out, FALSE);
}

static bool too_many_tabs(const xmlnode *node, bool formatting, guint depth)
{
    if (!formatting || count_tabs(node, depth) <= max_text_len)
        return false;
    g_return_if_fail_warning(NULL, "xmlnode_to_str_helper", "text length <= G_MAXINT");
    return true;
}

static char *xmlnode_to_str_helper(const xmlnode *node, int *len, bool formatting, guint depth)
{
    xn_return_val_if_fail("xmlnode_to_str_helper", node != NULL, NULL);
    xn_return_val_if_fail("xmlnode_to_str_helper", node->type == XMLNODE_TYPE_TAG, NULL);
    if (too_many_tabs(node, formatting, depth))
        return NULL;
    return write_element(g_string_new(""), node, len, formatting, depth);
}

char *xmlnode_to_str(const xmlnode *node, int *len)
{
    return xmlnode_to_str_helper(node, len, false, 0);
}

char *xmlnode_to_formatted_str(const xmlnode *node, int *len)
{
    xn_return_val_if_fail("xmlnode_to_formatted_str", node != NULL, NULL);
    xn_return_val_if_fail("xmlnode_to_formatted_str", node->type == XMLNODE_TYPE_TAG, NULL);

    if (too_many_tabs(node, true, 0))
        return NULL;
    // The declaration goes in first, so the text is not copied behind it;
    // the length reported is still that of the element's text alone.
    return write_element(g_string_new("<?xml version='1.0' encoding='UTF-8' ?>\r\n\r\n"), node, len,
                         true, 0);
}

static xmlnode *copy_one(const xmlnode *src)
{
    xmlnode *copy = new_node(src->name, src->type);
    if (src->data) {
        if (src->data_size) {
            copy->data = (char *)g_memdup2(src->data, src->data_size);
            copy->data_size = src->data_size;
        } else {
            copy->data = g_strdup(src->data);
        }
    }
    return copy;
}

xmlnode *xmlnode_copy(const xmlnode *src)
{
    xn_return_val_if_fail("xmlnode_copy", src != NULL, NULL);

    // Walk the source depth first with an explicit stack of pending siblings;
    // the copy side climbs through its own parent links.
    xmlnode *root = copy_one(src);
    GPtrArray *stack = g_ptr_array_new();
    const xmlnode *from = src->first_child;
    xmlnode *into = root;
    while (from || stack->len > 0) {
        if (!from) {
            from = static_cast<const xmlnode *>(g_ptr_array_steal_index(stack, stack->len - 1));
            into = into->parent;
            continue;
        }
        xmlnode *copy = copy_one(from);
        xmlnode_insert_child(into, copy);
        if (from->first_child) {
            g_ptr_array_add(stack, (gpointer)from->next);
            into = copy;
            from = from->first_child;
        } else {
            from = from->next;
        }
    }
    g_ptr_array_free(stack, TRUE);
    return root;
}
