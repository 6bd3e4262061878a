// tour.js: the slide table the viewer's loader built and the format the page
// walks it by, taken from the viewer's own tables, with the names of the
// page's arrow buttons.
#include "webexport.h"

#include <json-glib/json-glib.h>
#include <string.h>

#include <initializer_list>
#include <iterator>
#include <utility>

#include "geometry.h"
#include "graph.h"
#include "moves.h"
#include "version.h"

// The move codes by the names the page's logic gives them, so that it restates
// neither the codes nor the order of `moves`.
static const std::pair<const char *, Move> move_codes[] = {
    {"FORWARD", MOVE_FORWARD}, {"LEFT", MOVE_LEFT}, {"RIGHT", MOVE_RIGHT},
    {"UP", MOVE_UP},           {"DOWN", MOVE_DOWN}, {"NONE", MOVE_NONE},
};
static_assert(std::size(move_codes) == MOVE_NONE + 1, "a name for every move code");

// What the page calls each exit's arrow button, by Exit.
static const char *const exit_labels[] = {
    "Forward",
    "Turn left",
    "Turn right",
    "Turn round to the left",
    "Turn round to the right",
    "Up the stairs",
    "Down the stairs",
};
static_assert(std::size(exit_labels) == EXIT_COUNT, "a label for every exit kind");

// What the page calls each heading, by heading index, as in "hall, facing north".
static const char *const heading_words[] = {
    "north", "north-east", "east", "south-east", "south", "south-west", "west", "north-west",
};
static_assert(std::size(heading_words) == HEADINGS, "a word for every heading");

std::string url_of_path(const std::string &path)
{
    std::string url;
    char **segments = g_strsplit(path.c_str(), "/", -1);
    for (char **segment = segments; *segment; segment++) {
        char *escaped = g_uri_escape_string(*segment, NULL, FALSE);
        if (segment != segments)
            url += "/";
        url += escaped;
        g_free(escaped);
    }
    g_strfreev(segments);
    return url;
}

std::string start_photo_url(const WebTour *web)
{
    return url_of_path(page_slides(web).front()->fn);
}

static std::string data_uri(const TourFile &file)
{
    char *base64 =
        g_base64_encode(reinterpret_cast<const guchar *>(file.bytes.data()), file.bytes.size());
    std::string uri =
        std::string(file.png ? "data:image/png;base64," : "data:image/jpeg;base64,") + base64;
    g_free(base64);
    return uri;
}

// The URL of an exported file, or null when the file is not exported.
static void add_url(JsonBuilder *builder, const WebTour *web, const std::string &path,
                    bool inline_files)
{
    auto found = web->files.find(path);
    if (found == web->files.end())
        json_builder_add_null_value(builder);
    else if (inline_files)
        json_builder_add_string_value(builder, data_uri(found->second).c_str());
    else
        json_builder_add_string_value(builder, url_of_path(path).c_str());
}

static void add_int(JsonBuilder *builder, const char *name, int value)
{
    json_builder_set_member_name(builder, name);
    json_builder_add_int_value(builder, value);
}

static void add_string(JsonBuilder *builder, const char *name, const char *value)
{
    json_builder_set_member_name(builder, name);
    json_builder_add_string_value(builder, value);
}

// An object of whole numbers, in the order given.
static void add_ints(JsonBuilder *builder, const char *name,
                     std::initializer_list<std::pair<const char *, int>> members)
{
    json_builder_set_member_name(builder, name);
    json_builder_begin_object(builder);
    for (const auto &member : members)
        add_int(builder, member.first, member.second);
    json_builder_end_object(builder);
}

// The exit kinds each move follows, best first, as exit_for takes them.
static void add_preference(JsonBuilder *builder)
{
    json_builder_set_member_name(builder, "preference");
    json_builder_begin_object(builder);
    for (size_t move = 0; move < move_preference.size(); move++) {
        json_builder_set_member_name(builder, move_names[move]);
        json_builder_begin_array(builder);
        for (size_t i = 0; i < move_preference[move].count; i++)
            json_builder_add_string_value(builder, exit_kinds[move_preference[move].exits[i]].name);
        json_builder_end_array(builder);
    }
    json_builder_end_object(builder);
}

