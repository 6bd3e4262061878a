// Writes the tours the page's browser test walks, with a solid colour per
// photograph and per sprite, and beside data.xml a colours.json naming them
// and the patch of single-pixel checks on one walk photograph:
//   web_tour walk DIR      a slide for each kind of exit, the map, a missing target
//   web_tour hostile DIR   ids that are markup, script and URL syntax
//   web_tour placed DIR    a plan and its photographs, for tourmake to make a
//                          tour that knows where its slides stand on the map
#include <glib.h>

#include <cstdio>
#include <exception>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "files.h"
#include "format.h"
#include "images.h"
#include "test_photos.h"
#include "tour_files.h"
#include "walk_tour.h"

struct WebSlide {
    std::string id;
    Rgb colour;
    std::vector<std::pair<std::string, std::string>> exits;
    bool in_table = true; // false: the loader skips it
};

// The walk of the viewer's end-to-end tests.
static std::vector<WebSlide> walk_tour()
{
    std::vector<WebSlide> slides;
    for (const WalkSlide &slide : walk_slides())
        slides.push_back({slide.id, slide.colour, slide.exits});
    return slides;
}

// Names the loader takes as slide ids, and one it skips for its directory
// separator: that one is only ever an exit target, to a slide not in the table.
static const char *const hostile_ids[] = {"<img src=x onerror=alert(1)>", "a #b?c%d e&f'g",
                                          "<!--<script>", "__proto__"};
static const char script_id[] = "</script><script>window.pwned=1</script>";

// S001 leads forward through every hostile id and back; each leads left home
// and right to the skipped one.
static std::vector<WebSlide> hostile_slides()
{
    std::vector<WebSlide> slides = {
        {"S001", {200, 40, 40}, {{"forward", hostile_ids[0]}, {"right", script_id}}}};
    int count = (int)G_N_ELEMENTS(hostile_ids);
    for (int i = 0; i < count; i++) {
        std::string next = i + 1 < count ? hostile_ids[i + 1] : "S001";
        slides.push_back({hostile_ids[i],
                          {40 + 50 * i, 200 - 40 * i, 60 + 30 * i},
                          {{"forward", next}, {"left", "S001"}, {"right", script_id}}});
    }
    slides.push_back({script_id, {0, 0, 0}, {{"forward", "S001"}}, false});
    slides.push_back({"map", {230, 230, 230}, {}});
    return slides;
}

// Black and white single-pixel checks on part of one photograph: scaled crisply
// they stay black and white blocks, smoothed they turn grey.
struct Patch {
    const char *slide;
    int x, y, width, height;
};
static const Patch checks = {"S008", 200, 136, 400, 264};

static Picture photo_of(const WebSlide &slide)
{
    Picture picture(PHOTO_WIDTH, PHOTO_HEIGHT, slide.colour);
    if (slide.id == checks.slide)
        for (int y = checks.y; y < checks.y + checks.height; y++)
            for (int x = checks.x; x < checks.x + checks.width; x++)
                picture.set(x, y, (x + y) % 2 ? Rgb{255, 255, 255} : Rgb{0, 0, 0});
    return picture;
}

static Rgb pointer_colour(int index)
{
    return {250, 20 * index, 0};
}

static Rgb arrow_colour(int index)
{
    return {0, 30 * index, 250};
}

static std::string json_string(const std::string &text)
{
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\')
            out += std::string("\\") + (char)c;
        else if (c < 0x20) {
            char escape[8];
            snprintf(escape, sizeof escape, "\\u%04x", c);
            out += escape;
        } else
            out += (char)c;
    }
    return out + "\"";
}

static std::string json_rgb(Rgb c)
{
    char text[32];
    snprintf(text, sizeof text, "[%d, %d, %d]", c.r, c.g, c.b);
    return text;
}

