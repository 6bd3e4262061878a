// data.xml written from a table of slides: the layout the demo tour has
// always had, and text that the loader reads back to the same slides.
#include "fd_capture.h"
#include "files.h"
#include "format.h"
#include "scratch.h"
#include "slide_table.h"
#include "writer.h"

#include <gtest/gtest.h>

#include <string>

namespace
{

TEST(Writer, ExitsInListingOrderInTheFormattedLayout)
{
    Slide first{};
    first.id = const_cast<char *>("S001");
    first.up = const_cast<char *>("S002");
    first.left = const_cast<char *>("S002");
    first.forward = const_cast<char *>("a&b");
    Slide second{};
    second.id = const_cast<char *>("S002");
    const Slide *slides[] = {&first, &second};
    gsize length = 0;
    char *text = tour_to_xml(slides, 2, &length);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(std::string(text, length), "<?xml version='1.0' encoding='UTF-8' ?>\r\n\r\n"
                                         "<tour>\r\n"
                                         "\t<slide>\r\n"
                                         "\t\t<file>S001</file>\r\n"
                                         "\t\t<next>\r\n"
                                         "\t\t\t<forward>a&amp;b</forward>\r\n"
                                         "\t\t\t<left>S002</left>\r\n"
                                         "\t\t\t<up>S002</up>\r\n"
                                         "\t\t</next>\r\n"
                                         "\t</slide>\r\n"
                                         "\t<slide>\r\n"
                                         "\t\t<file>S002</file>\r\n"
                                         "\t\t<next/>\r\n"
                                         "\t</slide>\r\n"
                                         "</tour>\r\n");
    g_free(text);
}

TEST(Writer, TheLoaderReadsBackEveryKindOfExit)
{
    ScratchDir dir;
    Slide slide{};
    slide.id = const_cast<char *>("S001");
    std::string targets[exit_kinds.size()];
    std::string expected = "[S001] slides/S001.jpg |";
    for (size_t kind = 0; kind < exit_kinds.size(); kind++) {
        targets[kind] = std::string(" T") + exit_kinds[kind].name + "<>";
        slide.*exit_kinds[kind].field = const_cast<char *>(targets[kind].c_str());
    }
    // describe_table lists the exits in field order.
    for (const char *field : {"left", "right", "forward", "left180", "right180", "up", "down"})
        expected += std::string(" ") + field + "=[ T" + field + "<>]";
    const Slide *slides[] = {&slide};
    GError *error = nullptr;
    ASSERT_TRUE(tour_write_file(tour_file, slides, 1, &error));
    FdCapture err(2);
    GHashTable *table = make_weak();
    EXPECT_EQ(describe_table(table), expected + "\n[map] slides/map.jpg |\n");
    g_hash_table_destroy(table);

    EXPECT_FALSE(tour_write_file("no-such-dir/data.xml", slides, 1, &error));
    ASSERT_NE(error, nullptr);
    g_error_free(error);
}

} // namespace
