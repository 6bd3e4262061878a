// Tours from elsewhere: ids that would lead the photograph path out of the
// slide directory, ids whose bytes are not UTF-8, and a tour file that is not
// a regular file.
#include "tour.h"

#include "log_capture.h"

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
    char *old_dir = nullptr;
    char *dir = nullptr;

    void SetUp() override
    {
        old_dir = g_get_current_dir();
        dir = g_dir_make_tmp("hostile-ids-XXXXXX", nullptr);
        ASSERT_NE(dir, nullptr);
        ASSERT_EQ(chdir(dir), 0);
        ASSERT_EQ(g_mkdir("slides", 0755), 0);
        ASSERT_TRUE(g_file_set_contents("slides/map.jpg", "", 0, nullptr));
    }
    void TearDown() override
    {
        std::string rm = std::string("rm -rf '") + dir + "'";
        EXPECT_EQ(chdir(old_dir), 0);
        EXPECT_EQ(system(rm.c_str()), 0);
        g_free(dir);
        g_free(old_dir);
    }

    // Loads data.xml holding `xml`; returns what the loader wrote to stderr.
    std::string load(const std::string &xml, GHashTable **table)
    {
        EXPECT_TRUE(g_file_set_contents("data.xml", xml.data(), (gssize)xml.size(), nullptr));
        fflush(stderr);
        FILE *capture = tmpfile();
        int saved = dup(2);
        dup2(fileno(capture), 2);
        *table = make_weak();
        fflush(stderr);
        dup2(saved, 2);
        close(saved);
        std::string out;
        rewind(capture);
        char buffer[4096];
        size_t n;
        while ((n = fread(buffer, 1, sizeof buffer, capture)) > 0)
            out.append(buffer, n);
        fclose(capture);
        return out;
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
