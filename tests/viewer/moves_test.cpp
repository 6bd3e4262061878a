// Pointer regions, moves along exits and the map toggle, with their traces.
#include <gtest/gtest.h>

#include <initializer_list>
#include <utility>

#include "fd_capture.h"
#include "moves.h"

namespace
{

struct RegionCase {
    int x, y;
    Move move;
};

TEST(GetRegion, BandsAndExtentsAtEveryEdge)
{
    const RegionCase cases[] = {
        // The slide area spans 0..800 across and 0..533 down, both ends in.
        {55, 300, MOVE_NONE},
        {56, 300, MOVE_LEFT},
        {856, 300, MOVE_RIGHT},
        {857, 300, MOVE_NONE},
        {300, 55, MOVE_NONE},
        {300, 56, MOVE_UP},
        {300, 589, MOVE_DOWN},
        {300, 590, MOVE_NONE},
        {0, 0, MOVE_NONE},
        {-5, 300, MOVE_NONE},
        {300, -5, MOVE_NONE},
        {911, 644, MOVE_NONE},
        // Left band below 120 across, right band above 680.
        {175, 300, MOVE_LEFT},
        {176, 300, MOVE_FORWARD},
        {736, 300, MOVE_FORWARD},
        {737, 300, MOVE_RIGHT},
        // Top band below 120 down, bottom band above 413.
        {300, 175, MOVE_UP},
        {300, 176, MOVE_FORWARD},
        {300, 469, MOVE_FORWARD},
        {300, 470, MOVE_DOWN},
        // The side bands take the corners.
        {56, 56, MOVE_LEFT},
        {175, 175, MOVE_LEFT},
        {56, 589, MOVE_LEFT},
        {856, 56, MOVE_RIGHT},
        {737, 470, MOVE_RIGHT},
        {856, 589, MOVE_RIGHT},
        {176, 56, MOVE_UP},
        {736, 175, MOVE_UP},
        {176, 589, MOVE_DOWN},
        {736, 470, MOVE_DOWN},
    };
    for (const RegionCase &c : cases)
        EXPECT_EQ(get_region(c.x, c.y), c.move) << "at (" << c.x << ", " << c.y << ")";
}

Slide *make_slide(const char *id,
                  std::initializer_list<std::pair<char * Slide::*, const char *>> exits)
{
    Slide *slide = g_new0(Slide, 1);
    slide->id = g_strdup(id);
    slide->fn = g_strdup_printf("slides/%s.jpg", id);
    for (const auto &[field, target] : exits)
        slide->*field = g_strdup(target);
    return slide;
}

class MovesTest : public ::testing::Test
{
  protected:
    GHashTable *table = g_hash_table_new_full(g_str_hash, g_str_equal, g_free, slide_free);

    void add(Slide *slide)
    {
        g_hash_table_insert(table, g_strdup(slide->id), slide);
    }
    Slide *get(const char *id)
    {
        return static_cast<Slide *>(g_hash_table_lookup(table, id));
    }

