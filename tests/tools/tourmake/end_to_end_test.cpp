// tourmake from a plan with photographs of mixed sizes and forms to a tour:
// the exits the plan gives, upright and true-coloured photographs, a clean
// tourcheck, and the viewer showing the start slide.
// gtest before Xlib's macros (None, Bool) come in with the harness.
#include <gtest/gtest.h>

#include "harness.h"
#include "scratch.h"
#include "slide_table.h"
#include "test_photos.h"

#include <map>
#include <utility>
#include <vector>

#include "files.h"
#include "places.h"
#include "tour.h"

namespace
{

const Rgb red{220, 30, 30}, white{255, 255, 255}, black{0, 0, 0}, grey{128, 128, 128},
    teal{0, 128, 128};

const char plan[] = "title \"Test house\"\n"
                    "point hall floor 0 at 0 0\n"
                    "photo hall N red-cmyk.jpg\n"
                    "photo hall E small.png\n"
                    "photo hall S tagged.jpg\n"
                    "photo hall W grey.jpg\n"
                    "point corridor floor 0 at 100 0\n"
                    "photo corridor E big.jpg\n"
                    "photo corridor W big.jpg\n"
                    "point landing floor 1 at 100 0\n"
                    "photo landing NE big.jpg\n"
                    "photo landing W big.jpg\n"
                    "point attic floor 2 at 0 0\n"
                    "photo attic N big.jpg\n"
                    "walk hall E corridor\n"
                    "stairs corridor E landing\n";

// Each slide's exits as "kind=target" in listing order, read by the loader.
std::map<std::string, std::string> exits_of(const std::string &dir)
{
    std::map<std::string, std::string> exits;
    char *cwd = g_get_current_dir();
    std::string saved = cwd;
    g_free(cwd);
    if (chdir(dir.c_str()) != 0)
        return exits;
    GHashTable *table = make_weak();
    EXPECT_EQ(chdir(saved.c_str()), 0);
    for (const auto &entry : table_entries(table)) {
        const Slide *s = entry.second;
        std::string text;
        const std::pair<const char *, char * Slide::*> kinds[] = {
            {"forward", &Slide::forward}, {"left", &Slide::left},         {"right", &Slide::right},
            {"left180", &Slide::left180}, {"right180", &Slide::right180}, {"up", &Slide::up},
            {"down", &Slide::down}};
        for (const auto &[name, field] : kinds)
            if (s->*field)
                text += std::string(text.empty() ? "" : " ") + name + "=" + s->*field;
        exits[s->id] = text;
    }
    g_hash_table_destroy(table);
    return exits;
}

TEST(TourmakeEndToEnd, PlanAndPhotographsBecomeAWalkableTour)
{
    ScratchDir dir;
    ASSERT_TRUE(write_picture("red-cmyk.jpg", 1200, 800, red, red, Form::cmyk));
    ASSERT_TRUE(write_picture("small.png", 640, 480, teal, teal));
    // Stored on its side: white on the left, black on the right. Orientation
    // 6 turns it clockwise, so upright the top is white and the bottom black.
    ASSERT_TRUE(write_picture("tagged.jpg", 600, 900, white, black, Form::rgb, 6));
    ASSERT_TRUE(write_picture("grey.jpg", 1600, 1067, grey, grey, Form::grey));
    ASSERT_TRUE(write_picture("big.jpg", 2400, 1600, black, white));
    ScratchDir::write("house/plan.txt", plan);
    for (const char *name : {"red-cmyk.jpg", "small.png", "tagged.jpg", "grey.jpg", "big.jpg"})
        ASSERT_EQ(rename(name, (std::string("house/") + name).c_str()), 0);

    e2e::Tour tour; // the harness's scratch tour, replaced whole
    Ran ran = run({TOURMAKE_PROGRAM, "--force", "house/plan.txt", tour.dir()});
    ASSERT_EQ(ran.status, 0) << ran.err;
    EXPECT_EQ(ran.out, "tourmake: wrote 9 slides, the map and 15 sprites to " + tour.dir() + "\n");
    // The tagged 600 by 900 photograph is 900 by 600 upright: not scaled up.
    EXPECT_EQ(ran.err.substr(0, ran.err.find("tourmake: ")),
              "house/plan.txt:4: warning: small.png is 640 by 480, smaller than 800 by 533: scaled "
              "up\n"
              "house/plan.txt:13: warning: point \"attic\" cannot be reached from the start\n"
              "house/plan.txt:16: warning: landing has no photograph facing E; using NE\n");

    EXPECT_EQ(exits_of(tour.dir()),
              (std::map<std::string, std::string>{
                  {"S001", "left=hall-W right=hall-E"},
                  {"hall-E", "forward=corridor-E left=S001 right=hall-S"},
                  {"hall-S", "left=hall-E right=hall-W"},
                  {"hall-W", "left=hall-S right=S001"},
                  {"corridor-E", "left180=corridor-W right180=corridor-W up=landing-NE"},
                  {"corridor-W", "forward=hall-W left180=corridor-E right180=corridor-E"},
                  {"landing-NE", "left=landing-W right=landing-W"},
                  {"landing-W", "left=landing-NE right=landing-NE down=corridor-W"},
                  {"attic-N", ""},
                  {"map", ""}}));

    // places.xml: the title, and each point's slides by heading at the spot
    // where the map draws its blue dot.
    std::string places_text = read_file(tour.path("places.xml")), problem;
    TourPlaces places;
    ASSERT_TRUE(places_from_xml(places_text.data(), places_text.size(), &places, &problem))
        << problem;
    EXPECT_EQ(places.title, "Test house");
    std::vector<std::string> points;
    for (const PlacedPoint &point : places.points) {
        std::string text = point.name;
        for (int h = 0; h < HEADINGS; h++)
            if (!point.slides[h].empty())
                text += std::string(" ") + heading_names[h] + "=" + point.slides[h];
        points.push_back(text);
        const Rgb dot{0x1f, 0x4e, 0x8c};
        for (auto [dx, dy] : {std::pair{-7, 0}, std::pair{0, 7}})
            EXPECT_TRUE(
                near(pixel_at(tour.path("slides/map.jpg"), (int)point.x + dx, (int)point.y + dy),
                     dot, 40))
                << point.name << " at " << point.x << ", " << point.y;
    }
    EXPECT_EQ(points,
              (std::vector<std::string>{"hall N=S001 E=hall-E S=hall-S W=hall-W",
                                        "corridor E=corridor-E W=corridor-W",
                                        "landing NE=landing-NE W=landing-W", "attic N=attic-N"}));

    for (const char *id : {"S001", "hall-E", "hall-S", "hall-W", "corridor-E", "map"}) {
        int width = 0, height = 0;
        EXPECT_TRUE(picture_size(tour.path(std::string("slides/") + id + ".jpg"), &width, &height));
        EXPECT_EQ(width, 800) << id;
        EXPECT_EQ(height, 533) << id;
    }
    const std::string tagged = tour.path("slides/hall-S.jpg");
    EXPECT_TRUE(near(pixel_at(tagged, 790, 10), white, 24)) << "the tagged photograph is upright";
    EXPECT_TRUE(near(pixel_at(tagged, 10, 520), black, 24)) << "the tagged photograph is upright";
    EXPECT_TRUE(near(pixel_at(tour.path("slides/hall-E.jpg"), 400, 266), teal, 12));
    EXPECT_TRUE(near(pixel_at(tour.path("slides/hall-W.jpg"), 400, 266), grey, 12));

    Ran checked = run({TOURCHECK_PROGRAM, tour.dir()});
    EXPECT_EQ(checked.status, 0) << checked.out;
    EXPECT_EQ(checked.out.find(": error: "), std::string::npos) << checked.out;

    // The CMYK photograph is the start slide: the viewer shows it red.
    e2e::XServer server;
    e2e::Session session(server, tour);
    bool red_shown = session.wait_for([](const e2e::Shot &shot) {
        Rgb c = shot.at(e2e::slide_x + 400, e2e::slide_y + 100);
        return c.r > 170 && c.g < 90 && c.b < 90;
    });
    EXPECT_TRUE(red_shown) << "the start slide is shown in its colours";
}

} // namespace
