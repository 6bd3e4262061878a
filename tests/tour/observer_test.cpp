// The loader's observer: every slide element the loader comes to, with its
// verdict, and every exit of a taken slide, in document order; and silence on
// stderr while it listens.
#include "fd_capture.h"
#include "format.h"
#include "slide_table.h"
#include "tour.h"
#include "tree_dump.h"

#include <gtest/gtest.h>

#include <string>

namespace
{

const char *const verdict_names[] = {"taken", "no id", "path", "duplicate"};

void on_slide(void *data, xmlnode *element, const char *id, SlideVerdict verdict,
              const Slide *taken)
{
    std::string &log = *static_cast<std::string *>(data);
    log += std::string(verdict_names[verdict]) + " " + (id ? id : "(null)");
    if (const char *attribute = xmlnode_get_attrib(element, "n"))
        log += std::string(" @") + attribute;
    if ((taken != nullptr) != (verdict == SLIDE_TAKEN))
        log += " WRONG SLIDE";
    log += "\n";
}

void on_exit(void *data, const Slide *slide, size_t kind, xmlnode *element)
{
    std::string &log = *static_cast<std::string *>(data);
    log += std::string("  ") + slide->id + " " + exit_kinds[kind].name + "=" +
           (slide->*exit_kinds[kind].field);
    if (element->name != std::string(exit_kinds[kind].name))
        log += " WRONG ELEMENT";
    log += "\n";
}

TEST(LoadObserver, HearsEveryVerdictAndExitAndSilencesTheLoader)
{
    Tree root(xmlnode_from_str(
        "<t><slide n='1'><file>A</file><next><up>B</up><forward>C</forward><up>D</up>"
        "<left180/><down>A</down></next></slide>"
        "<slide n='2'/><slide n='3'><file/></slide><slide n='4'><file>../A</file></slide>"
        "<slide n='5'><file>A</file><next><up>X</up></next></slide>"
        "<slide n='6'><file>map</file><next><down>A</down></next></slide>"
        "<slide n='7' xmlns='q'><file>B</file></slide><slide n='8'><file>C</file></slide></t>",
        -1));
    ASSERT_TRUE(root);
    std::string log;
    LoadObserver observer{on_slide, on_exit, &log};
    GHashTable *table = g_hash_table_new_full(g_str_hash, g_str_equal, g_free, slide_free);
    FdCapture err(2);
    load_tour(table, root.get(), &observer);

    // Exits come in listing order, whatever their order in the document; the
    // slide after n='7' lacks its xmlns and the loader never comes to it.
    EXPECT_EQ(log, "taken A @1\n"
                   "  A forward=C\n"
                   "  A up=B\n"
                   "  A down=A\n"
                   "no id (null) @2\n"
                   "no id (null) @3\n"
                   "path ../A @4\n"
                   "duplicate A @5\n"
                   "taken map @6\n"
                   "  map down=A\n"
                   "taken B @7\n");
    EXPECT_EQ(err.text(), "") << "no photograph exists here, yet nothing is said";
    EXPECT_EQ(describe_table(table), "[A] slides/A.jpg | forward=[C] up=[B] down=[A]\n"
                                     "[B] slides/B.jpg |\n"
                                     "[map] slides/map.jpg |\n");
    g_hash_table_destroy(table);
}

TEST(LoadObserver, NoTreeLeavesTheMapAloneWithoutAWord)
{
    std::string log;
    LoadObserver observer{on_slide, on_exit, &log};
    GHashTable *table = g_hash_table_new_full(g_str_hash, g_str_equal, g_free, slide_free);
    FdCapture err(2);
    load_tour(table, nullptr, &observer);
    EXPECT_EQ(log, "");
    EXPECT_EQ(err.text(), "");
    EXPECT_EQ(describe_table(table), "[map] slides/map.jpg |\n");
    g_hash_table_destroy(table);
}

} // namespace
