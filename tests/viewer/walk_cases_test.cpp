// The case table both viewers read (tests/cases/walk_cases.json), run through
// the desktop viewer's own region, move, pointer and arrow choices.
#include <gtest/gtest.h>
#include <json-glib/json-glib.h>

#include <string.h>

#include <string>
#include <vector>

#include "moves.h"

namespace
{

// A move's code from its name in the table.
int move_code(const char *name)
{
    for (int move = 0; move <= MOVE_NONE; move++)
        if (strcmp(move_names[move], name) == 0)
            return move;
    ADD_FAILURE() << "unknown move " << name;
    return -1;
}

// The SDL key code of a DOM key name; Down is a key the viewer ignores.
int key_code(const char *key)
{
    const std::pair<const char *, int> keys[] = {{"ArrowUp", KEY_UP},
                                                 {"ArrowLeft", KEY_LEFT},
                                                 {"ArrowRight", KEY_RIGHT},
                                                 {"ArrowDown", 274}};
    for (const auto &[name, code] : keys)
        if (strcmp(name, key) == 0)
            return code;
    ADD_FAILURE() << "unknown key " << key;
    return 0;
}

struct Cases {
    JsonParser *parser = json_parser_new();
    JsonObject *root = nullptr;

    Cases()
    {
        GError *error = nullptr;
        if (json_parser_load_from_file(parser, WALK_CASES, &error))
            root = json_node_get_object(json_parser_get_root(parser));
        else
            ADD_FAILURE() << error->message;
        g_clear_error(&error);
    }
    ~Cases()
    {
        g_object_unref(parser);
    }
    // The rows of the table's array `name`; a test with none to check fails.
    std::vector<JsonNode *> rows(const char *name) const
    {
        std::vector<JsonNode *> all;
        JsonArray *array = root && json_object_has_member(root, name)
                               ? json_object_get_array_member(root, name)
                               : nullptr;
        for (guint i = 0; array && i < json_array_get_length(array); i++)
            all.push_back(json_array_get_element(array, i));
        if (all.empty())
            ADD_FAILURE() << "no " << name << " in " << WALK_CASES;
        return all;
    }
};

// A slide with the row's exits, in a table that holds a slide of each target.
struct CaseSlide {
    GHashTable *table = g_hash_table_new_full(g_str_hash, g_str_equal, g_free, slide_free);
    Slide *slide;

    explicit CaseSlide(JsonObject *exits)
    {
        slide = g_new0(Slide, 1);
        slide->id = g_strdup("here");
        g_hash_table_insert(table, g_strdup(slide->id), slide);
        for (const ExitKind &kind : exit_kinds) {
            if (!json_object_has_member(exits, kind.name))
                continue;
            const char *target = json_object_get_string_member(exits, kind.name);
            slide->*kind.field = g_strdup(target);
            Slide *next = g_new0(Slide, 1);
            next->id = g_strdup(target);
            g_hash_table_replace(table, g_strdup(target), next);
        }
    }
    ~CaseSlide()
    {
        g_hash_table_destroy(table);
    }
    // The id of the slide a move leads to, "" when it stays.
    std::string after(int move) const
    {
        Slide *next = try_move(slide, move, table);
        return next == slide ? "" : next->id;
    }
};

std::string target_of(JsonArray *row, guint index)
{
    return json_array_get_null_element(row, index) ? "" : json_array_get_string_element(row, index);
}

TEST(WalkCases, RegionsAreTheViewersOwn)
{
    Cases cases;
    for (JsonNode *region : cases.rows("regions")) {
        JsonArray *row = json_node_get_array(region);
        int x = (int)json_array_get_int_element(row, 0),
            y = (int)json_array_get_int_element(row, 1);
        EXPECT_EQ(get_region(x, y), move_code(json_array_get_string_element(row, 2)))
            << "at (" << x << ", " << y << ")";
    }
}

TEST(WalkCases, ClicksKeysPointersAndArrowsAreTheViewersOwn)
{
    Cases cases;
    for (JsonNode *slide : cases.rows("slides")) {
        JsonObject *row = json_node_get_object(slide);
        SCOPED_TRACE(json_object_get_string_member(row, "name"));
        CaseSlide here(json_object_get_object_member(row, "exits"));

        Sprite drawn[exit_kinds.size()];
        std::vector<std::string> arrows;
        for (size_t a = 0; a < exit_arrows(here.slide, drawn); a++)
            arrows.push_back(arrowfiles[drawn[a]]);
        std::vector<std::string> expected;
        JsonArray *want = json_object_get_array_member(row, "arrows");
        for (guint a = 0; a < json_array_get_length(want); a++)
            expected.push_back(json_array_get_string_element(want, a));
        EXPECT_EQ(arrows, expected);

        JsonArray *clicks = json_object_get_array_member(row, "clicks");
        for (guint c = 0; c < json_array_get_length(clicks); c++) {
            JsonArray *click = json_array_get_array_element(clicks, c);
            int x = (int)json_array_get_int_element(click, 0);
            int y = (int)json_array_get_int_element(click, 1);
            Move move = get_region(x, y);
            EXPECT_EQ(here.after(move), target_of(click, 2)) << "click at " << x << ", " << y;
            EXPECT_STREQ(curfiles[cursor_for(here.slide, move)],
                         json_array_get_string_element(click, 3))
                << "pointer at " << x << ", " << y;
        }
        JsonArray *keys = json_object_get_array_member(row, "keys");
        for (guint k = 0; k < json_array_get_length(keys); k++) {
            JsonArray *key = json_array_get_array_element(keys, k);
            const char *name = json_array_get_string_element(key, 0);
            int move = key_move(key_code(name));
            EXPECT_EQ(move == MOVE_IGNORED ? "" : here.after(move), target_of(key, 1)) << name;
        }
    }
}

} // namespace