static void add_sprites(JsonBuilder *builder, const WebTour *web, bool inline_files)
{
    json_builder_set_member_name(builder, "sprites");
    json_builder_begin_array(builder);
    for (int index = 0; index < SPRITE_COUNT; index++) {
        json_builder_begin_object(builder);
        std::string name = curfiles[index];
        add_string(builder, "name", name.substr(0, name.rfind('.')).c_str());
        json_builder_set_member_name(builder, "cursor");
        add_url(builder, web, std::string(sprite_dir) + "/" + curfiles[index], inline_files);
        json_builder_set_member_name(builder, "arrow");
        if (arrowfiles[index])
            add_url(builder, web, std::string(sprite_dir) + "/" + arrowfiles[index], inline_files);
        else
            json_builder_add_null_value(builder);
        add_int(builder, "x", arrow_places[index].x);
        add_int(builder, "y", arrow_places[index].y);
        json_builder_end_object(builder);
    }
    json_builder_end_array(builder);
}

static void add_format(JsonBuilder *builder, const WebTour *web, bool inline_files)
{
    json_builder_set_member_name(builder, "format");
    json_builder_begin_object(builder);
    add_ints(builder, "window", {{"width", WINDOW_WIDTH}, {"height", WINDOW_HEIGHT}});
    add_ints(builder, "slide",
             {{"x", SLIDE_X}, {"y", SLIDE_Y}, {"width", SLIDE_WIDTH}, {"height", SLIDE_HEIGHT}});
    add_ints(
        builder, "bands",
        {{"left", LEFT_BAND}, {"right", RIGHT_BAND}, {"top", TOP_BAND}, {"bottom", BOTTOM_BAND}});

    json_builder_set_member_name(builder, "moves");
    json_builder_begin_array(builder);
    for (const char *name : move_names)
        json_builder_add_string_value(builder, name);
    json_builder_end_array(builder);
    json_builder_set_member_name(builder, "codes");
    json_builder_begin_object(builder);
    for (const auto &[name, code] : move_codes)
        add_int(builder, name, code);
    json_builder_end_object(builder);
    json_builder_set_member_name(builder, "exits");
    json_builder_begin_array(builder);
    for (size_t i = 0; i < exit_kinds.size(); i++) {
        const ExitKind &kind = exit_kinds[i];
        json_builder_begin_object(builder);
        add_string(builder, "name", kind.name);
        add_string(builder, "move", move_names[kind.move]);
        add_int(builder, "sprite", kind.sprite);
        add_string(builder, "label", exit_labels[i]);
        json_builder_end_object(builder);
    }
    json_builder_end_array(builder);
    add_preference(builder);
    add_sprites(builder, web, inline_files);
    add_string(builder, "start", start_id);
    add_string(builder, "map", map_id);
    json_builder_end_object(builder);
}

// A placed slide's point (index into the places' points) and heading.
struct SlidePlace {
    int point, heading;
};

// Where each placed slide stands, by id.
static std::map<std::string, SlidePlace> slide_places(const WebTour *web)
{
    std::map<std::string, SlidePlace> places;
    const std::vector<PlacedPoint> &points = web->tour.places.points;
    for (size_t p = 0; web->tour.placed && p < points.size(); p++)
        for (int h = 0; h < HEADINGS; h++)
            if (!points[p].slides[h].empty())
                places[points[p].slides[h]] = {static_cast<int>(p), h};
    return places;
}

// A placed slide's name for people, "hall, facing north", and its place: the
// point, the heading (an index into the point's `toward`) and its degrees.
static void add_slide_place(JsonBuilder *builder, const WebTour *web, const SlidePlace &place)
{
    const PlacedPoint &point = web->tour.places.points[place.point];
    add_string(builder, "name", (point.name + ", facing " + heading_words[place.heading]).c_str());
    add_ints(builder, "place",
             {{"point", place.point},
              {"heading", place.heading},
              {"degrees", place.heading * 360 / HEADINGS}});
}

