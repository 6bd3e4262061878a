// Every seed of the fuzz corpus and every input that once crashed a fuzz
// target, run through both targets' checks in the ordinary builds.
#include "fuzz_checks.h"
#include "scratch.h"

#include <gtest/gtest.h>

#include <glib.h>
#include <glib/gstdio.h>

#include <string>
#include <vector>

namespace
{

// The files of `dir`, which must exist: a missing directory is no empty one.
std::vector<std::string> files_in(const std::string &dir)
{
    std::vector<std::string> out;
    GDir *handle = g_dir_open(dir.c_str(), 0, nullptr);
    EXPECT_NE(handle, nullptr) << dir;
    if (!handle)
        return out;
    while (const char *name = g_dir_read_name(handle))
        out.push_back(dir + "/" + name);
    g_dir_close(handle);
    return out;
}

// Each file through the XML checks, as data.xml of a scratch tour and as a plan.
void replay(const std::string &dir, size_t at_least)
{
    std::vector<std::string> files = files_in(std::string(FUZZ_DIR) + "/" + dir);
    EXPECT_GE(files.size(), at_least) << dir;

    ScratchDir scratch;
    ASSERT_EQ(g_mkdir("slides", 0755), 0);
    for (const std::string &file : files) {
        std::string input = read_file(file);
        auto *bytes = reinterpret_cast<const uint8_t *>(input.data());
        EXPECT_EQ(check_xml(bytes, input.size()), "") << file;
        EXPECT_EQ(check_tour(bytes, input.size()), "") << file;
        EXPECT_EQ(check_plan(bytes, input.size()), "") << file;
    }
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

TEST(FuzzReplay, PlanSeeds)
{
    replay("corpus/plan", 5);
}

TEST(FuzzReplay, SavedCrashes)
{
    replay("regressions", 0);
}
