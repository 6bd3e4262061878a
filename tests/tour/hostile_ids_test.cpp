// Tours from elsewhere: ids that would lead the photograph path out of the
// slide directory, ids whose bytes are not UTF-8, and a tour file that is not
// a regular file.
#include "tour.h"

#include "fd_capture.h"
#include "log_capture.h"
#include "scratch.h"

#include <gtest/gtest.h>

#include <glib/gstdio.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

namespace
{

// A scratch tour directory that is the working directory for one test.
class HostileTour : public ::testing::Test
{
  protected:
    ScratchDir dir;

    void SetUp() override
    {
        ScratchDir::write("slides/map.jpg", "");
    }

    // Loads data.xml holding `xml`; returns what the loader wrote to stderr.
    std::string load(const std::string &xml, GHashTable **table)
    {
        ScratchDir::write("data.xml", xml);
        FdCapture err(2);
        *table = make_weak();
        return err.text();
    }

    static const Slide *slide(GHashTable *table, const char *id)
    {
        return static_cast<const Slide *>(g_hash_table_lookup(table, id));
    }
};

std::string slide_xml(const std::string &id, const std::string &inside = "")
{
    return "<slide><file>" + id + "</file>" + inside + "</slide>";
}

} // namespace

TEST_F(HostileTour, IdsWithDirectorySeparatorsAreRefusedWithOneLine)
{
    ASSERT_TRUE(g_file_set_contents("slides/S001.jpg", "", 0, nullptr));
    GHashTable *table = nullptr;
    std::string err =
        load("<tour>" + slide_xml("../../etc/passwd") + slide_xml("sub/S002") + slide_xml("/abs") +
                 slide_xml("S001", "<next><forward>../x</forward></next>") + "</tour>",
             &table);
    EXPECT_EQ(err, "Slide ../../etc/passwd has a directory separator in its id. Ignoring it.\n"
                   "Slide sub/S002 has a directory separator in its id. Ignoring it.\n"
                   "Slide /abs has a directory separator in its id. Ignoring it.\n");
    EXPECT_EQ(g_hash_table_size(table), 2u);
    ASSERT_NE(slide(table, "S001"), nullptr);
    // Exits are only looked up in the table, never turned into paths.
    EXPECT_STREQ(slide(table, "S001")->forward, "../x");
    g_hash_table_destroy(table);
}

TEST_F(HostileTour, DotsWithoutSeparatorsStayInTheSlideDirectory)
{
    GHashTable *table = nullptr;
    std::string err =
        load("<tour>" + slide_xml("..") + slide_xml("a..b") + slide_xml(".") + "</tour>", &table);
    EXPECT_EQ(err, "...jpg does not exist at slides/...jpg\n"
                   "a..b.jpg does not exist at slides/a..b.jpg\n"
                   "..jpg does not exist at slides/..jpg\n");
    EXPECT_EQ(g_hash_table_size(table), 4u);
    ASSERT_NE(slide(table, ".."), nullptr);
    EXPECT_STREQ(slide(table, "..")->fn, "slides/...jpg");
    g_hash_table_destroy(table);
}

TEST_F(HostileTour, IdsThatAreNotUtf8LeaveOnlyTheMap)
{
    GHashTable *table = nullptr;
    LogCapture log;
    std::string err = load("<tour>" + slide_xml("S\xff\xfe") + "</tour>", &table);
    EXPECT_EQ(err, "");
    EXPECT_EQ(log.messages, (std::vector<std::string>{
                                critical("xmlnode_get_child_with_namespace", "parent != NULL"),
                                critical("xmlnode_free", "node != NULL")}));
    EXPECT_EQ(g_hash_table_size(table), 1u);
    EXPECT_NE(slide(table, "map"), nullptr);
    g_hash_table_destroy(table);
}

TEST_F(HostileTour, ControlCharactersAndReferencesInIdsAreKeptAsText)
{
    GHashTable *table = nullptr;
    std::string err = load("<tour>" + slide_xml("S&#x1;&amp;\t") + "</tour>", &table);
    EXPECT_EQ(err, "S\x01&\t.jpg does not exist at slides/S\x01&\t.jpg\n");
    EXPECT_NE(slide(table, "S\x01&\t"), nullptr);
    g_hash_table_destroy(table);
}

// A pipe would block the read for ever and a link to a device would be read
// without end: both end like an unreadable tour file.
TEST_F(HostileTour, TourFileThatIsNotARegularFileIsRefused)
{
    const char *message = "^Couldn't open data\\.xml: not a regular file\nFailed\\.$";
    ASSERT_EQ(mkfifo("data.xml", 0644), 0);
    EXPECT_EXIT(make_weak(), ::testing::ExitedWithCode(255), message);
    ASSERT_EQ(g_remove("data.xml"), 0);

    ASSERT_EQ(symlink("/dev/zero", "data.xml"), 0);
    EXPECT_EXIT(make_weak(), ::testing::ExitedWithCode(255), message);
    ASSERT_EQ(g_remove("data.xml"), 0);

    ASSERT_EQ(g_mkdir("data.xml", 0755), 0);
    EXPECT_EXIT(make_weak(), ::testing::ExitedWithCode(255), message);
    ASSERT_EQ(g_rmdir("data.xml"), 0);
}