// The tour's title and its points on the map, each with the slide that a
// visitor facing each heading comes to there: the one facing that way, or the
// nearest photographed heading.
static void add_places(JsonBuilder *builder, const WebTour *web)
{
    if (!web->tour.placed)
        return;
    json_builder_set_member_name(builder, "places");
    json_builder_begin_object(builder);
    add_string(builder, "title", web->tour.places.title.c_str());
    json_builder_set_member_name(builder, "points");
    json_builder_begin_array(builder);
    for (const PlacedPoint &point : web->tour.places.points) {
        json_builder_begin_object(builder);
        add_string(builder, "name", point.name.c_str());
        json_builder_set_member_name(builder, "x");
        json_builder_add_double_value(builder, point.x);
        json_builder_set_member_name(builder, "y");
        json_builder_add_double_value(builder, point.y);
        std::array<int, HEADINGS> photographed;
        for (int h = 0; h < HEADINGS; h++)
            photographed[h] = point.slides[h].empty() ? -1 : h;
        json_builder_set_member_name(builder, "toward");
        json_builder_begin_array(builder);
        for (int h = 0; h < HEADINGS; h++) {
            int nearest = nearest_heading(photographed, h);
            if (nearest < 0)
                json_builder_add_null_value(builder);
            else
                json_builder_add_string_value(builder, point.slides[nearest].c_str());
        }
        json_builder_end_array(builder);
        json_builder_end_object(builder);
    }
    json_builder_end_array(builder);
    json_builder_end_object(builder);
}

static void add_slides(JsonBuilder *builder, const WebTour *web, bool inline_files)
{
    std::map<std::string, SlidePlace> places = slide_places(web);
    json_builder_set_member_name(builder, "slides");
    json_builder_begin_array(builder);
    for (const Slide *slide : page_slides(web)) {
        json_builder_begin_object(builder);
        add_string(builder, "id", slide->id);
        auto place = places.find(slide->id);
        if (place != places.end())
            add_slide_place(builder, web, place->second);
        json_builder_set_member_name(builder, "photo");
        add_url(builder, web, slide->fn, inline_files);
        json_builder_set_member_name(builder, "exits");
        json_builder_begin_object(builder);
        for (const ExitKind &kind : exit_kinds)
            if (slide->*kind.field)
                add_string(builder, kind.name, slide->*kind.field);
        json_builder_end_object(builder);
        json_builder_end_object(builder);
    }
    json_builder_end_array(builder);
}

// Writes one code unit as \uXXXX.
static void add_escape(std::string *out, unsigned unit)
{
    char escape[8];
    g_snprintf(escape, sizeof escape, "\\u%04x", unit);
    *out += escape;
}

std::string script_safe(const std::string &json)
{
    std::string out;
    out.reserve(json.size());
    const char *end = json.data() + json.size();
    for (const char *c = json.data(); c < end;) {
        unsigned char byte = static_cast<unsigned char>(*c);
        if (byte == '<' || byte == '>' || byte == '&') {
            add_escape(&out, byte);
            c++;
        } else if (byte < 0x80) {
            out += *c++;
        } else {
            // The generator writes valid UTF-8 from text the markup parser took.
            gunichar ch = g_utf8_get_char_validated(c, end - c);
            if (ch == (gunichar)-1 || ch == (gunichar)-2) {
                add_escape(&out, 0xfffd);
                c++;
                continue;
            }
            if (ch >= 0x10000) {
                add_escape(&out, 0xd800 + ((ch - 0x10000) >> 10));
                add_escape(&out, 0xdc00 + ((ch - 0x10000) & 0x3ff));
            } else {
                add_escape(&out, ch);
            }
            c = g_utf8_next_char(c);
        }
    }
    return out;
}

std::string tour_js(const WebTour *web, bool inline_files)
{
    JsonBuilder *builder = json_builder_new();
    json_builder_begin_object(builder);
    add_string(builder, "generator", (std::string("tourweb ") + TOURVIEW_VERSION).c_str());
    add_format(builder, web, inline_files);
    add_places(builder, web);
    add_slides(builder, web, inline_files);
    json_builder_end_object(builder);

    JsonNode *root = json_builder_get_root(builder);
    JsonGenerator *generator = json_generator_new();
    json_generator_set_root(generator, root);
    gsize length = 0;
    char *json = json_generator_to_data(generator, &length);
    std::string script = "var TOURWEB_TOUR = " + script_safe(std::string(json, length)) + ";\n";
    g_free(json);
    g_object_unref(generator);
    json_node_unref(root);
    g_object_unref(builder);
    return script;
}
