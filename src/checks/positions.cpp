// A second run of the markup parser over data.xml, for what the tree does not
// keep: line numbers of elements and the parser's own error message.
#include "checks.h"

#include <string.h>

#include <algorithm>

struct position_state {
    const char *text;
    gsize length;
    std::vector<gsize> line_starts; // byte offset of each line, line 1 first
    MarkupPositions *out;
    int depth;        // elements open
    bool root_closed; // the first element has ended
};

static void index_lines(position_state *state)
{
    state->line_starts.push_back(0);
    for (gsize i = 0; i < state->length; i++)
        if (state->text[i] == '\n')
            state->line_starts.push_back(i + 1);
}

static int line_at(const position_state *state, gsize offset)
{
    auto after = std::upper_bound(state->line_starts.begin(), state->line_starts.end(), offset);
    return (int)(after - state->line_starts.begin());
}

// The parser counts bytes, and counts a line break as the first character of
// the line it opens; this turns its position into a byte offset. It never
// looks at the very first byte for a line break, so a text that opens with
// one is a line further on than the parser says.
static gsize parser_offset(GMarkupParseContext *context, const position_state *state)
{
    int line = 0, column = 0;
    g_markup_parse_context_get_position(context, &line, &column);
    if (state->length && state->text[0] == '\n')
        line++;
    line = CLAMP(line, 1, (int)state->line_starts.size());
    gsize line_start = line > 1 ? state->line_starts[line - 1] - 1 : 0;
    return MIN(line_start + (gsize)MAX(column - 1, 0), state->length);
}

// The parser reports a start tag once past its '>', before anything else:
// the tag is the last '<' before that position.
static int start_tag_line(GMarkupParseContext *context, const position_state *state)
{
    gsize offset = parser_offset(context, state);
    while (offset > 0 && state->text[offset - 1] != '<')
        offset--;
    return line_at(state, offset > 0 ? offset - 1 : 0);
}

static void record_element(GMarkupParseContext *context, const char *, const char **, const char **,
                           gpointer user_data, GError **)
{
    auto *state = static_cast<position_state *>(user_data);
    state->out->element_lines.push_back(start_tag_line(context, state));
    state->depth++;
}

static void close_element(GMarkupParseContext *, const char *, gpointer user_data, GError **)
{
    auto *state = static_cast<position_state *>(user_data);
    if (--state->depth == 0)
        state->root_closed = true;
}

static const GMarkupParser position_parser = {record_element, close_element, NULL, NULL, NULL};

// GLib puts "Error on line N char M: " in front of its messages; the line and
// column are reported separately, so only the reason is kept. The reason may
// quote the bad bytes themselves, which are made printable.
static std::string reason(const char *message)
{
    const char *colon = strstr(message, ": ");
    if (g_str_has_prefix(message, "Error on line ") && colon)
        message = colon + 2;
    char *valid = g_utf8_make_valid(message, -1);
    std::string text = valid;
    g_free(valid);
    return text;
}

// Lines and columns as an editor counts them, from 1.
static void set_error_position(MarkupPositions *out, const position_state *state, gsize offset)
{
    out->error_line = line_at(state, offset);
    out->error_column = (int)(offset - state->line_starts[out->error_line - 1] + 1);
}

MarkupPositions markup_positions(const char *text, gsize length)
{
    MarkupPositions out{};
    position_state state{text, length, {}, &out, 0, false};
    index_lines(&state);

    // The XML module refuses text with a NUL byte, which the parser would stop at.
    if (const char *nul = static_cast<const char *>(memchr(text, '\0', length))) {
        out.well_formed = false;
        set_error_position(&out, &state, (gsize)(nul - text));
        out.error_message = "NUL byte, which XML does not allow";
        return out;
    }

    GError *error = NULL;
    GMarkupParseContext *context =
        g_markup_parse_context_new(&position_parser, (GMarkupParseFlags)0, &state, NULL);
    // Ending the parse as the XML module does: text cut short inside the root
    // is not well-formed; an unfinished tail after the root is only noted.
    out.well_formed = g_markup_parse_context_parse(context, text, (gssize)length, &error);
    bool ended = out.well_formed && g_markup_parse_context_end_parse(context, &error);
    if (out.well_formed && !ended && !state.root_closed)
        out.well_formed = false;
    if (!out.well_formed || !ended) {
        set_error_position(&out, &state, parser_offset(context, &state));
        out.error_message = error ? reason(error->message) : "rejected by the markup parser";
    }
    out.unfinished_tail = out.well_formed && !ended;
    if (error)
        g_error_free(error);
    g_markup_parse_context_free(context);
    return out;
}

int line_of(const LineMap &lines, const xmlnode *node)
{
    auto found = lines.find(node);
    return found == lines.end() ? 0 : found->second;
}
