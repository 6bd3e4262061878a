// Tours from elsewhere, broken or hostile: photographs that are cut short,
// empty, of another format or huge; sprites that are not images; ids that are
// not UTF-8 or that hold path steps. Each ends with a message, never a signal.
// gtest before Xlib, whose macros None and Bool clash with it.
#include "test_tour.h"

#include <sys/stat.h>

using namespace e2e;

namespace
{

class BadTour : public ViewerTest
{
  protected:
    // Runs the viewer without waiting for a window; returns its exit status.
    std::optional<int> run_until_exit()
    {
        Viewer viewer(tour, server.name());
        std::optional<int> status = viewer.wait_exit();
        err = viewer.err();
        return status;
    }
    std::string err;

    // After every event sent so far, the window shows a photograph of one
    // colour with the given arrows and the plain pointer in the margin.
    ::testing::AssertionResult shows_photo(Rgb colour, const std::vector<int> &arrows = {})
    {
        session->settle();
        auto [x, y] = session->last_pointer();
        if (auto mismatch = session->wait_for(frame(colour, arrows, 0, x, y)))
            return ::testing::AssertionFailure() << *mismatch;
        return ::testing::AssertionSuccess();
    }

    // S001 with the given photograph bytes and no exits, the map and the sprites.
    void one_slide_tour(const std::string &photo)
    {
        tour.write_data(tour_xml({slide_xml("S001", {})}));
        tour.write("slides/S001.jpg", photo);
        tour.add_photo("map", Rgb{255, 170, 170});
        tour.add_sprites();
    }

