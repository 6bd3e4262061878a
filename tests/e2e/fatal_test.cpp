// Every way the viewer stops with a message: exit status -1 (255).
#include "test_tour.h"

#include <dlfcn.h>

#include <algorithm>

using namespace e2e;

namespace
{

// Runs the viewer to its end; its status, stdout and stderr.
struct Ending {
    std::optional<int> status;
    std::string out, err;
};

// Whether the SDL 1.2 that the viewer finds, with this environment, is
// sdl12-compat: its versions are 1.2.50 and later.
bool on_sdl12_compat()
{
    struct Version {
        unsigned char major, minor, patch;
    };
    void *sdl = dlopen("libSDL-1.2.so.0", RTLD_LAZY | RTLD_LOCAL);
    if (!sdl)
        throw std::runtime_error(std::string("no SDL 1.2: ") + dlerror());
    auto linked = reinterpret_cast<const Version *(*)()>(dlsym(sdl, "SDL_Linked_Version"));
    return linked && linked()->patch >= 50;
}

class FatalTest : public ViewerTest
{
  protected:
    Ending run(const std::map<std::string, std::string> &env = {})
    {
        Viewer viewer(tour, server.name(), env);
        Ending ending;
        ending.status = viewer.wait_exit();
        ending.out = viewer.out();
        ending.err = viewer.err();
        return ending;
    }
};

TEST_F(FatalTest, NoTourFile)
{
    tour.add_sprites();
    Ending ending = run();
    EXPECT_EQ(ending.status, 255);
    // The rest of the line is GLib's reason, worded by the locale.
    const std::string prefix = "Couldn't open data.xml: ", suffix = "\nFailed.";
    ASSERT_GT(ending.err.size(), prefix.size() + suffix.size()) << ending.err;
    EXPECT_EQ(ending.err.substr(0, prefix.size()), prefix) << ending.err;
    EXPECT_EQ(ending.err.substr(ending.err.size() - suffix.size()), suffix) << ending.err;
    EXPECT_EQ(std::count(ending.err.begin(), ending.err.end(), '\n'), 1) << ending.err;
}

TEST_F(FatalTest, NoStartSlide)
{
    write_test_tour(tour);
    tour.write_data(tour_xml({slide_xml("S002", {{"left", "S001"}})}));
    Ending ending = run();
    EXPECT_EQ(ending.status, 255);
    EXPECT_EQ(ending.err, "The tour has no start slide S001.\n");
    EXPECT_EQ(ending.out, "");
}

TEST_F(FatalTest, NoVideo)
{
    write_test_tour(tour);
    // No display to talk to, and no fallback to another kind of video.
    Ending ending = run({{"DISPLAY", ""}, {"SDL_VIDEODRIVER", "x11"}});
    EXPECT_EQ(ending.status, 255);
    const std::string prefix = "Unable to init SDL: ";
    ASSERT_GT(ending.err.size(), prefix.size()) << ending.err;
    EXPECT_EQ(ending.err.substr(0, prefix.size()), prefix);
    EXPECT_EQ(ending.err.find('\n'), std::string::npos) << "no line end: " << ending.err;
}

TEST_F(FatalTest, NoDisplayEndsTheViewerOnSdl12Compat)
{
    // There SDL2 may fall back to a video driver that shows nothing; the
    // viewer must not go on running unseen. Classic SDL 1.2 falls back to a
    // text-mode driver instead, which shows the tour in the terminal.
    if (!on_sdl12_compat())
        GTEST_SKIP() << "classic SDL 1.2 falls back to a text-mode driver";
    write_test_tour(tour);
    Ending ending = run({{"DISPLAY", ""}});
    EXPECT_EQ(ending.status, 255);
    // SDL2 may say something of its own before the viewer's line.
    const std::string last = ending.err.substr(ending.err.rfind('\n') + 1);
    const std::string prefix = "Unable to init SDL: ";
    ASSERT_GT(last.size(), prefix.size()) << ending.err;
    EXPECT_EQ(last.substr(0, prefix.size()), prefix) << ending.err;
}

TEST_F(FatalTest, NoWindow)
{
    write_test_tour(tour);
    std::string asan = getenv("ASAN_OPTIONS") ? getenv("ASAN_OPTIONS") : "";
    Ending ending =
        run({{"LD_PRELOAD", NO_WINDOW_SHIM}, {"ASAN_OPTIONS", asan + ":verify_asan_link_order=0"}});
    EXPECT_EQ(ending.status, 255);
    EXPECT_EQ(ending.err, "Could not get a surface: the test refuses the window");
}

TEST_F(FatalTest, EachSpriteIsRequired)
{
    write_test_tour(tour);
    std::vector<std::string> files;
    for (int i = 0; i < sprite_count; i++) {
        files.push_back(cursor_files[i]);
        if (arrow_files[i])
            files.push_back(arrow_files[i]);
    }
    ASSERT_EQ(files.size(), 15u);
    for (const std::string &file : files) {
        tour.remove("cursors/" + file);
        Ending ending = run();
        EXPECT_EQ(ending.status, 255) << file;
        EXPECT_TRUE(is_load_failure(ending.err)) << file << ": " << ending.err;
        tour.add_sprites();
    }
}

TEST_F(FatalTest, UnreadableSprite)
{
    write_test_tour(tour);
    tour.write("cursors/arrow-fwd.png", "not a picture");
    Ending ending = run();
    EXPECT_EQ(ending.status, 255);
    EXPECT_TRUE(is_load_failure(ending.err)) << ending.err;
}

TEST_F(FatalTest, StartPhotographMissing)
{
    write_test_tour(tour);
    tour.remove("slides/S001.jpg");
    Ending ending = run();
    EXPECT_EQ(ending.status, 255);
    const std::string warning = "S001.jpg does not exist at slides/S001.jpg\n";
    ASSERT_EQ(ending.err.substr(0, warning.size()), warning) << ending.err;
    EXPECT_TRUE(is_load_failure(ending.err.substr(warning.size()))) << ending.err;
}

TEST_F(FatalTest, PhotographGoneWhenTheSlideIsShownAgain)
{
    start();
    session->key("Up");
    ASSERT_TRUE(shows("S002"));
    session->key("Left");
    ASSERT_TRUE(shows("S001"));
    tour.remove("slides/S002.jpg");
    session->key("Up");
    ASSERT_TRUE(exits_with(255));
    EXPECT_TRUE(is_load_failure(session->viewer().err())) << session->viewer().err();
}

} // namespace
