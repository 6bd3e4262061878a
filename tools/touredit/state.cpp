// The state the page shows: the plan as tourmake reads it, its problems in
// tourmake's words, the images beside it and the walks it might want.
#include "touredit.h"

#include <algorithm>
#include <set>

#include "making.h"

static void member(JsonBuilder *b, const char *name, const std::string &value)
{
    json_builder_set_member_name(b, name);
    json_builder_add_string_value(b, value.c_str());
}

static void member(JsonBuilder *b, const char *name, int64_t value)
{
    json_builder_set_member_name(b, name);
    json_builder_add_int_value(b, value);
}

static void member_double(JsonBuilder *b, const char *name, double value)
{
    json_builder_set_member_name(b, name);
    json_builder_add_double_value(b, value);
}

static void member_bool(JsonBuilder *b, const char *name, bool value)
{
    json_builder_set_member_name(b, name);
    json_builder_add_boolean_value(b, value);
}

static void member_null(JsonBuilder *b, const char *name)
{
    json_builder_set_member_name(b, name);
    json_builder_add_null_value(b);
}

static void begin_member_array(JsonBuilder *b, const char *name)
{
    json_builder_set_member_name(b, name);
    json_builder_begin_array(b);
}

static void begin_member_object(JsonBuilder *b, const char *name)
{
    json_builder_set_member_name(b, name);
    json_builder_begin_object(b);
}

static std::string valid_utf8(const std::string &text)
{
    gchar *valid = g_utf8_make_valid(text.data(), static_cast<gssize>(text.size()));
    std::string made = valid;
    g_free(valid);
    return made;
}

static int point_named(const Plan *plan, const std::string &name)
{
    for (size_t i = 0; i < plan->points.size(); i++)
        if (plan->points[i].name == name)
            return static_cast<int>(i);
    return -1;
}

static int heading_named(const std::string &name)
{
    for (int h = 0; h < HEADINGS; h++)
        if (name == heading_names[h])
            return h;
    return -1;
}

// The point and heading a statement speaks of, from its words: the second
// word when it names a point, the third when it names a heading.
static void subject_of(const Plan *plan, const std::string &line, int *point, int *heading)
{
    std::vector<PlanWord> words;
    size_t comment;
    *point = *heading = -1;
    if (!plan_split_line(line, &words, &comment) || words.size() < 2)
        return;
    const std::string &verb = words[0].text;
    if (verb != "point" && verb != "photo" && verb != "walk" && verb != "stairs" &&
        verb != "start" && verb != "pano")
        return;
    *point = point_named(plan, words[1].text);
    if (*point >= 0 && verb != "point" && words.size() > 2)
        *heading = heading_named(words[2].text);
}

static void add_problems(JsonBuilder *b, const Editing *editing, const Plan *plan,
                         const std::string &text, Diagnostics diagnostics)
{
    sort_diagnostics(&diagnostics, "");
    std::vector<std::string> lines = plan_lines(text);
    begin_member_array(b, "problems");
    for (const Diagnostic &d : diagnostics) {
        const char *level = d.severity == ERROR ? "error" : "warning";
        int point = -1, heading = -1;
        if (d.line > 0 && d.line <= static_cast<int>(lines.size()))
            subject_of(plan, lines[d.line - 1], &point, &heading);
        json_builder_begin_object(b);
        member(b, "line", d.line);
        member(b, "severity", std::string(level));
        member(b, "message", valid_utf8(d.message));
        member(b, "text", valid_utf8(diagnostic_line(d, editing->plan)));
        if (point >= 0)
            member(b, "point", plan->points[point].name);
        else
            member_null(b, "point");
        if (heading >= 0)
            member(b, "heading", std::string(heading_names[heading]));
        else
            member_null(b, "heading");
        json_builder_end_object(b);
    }
    json_builder_end_array(b);
}

static void add_start(JsonBuilder *b, const std::string &text)
{
    for (const std::string &line : plan_lines(text)) {
        std::vector<PlanWord> words;
        size_t comment;
        if (plan_split_line(line, &words, &comment) && words.size() == 3 &&
            words[0].text == "start") {
            begin_member_object(b, "start");
            member(b, "point", words[1].text);
            member(b, "heading", words[2].text);
            json_builder_end_object(b);
            return;
        }
    }
    member_null(b, "start");
}

static void add_floors(JsonBuilder *b, Editing *editing, const Plan *plan)
{
    std::set<int> floors = {0};
    for (const Point &point : plan->points)
        floors.insert(point.floor);
    for (const MapDrawing &map : plan->maps)
        floors.insert(map.floor);
    begin_member_array(b, "floors");
    for (int floor : floors) {
        json_builder_begin_object(b);
        member(b, "floor", floor);
        const MapDrawing *drawing = nullptr;
        for (const MapDrawing &map : plan->maps)
            if (map.floor == floor)
                drawing = &map;
        if (drawing) {
            int width = 0, height = 0;
            image_header(editing, drawing->path, &width, &height);
            begin_member_object(b, "drawing");
            member(b, "file", drawing->file);
            member(b, "width", width);
            member(b, "height", height);
            json_builder_end_object(b);
        } else {
            member_null(b, "drawing");
        }
        json_builder_end_object(b);
    }
    json_builder_end_array(b);
}

