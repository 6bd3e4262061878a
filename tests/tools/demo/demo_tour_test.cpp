// The demo tour, as make demo makes it (make-demo-tour's photographs and plan,
// then tourmake): it loads cleanly, its photographs and sprites decode, its
// graph is whole, and the two repeat themselves byte for byte.
#include "fd_capture.h"
#include "scratch.h"
#include "tour.h"

#include <gtest/gtest.h>

#include <setjmp.h>
#include <stdio.h>

#include <jpeglib.h>
#include <png.h>

#include <deque>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace
{

const char *const exit_names[] = {"left", "right", "forward", "left180", "right180", "up", "down"};

std::vector<const char *> exits_of(const Slide *s)
{
    return {s->left, s->right, s->forward, s->left180, s->right180, s->up, s->down};
}

// Runs `argv` and returns its exit status (-1 if it could not run), adding
// what it printed to *output.
int run(const char *const *argv, std::string *output)
{
    char *out = nullptr, *err = nullptr;
    int status = -1;
    GError *error = nullptr;
    if (!g_spawn_sync(nullptr, const_cast<char **>(argv), nullptr, G_SPAWN_DEFAULT, nullptr,
                      nullptr, &out, &err, &status, &error)) {
        g_error_free(error);
        return -1;
    }
    *output += std::string(out) + err;
    g_free(out);
    g_free(err);
    return g_spawn_check_wait_status(status, nullptr) ? 0 : status;
}

// Renders the photographs and the plan into `dir`; returns the exit status.
int generate(const std::string &dir, std::string *output)
{
    const char *argv[] = {MAKE_DEMO_TOUR, dir.c_str(), nullptr};
    return run(argv, output);
}

// The tour made from them into `dir`, its photographs and plan beside it.
int make_tour(const std::string &dir, std::string *output)
{
    std::string source = dir + "-source", plan = source + "/plan.txt";
    const char *argv[] = {TOURMAKE, plan.c_str(), dir.c_str(), nullptr};
    int status = generate(source, output);
    return status != 0 ? status : run(argv, output);
}

struct JpegError {
    jpeg_error_mgr mgr;
    jmp_buf jump;
};

void jpeg_fail(j_common_ptr cinfo)
{
    longjmp(reinterpret_cast<JpegError *>(cinfo->err)->jump, 1);
}

// Decodes a whole JPEG file; true with its size when every scanline decodes.
bool decode_jpeg(const std::string &path, int *width, int *height)
{
    FILE *file = fopen(path.c_str(), "rb");
    if (!file)
        return false;
    jpeg_decompress_struct cinfo;
    JpegError err;
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = jpeg_fail;
    bool ok = false;
    if (setjmp(err.jump) == 0) {
        jpeg_create_decompress(&cinfo);
        jpeg_stdio_src(&cinfo, file);
        jpeg_read_header(&cinfo, TRUE);
        jpeg_start_decompress(&cinfo);
        std::vector<unsigned char> row(static_cast<size_t>(cinfo.output_width) *
                                       cinfo.output_components);
        JSAMPROW rows[1] = {row.data()};
        while (cinfo.output_scanline < cinfo.output_height)
            jpeg_read_scanlines(&cinfo, rows, 1);
        jpeg_finish_decompress(&cinfo);
        *width = static_cast<int>(cinfo.output_width);
        *height = static_cast<int>(cinfo.output_height);
        ok = cinfo.output_components == 3 && err.mgr.num_warnings == 0;
    }
    jpeg_destroy_decompress(&cinfo);
    fclose(file);
    return ok;
}

struct Rgba {
    int width = 0, height = 0;
    std::vector<unsigned char> pixels; // RGBA rows
    unsigned char alpha(int x, int y) const
    {
        return pixels[(static_cast<size_t>(y) * width + x) * 4 + 3];
    }
};

// Decodes a PNG that must be 8-bit RGBA; empty on any other file.
Rgba decode_rgba_png(const std::string &path)
{
    Rgba image;
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, path.c_str()))
        return image;
    bool rgba = png.format == PNG_FORMAT_RGBA;
    png.format = PNG_FORMAT_RGBA;
    std::vector<unsigned char> pixels(PNG_IMAGE_SIZE(png));
    if (png_image_finish_read(&png, nullptr, pixels.data(), 0, nullptr) && rgba) {
        image.width = static_cast<int>(png.width);
        image.height = static_cast<int>(png.height);
        image.pixels = std::move(pixels);
    }
    png_image_free(&png);
    return image;
}