static void write_web_tour(const std::string &dir, const std::vector<WebSlide> &slides)
{
    std::string xml = "<?xml version=\"1.0\"?>\n<tour>\n", colours = "{\n  \"slides\": [";
    for (size_t i = 0; i < slides.size(); i++) {
        const WebSlide &slide = slides[i];
        write_photo(dir, slide.id, photo_of(slide));
        if (slide.in_table)
            colours += std::string(i ? "," : "") + "\n    [" + json_string(slide.id) + ", " +
                       json_rgb(slide.colour) + "]";
        if (slide.id == map_id)
            continue;
        char *id = g_markup_escape_text(slide.id.c_str(), -1);
        xml += std::string("  <slide>\n    <file>") + id + "</file>\n    <next>";
        g_free(id);
        for (const auto &[name, target] : slide.exits) {
            char *escaped = g_markup_escape_text(target.c_str(), -1);
            xml += "<" + name + ">" + escaped + "</" + name + ">";
            g_free(escaped);
        }
        xml += "</next>\n  </slide>\n";
    }
    write_tour_data(dir, xml + "</tour>\n");
    write_sprites(
        dir, [](int i) { return Picture(16, 16, pointer_colour(i)); },
        [](int i) { return Picture(24, 24, arrow_colour(i)); });
    colours += "\n  ],\n  \"pointers\": [";
    for (int i = 0; i < SPRITE_COUNT; i++)
        colours += std::string(i ? ", " : "") + json_rgb(pointer_colour(i));
    colours += "],\n  \"arrows\": [";
    for (int i = 0; i < SPRITE_COUNT; i++)
        colours += std::string(i ? ", " : "") + json_rgb(arrow_colour(i));
    char patch[128];
    snprintf(patch, sizeof patch, "\"checks\": [%s, %d, %d, %d, %d]",
             json_string(checks.slide).c_str(), checks.x, checks.y, checks.width, checks.height);
    write_file(dir + "/colours.json", colours + "],\n  \"arrow_size\": 24,\n  " + patch + "\n}\n");
}

// Three points, each photographed facing some headings only, whose names and
// title are markup: the page names slides by them and never reads them as
// markup. Each photograph is a solid colour of its own.
static const char placed_plan[] = "title \"Our <b>house</b> & </script> garden\"\n"
                                  "point <b>hall floor 0 at 0 0\n"
                                  "photo <b>hall N hall-N.jpg\n"
                                  "photo <b>hall E hall-E.jpg\n"
                                  "photo <b>hall S hall-S.jpg\n"
                                  "point kitchen floor 0 at 100 0\n"
                                  "photo kitchen E kitchen-E.jpg\n"
                                  "photo kitchen W kitchen-W.jpg\n"
                                  "point study floor 0 at 0 100\n"
                                  "photo study S study-S.jpg\n"
                                  "walk <b>hall E kitchen\n"
                                  "walk <b>hall S study\n";

static void write_placed_plan(const std::string &dir)
{
    g_mkdir_with_parents(dir.c_str(), 0755);
    write_file(dir + "/plan.txt", placed_plan);
    const char *photos[] = {"hall-N", "hall-E", "hall-S", "kitchen-E", "kitchen-W", "study-S"};
    int shade = 0;
    for (const char *name : photos) {
        Rgb colour{200 - shade, 60 + shade, 40 + shade / 2};
        shade += 25;
        if (!write_picture(dir + "/" + name + ".jpg", PHOTO_WIDTH, PHOTO_HEIGHT, colour, colour))
            throw std::runtime_error(std::string("cannot write ") + name + ".jpg");
    }
}

int main(int argc, char **argv)
{
    std::string kind = argc == 3 ? argv[1] : "";
    if (kind != "walk" && kind != "hostile" && kind != "placed") {
        fprintf(stderr, "usage: web_tour walk|hostile|placed DIR\n");
        return 2;
    }
    try {
        if (kind == "placed")
            write_placed_plan(argv[2]);
        else
            write_web_tour(argv[2], kind == "walk" ? walk_tour() : hostile_slides());
    } catch (const std::exception &e) {
        fprintf(stderr, "web_tour: %s\n", e.what());
        return 1;
    }
    return 0;
}