// A point's 360° photograph, or null; its north only as its line gives it.
static void add_pano(JsonBuilder *b, const Plan *plan, const Point &point)
{
    if (point.pano < 0) {
        member_null(b, "pano");
        return;
    }
    const Pano &pano = plan->panos[point.pano];
    begin_member_object(b, "pano");
    member(b, "file", pano.file);
    if (pano.north_given)
        member_double(b, "north", pano.north);
    else
        member_null(b, "north");
    json_builder_end_object(b);
}

static void add_points(JsonBuilder *b, const Plan *plan)
{
    begin_member_array(b, "points");
    for (const Point &point : plan->points) {
        json_builder_begin_object(b);
        member(b, "name", point.name);
        member(b, "floor", point.floor);
        member_double(b, "x", point.x);
        member_double(b, "y", point.y);
        member(b, "line", point.line);
        begin_member_object(b, "photos");
        for (int h = 0; h < HEADINGS; h++)
            if (point.photo[h] >= 0)
                member(b, heading_names[h], plan->photos[point.photo[h]].file);
        json_builder_end_object(b);
        add_pano(b, plan, point);
        json_builder_end_object(b);
    }
    json_builder_end_array(b);
}

static void add_links(JsonBuilder *b, const Plan *plan)
{
    begin_member_array(b, "links");
    for (const Link &link : plan->links) {
        json_builder_begin_object(b);
        member(b, "from", plan->points[link.from].name);
        member(b, "heading", std::string(heading_names[link.heading]));
        member(b, "to", plan->points[link.to].name);
        member_bool(b, "stairs", link.stairs);
        member_bool(b, "oneway", link.oneway);
        member(b, "line", link.line);
        json_builder_end_object(b);
    }
    json_builder_end_array(b);
}

static void add_files(JsonBuilder *b, Editing *editing, const Plan *plan)
{
    std::vector<std::pair<std::string, std::string>> uses; // real path, use
    for (const Photo &photo : plan->photos)
        uses.push_back({real_path(photo.path), heading_text(plan, photo.point, photo.heading)});
    for (const MapDrawing &map : plan->maps)
        uses.push_back({real_path(map.path), "map of floor " + std::to_string(map.floor)});
    begin_member_array(b, "files");
    for (const std::string &name : image_names(editing)) {
        std::string path = editing->real_dir + "/" + name;
        int width, height;
        if (!image_header(editing, path, &width, &height))
            continue;
        json_builder_begin_object(b);
        member(b, "name", valid_utf8(name));
        member(b, "width", width);
        member(b, "height", height);
        // Two to one: what a 360-degree photograph is stored as.
        member_bool(b, "pano", width == 2 * height);
        begin_member_array(b, "used");
        std::string real = real_path(path);
        for (const auto &use : uses)
            if (use.first == real)
                json_builder_add_string_value(b, use.second.c_str());
        json_builder_end_array(b);
        json_builder_end_object(b);
    }
    json_builder_end_array(b);
}

static void add_suggestions(JsonBuilder *b, const Plan *plan)
{
    begin_member_array(b, "suggestions");
    for (const Suggestion &s : suggest_walks(plan)) {
        json_builder_begin_object(b);
        member(b, "from", plan->points[s.from].name);
        member(b, "heading", std::string(heading_names[s.heading]));
        member(b, "to", plan->points[s.to].name);
        json_builder_end_object(b);
    }
    json_builder_end_array(b);
}

static std::string json_text(JsonBuilder *b)
{
    JsonNode *root = json_builder_get_root(b);
    JsonGenerator *generator = json_generator_new();
    json_generator_set_root(generator, root);
    gchar *data = json_generator_to_data(generator, nullptr);
    std::string text = data;
    g_free(data);
    g_object_unref(generator);
    json_node_unref(root);
    return text;
}

static std::string make_state(Editing *editing, const PlanFile &file, const std::string &images,
                              bool conflict)
{
    Plan plan;
    Diagnostics diagnostics;
    plan_read(&plan, &diagnostics, file.text, editing->dir);

    JsonBuilder *b = json_builder_new();
    json_builder_begin_object(b);
    member(b, "version", file.version);
    member(b, "images", images);
    if (conflict)
        member_bool(b, "conflict", true);
    member(b, "plan", valid_utf8(editing->plan));
    member_bool(b, "exists", file.exists);
    member_bool(b, "saved", file.exists);
    member(b, "text", valid_utf8(file.text));
    member(b, "title", valid_utf8(plan.title));
    member_bool(b, "fit", plan.fit);
    add_start(b, valid_utf8(file.text));
    add_floors(b, editing, &plan);
    add_points(b, &plan);
    add_links(b, &plan);
    add_files(b, editing, &plan);
    add_problems(b, editing, &plan, file.text, diagnostics);
    add_suggestions(b, &plan);
    member(b, "outdir", valid_utf8(editing->outdir));
    json_builder_end_object(b);
    std::string text = json_text(b);
    g_object_unref(b);
    return text;
}

std::string state_json(Editing *editing, const PlanFile &plan, bool conflict)
{
    std::string images = images_signature(editing);
    std::string key = plan.version + (plan.exists ? "+" : "-") + images;
    if (conflict)
        return make_state(editing, plan, images, true);
    if (key != editing->state_key) {
        editing->state = make_state(editing, plan, images, false);
        editing->state_key = key;
    }
    return editing->state;
}
