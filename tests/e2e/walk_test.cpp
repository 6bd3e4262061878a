// Walking the test tour: what the window shows, moves by click and key, the
// map, the debug traces and listing, and the ways to quit.
// gtest before Xlib, whose macros None and Bool clash with it.
#include "test_tour.h"

#include <X11/Xutil.h>

using namespace e2e;

namespace
{

TEST_F(ViewerTest, FirstFrameShowsS001WithItsArrowsAndPointer)
{
    start();
    session->pointer(300, 300);
    const TestSlide s001 = test_slide("S001");
    // Black all round the photograph, the arrows of the exits it has (left180
    // instead of left), and the forward pointer with its top-left corner at
    // the pointer.
    auto mismatch = session->wait_for(frame(s001.colour, s001.arrows, 7, 300, 300));
    EXPECT_FALSE(mismatch) << *mismatch;

    char *caption = nullptr;
    EXPECT_EQ(XFetchName(session->display(), session->window(), &caption), 0)
        << "caption " << caption;
    if (caption)
        XFree(caption);
}

struct PointerCase {
    int x, y, cursor;
};

static void expect_pointers(Session &session, const TestSlide &slide,
                            const std::vector<PointerCase> &cases)
{
    for (const PointerCase &c : cases) {
        session.pointer(c.x, c.y);
        auto mismatch = session.wait_for(frame(slide.colour, slide.arrows, c.cursor, c.x, c.y));
        EXPECT_FALSE(mismatch) << slide.id << " at (" << c.x << ", " << c.y << "): " << *mismatch;
    }
}

TEST_F(ViewerTest, PointerSpriteShowsTheMoveOfEachRegion)
{
    start();
    expect_pointers(*session, test_slide("S001"),
                    {
                        {56, 56, 2},   // top-left corner: the left band, left180 wins
                        {175, 300, 2}, // last column of the left band
                        {176, 300, 7}, // first column of the middle
                        {736, 300, 7}, // last column of the middle
                        {737, 300, 3}, // right band: right, as there is no right180
                        {856, 589, 3}, // bottom-right corner, still inside
                        {300, 175, 5}, // last row of the top band
                        {300, 176, 7},
                        {300, 469, 7},
                        {300, 470, 6}, // first row of the bottom band
                        {300, 589, 6},
                        {857, 300, 0}, // just right of the slide area
                        {300, 590, 0}, // just below it
                        {55, 300, 0},
                        {300, 55, 0},
                        {600, 20, 0},
                    });

    session->key("Up");
    ASSERT_TRUE(shows("S002"));
    expect_pointers(*session, test_slide("S002"),
                    {
                        {100, 300, 1}, // left only
                        {800, 300, 4}, // right180 wins over right
                        {300, 100, 0}, // no up exit
                        {300, 500, 0}, // no down exit
                        {300, 300, 7},
                    });
}

TEST_F(ViewerTest, CornerOfASlideWithoutSideExitsDoesNothing)
{
    start();
    session->click(300, 100);
    ASSERT_TRUE(shows("S006"));
    expect_pointers(*session, test_slide("S006"),
                    {{60, 60, 0}, {850, 60, 0}, {300, 100, 5}, {300, 500, 6}, {300, 300, 0}});
    session->click(60, 60);
    session->click(300, 300);
    EXPECT_TRUE(shows("S006"));
}

TEST_F(ViewerTest, LeftClicksMoveAlongTheExitUnderThePointer)
{
    start();
    const struct {
        int x, y;
        const char *to;
    } steps[] = {
        {100, 300, "S004"}, // left180 wins over left
        {100, 300, "S001"}, {800, 300, "S005"}, {100, 300, "S001"},
        {300, 500, "S007"}, {100, 300, "S001"}, {300, 100, "S006"},
        {300, 500, "S001"}, {857, 300, "S001"}, {300, 590, "S001"}, // outside the slide area
        {300, 300, "S002"}, {800, 300, "S003"},                     // right180 wins over right
        {300, 300, "S003"},                                         // no exits at all
    };
    for (const auto &step : steps) {
        session->click(step.x, step.y);
        ASSERT_TRUE(shows(step.to)) << "after a click at (" << step.x << ", " << step.y << ")";
    }
    EXPECT_EQ(session->viewer().err(), "");
}

TEST_F(ViewerTest, OnlyTheLeftButtonMoves)
{
    start();
    session->pointer(300, 300);
    for (unsigned button : {2u, 3u, 4u, 5u})
        session->press(button);
    ASSERT_TRUE(shows("S001"));
    session->click(300, 300, 1);
    EXPECT_TRUE(shows("S002"));
}

TEST_F(ViewerTest, UpLeftAndRightKeysMove)
{
    start();
    const struct {
        const char *key, *to;
    } steps[] = {
        {"Up", "S002"},   {"Left", "S001"},  {"Left", "S004"}, // left180 wins over left
        {"Left", "S001"}, {"Right", "S005"}, {"Left", "S001"},
        {"Up", "S002"},   {"Right", "S003"}, // right180 wins over right
        {"Up", "S003"},   {"Left", "S003"},  {"Right", "S003"},
    };
    for (const auto &step : steps) {
        session->key(step.key);
        ASSERT_TRUE(shows(step.to)) << "after " << step.key;
    }
}

TEST_F(ViewerTest, DownAndOtherKeysDoNothing)
{
    start();
    // S001 has a down exit, which only a click can take.
    for (const char *key : {"Down", "space", "Return", "a", "w", "Next", "Prior", "KP_8",
                            "BackSpace", "F1", "Shift_L", "Control_L"})
        session->key(key);
    EXPECT_TRUE(shows("S001"));
    EXPECT_EQ(session->viewer().err(), "");
    EXPECT_TRUE(session->viewer().running());
}

TEST_F(ViewerTest, KeysActOnPressNotOnRelease)
{
    start();
    session->key_down("Up");
    ASSERT_TRUE(shows("S002"));
    session->key_up("Up"); // S002 leads on to S008: a move here would show
    EXPECT_TRUE(shows("S002"));
}

TEST_F(ViewerTest, TabShowsTheMapAndReturns)
{
    start();
    session->key("d");
    session->key("Tab");
    ASSERT_TRUE(shows("map"));
    // The map has no exits: nothing moves from it.
    session->key("Up");
    session->key("Left");
    session->key("Right");
    session->click(300, 300);
    session->click(100, 300);
    session->click(800, 300);
    ASSERT_TRUE(shows("map"));
    session->key("Tab");
    ASSERT_TRUE(shows("S001"));
    session->key("q");
    ASSERT_TRUE(exits_with(0));
    EXPECT_EQ(session->viewer().err(), "Debug Mode enabled\nS001 -> map\nmap -> S001\n");
    EXPECT_EQ(session->viewer().out(),
              "Slide (id=map, fn=slides/map.jpg): \n"
              "Slide (id=S001, fn=slides/S001.jpg): (forward S002) (left S003) (right S005) "
              "(left180 S004) (up S006) (down S007) \n");
}

TEST_F(ViewerTest, DebugKeyTogglesTracesAndListing)
{
    start();
    session->key("d");
    session->key("Up");
    ASSERT_TRUE(shows("S002"));
    session->key("Right");
    ASSERT_TRUE(shows("S003"));
    session->key("Up"); // no exit: no trace
    session->click(100, 300);
    session->key("d");
    session->key("Tab"); // debug off: no trace, no listing
    ASSERT_TRUE(shows("map"));
    session->key("Escape");
    ASSERT_TRUE(exits_with(0));
    EXPECT_EQ(session->viewer().err(),
              "Debug Mode enabled\nS001 -> S002\nS002 -> S003\nDebug Mode disabled\n");
    EXPECT_EQ(session->viewer().out(),
              "Slide (id=S002, fn=slides/S002.jpg): (forward S008) (left S001) (right S001) "
              "(right180 S003) \n"
              "Slide (id=S003, fn=slides/S003.jpg): \n");
}

TEST_F(ViewerTest, MapReachedThroughAnExitIsWhereTabStays)
{
    start();
    session->key("d");
    session->key("Right");
    ASSERT_TRUE(shows("S005"));
    session->key("Up");
    ASSERT_TRUE(shows("map"));
    session->key("Tab");
    ASSERT_TRUE(shows("map"));
    session->key("Tab");
    ASSERT_TRUE(shows("map"));
    EXPECT_EQ(session->viewer().err(),
              "Debug Mode enabled\nS001 -> S005\nS005 -> map\nmap -> map\nmap -> map\n");
}

TEST_F(ViewerTest, ExitToAMissingSlideWarnsAndStays)
{
    start();
    session->click(300, 500);
    ASSERT_TRUE(shows("S007"));
    session->key("Up");
    ASSERT_TRUE(shows("S007"));
    session->key("d");
    session->click(300, 300);
    ASSERT_TRUE(shows("S007"));
    session->key("Left"); // the slide still works
    ASSERT_TRUE(shows("S001"));
    EXPECT_EQ(session->viewer().err(), "Slide S999 is not in the tour. Staying on S007.\n"
                                       "Debug Mode enabled\n"
                                       "S007 -> S999\n"
                                       "Slide S999 is not in the tour. Staying on S007.\n"
                                       "S007 -> S001\n");
    session->key("q");
    ASSERT_TRUE(exits_with(0));
    EXPECT_EQ(session->viewer().out(), "Slide (id=S001, fn=slides/S001.jpg): (forward S002) "
                                       "(left S003) (right S005) (left180 S004) (up S006) "
                                       "(down S007) \n");
}

TEST_F(ViewerTest, PhotographIsLoadedOnlyWhenTheSlideChanges)
{
    start();
    ASSERT_TRUE(shows("S001"));
    const Rgb repainted = {0, 85, 170};
    tour.add_photo("S001", repainted);
    // Staying on the slide keeps the photograph loaded before.
    session->pointer(300, 300);
    ASSERT_TRUE(shows("S001"));
    session->key("Up");
    ASSERT_TRUE(shows("S002"));
    session->key("Left");
    EXPECT_TRUE(shows("S001", repainted));
}

TEST_F(ViewerTest, QKeyQuits)
{
    start();
    ASSERT_TRUE(shows("S001"));
    session->key("q");
    ASSERT_TRUE(exits_with(0));
    EXPECT_EQ(session->viewer().err(), "");
    EXPECT_EQ(session->viewer().out(), "");
}

TEST_F(ViewerTest, EscapeQuits)
{
    start();
    session->key("Up");
    ASSERT_TRUE(shows("S002"));
    session->key("Escape");
    ASSERT_TRUE(exits_with(0));
    EXPECT_EQ(session->viewer().err(), "");
}

TEST_F(ViewerTest, ClosingTheWindowQuits)
{
    start();
    ASSERT_TRUE(shows("S001"));
    session->close_window();
    ASSERT_TRUE(exits_with(0));
    EXPECT_EQ(session->viewer().err(), "");
}

TEST_F(ViewerTest, PointerSpriteHidesWhileThePointerIsOutside)
{
    start();
    const TestSlide s001 = test_slide("S001"), s002 = test_slide("S002");
    session->pointer(300, 300);
    ASSERT_FALSE(session->wait_for(frame(s001.colour, s001.arrows, 7, 300, 300)));
    session->pointer(window_width + 50, window_height + 50);
    auto mismatch = session->wait_for(frame(s001.colour, s001.arrows));
    ASSERT_FALSE(mismatch) << *mismatch;
    // Keyboard focus leaving and coming back says nothing of the pointer: the
    // slide the next key shows has no sprite either.
    XSetInputFocus(session->display(), PointerRoot, RevertToPointerRoot, CurrentTime);
    XSetInputFocus(session->display(), session->window(), RevertToPointerRoot, CurrentTime);
    XSync(session->display(), False);
    session->key("Up");
    mismatch = session->wait_for(frame(s002.colour, s002.arrows));
    ASSERT_FALSE(mismatch) << *mismatch;
    session->pointer(300, 300);
    mismatch = session->wait_for(frame(s002.colour, s002.arrows, 7, 300, 300));
    EXPECT_FALSE(mismatch) << *mismatch;
}

TEST_F(ViewerTest, HiddenWindowSleepsInsteadOfRedrawing)
{
    start();
    const TestSlide s001 = test_slide("S001");
    // With the pointer outside, hiding the window is the last active event.
    session->pointer(window_width + 50, window_height + 50);
    ASSERT_FALSE(session->wait_for(frame(s001.colour, s001.arrows)));
    Viewer &viewer = session->viewer();

    session->hide_window();
    std::this_thread::sleep_for(300ms);
    auto idle_start = viewer.cpu_time();
    std::this_thread::sleep_for(1s);
    auto idle = viewer.cpu_time() - idle_start;

    session->show_window();
    std::this_thread::sleep_for(300ms);
    auto busy_start = viewer.cpu_time();
    std::this_thread::sleep_for(1s);
    auto busy = viewer.cpu_time() - busy_start;

    RecordProperty("hidden_cpu_ms", int(idle.count()));
    RecordProperty("shown_cpu_ms", int(busy.count()));
    EXPECT_LT(idle.count(), 60) << "ms of CPU in a second while hidden";
    EXPECT_GT(busy.count(), 3 * idle.count() + 30) << "ms of CPU in a second while shown";
    session->pointer(300, 300);
    auto mismatch = session->wait_for(frame(s001.colour, s001.arrows, 7, 300, 300));
    EXPECT_FALSE(mismatch) << *mismatch;
}

} // namespace