// Every file below `dir`, relative to it.
void list_files(const std::string &dir, const std::string &prefix, std::set<std::string> *out)
{
    GDir *d = g_dir_open(dir.c_str(), 0, nullptr);
    if (!d)
        return;
    while (const char *entry = g_dir_read_name(d)) {
        std::string path = dir + "/" + entry;
        if (g_file_test(path.c_str(), G_FILE_TEST_IS_DIR))
            list_files(path, prefix + entry + "/", out);
        else
            out->insert(prefix + entry);
    }
    g_dir_close(d);
}

// One generated tour, loaded with the viewer's own loader, shared by the tests.
class DemoTour : public ::testing::Test
{
  protected:
    static ScratchDir *dir;
    static GHashTable *table;
    static std::string generator_output, loader_errors;

    static void SetUpTestSuite()
    {
        dir = new ScratchDir;
        if (make_tour(dir->path + "/tour", &generator_output) != 0)
            return;
        if (chdir("tour") != 0)
            return;
        FdCapture err(2);
        table = make_weak();
        loader_errors = err.text();
        if (chdir("..") != 0)
            return;
    }
    static void TearDownTestSuite()
    {
        if (table)
            g_hash_table_destroy(table);
        table = nullptr;
        delete dir;
    }
    void SetUp() override
    {
        ASSERT_NE(table, nullptr) << generator_output;
    }

    static std::map<std::string, const Slide *> slides()
    {
        std::map<std::string, const Slide *> out;
        GHashTableIter iter;
        gpointer key, value;
        g_hash_table_iter_init(&iter, table);
        while (g_hash_table_iter_next(&iter, &key, &value))
            if (strcmp(static_cast<const char *>(key), "map") != 0)
                out[static_cast<const char *>(key)] = static_cast<const Slide *>(value);
        return out;
    }
    static std::string tour_path(const std::string &name)
    {
        return dir->path + "/tour/" + name;
    }
};

ScratchDir *DemoTour::dir = nullptr;
GHashTable *DemoTour::table = nullptr;
std::string DemoTour::generator_output, DemoTour::loader_errors;

TEST_F(DemoTour, LoadsWithoutWarningsAndStartsAtS001)
{
    EXPECT_EQ(loader_errors, "");
    EXPECT_NE(g_hash_table_lookup(table, "S001"), nullptr);
    EXPECT_NE(g_hash_table_lookup(table, "map"), nullptr);
    std::map<std::string, const Slide *> all = slides();
    EXPECT_GE(all.size(), 20u);
    for (const auto &entry : all)
        EXPECT_TRUE(g_regex_match_simple("^(S001|[a-z]+-[NESW])$", entry.first.c_str(),
                                         GRegexCompileFlags(0), GRegexMatchFlags(0)))
            << entry.first;
    std::string xml = read_file(tour_path("data.xml"));
    EXPECT_EQ(xml.rfind("<?xml version='1.0' encoding='UTF-8' ?>\r\n\r\n<tour>\r\n\t<slide>\r\n"
                        "\t\t<file>S001</file>\r\n",
                        0),
              0u)
        << xml.substr(0, 200);
}

TEST_F(DemoTour, EveryPhotographAndTheMapDecodeAt800By533)
{
    std::map<std::string, const Slide *> all = slides();
    all["map"] = static_cast<const Slide *>(g_hash_table_lookup(table, "map"));
    for (const auto &entry : all) {
        int width = 0, height = 0;
        EXPECT_TRUE(decode_jpeg(tour_path(entry.second->fn), &width, &height)) << entry.second->fn;
        EXPECT_EQ(width, 800) << entry.second->fn;
        EXPECT_EQ(height, 533) << entry.second->fn;
    }
}

TEST_F(DemoTour, EveryExitNamesASlideAndEveryKindOccurs)
{
    std::set<std::string> kinds;
    for (const auto &entry : slides()) {
        std::vector<const char *> exits = exits_of(entry.second);
        for (size_t k = 0; k < exits.size(); k++) {
            if (!exits[k])
                continue;
            kinds.insert(exit_names[k]);
            EXPECT_NE(g_hash_table_lookup(table, exits[k]), nullptr)
                << entry.first << " " << exit_names[k] << " -> " << exits[k];
            EXPECT_STRNE(exits[k], "map") << entry.first;
            EXPECT_STRNE(exits[k], entry.first.c_str()) << entry.first;
        }
        // The viewer never takes a left exit beside a left180 one, so none is written.
        EXPECT_FALSE(entry.second->left && entry.second->left180) << entry.first;
        EXPECT_FALSE(entry.second->right && entry.second->right180) << entry.first;
    }
    EXPECT_EQ(kinds.size(), 7u);
}

TEST_F(DemoTour, EverySlideIsReachableFromS001)
{
    std::map<std::string, const Slide *> all = slides();
    std::set<std::string> seen = {"S001"};
    std::deque<std::string> queue = {"S001"};
    while (!queue.empty()) {
        const Slide *s = all[queue.front()];
        queue.pop_front();
        if (!s)
            continue;
        for (const char *target : exits_of(s))
            if (target && seen.insert(target).second)
                queue.push_back(target);
    }
    for (const auto &entry : all)
        EXPECT_TRUE(seen.count(entry.first)) << entry.first << " cannot be reached";
}