    void SetUp() override
    {
        debug = 0;
        add(make_slide("both", {{&Slide::left, "L"},
                                {&Slide::left180, "L180"},
                                {&Slide::right, "R"},
                                {&Slide::right180, "R180"},
                                {&Slide::forward, "F"},
                                {&Slide::up, "U"},
                                {&Slide::down, "D"}}));
        add(make_slide("plain", {{&Slide::left, "L"}, {&Slide::right, "R"}}));
        add(make_slide("bare", {}));
        add(make_slide("lost", {{&Slide::forward, "nowhere"}, {&Slide::left, "map"}}));
        for (const char *id : {"L", "L180", "R", "R180", "F", "U", "D", "map"})
            add(make_slide(id, {}));
    }
    void TearDown() override
    {
        g_hash_table_destroy(table);
        debug = 0;
    }
};

TEST_F(MovesTest, EachMoveFollowsItsExitAndTheTurnsPreferTurningRound)
{
    Slide *both = get("both");
    EXPECT_EQ(try_move(both, MOVE_FORWARD, table), get("F"));
    EXPECT_EQ(try_move(both, MOVE_LEFT, table), get("L180"));
    EXPECT_EQ(try_move(both, MOVE_RIGHT, table), get("R180"));
    EXPECT_EQ(try_move(both, MOVE_UP, table), get("U"));
    EXPECT_EQ(try_move(both, MOVE_DOWN, table), get("D"));
    EXPECT_EQ(try_move(both, MOVE_NONE, table), both);
    EXPECT_EQ(try_move(both, 6, table), both);

    Slide *plain = get("plain");
    EXPECT_EQ(try_move(plain, MOVE_LEFT, table), get("L"));
    EXPECT_EQ(try_move(plain, MOVE_RIGHT, table), get("R"));
}

TEST_F(MovesTest, MovesWithoutAnExitStayAndPrintNothingEvenInDebugMode)
{
    debug = 1;
    FdCapture out(1), err(2);
    Slide *bare = get("bare");
    for (int move : {MOVE_FORWARD, MOVE_LEFT, MOVE_RIGHT, MOVE_UP, MOVE_DOWN, MOVE_NONE})
        EXPECT_EQ(try_move(bare, move, table), bare) << "move " << move;
    Slide *plain = get("plain");
    EXPECT_EQ(try_move(plain, MOVE_UP, table), plain);
    EXPECT_EQ(err.text(), "");
    EXPECT_EQ(out.text(), "");
}

TEST_F(MovesTest, DebugModeTracesTheMoveAndListsTheNewSlide)
{
    FdCapture out(1), err(2);
    try_move(get("both"), MOVE_UP, table);
    EXPECT_EQ(err.text(), "");
    EXPECT_EQ(out.text(), "");
    debug = 1;
    try_move(get("both"), MOVE_LEFT, table);
    try_move(get("lost"), MOVE_LEFT, table);
    EXPECT_EQ(err.text(), "both -> L180\nlost -> map\n");
    EXPECT_EQ(out.text(), "Slide (id=L180, fn=slides/L180.jpg): \n"
                          "Slide (id=map, fn=slides/map.jpg): \n");
}

TEST_F(MovesTest, ExitToAMissingSlideWarnsAndStays)
{
    Slide *lost = get("lost");
    {
        FdCapture out(1), err(2);
        EXPECT_EQ(try_move(lost, MOVE_FORWARD, table), lost);
        EXPECT_EQ(err.text(), "Slide nowhere is not in the tour. Staying on lost.\n");
        EXPECT_EQ(out.text(), "");
    }
    debug = 1;
    FdCapture out(1), err(2);
    EXPECT_EQ(try_move(lost, MOVE_FORWARD, table), lost);
    EXPECT_EQ(err.text(), "lost -> nowhere\nSlide nowhere is not in the tour. Staying on lost.\n");
    EXPECT_EQ(out.text(), "");
}

TEST_F(MovesTest, TabOpensTheMapAndReturnsToTheSavedSlide)
{
    debug = 1;
    FdCapture out(1), err(2);
    Slide *current = get("plain"), *saved = NULL;
    toggle_map(&current, &saved, table);
    EXPECT_EQ(current, get("map"));
    EXPECT_EQ(saved, get("plain"));
    toggle_map(&current, &saved, table);
    EXPECT_EQ(current, get("plain"));
    EXPECT_EQ(saved, nullptr);
    EXPECT_EQ(err.text(), "plain -> map\nmap -> plain\n");
    EXPECT_EQ(out.text(), "Slide (id=map, fn=slides/map.jpg): \n"
                          "Slide (id=plain, fn=slides/plain.jpg): (left L) (right R) \n");
}

TEST_F(MovesTest, TabOnAMapReachedThroughAnExitStaysOnTheMap)
{
    debug = 1;
    FdCapture out(1), err(2);
    Slide *current = try_move(get("lost"), MOVE_LEFT, table), *saved = NULL;
    ASSERT_EQ(current, get("map"));
    for (int tab = 0; tab < 3; tab++) {
        toggle_map(&current, &saved, table);
        EXPECT_EQ(current, get("map"));
    }
    EXPECT_EQ(saved, get("map"));
    EXPECT_EQ(err.text(), "lost -> map\nmap -> map\nmap -> map\nmap -> map\n");
    std::string listing;
    for (int i = 0; i < 4; i++)
        listing += "Slide (id=map, fn=slides/map.jpg): \n";
    EXPECT_EQ(out.text(), listing);
}

TEST_F(MovesTest, TabWithoutAMapSlideWarnsAndStays)
{
    g_hash_table_remove(table, "map");
    FdCapture err(2);
    Slide *current = get("bare"), *saved = NULL;
    toggle_map(&current, &saved, table);
    EXPECT_EQ(current, get("bare"));
    EXPECT_EQ(saved, nullptr);
    EXPECT_EQ(err.text(), "Slide map is not in the tour. Staying on bare.\n");
}

} // namespace
