// draw_slide converts the photograph to the screen's format once: the pixels
// it puts on the screen must be exactly those that blitting the photograph as
// loaded puts there, at every depth and on every redraw.
#include "images.h"
#include "moves.h"
#include "screen.h"

#include <SDL.h>
#include <SDL_image.h>
#include <glib.h>
#include <glib/gstdio.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

namespace
{

class DrawSlide : public testing::TestWithParam<int>
{
  protected:
    static std::string photograph;
    // draw_slide knows a slide by its path string: each test draws its own,
    // and keeps it alive so that no later string takes its address.
    static std::deque<std::string> paths;

    static void SetUpTestSuite()
    {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
        char *dir = g_dir_make_tmp("draw-test-XXXXXX", NULL);
        ASSERT_NE(dir, nullptr);
        photograph = std::string(dir) + "/photograph.jpg";
        g_free(dir);
        // Colours everywhere in the cube, so that every depth rounds some.
        Picture picture(SLIDE_WIDTH, SLIDE_HEIGHT, {0, 0, 0});
        guint32 noise = 1;
        for (int y = 0; y < SLIDE_HEIGHT; y++)
            for (int x = 0; x < SLIDE_WIDTH; x++) {
                noise = noise * 1664525u + 1013904223u;
                picture.set(x, y,
                            {x * 255 / SLIDE_WIDTH, y * 255 / SLIDE_HEIGHT, int(noise >> 24)});
            }
        write_jpeg(photograph, picture, 90);
    }

    static void TearDownTestSuite()
    {
        SDL_Quit();
        g_remove(photograph.c_str());
        char *dir = g_path_get_dirname(photograph.c_str());
        g_rmdir(dir);
        g_free(dir);
    }

    static std::vector<Uint8> pixels(const SDL_Surface *screen)
    {
        const Uint8 *start = static_cast<const Uint8 *>(screen->pixels);
        return std::vector<Uint8>(start, start + screen->pitch * screen->h);
    }
};

std::string DrawSlide::photograph;
std::deque<std::string> DrawSlide::paths;

TEST_P(DrawSlide, SamePixelsAsTheLoadedPhotograph)
{
    SDL_Surface *screen = SDL_SetVideoMode(WINDOW_WIDTH, WINDOW_HEIGHT, GetParam(), 0);
    ASSERT_NE(screen, nullptr) << SDL_GetError();
    ASSERT_EQ(screen->format->BitsPerPixel, GetParam());

    SDL_Surface *loaded = IMG_Load(photograph.c_str());
    ASSERT_NE(loaded, nullptr) << SDL_GetError();
    ASSERT_EQ(loaded->format->BitsPerPixel, 24); // what the decoder gives
    SDL_FillRect(screen, NULL, 0);
    SDL_Rect where = {SLIDE_X, SLIDE_Y, 0, 0};
    SDL_UpperBlit(loaded, NULL, screen, &where);
    SDL_FreeSurface(loaded);
    const std::vector<Uint8> expected = pixels(screen);

    paths.push_back(photograph);
    for (int draw = 1; draw <= 2; draw++) { // the load and a redraw from the cache
        SDL_FillRect(screen, NULL, 0);
        draw_slide(screen, paths.back().c_str());
        EXPECT_TRUE(pixels(screen) == expected) << "draw " << draw << " at depth " << GetParam();
    }
}

INSTANTIATE_TEST_SUITE_P(Depths, DrawSlide, testing::Values(32, 24, 16, 8));

} // namespace