// Sprites blit with their top-left corner at the pointer or the arrow's place.
TEST_F(DemoTour, SpritesAreRgbaWithTheirTipAtTheTopLeft)
{
    const char *const pointers[] = {"arrow",    "left", "left180", "right",
                                    "right180", "up",   "down",    "fwd"};
    const char *const arrows[] = {"arrow-left", "arrow-left180", "arrow-right", "arrow-right180",
                                  "arrow-up",   "arrow-down",    "arrow-fwd"};
    for (const char *name : pointers) {
        Rgba image = decode_rgba_png(tour_path(std::string("cursors/") + name + ".png"));
        ASSERT_GT(image.width, 8) << name;
        int tip = 0;
        for (int y = 0; y < 4; y++)
            for (int x = 0; x < 4; x++)
                tip = std::max(tip, static_cast<int>(image.alpha(x, y)));
        EXPECT_GT(tip, 200) << name << ": nothing drawn at the hot spot";
        EXPECT_EQ(image.alpha(image.width - 1, 0), 0) << name;
    }
    for (const char *name : arrows) {
        Rgba image = decode_rgba_png(tour_path(std::string("cursors/") + name + ".png"));
        ASSERT_GT(image.width, 8) << name;
        // The side arrows sit 15 px from the window's edge and 40 px from the photo.
        EXPECT_LE(image.width, 40) << name;
        EXPECT_LE(image.height, 40) << name;
        EXPECT_EQ(image.alpha(0, 0), 0) << name;
        EXPECT_EQ(image.alpha(image.width - 1, image.height - 1) < 255, true) << name;
        int opaque = 0;
        for (int y = 0; y < image.height; y++)
            for (int x = 0; x < image.width; x++)
                opaque += image.alpha(x, y) == 255;
        EXPECT_GT(opaque, image.width * image.height / 5) << name;
    }
}

// The window point is one 360° photograph, from which tourmake cuts the
// point's four slides; nothing in the plan draws a warning.
TEST_F(DemoTour, OnePointIsCutFromA360DegreePhotograph)
{
    std::string source = dir->path + "/tour-source/";
    std::string plan = read_file(source + "plan.txt");
    EXPECT_NE(plan.find("\npano window window-360.jpg north 90\n"), std::string::npos) << plan;
    EXPECT_EQ(plan.find("photo window "), std::string::npos) << plan;
    EXPECT_TRUE(g_file_test((source + "window-360.jpg").c_str(), G_FILE_TEST_EXISTS));
    EXPECT_FALSE(g_file_test((source + "window-E.png").c_str(), G_FILE_TEST_EXISTS));
    for (const char *id : {"window-N", "window-E", "window-S", "window-W"})
        EXPECT_NE(g_hash_table_lookup(table, id), nullptr) << id;
    EXPECT_EQ(generator_output.find(": warning: "), std::string::npos) << generator_output;
}

TEST_F(DemoTour, ASecondRunWritesTheSameBytes)
{
    std::string output;
    ASSERT_EQ(make_tour(dir->path + "/again", &output), 0) << output;
    std::set<std::string> first, second;
    list_files(dir->path + "/tour", "", &first);
    list_files(dir->path + "/again", "", &second);
    EXPECT_EQ(first, second);
    // The photographs, the map, data.xml, places.xml and the sprites.
    EXPECT_EQ(first.size(), slides().size() + 1 + 1 + 1 + 15);
    for (const std::string &name : first)
        EXPECT_TRUE(read_file(dir->path + "/tour/" + name) ==
                    read_file(dir->path + "/again/" + name))
            << name;
}

TEST(DemoTourGenerator, RefusesAMissingOrUnwritableDirectory)
{
    std::string output;
    const char *argv[] = {MAKE_DEMO_TOUR, nullptr};
    int status = 0;
    char *out = nullptr, *err = nullptr;
    ASSERT_TRUE(g_spawn_sync(nullptr, const_cast<char **>(argv), nullptr, G_SPAWN_DEFAULT, nullptr,
                             nullptr, &out, &err, &status, nullptr));
    EXPECT_FALSE(g_spawn_check_wait_status(status, nullptr));
    EXPECT_STREQ(err, "usage: make-demo-tour DIR\n");
    g_free(out);
    g_free(err);
    EXPECT_NE(generate("/proc/no-such-place/tour", &output), 0);
    EXPECT_NE(output.find("make-demo-tour: cannot create directory"), std::string::npos) << output;
}

} // namespace
