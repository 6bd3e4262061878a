// Every seed of the fuzz corpus and every input that once crashed a fuzz
// target, run through both targets' checks in the ordinary builds.
#include "fuzz_checks.h"

#include <gtest/gtest.h>

#include <glib.h>
#include <glib/gstdio.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace
{

std::vector<std::string> files_in(const std::string &dir)
{
    std::vector<std::string> out;
    GDir *handle = g_dir_open(dir.c_str(), 0, nullptr);
    if (!handle)
        return out;
    while (const char *name = g_dir_read_name(handle))
        out.push_back(dir + "/" + name);
    g_dir_close(handle);
    return out;
}

std::string contents(const std::string &path)
{
    char *text = nullptr;
    gsize len = 0;
    if (!g_file_get_contents(path.c_str(), &text, &len, nullptr))
        return "";
    std::string out(text, len);
    g_free(text);
    return out;
}

// Each file once through the XML checks and once as data.xml of a scratch tour.
void replay(const std::string &dir, size_t at_least)
{
    std::vector<std::string> files = files_in(std::string(FUZZ_DIR) + "/" + dir);
    EXPECT_GE(files.size(), at_least) << dir;

    char *old_dir = g_get_current_dir();
    char *scratch = g_dir_make_tmp("fuzz-replay-XXXXXX", nullptr);
    ASSERT_NE(scratch, nullptr);
    ASSERT_EQ(chdir(scratch), 0);
    ASSERT_EQ(g_mkdir("slides", 0755), 0);
    for (const std::string &file : files) {
        std::string input = contents(file);
        auto *bytes = reinterpret_cast<const uint8_t *>(input.data());
        EXPECT_EQ(check_xml(bytes, input.size()), "") << file;
        EXPECT_EQ(check_tour(bytes, input.size()), "") << file;
    }
    g_remove("data.xml");
    g_rmdir("slides");
    EXPECT_EQ(chdir(old_dir), 0);
    g_rmdir(scratch);
    g_free(scratch);
    g_free(old_dir);
}

} // namespace

TEST(FuzzReplay, XmlSeeds)
{
    replay("corpus/xml", 10);
}

TEST(FuzzReplay, TourSeeds)
{
    replay("corpus/tour", 5);
}

TEST(FuzzReplay, SavedCrashes)
{
    replay("regressions", 0);
}
