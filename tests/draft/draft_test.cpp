// A draft plan for a folder of photographs, from the times, directions and
// places they recorded: grouped, ordered, headed and placed, its guesses
// marked, and read back by the stages without error.
#include "draft.h"
#include "making.h"
#include "scratch.h"
#include "test_photos.h"

#include <gtest/gtest.h>
#include <glib/gstdio.h>

#include <string>
#include <vector>

namespace
{

const std::string draft_head =
    "# A draft plan for the photographs in draft, made by tourmake --draft.\n"
    "# Check the lines marked \"guessed\" against the photographs; save the plan\n"
    "# beside them and run tourmake on it.\n";

struct Folder {
    const char *what;
    std::vector<Shot> shots;
    bool pano; // with pano.jpg, a 360° photograph taken last
    std::string draft;
};

TEST(Draft, PhotographsAreGroupedOrderedHeadedAndPlaced)
{
    const Folder folders[] = {
        {"times and directions, no places",
         {
             // Out of the order of their names; a and b in the same second.
             {"b.jpg", "2024:05:01 10:00:00", "25", "358/1", nullptr, nullptr},
             {"a.jpg", "2024:05:01 10:00:00", "5", "92/1", nullptr, nullptr},
             {"d.jpg", "2024:05:01 10:00:40", nullptr, nullptr, nullptr, nullptr},
             {"c.jpg", "2024:05:01 10:01:30", nullptr, "250/1", nullptr, nullptr},
             // A minute and a half later; then the same heading again.
             {"e.jpg", "2024:05:01 10:03:00", nullptr, "180/1", nullptr, nullptr},
             {"f f.jpg", "2024:05:01 10:03:10", nullptr, "181/1", nullptr, nullptr},
         },
         true,
         "title \"draft\"  # guessed: the folder's name\n"
         "\n"
         "point point1 floor 0 at 0 0  # guessed: in a row, as not every photograph records "
         "where it was taken\n"
         "photo point1 N b.jpg\n"
         "photo point1 E a.jpg\n"
         "photo point1 S d.jpg  # guessed: no direction recorded\n"
         "photo point1 W c.jpg  # guessed: it recorded 250°\n"
         "\n"
         "point point2 floor 0 at 10 0  # guessed: in a row, as not every photograph records "
         "where it was taken\n"
         "photo point2 S e.jpg\n"
         "\n"
         "point point3 floor 0 at 20 0  # guessed: a new point, as f f.jpg faces S again; in a "
         "row, as not every photograph records where it was taken\n"
         "photo point3 S \"f f.jpg\"\n"
         "\n"
         "point point4 floor 0 at 30 0  # guessed: in a row, as not every photograph records "
         "where it was taken\n"
         "pano point4 pano.jpg north 30\n"
         "\n"
         "walk point1 E point2  # guessed: the next point taken, along the row\n"
         "walk point2 S point3  # guessed: the next point taken, along the row, but point2 "
         "has no photograph facing E\n"
         "walk point3 S point4  # guessed: the next point taken, along the row, but point3 "
         "has no photograph facing E\n"},
        {"places",
         {
             {"p1.jpg", "2024:05:01 10:00:00", nullptr, "0/1", "52/1 30/1 0/1", "13/1 24/1 0/1"},
             {"p2.jpg", "2024:05:01 10:00:05", nullptr, "90/1", "52/1 30/1 0/1", "13/1 24/1 0/1"},
             {"p3.jpg", "2024:05:01 10:02:00", nullptr, "0/1", "52/1 30/1 1/1", "13/1 24/1 1/1"},
         },
         false,
         "title \"draft\"  # guessed: the folder's name\n"
         "\n"
         "point point1 floor 0 at 0 0\n"
         "photo point1 N p1.jpg\n"
         "photo point1 E p2.jpg\n"
         "\n"
         "point point2 floor 0 at 18.8 -30.9\n"
         "photo point2 N p3.jpg\n"
         "\n"
         "walk point1 E point2  # guessed: the next point taken, 36.2 m away at 31.3°, but "
         "point1 has no photograph facing NE\n"},
    };
    for (const Folder &f : folders) {
        SCOPED_TRACE(f.what);
        ScratchDir dir;
        ASSERT_EQ(g_mkdir("draft", 0755), 0);
        ASSERT_EQ(chdir("draft"), 0);
        for (const Shot &shot : f.shots)
            ASSERT_TRUE(write_shot(shot));
        if (f.pano) {
            ASSERT_TRUE(write_pano("pano.jpg", 2560, {}));
            ASSERT_TRUE(
                write_tags("pano.jpg", {{"Exif.Photo.DateTimeOriginal", "2024:05:01 10:05:00"},
                                        {"Xmp.GPano.ProjectionType", "equirectangular"},
                                        {"Xmp.GPano.PoseHeadingDegrees", "30"}}));
        }
        ScratchDir::write("notes.txt", "not a photograph, not read\n");
        ASSERT_EQ(chdir(".."), 0);
        std::string text;
        Diagnostics diagnostics;
        ASSERT_TRUE(draft_plan("draft", &text, &diagnostics));
        EXPECT_TRUE(diagnostics.empty());
        EXPECT_EQ(text, draft_head + f.draft);

        // Saved beside the photographs, the draft reads without error and
        // makes a tour.
        Plan plan;
        std::vector<PlannedSlide> slides = plan_read(&plan, &diagnostics, text, "draft");
        for (const Diagnostic &d : diagnostics)
            EXPECT_NE(d.severity, ERROR) << diagnostic_line(d, "draft/plan.txt");
        ASSERT_EQ(g_mkdir("out", 0755), 0);
        Made made;
        EXPECT_TRUE(make_tour(plan, slides, "out", Steering{}, &made)) << made.failure;
    }
}

} // namespace
