// The stages called in process, as a program that keeps its plan in memory
// calls them: progress, a stop asked for midway, and what comes back.
#include "making.h"
#include "scratch.h"
#include "test_photos.h"

#include <gtest/gtest.h>
#include <glib/gstdio.h>

#include <string>
#include <vector>

#include "format.h"

namespace
{

const char plan_text[] = "point hall floor 0 at 10 10\n"
                         "photo hall N n.jpg\n"
                         "photo hall E e.jpg\n"
                         "photo hall S s.jpg\n"
                         "point porch floor 0 at 50 10\n"
                         "photo porch N n.jpg\n"
                         "photo porch W gone.jpg\n"
                         "walk hall N porch\n";

struct Case {
    const char *name;
    size_t stop_after; // photographs done before the stop is asked for; 0: never
    bool whole, stopped;
};

} // namespace

TEST(Making, RunsInProcessWithProgressAndStop)
{
    const Case cases[] = {
        {"a whole run", 0, true, false},
        {"stopped after the first photograph", 1, false, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ScratchDir dir;
        ASSERT_TRUE(write_picture("n.jpg", 900, 600, {200, 0, 0}, {0, 200, 0}));
        ASSERT_TRUE(write_picture("e.jpg", 900, 600, {0, 0, 200}, {0, 200, 0}));
        ASSERT_TRUE(write_picture("s.jpg", 900, 600, {90, 90, 90}, {0, 200, 0}));
        ASSERT_TRUE(write_picture("gone.jpg", 900, 600, {9, 9, 9}, {9, 9, 9}));

        Plan plan;
        Diagnostics diagnostics;
        std::vector<PlannedSlide> slides = plan_read(&plan, &diagnostics, plan_text, ".");
        ASSERT_FALSE(has_errors(diagnostics));
        // The plan is kept and changed in memory: a photograph lost since is
        // found when its slides are derived again.
        ASSERT_EQ(g_unlink("gone.jpg"), 0);
        diagnostics.clear();
        slides = plan_slides(&plan, &diagnostics);
        ASSERT_EQ(count_of(diagnostics, ERROR), 1);
        for (const Diagnostic &d : diagnostics) {
            if (d.severity == ERROR) {
                EXPECT_EQ(diagnostic_line(d, "plan"),
                          "plan:7: error: gone.jpg: No such file or directory");
            }
        }
        plan.photos.pop_back();
        plan.points[1].photo.fill(-1);
        plan.points[1].photo[0] = 3;
        diagnostics.clear();
        slides = plan_slides(&plan, &diagnostics);
        ASSERT_FALSE(has_errors(diagnostics));
        ASSERT_EQ(slides.size(), 4u);

        ASSERT_EQ(g_mkdir("tour", 0755), 0);
        std::vector<size_t> seen;
        Steering steering;
        steering.progress = [&seen](size_t done, size_t total) {
            EXPECT_EQ(total, 4u);
            seen.push_back(done);
        };
        steering.stop = [&seen, &c]() { return c.stop_after && seen.size() >= c.stop_after; };
        Made made;
        EXPECT_EQ(make_tour(plan, slides, "tour", steering, &made), c.whole);
        EXPECT_EQ(made.stopped, c.stopped);
        EXPECT_TRUE(made.photographs.empty());
        EXPECT_EQ(made.failure, "");
        for (size_t i = 0; i < seen.size(); i++)
            EXPECT_EQ(seen[i], i + 1) << "progress counts each photograph once, in order";
        if (c.whole) {
            EXPECT_EQ(seen.size(), 4u);
            EXPECT_FALSE(has_errors(made.checks));
            EXPECT_TRUE(g_file_test("tour/data.xml", G_FILE_TEST_IS_REGULAR));
            EXPECT_TRUE(g_file_test("tour/slides/map.jpg", G_FILE_TEST_IS_REGULAR));
        } else {
            EXPECT_FALSE(g_file_test("tour/data.xml", G_FILE_TEST_EXISTS));
        }
    }
}
