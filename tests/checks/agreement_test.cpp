// tourcheck must see the slides that the viewer's loader keeps: the same ids,
// exits and photograph paths, for tours that stretch the loader's rules.
#include "log_capture.h"
#include "fd_capture.h"
#include "scratch.h"
#include "slide_table.h"
#include "test_tours.h"
#include "checks.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace
{

const char *const tours[] = {
    clean_xml,
    // the xmlns rule: the first two are taken, the third passed over, the fourth taken
    "<t><slide><file>A</file></slide><slide xmlns='n'><file>B</file></slide>"
    "<slide><file>C</file></slide><slide xmlns='n'><file>D</file></slide></t>",
    "<t><slide xmlns='n'><file>A</file></slide><slide xmlns='m'><file>B</file></slide></t>",
    // duplicates, the map, slides without id, white space and entities in ids
    "<t><slide><file>A</file><next><up>B</up></next></slide>"
    "<slide><file>A</file><next><down>C</down></next></slide>"
    "<slide><file>map</file><next><up>A</up></next></slide><slide/><slide><file/></slide>"
    "<slide><file> A &amp; B </file><next><left> x</left><left180/></next></slide></t>",
    // repeated and nested elements: only the first of each name counts
    "<t><slide><file>A<b>x</b>B</file><file>C</file><next><up>1</up><up>2</up></next>"
    "<next><down>3</down></next><next2><left>4</left></next2></slide>"
    "<x><slide><file>nested</file></slide></x></t>",
    // a second top-level element lands in the root
    "<t><slide><file>A</file></slide></t><slide><file>B</file></slide>",
    "<t><slide><file>A</file><next><up>&#x53;001</up><down><![CDATA[B]]></down></next></slide>"
    "<!-- <slide><file>C</file></slide> --></t>",
    // ids that are paths are skipped before the duplicate test; dots alone are names
    "<t><slide><file>../A</file></slide><slide><file>a/b</file></slide>"
    "<slide><file>..</file><next><up>../A</up></next></slide><slide><file>../A</file></slide></t>",
    // text that yields no tree: the table holds the map alone
    "<t><slide><file>A</file></slide>",
    "<t><slide><file>A</file></slid></t>",
    "",
};

TEST(TourcheckReading, KeepsWhatTheLoaderKeeps)
{
    for (const char *xml : tours) {
        SCOPED_TRACE(xml);
        ScratchDir dir;
        write_file("data.xml", xml);
        LogCapture criticals;
        FdCapture warnings(2);
        GHashTable *loaded = make_weak();
        warnings.text();

        Tour tour{};
        tour_read(&tour, ".");
        EXPECT_EQ(describe_table(tour.table), describe_table(loaded));
        std::set<std::string> kept;
        for (const SlideLines &lines : tour.slides)
            kept.insert(lines.id);
        EXPECT_EQ(kept.size(), tour.slides.size());
        EXPECT_EQ(kept.size() + 1, g_hash_table_size(loaded));
        EXPECT_EQ(kept.count("map"), 0u);
        tour_clear(&tour);
        g_hash_table_destroy(loaded);
    }
}

// Lines come from the markup parser's positions: the line of each start tag,
// however the tag is laid out.
TEST(TourcheckReading, LinesOfSlidesAndExits)
{
    ScratchDir dir;
    write_file("data.xml", "<?xml version='1.0'?>\n<!-- a <slide> -->\n<t>\n"
                           "<slide\n  id='x'\n><file>A</file><next>\n"
                           "<up>B</up><down\n>C</down></next></slide><slide><file>B</file>"
                           "</slide>\n</t>\n");
    Tour tour{};
    tour_read(&tour, ".");
    ASSERT_EQ(tour.slides.size(), 2u);
    EXPECT_EQ(tour.slides[0].line, 4);
    EXPECT_EQ(tour.slides[0].exits[5], 7); // up
    EXPECT_EQ(tour.slides[0].exits[6], 7); // down
    EXPECT_EQ(tour.slides[0].exits[0], 0); // no forward
    EXPECT_EQ(tour.slides[1].line, 8);
    tour_clear(&tour);
}

} // namespace