    std::string jpeg_bytes(int width, int height, Rgb colour)
    {
        tour.add_photo("scratch", Picture(width, height, colour));
        std::string bytes = read_file(tour.path("slides/scratch.jpg"));
        tour.remove("slides/scratch.jpg");
        return bytes;
    }
};

TEST_F(BadTour, EmptyOrTextPhotographEndsWithTheLoadMessage)
{
    for (const std::string &photo : {std::string(), std::string("not a picture\n")}) {
        one_slide_tour(photo);
        EXPECT_EQ(run_until_exit(), 255) << err;
        EXPECT_TRUE(is_load_failure(err)) << err;
    }
}

TEST_F(BadTour, PhotographCutInItsHeaderEndsWithTheLoadMessage)
{
    const std::string whole = jpeg_bytes(800, 533, Rgb{0, 170, 0});
    for (size_t keep : {size_t(2), size_t(20)}) {
        one_slide_tour(whole.substr(0, keep));
        EXPECT_EQ(run_until_exit(), 255) << "cut at " << keep << ": " << err;
        EXPECT_TRUE(is_load_failure(err)) << "cut at " << keep << ": " << err;
    }
}

// The decoder fills in what is missing: the rows that are there are shown.
TEST_F(BadTour, PhotographCutInItsDataIsShownAsFarAsItGoes)
{
    const Rgb green{0, 170, 0};
    const std::string whole = jpeg_bytes(800, 533, green);
    for (size_t keep : {whole.size() / 2, whole.size() - 2}) {
        one_slide_tour(whole.substr(0, keep));
        session = std::make_unique<Session>(server, tour);
        session->settle();
        EXPECT_TRUE(session->wait_for([&](const Shot &shot) {
            return near(shot.at(slide_x + 4, slide_y + 4), green, photo_tolerance) &&
                   shot.at(slide_x - 4, slide_y - 4) == Rgb{0, 0, 0};
        })) << "cut at "
            << keep;
        session->key("q");
        EXPECT_TRUE(exits_with(0)) << "cut at " << keep;
        session.reset();
    }
}

TEST_F(BadTour, PngNamedJpgIsShownByItsContent)
{
    tour.write_data(tour_xml({slide_xml("S001", {})}));
    write_png(tour.path("slides/S001.jpg"), Picture(800, 533, Rgb{0, 85, 170}));
    tour.add_photo("map", Rgb{255, 170, 170});
    tour.add_sprites();
    session = std::make_unique<Session>(server, tour);
    EXPECT_TRUE(shows_photo(Rgb{0, 85, 170}));
    session->key("q");
    EXPECT_TRUE(exits_with(0));
}

TEST_F(BadTour, HugePhotographIsDrawnClipped)
{
    const Rgb colour{170, 0, 85};
    one_slide_tour(jpeg_bytes(8000, 8000, colour));
    session = std::make_unique<Session>(server, tour);
    // Unscaled from the slide area's corner to the window's edges.
    session->settle();
    auto [x, y] = session->last_pointer();
    Expected expected = frame(colour, {}, 0, x, y);
    expected.rect(slide_x + slide_width, slide_y, window_width - slide_x - slide_width,
                  window_height - slide_y, colour, photo_tolerance);
    expected.rect(slide_x, slide_y + slide_height, slide_width,
                  window_height - slide_y - slide_height, colour, photo_tolerance);
    auto mismatch = session->wait_for(expected);
    EXPECT_FALSE(mismatch) << *mismatch;
    session->key("Escape");
    EXPECT_TRUE(exits_with(0));
}

TEST_F(BadTour, SpritesThatAreNotImagesEndWithTheLoadMessage)
{
    write_test_tour(tour);
    tour.write("cursors/arrow.png", "");
    EXPECT_EQ(run_until_exit(), 255) << err;
    EXPECT_TRUE(is_load_failure(err)) << err;

    write_test_tour(tour);
    tour.write("cursors/arrow-fwd.png", "GIF89a but not really");
    EXPECT_EQ(run_until_exit(), 255) << err;
    EXPECT_TRUE(is_load_failure(err)) << err;
}

// A pipe would block the decoder for ever; a directory is no picture either.
TEST_F(BadTour, ImagesThatAreNotRegularFilesEndWithTheLoadMessage)
{
    write_test_tour(tour);
    tour.remove("cursors/up.png");
    ASSERT_EQ(mkfifo(tour.path("cursors/up.png").c_str(), 0644), 0);
    EXPECT_EQ(run_until_exit(), 255) << err;
    EXPECT_EQ(err, "IMG_Load: cursors/up.png is not a regular file\n");
    tour.remove("cursors/up.png");

    one_slide_tour("");
    tour.remove("slides/S001.jpg");
    ASSERT_EQ(mkdir(tour.path("slides/S001.jpg").c_str(), 0755), 0);
    EXPECT_EQ(run_until_exit(), 255) << err;
    EXPECT_EQ(err, "IMG_Load: slides/S001.jpg is not a regular file\n");
}

TEST_F(BadTour, IdsThatAreNotUtf8LeaveNoStartSlide)
{
    write_test_tour(tour);
    tour.write_data(tour_xml({slide_xml("S001", {{"forward", "S\xff"}}), slide_xml("S\xff", {})}));
    EXPECT_EQ(run_until_exit(), 255) << err;
    // The parser refuses the whole file: the module's two reports, then ours.
    EXPECT_NE(err.find("xmlnode_get_child_with_namespace: assertion 'parent != NULL' failed"),
              std::string::npos)
        << err;
    EXPECT_NE(err.find("xmlnode_free: assertion 'node != NULL' failed"), std::string::npos) << err;
    EXPECT_NE(err.find("The tour has no start slide S001.\n"), std::string::npos) << err;
}

TEST_F(BadTour, IdsWithPathStepsAreRefusedAndDotsAreKept)
{
    write_test_tour(tour);
    tour.write("secret.jpg", read_file(tour.path("slides/S003.jpg")));
    tour.write("slides/....jpg", read_file(tour.path("slides/S002.jpg")));
    tour.write_data(tour_xml({slide_xml("S001", {{"forward", "../secret"}, {"left", "..."}}),
                              slide_xml("../secret", {}), slide_xml("...", {})}));
    session = std::make_unique<Session>(server, tour);
    EXPECT_TRUE(shows_photo(test_slide("S001").colour, {7, 1}));

    // Forward leads to the refused slide: it is not in the tour.
    session->key("Up");
    EXPECT_TRUE(shows_photo(test_slide("S001").colour, {7, 1}));
    // Left leads to "...", whose photograph is slides/....jpg.
    session->key("Left");
    EXPECT_TRUE(shows_photo(test_slide("S002").colour));
    session->key("q");
    EXPECT_TRUE(exits_with(0));
    EXPECT_EQ(session->viewer().err(),
              "Slide ../secret has a directory separator in its id. Ignoring it.\n"
              "Slide ../secret is not in the tour. Staying on S001.\n");
}

// data.xml as other editors save it, with an id that is not ASCII: each walks.
TEST_F(BadTour, DataFromOtherEditorsWalks)
{
    const std::string cafe = "Caf\xC3\xA9";
    const std::string xml =
        tour_xml({slide_xml("S001", {{"forward", cafe}}), slide_xml(cafe, {{"left", "S001"}})});
    const std::pair<const char *, std::string> forms[] = {
        {"UTF-8 byte-order mark", "\xEF\xBB\xBF" + xml},
        {"ISO-8859-1",
         in_encoding("<?xml version='1.0' encoding='ISO-8859-1'?>\n" + xml, "ISO-8859-1")},
        {"UTF-16", "\xFF\xFE" + in_encoding(xml, "UTF-16LE")},
        {"unfinished comment after the root", xml + "<!-- end of tour"},
    };
    const Rgb start{85, 85, 85}, next{0, 85, 170};
    for (const auto &[form, data] : forms) {
        SCOPED_TRACE(form);
        tour.write("data.xml", data);
        tour.add_photo("S001", start);
        tour.add_photo(cafe, next);
        tour.add_photo("map", Rgb{255, 170, 170});
        tour.add_sprites();
        session = std::make_unique<Session>(server, tour);
        EXPECT_TRUE(shows_photo(start, {7}));
        session->key("Up");
        EXPECT_TRUE(shows_photo(next, {1}));
        session->key("q");
        EXPECT_TRUE(exits_with(0));
        EXPECT_EQ(session->viewer().err(), "");
        session.reset();
    }
}

} // namespace
