// The tour loader on real tour files in scratch directories.
#include "log_capture.h"
#include "fd_capture.h"
#include "scratch.h"
#include "slide_table.h"
#include "tour.h"

#include <gtest/gtest.h>

#include <string>

namespace
{

struct Loaded {
    std::string table;
    std::string err;
};

// Writes data.xml and the named photographs, then loads the tour.
Loaded load(const std::string &xml, std::initializer_list<const char *> photos = {"map"})
{
    ScratchDir dir;
    ScratchDir::write("data.xml", xml);
    for (const char *id : photos)
        ScratchDir::write(std::string("slides/") + id + ".jpg", "jpeg");
    FdCapture err(2);
    GHashTable *table = make_weak();
    Loaded out{describe_table(table), err.text()};
    g_hash_table_destroy(table);
    return out;
}

const std::string map_line = "[map] slides/map.jpg |\n";

TEST(Loader, ReadsSlidesExitsAndPhotographs)
{
    Loaded l = load("<tour>\n"
                    "  <slide>\n"
                    "    <file>S001</file>\n"
                    "    <next><forward>S002</forward><left>S007</left><down>S003</down></next>\n"
                    "  </slide>\n"
                    "  <slide><file>S002</file><next>\n"
                    "    <left180>S001</left180><right180>S001</right180><right>S9</right>"
                    "<up>S001</up></next></slide>\n"
                    "  <slide><file>S003</file></slide>\n"
                    "  <slide><file>S004</file><next/></slide>\n"
                    "</tour>\n",
                    {"map", "S001", "S002", "S003", "S004"});
    EXPECT_EQ(l.table, "[S001] slides/S001.jpg | left=[S007] forward=[S002] down=[S003]\n"
                       "[S002] slides/S002.jpg | right=[S9] left180=[S001] right180=[S001] "
                       "up=[S001]\n"
                       "[S003] slides/S003.jpg |\n"
                       "[S004] slides/S004.jpg |\n" +
                           map_line);
    EXPECT_EQ(l.err, "");
}

TEST(Loader, WarnsOnMissingPhotographsIncludingTheMap)
{
    Loaded l =
        load("<t><slide><file>S001</file></slide><slide><file>S002</file></slide></t>", {"S002"});
    EXPECT_EQ(l.err, "S001.jpg does not exist at slides/S001.jpg\n"
                     "map.jpg does not exist at slides/map.jpg\n");
    EXPECT_EQ(l.table, "[S001] slides/S001.jpg |\n[S002] slides/S002.jpg |\n" + map_line);
}

TEST(Loader, FirstSlideWithAnIdWins)
{
    Loaded l = load("<t><slide><file>A</file><next><up>B</up></next></slide>"
                    "<slide><file>A</file><next><down>C</down></next></slide>"
                    "<slide><file>A</file></slide></t>",
                    {"map", "A"});
    EXPECT_EQ(l.err, "Slide A was already seen. Ignoring the new one.\n"
                     "Slide A was already seen. Ignoring the new one.\n");
    EXPECT_EQ(l.table, "[A] slides/A.jpg | up=[B]\n" + map_line);
}

TEST(Loader, IdsKeepWhitespaceAndEntitiesAreDecoded)
{
    Loaded l = load("<t><slide><file> S001 </file><next><left> </left><right>a&amp;b</right>"
                    "</next></slide></t>",
                    {"map", " S001 "});
    EXPECT_EQ(l.table, "[ S001 ] slides/ S001 .jpg | left=[ ] right=[a&b]\n" + map_line);
    EXPECT_EQ(l.err, "");
}

TEST(Loader, EmptyExitsAndLaterRepetitionsDoNotCount)
{
    Loaded l = load("<t><slide><file>S1</file><file>S2</file>"
                    "<next><left/><right></right><up>U1</up><up>U2</up><down><x>D</x></down></next>"
                    "<next><forward>F</forward></next></slide></t>",
                    {"map", "S1"});
    EXPECT_EQ(l.table, "[S1] slides/S1.jpg | up=[U1]\n" + map_line);
}

TEST(Loader, NamespaceRuleFiltersSlidesAfterTheFirstWithXmlns)
{
    Loaded l = load("<t><slide><file>A</file></slide><slide><file>B</file></slide>"
                    "<slide xmlns='a'><file>C</file></slide><slide><file>D</file></slide>"
                    "<slide xmlns='b'><file>E</file></slide><slide xmlns='a'><file>F</file></slide>"
                    "</t>",
                    {"map", "A", "B", "C", "D", "E", "F"});
    EXPECT_EQ(l.table, "[A] slides/A.jpg |\n[B] slides/B.jpg |\n[C] slides/C.jpg |\n"
                       "[F] slides/F.jpg |\n" +
                           map_line);
}

TEST(Loader, BuiltInMapReplacesATourSlideNamedMap)
{
    Loaded l = load("<t><slide><file>map</file><next><forward>S001</forward></next></slide></t>");
    EXPECT_EQ(l.table, map_line);
    EXPECT_EQ(l.err, "");
}

TEST(Loader, SlidesWithoutAnIdAreSkippedWithAWarning)
{
    Loaded l =
        load("<t><slide><next><up>X</up></next></slide><slide><file/></slide>"
             "<slide><file>S001</file></slide><slide><file><b>no text</b></file></slide></t>",
             {"map", "S001"});
    EXPECT_EQ(l.table, "[S001] slides/S001.jpg |\n" + map_line);
    EXPECT_EQ(l.err, "Slide number 1 has no file name. Ignoring it.\n"
                     "Slide number 2 has no file name. Ignoring it.\n"
                     "Slide number 4 has no file name. Ignoring it.\n");
}

TEST(Loader, TextWithoutATreeLeavesOnlyTheMap)
{
    const char *bad[] = {"", "   \n", "<t><slide><file>S001</file></slide>", "<t></x>", "not xml"};
    for (const char *xml : bad) {
        LogCapture log;
        Loaded l = load(xml);
        EXPECT_EQ(l.table, map_line) << xml;
        EXPECT_EQ(l.err, "") << xml;
        const std::vector<std::string> expected = {
            critical("xmlnode_get_child_with_namespace", "parent != NULL"),
            critical("xmlnode_free", "node != NULL"),
        };
        EXPECT_EQ(log.messages, expected) << xml;
    }
}

TEST(Loader, RootMayHaveAnyNameAndOnlyDirectSlidesCount)
{
    Loaded l = load("<anything><group><slide><file>X</file></slide></group>"
                    "<slide><file>S001</file></slide></anything>",
                    {"map", "S001"});
    EXPECT_EQ(l.table, "[S001] slides/S001.jpg |\n" + map_line);
}

TEST(Loader, UnreadableTourFileIsFatal)
{
    ScratchDir dir; // no data.xml here
    // The GLib error's text follows the prefix; "Failed." ends without a line end.
    EXPECT_EXIT(make_weak(), ::testing::ExitedWithCode(255),
                "^Couldn't open data\\.xml: [^\n]*data\\.xml[^\n]*\nFailed\\.$");
}

std::string listing(const Slide &slide)
{
    FdCapture out(1);
    view(nullptr, const_cast<Slide *>(&slide), nullptr);
    return out.text();
}

TEST(View, ListsExitsInItsOwnOrderOnlyWhileDebugIsOn)
{
    Slide s = {};
    char id[] = "S001", fn[] = "slides/S001.jpg", fwd[] = "S002", left[] = "S007", r180[] = "R",
         up[] = "U";
    s.id = id;
    s.fn = fn;
    s.forward = fwd;
    s.left = left;
    s.right180 = r180;
    s.up = up;
    debug = 0;
    EXPECT_EQ(listing(s), "");
    debug = 1;
    EXPECT_EQ(listing(s),
              "Slide (id=S001, fn=slides/S001.jpg): (forward S002) (left S007) (right180 R) "
              "(up U) \n");
    Slide bare = {};
    bare.id = id;
    bare.fn = fn;
    EXPECT_EQ(listing(bare), "Slide (id=S001, fn=slides/S001.jpg): \n");
    debug = 0;
}

TEST(Cdata, ReadsTheFirstNamedChildOrNothing)
{
    xmlnode *root = xmlnode_from_str("<r><a>x<b/>y</a><a>z</a><e/></r>", -1);
    ASSERT_NE(root, nullptr);
    char *a = cdata(root, "a");
    EXPECT_STREQ(a, "xy");
    g_free(a);
    EXPECT_EQ(cdata(root, "e"), nullptr);
    EXPECT_EQ(cdata(root, "missing"), nullptr);
    xmlnode_free(root);
    slide_free(nullptr);
}

} // namespace
