// tourcheck --dot: the slide graph with its marks, in a form dot accepts.
#include "scratch.h"
#include "test_tours.h"

#include <gtest/gtest.h>

namespace
{

const char graph_xml[] = "<t><slide><file>S001</file><next><left>S002</left>"
                         "<left180>S003</left180><up>nowhere</up><down>map</down></next>"
                         "</slide><slide><file>S002</file></slide>"
                         "<slide><file>S003</file><next><right>S001</right></next></slide>"
                         "<slide><file>a \"b\"\\</file></slide></t>";

TEST(TourcheckDot, MarksStartUnreachableDanglingAndUntakenExits)
{
    ScratchDir dir;
    write_file("data.xml", graph_xml);
    Checked checked = run_tourcheck({"--dot"});
    EXPECT_EQ(checked.status, 0);
    EXPECT_EQ(checked.err, "");
    EXPECT_EQ(checked.out,
              "digraph tour {\n"
              "  node [shape=box, fontname=\"Helvetica\"];\n"
              "  edge [fontname=\"Helvetica\", fontsize=10];\n"
              "  \"S001\" [penwidth=3];\n"
              "  \"S002\" [style=dashed, xlabel=\"unreachable\"];\n"
              "  \"S003\";\n"
              "  \"a \\\"b\\\"\\\\\" [style=dashed, xlabel=\"unreachable\"];\n"
              "  \"map\" [shape=ellipse];\n"
              "  \"nowhere\" [style=dashed, color=red, fontcolor=red, xlabel=\"no such slide\"];\n"
              "  \"S001\" -> \"S002\" [label=\"left (never taken)\", style=dotted, color=gray, "
              "fontcolor=gray];\n"
              "  \"S001\" -> \"S003\" [label=\"left180\"];\n"
              "  \"S001\" -> \"nowhere\" [label=\"up\", color=red, fontcolor=red];\n"
              "  \"S001\" -> \"map\" [label=\"down\"];\n"
              "  \"S003\" -> \"S001\" [label=\"right\"];\n"
              "}\n");

    char *dot = g_find_program_in_path("dot");
    if (!dot)
        GTEST_SKIP() << "Graphviz's dot is not installed";
    write_file("tour.dot", checked.out);
    char *argv[] = {dot, const_cast<char *>("-Tcanon"), const_cast<char *>("-otour.canon"),
                    const_cast<char *>("tour.dot"), nullptr};
    int status = -1;
    char *err = nullptr;
    EXPECT_TRUE(g_spawn_sync(nullptr, argv, nullptr, G_SPAWN_STDOUT_TO_DEV_NULL, nullptr, nullptr,
                             nullptr, &err, &status, nullptr));
    EXPECT_TRUE(g_spawn_check_wait_status(status, nullptr)) << err;
    g_free(err);
    g_free(dot);
}

TEST(TourcheckDot, UnreadableTourGivesNoGraph)
{
    ScratchDir dir;
    write_file("data.xml", "<t>");
    Checked checked = run_tourcheck({"--dot"});
    EXPECT_EQ(checked.status, 2);
    EXPECT_EQ(checked.out, "");
    EXPECT_EQ(checked.err, "data.xml:1: error: not well-formed at column 4: Document ended "
                           "unexpectedly with elements still open — “t” was the last element "
                           "opened\n"
                           "tourcheck: the tour cannot be read: 1 error, 0 warnings\n");
}

} // namespace
