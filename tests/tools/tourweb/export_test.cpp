// The real tourweb on small tours: what it copies byte for byte, the slide
// table it writes into tour.js, what it refuses, hostile ids, --force and the
// single file.
#include <gtest/gtest.h>
#include <json-glib/json-glib.h>

#include <unistd.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "format.h"
#include "scratch.h"
#include "slide_table.h"
#include "test_tours.h"
#include "tour.h"
#include "tour_files.h"

namespace
{

const char page_index[] = "<!doctype html>\n"
                          "<meta charset=\"utf-8\">\n"
                          "<title>tour</title>\n"
                          "  <link rel=\"stylesheet\" href=\"tourweb.css\">\n"
                          "<script src=\"tour.js\"></script>\n"
                          "<script src=\"tourweb-logic.js\"></script>\n"
                          "<script src=\"tourweb.js\"></script>\n"
                          "  <img id=\"tw-start\" alt=\"\">\n";
// The start image as the folder's index.html has it: asking for the start
// photograph, with the stage's geometry for the stylesheet to place it by.
const char start_image[] = "  <img id=\"tw-start\" alt=\"\" src=\"slides/S001.jpg\" "
                           "style=\"--w:912;--h:645;--x:56;--y:56;--pw:800;--ph:533\" "
                           "fetchpriority=\"high\">\n";

Checked tourweb(const std::vector<std::string> &arguments)
{
    return run_program(TOURWEB_PROGRAM, arguments);
}

bool exists(const std::string &path)
{
    return g_file_test(path.c_str(), G_FILE_TEST_EXISTS);
}

// The sprites, each its own colour, and a photograph of its own colour for each id.
void write_tour(const std::string &dir, const std::string &xml, const std::vector<std::string> &ids)
{
    write_tour_data(dir, xml);
    int shade = 0;
    for (const std::string &id : ids) {
        shade += 20;
        write_photo(dir, id, Picture(800, 533, {shade, 255 - shade, 90}));
    }
    auto pointer = [](int index) { return Picture(16, 16, {index * 30, 10, 10}); };
    auto arrow = [](int index) { return Picture(24, 24, {10, index * 30, 10}); };
    write_sprites(dir, pointer, arrow);
}

// The paths of the fifteen sprites inside a tour.
std::vector<std::string> sprite_paths()
{
    std::vector<std::string> paths;
    for (int index = 0; index < SPRITE_COUNT; index++)
        for (const char *name : {curfiles[index], arrowfiles[index]})
            if (name)
                paths.push_back(std::string(sprite_dir) + "/" + name);
    return paths;
}

class TourwebTest : public ::testing::Test
{
  protected:
    ScratchDir scratch;

    void SetUp() override
    {
        ASSERT_FALSE(scratch.path.empty());
        write_file("page/index.html", page_index);
        write_file("page/tourweb.css", "body { background: black; }\n");
        write_file("page/tourweb-logic.js", "var logic = {};\n");
        write_file("page/tourweb.js", "walk(TOURWEB_TOUR);\n");
        g_setenv("TOURWEB_PAGE_DIR", (scratch.path + "/page").c_str(), TRUE);
    }
    void TearDown() override
    {
        g_unsetenv("TOURWEB_PAGE_DIR");
    }
};

// tour.js parsed back: the object after "var TOURWEB_TOUR = ".
struct TourJs {
    JsonParser *parser = json_parser_new();
    JsonObject *root = nullptr;
    std::map<std::string, JsonObject *> slides;
    std::vector<std::string> order;

    explicit TourJs(const std::string &script)
    {
        const std::string head = "var TOURWEB_TOUR = ", tail = ";\n";
        if (script.compare(0, head.size(), head) != 0 ||
            script.size() < head.size() + tail.size() ||
            script.compare(script.size() - tail.size(), tail.size(), tail) != 0) {
            ADD_FAILURE() << "not one statement: " << script.substr(0, 80);
            return;
        }
        std::string json = script.substr(head.size(), script.size() - head.size() - tail.size());
        GError *error = nullptr;
        if (!json_parser_load_from_data(parser, json.data(), (gssize)json.size(), &error)) {
            ADD_FAILURE() << error->message;
            g_error_free(error);
            return;
        }
        root = json_node_get_object(json_parser_get_root(parser));
        JsonArray *list = json_object_get_array_member(root, "slides");
        for (guint i = 0; i < json_array_get_length(list); i++) {
            JsonObject *slide = json_array_get_object_element(list, i);
            order.push_back(json_object_get_string_member(slide, "id"));
            slides[order.back()] = slide;
        }
    }
    ~TourJs()
    {
        g_object_unref(parser);
    }
    // "kind=target " for each exit in listing order, or "absent".
    std::string exits(const std::string &id) const
    {
        auto found = slides.find(id);
        if (found == slides.end())
            return "absent";
        JsonObject *exits = json_object_get_object_member(found->second, "exits");
        std::string text;
        for (const ExitKind &kind : exit_kinds)
            if (json_object_has_member(exits, kind.name))
                text += std::string(kind.name) + "=" +
                        json_object_get_string_member(exits, kind.name) + " ";
        return text;
    }
    // The photo URL, "null", or "absent".
    std::string photo(const std::string &id) const
    {
        auto found = slides.find(id);
        if (found == slides.end())
            return "absent";
        JsonNode *photo = json_object_get_member(found->second, "photo");
        return JSON_NODE_HOLDS_NULL(photo) ? "null" : json_node_get_string(photo);
    }
};

// Each slide's exits as the viewer's own loader reads data.xml.
std::map<std::string, std::string> loader_exits(const std::string &xml)
{
    GHashTable *table = g_hash_table_new_full(g_str_hash, g_str_equal, g_free, slide_free);
    xmlnode *root = xmlnode_from_str(xml.c_str(), (gssize)xml.size());
    LoadObserver quiet{[](void *, xmlnode *, const char *, SlideVerdict, const Slide *) {},
                       [](void *, const Slide *, size_t, xmlnode *) {}, nullptr};
    load_tour(table, root, &quiet);
    xmlnode_free(root);
    std::map<std::string, std::string> exits;
    for (const auto &entry : table_entries(table)) {
        const Slide *slide = entry.second;
        std::string text;
        for (const ExitKind &kind : exit_kinds)
            if (slide->*kind.field)
                text += std::string(kind.name) + "=" + slide->*kind.field + " ";
        exits[slide->id] = text;
    }
    g_hash_table_destroy(table);
    return exits;
}

// The first slide carries a namespace, so that only its namesakes count; the
// duplicate, the path and the file slide "map" are dropped as the viewer drops them.
const char odd_xml[] =
    "<tour>\n"
    "  <slide xmlns='urn:t'><file>S003</file>"
    "<next><left180>S001</left180></next></slide>\n"
    "  <slide><file>plain</file></slide>\n"
    "  <slide xmlns='urn:t'><file>S001</file><next><forward>S002</forward>"
    "<left>map</left><right>gone</right></next></slide>\n"
    "  <slide xmlns='urn:t'><file>S002</file>"
    "<next><left>S001</left><left180>S003</left180></next></slide>\n"
    "  <slide xmlns='urn:t'><file>S002</file><next><up>S001</up></next></slide>\n"
    "  <slide xmlns='urn:t'><file>map</file>"
    "<next><forward>S001</forward></next></slide>\n"
    "  <slide xmlns='urn:t'><file>a/b</file></slide>\n"
    "</tour>\n";

TEST_F(TourwebTest, ExportsTheFilesByteForByteAndTheLoadersSlideTable)
{
    write_tour("tour", odd_xml, {"S001", "S002", "S003", "plain", "map"});
    write_file("tour/slides/stray.jpg", read_file("tour/slides/S001.jpg"));
    write_file("tour/notes.txt", "not part of the tour\n");
    Checked run = tourweb({"tour", "out"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("tourcheck: 3 slides"), std::string::npos) << run.err;

    std::vector<std::string> copied = sprite_paths();
    for (const char *path :
         {"data.xml", "slides/S001.jpg", "slides/S002.jpg", "slides/S003.jpg", "slides/map.jpg"})
        copied.push_back(path);
    for (const std::string &path : copied)
        EXPECT_EQ(read_file("out/" + path), read_file("tour/" + path)) << path;
    for (const char *name : {"tourweb.css", "tourweb-logic.js", "tourweb.js"})
        EXPECT_EQ(read_file(std::string("out/") + name), read_file(std::string("page/") + name));
    std::string index = page_index;
    index.replace(index.find("  <img"), std::string::npos, start_image);
    EXPECT_EQ(read_file("out/index.html"), index);
    for (const char *path : {"slides/plain.jpg", "slides/stray.jpg", "notes.txt"})
        EXPECT_FALSE(exists(std::string("out/") + path)) << path;

    TourJs js(read_file("out/tour.js"));
    ASSERT_NE(js.root, nullptr);
    EXPECT_EQ(js.order, (std::vector<std::string>{"S001", "S003", "S002", "map"}));
    std::map<std::string, std::string> expected = loader_exits(odd_xml);
    EXPECT_EQ(expected.size(), js.slides.size());
    for (const auto &[id, exits] : expected)
        EXPECT_EQ(js.exits(id), exits) << id;
    EXPECT_EQ(js.exits("S001"), "forward=S002 left=map right=gone ");
    EXPECT_EQ(js.exits("map"), "");
    EXPECT_EQ(js.photo("S002"), "slides/S002.jpg");
    EXPECT_EQ(js.photo("map"), "slides/map.jpg");
}

struct RefusalCase {
    const char *name;
    std::string extra_slides; // before </tour>
    std::function<void()> spoil;
    const char *refusal; // "" when the tour is exported
};

TEST_F(TourwebTest, RefusesOnlyWhatStopsTheViewer)
{
    const std::string clean = clean_xml;
    const std::string outside_jpeg = jpeg_data(800, 533), outside_png = png_data(16, 16);
    const RefusalCase cases[] = {
        {"no data.xml", "", [] { remove_file("tour/data.xml"); },
         "cannot export: data.xml: cannot be read"},
        {"no start slide", "",
         [] {
             write_tour_data("tour", "<tour><slide><file>S002</file>"
                                     "</slide></tour>");
         },
         "cannot export: the tour has no start slide S001"},
        {"missing sprite", "", [] { remove_file("tour/cursors/arrow-fwd.png"); },
         "cannot export: sprite cursors/arrow-fwd.png is missing"},
        {"sprite linking out", "",
         [&] {
             write_file("outside.png", outside_png);
             remove_file("tour/cursors/up.png");
             ASSERT_EQ(symlink("../../outside.png", "tour/cursors/up.png"), 0);
         },
         "cannot export: sprite cursors/up.png is missing (it links out of cursors/)"},
        {"missing reachable photograph", "", [] { remove_file("tour/slides/S003.jpg"); },
         "cannot export: the photograph slides/S003.jpg of slide \"S003\", which a walk "
         "reaches, is missing"},
        {"undecodable reachable photograph", "",
         [] { write_file("tour/slides/S002.jpg", "\xff\xd8\xff not a photograph"); },
         "cannot export: the photograph slides/S002.jpg of slide \"S002\", which a walk "
         "reaches, cannot be decoded"},
        {"missing map photograph", "", [] { remove_file("tour/slides/map.jpg"); },
         "cannot export: the photograph slides/map.jpg of slide \"map\""},
        {"unreachable slides: no photograph, one undecodable, one linking out",
         "<slide><file>U</file><next><forward>nowhere</forward></next></slide>"
         "<slide><file>V</file></slide><slide><file>W</file></slide>",
         [&] {
             write_file("outside.jpg", outside_jpeg);
             ASSERT_EQ(symlink("../../outside.jpg", "tour/slides/V.jpg"), 0);
             write_file("tour/slides/W.jpg", "GIF89a");
         },
         ""},
    };
    for (const RefusalCase &c : cases) {
        SCOPED_TRACE(c.name);
        std::string xml = clean;
        xml.insert(xml.rfind("</tour>"), c.extra_slides);
        write_tour("tour", xml, {"S001", "S002", "S003", "map"});
        c.spoil();
        Checked run = tourweb({"tour", "out"});
        std::vector<std::string> left;
        for (const auto &entry : std::filesystem::directory_iterator("."))
            left.push_back(entry.path().filename());
        if (*c.refusal) {
            EXPECT_EQ(run.status, 1);
            EXPECT_NE(run.err.find(std::string("tourweb: ") + c.refusal), std::string::npos)
                << run.err;
            EXPECT_NE(run.err.find("tourcheck: "), std::string::npos) << run.err;
            EXPECT_FALSE(exists("out"));
            for (const std::string &name : left)
                EXPECT_EQ(name.find(".out"), std::string::npos) << name;
        } else {
            ASSERT_EQ(run.status, 0) << run.err;
            TourJs js(read_file("out/tour.js"));
            for (const char *id : {"U", "V", "W"}) {
                EXPECT_EQ(js.photo(id), "null") << id;
                EXPECT_FALSE(exists(std::string("out/slides/") + id + ".jpg")) << id;
            }
            EXPECT_EQ(js.exits("U"), "forward=nowhere ");
        }
        std::error_code ignored;
        for (const char *dir : {"tour", "out", "outside.jpg", "outside.png"})
            std::filesystem::remove_all(dir, ignored);
    }
}

TEST_F(TourwebTest, HostileIdsStayDataInTourJsAndTheSingleFile)
{
    const std::vector<std::string> ids = {"<img src=x onerror=alert(1)>",
                                          "a #b?c%d e&f'g",
                                          "<!--<script>",
                                          "</script><script>",
                                          "__proto__",
                                          "caf\xc3\xa9\xe2\x80\xa8\xf0\x9f\x8f\xa0"};
    std::string xml = "<tour><slide><file>S001</file><next>";
    for (size_t i = 0; i < ids.size(); i++) {
        char *escaped = g_markup_escape_text(ids[i].c_str(), -1);
        xml +=
            std::string("<") + exit_kinds[i].name + ">" + escaped + "</" + exit_kinds[i].name + ">";
        g_free(escaped);
    }
    xml += "</next></slide>";
    for (const std::string &id : ids) {
        char *escaped = g_markup_escape_text(id.c_str(), -1);
        xml += std::string("<slide><file>") + escaped + "</file></slide>";
        g_free(escaped);
    }
    xml += "</tour>";
    // An id holding "/" is no slide for the viewer, and has no photograph.
    write_tour("tour", xml, {"S001", ids[0], ids[1], ids[2], ids[4], ids[5], "map"});
    ASSERT_EQ(tourweb({"tour", "out"}).status, 0);
    ASSERT_EQ(tourweb({"--single-file", "tour", "one.html"}).status, 0);

    std::string script = read_file("out/tour.js");
    EXPECT_EQ(script.find_first_of("<>&"), std::string::npos);
    EXPECT_TRUE(std::all_of(script.begin(), script.end(), [](char c) { return c > 0; }));
    TourJs js(script);
    EXPECT_EQ(js.order,
              (std::vector<std::string>{"S001", ids[0], ids[1], ids[2], ids[4], ids[5], "map"}));
    EXPECT_EQ(js.exits("S001"), "forward=" + ids[0] + " left=" + ids[1] + " right=" + ids[2] +
                                    " left180=" + ids[3] + " right180=" + ids[4] + " up=" + ids[5] +
                                    " ");
    EXPECT_EQ(js.photo(ids[1]), "slides/a%20%23b%3Fc%25d%20e%26f%27g.jpg");
    EXPECT_EQ(js.photo(ids[0]), "slides/%3Cimg%20src%3Dx%20onerror%3Dalert%281%29%3E.jpg");
    EXPECT_EQ(js.photo(ids[3]), "absent");
    for (size_t i : {0, 1, 2, 4, 5})
        EXPECT_EQ(read_file("out/slides/" + ids[i] + ".jpg"),
                  read_file("tour/slides/" + ids[i] + ".jpg"))
            << ids[i];

    // Only the page's own three script elements end in the single file.
    std::string html = read_file("one.html");
    size_t ends = 0;
    for (size_t at = html.find("</script"); at != std::string::npos;
         at = html.find("</script", at + 1))
        ends++;
    EXPECT_EQ(ends, 3u);
    EXPECT_EQ(html.find("<!--"), std::string::npos);
}

TEST_F(TourwebTest, SingleFileHoldsEverythingInline)
{
    write_tour("tour", clean_xml, {"S001", "S002", "S003", "map"});
    Checked run = tourweb({"--single-file", "tour/data.xml", "one.html"});
    ASSERT_EQ(run.status, 0) << run.err;
    std::string html = read_file("one.html");
    for (const char *reference :
         {"tour.js", "tourweb-logic.js", "tourweb.js", "tourweb.css", "slides/", "cursors/"})
        EXPECT_EQ(html.find(reference), std::string::npos) << reference;
    EXPECT_NE(html.find("  <style>\nbody { background: black; }\n</style>\n"), std::string::npos);
    EXPECT_NE(html.find("<script>\nvar logic = {};\n</script>\n"), std::string::npos);
    EXPECT_NE(html.find("<script>\nwalk(TOURWEB_TOUR);\n</script>\n"), std::string::npos);
    // The script gives the start image its photograph, which tour.js holds.
    EXPECT_NE(html.find("  <img id=\"tw-start\" alt=\"\">\n"), std::string::npos);

    const std::string open = "<script>\n", close = "</script>";
    size_t at = html.find(open + "var TOURWEB_TOUR");
    ASSERT_NE(at, std::string::npos);
    size_t start = at + open.size();
    TourJs js(html.substr(start, html.find(close, start) - start));
    ASSERT_NE(js.root, nullptr);
    EXPECT_EQ(js.order, (std::vector<std::string>{"S001", "S002", "S003", "map"}));
    // Each data URI decodes to the file's own bytes.
    auto decoded = [](const std::string &uri, const std::string &type) {
        std::string head = "data:" + type + ";base64,";
        if (uri.compare(0, head.size(), head) != 0)
            return std::string("not a " + type + " data URI");
        gsize length = 0;
        guchar *bytes = g_base64_decode(uri.c_str() + head.size(), &length);
        std::string text(reinterpret_cast<char *>(bytes), length);
        g_free(bytes);
        return text;
    };
    for (const char *id : {"S001", "S003", "map"})
        EXPECT_EQ(decoded(js.photo(id), "image/jpeg"),
                  read_file(std::string("tour/slides/") + id + ".jpg"))
            << id;
    JsonObject *format = json_object_get_object_member(js.root, "format");
    JsonArray *sprites = json_object_get_array_member(format, "sprites");
    JsonObject *fwd = json_array_get_object_element(sprites, SPRITE_FWD);
    EXPECT_EQ(decoded(json_object_get_string_member(fwd, "arrow"), "image/png"),
              read_file(std::string("tour/cursors/") + arrowfiles[SPRITE_FWD]));

    // A page script that would end its element early is refused, by its name.
    for (const char *name : {"tourweb-logic.js", "tourweb.js"}) {
        std::string path = std::string("page/") + name, text = read_file(path);
        write_file(path, "var end = '</SCRIPT>';\n");
        Checked refused = tourweb({"--single-file", "tour", std::string(name) + ".html"});
        EXPECT_EQ(refused.status, 1) << name;
        EXPECT_NE(refused.err.find(std::string("the page's ") + name + " holds"), std::string::npos)
            << refused.err;
        write_file(path, text);
    }
}

// tour.js's places as "title; point x,y toward N..NW; ...", or "absent".
std::string places_of(const TourJs &js)
{
    if (!json_object_has_member(js.root, "places"))
        return "absent";
    JsonObject *places = json_object_get_object_member(js.root, "places");
    std::string text = json_object_get_string_member(places, "title");
    JsonArray *points = json_object_get_array_member(places, "points");
    for (guint i = 0; i < json_array_get_length(points); i++) {
        JsonObject *point = json_array_get_object_element(points, i);
        text += std::string("; ") + json_object_get_string_member(point, "name") + " " +
                std::to_string((int)json_object_get_double_member(point, "x")) + "," +
                std::to_string((int)json_object_get_double_member(point, "y"));
        JsonArray *toward = json_object_get_array_member(point, "toward");
        for (guint h = 0; h < json_array_get_length(toward); h++)
            text += std::string(" ") + json_array_get_string_element(toward, h);
    }
    return text;
}

// A slide's name and place in tour.js as "name point heading degrees", or "".
std::string slide_place(const TourJs &js, const std::string &id)
{
    JsonObject *slide = js.slides.at(id);
    if (!json_object_has_member(slide, "name"))
        return json_object_has_member(slide, "place") ? "a place without a name" : "";
    JsonObject *place = json_object_get_object_member(slide, "place");
    std::string text = json_object_get_string_member(slide, "name");
    for (const char *member : {"point", "heading", "degrees"})
        text += " " + std::to_string(json_object_get_int_member(place, member));
    return text;
}

// places.xml (as tourmake writes it) becomes the map's points, each with the
// slide a visitor facing each heading comes to, and the slides' names; a
// broken one is warned of and left out.
TEST_F(TourwebTest, PlacesBecomeTheMapsPointsAndTheSlidesNames)
{
    const std::string sound = "<places version='1'><title>Our &lt;house&gt;</title>"
                              "<point name='hall' x='200.5' y='300'>"
                              "<slide heading='N'>S001</slide><slide heading='E'>S002</slide>"
                              "</point>"
                              "<point name='den' x='0' y='533'><slide heading='S'>S003</slide>"
                              "</point></places>";
    const struct {
        const char *name;
        std::string places_xml; // "" for none
        std::string places;
        std::array<std::string, 4> names; // S001, S002, S003, map
    } cases[] = {
        {"sound",
         sound,
         "Our <house>; hall 200,300 S001 S002 S002 S002 S002 S001 S001 S001; "
         "den 0,533 S003 S003 S003 S003 S003 S003 S003 S003",
         {"hall, facing north 0 0 0", "hall, facing east 0 2 90", "den, facing south 1 4 180", ""}},
        {"none", "", "absent", {"", "", "", ""}},
        {"naming a slide not in the tour",
         sound.substr(0, sound.find("S003")) + "S009" + sound.substr(sound.find("S003") + 4),
         "absent",
         {"", "", "", ""}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        write_tour("tour", clean_xml, {"S001", "S002", "S003", "map"});
        if (!c.places_xml.empty())
            write_file("tour/places.xml", c.places_xml);
        Checked run = tourweb({"tour", "out"});
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.err.find("places.xml: warning") != std::string::npos,
                  c.places == "absent" && !c.places_xml.empty())
            << run.err;
        TourJs js(read_file("out/tour.js"));
        ASSERT_NE(js.root, nullptr);
        EXPECT_EQ(places_of(js), c.places);
        const char *ids[] = {"S001", "S002", "S003", "map"};
        for (size_t i = 0; i < 4; i++)
            EXPECT_EQ(slide_place(js, ids[i]), c.names[i]) << ids[i];
        std::error_code ignored;
        for (const char *dir : {"tour", "out"})
            std::filesystem::remove_all(dir, ignored);
    }
}

struct OutputCase {
    const char *name;
    std::function<void()> before;
    std::vector<std::string> arguments;
    int status;
    const char *kept; // a file that must be there afterwards, holding `text`
    const char *text;
};

TEST_F(TourwebTest, ExistingOutputIsReplacedOnlyWithForce)
{
    write_tour("tour", clean_xml, {"S001", "S002", "S003", "map"});
    // What stands at out before the run.
    auto nothing = [] {};
    auto empty = [] { g_mkdir("out", 0755); };
    auto marked = [] { write_file("out/mark", "old"); };
    auto a_file = [] { write_file("out", "file"); };
    auto old_file = [] { write_file("out", "old"); };
    const std::vector<std::string> plain = {"tour", "out"}, forced = {"--force", "tour", "out"};
    const std::vector<std::string> single = {"--single-file", "tour", "out"};
    const std::vector<std::string> single_forced = {"--single-file", "--force", "tour", "out"};
    const char *data = "out/data.xml", *s3 = "<file>S003</file>";
    const OutputCase cases[] = {
        {"new folder", nothing, plain, 0, data, s3},
        {"empty folder", empty, plain, 0, data, s3},
        {"full folder", marked, plain, 1, "out/mark", "old"},
        {"full folder, forced", marked, forced, 0, data, s3},
        {"a file in the folder's place", a_file, forced, 1, "out", "file"},
        {"the tour itself", nothing, {"--force", "tour", "tour"}, 1, "tour/data.xml", s3},
        {"existing single file", old_file, single, 1, "out", "old"},
        {"existing single file, forced", old_file, single_forced, 0, "out", "var TOURWEB_TOUR"},
        {"single file onto a folder", marked, single_forced, 1, "out/mark", "old"},
    };
    for (const OutputCase &c : cases) {
        SCOPED_TRACE(c.name);
        c.before();
        Checked run = tourweb(c.arguments);
        EXPECT_EQ(run.status, c.status) << run.err;
        EXPECT_NE(read_file(c.kept).find(c.text), std::string::npos) << c.kept;
        if (c.status == 0) {
            EXPECT_FALSE(exists("out/mark"));
        }
        std::error_code ignored;
        std::filesystem::remove_all("out", ignored);
    }
    EXPECT_NE(read_file("tour/data.xml"), "");
}

TEST_F(TourwebTest, UsageErrorsEndWithStatusTwo)
{
    const std::vector<std::string> cases[] = {
        {}, {"tour"}, {"tour", "out", "more"}, {"--bogus", "tour", "out"}, {"--force"}};
    for (const std::vector<std::string> &arguments : cases) {
        Checked run = tourweb(arguments);
        EXPECT_EQ(run.status, 2) << arguments.size() << " arguments";
        EXPECT_NE(run.err.find("usage: tourweb [--force] [--single-file] TOUR OUTDIR\n"),
                  std::string::npos)
            << run.err;
        EXPECT_FALSE(exists("out"));
    }
}

} // namespace
