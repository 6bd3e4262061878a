// A tour that looks like one: a photograph of a scene and arrow-shaped
// sprites with transparent backgrounds. Leaves a screenshot of the viewer in
// the build directory.
#include "test_tour.h"

#include <cmath>
#include <functional>

using namespace e2e;

namespace
{

constexpr int sprite_size = 32;

static Rgb mix(Rgb a, Rgb b, double t)
{
    return {int(a.r + (b.r - a.r) * t), int(a.g + (b.g - a.g) * t), int(a.b + (b.b - a.b) * t)};
}

// Sky, sun, hills and a path leading on.
static Picture scene()
{
    Picture picture(slide_width, slide_height, {0, 0, 0});
    const int horizon = 240;
    for (int y = 0; y < slide_height; y++)
        for (int x = 0; x < slide_width; x++) {
            Rgb colour;
            double hill = horizon - 40 * std::sin(x / 90.0) - 25 * std::sin(x / 37.0 + 1);
            if (y < hill) {
                colour = mix({70, 120, 200}, {190, 215, 240}, double(y) / horizon);
                if (std::hypot(x - 620, y - 90) < 35)
                    colour = {250, 240, 200};
            } else {
                colour = mix({90, 140, 60}, {40, 85, 30}, double(y - hill) / (slide_height - hill));
                double half_width = 10 + (y - horizon) * 0.6;
                if (y > horizon && std::abs(x - 400) < half_width)
                    colour = mix({170, 150, 120}, {140, 120, 95}, double(y - horizon) / 300);
            }
            picture.set(x, y, colour);
        }
    return picture;
}

// A sprite that is opaque where `inside` holds and transparent elsewhere.
static Picture shape(int size, Rgb colour, const std::function<bool(double, double)> &inside)
{
    Picture picture(size, size, {0, 0, 0}, 0);
    for (int y = 0; y < size; y++)
        for (int x = 0; x < size; x++) {
            double u = (x + 0.5) / size, v = (y + 0.5) / size; // 0..1 across and down
            if (inside(u, v))
                picture.set(x, y, colour);
        }
    return picture;
}

// Triangles pointing left, right, up and down; the turning-round ones doubled.
static bool left_head(double u, double v)
{
    return u > 0.1 && u < 0.6 && std::abs(v - 0.5) < (u - 0.1);
}
static bool points_left(double u, double v)
{
    return left_head(u, v) || (u >= 0.6 && u < 0.9 && std::abs(v - 0.5) < 0.12);
}
static bool turns_left(double u, double v)
{
    return left_head(u, v) || left_head(u - 0.4, v);
}
static bool points_up(double u, double v)
{
    return points_left(v, u);
}
static bool points_down(double u, double v)
{
    return points_left(1 - v, u);
}
// The pointer: its tip is the sprite's top-left pixel.
static bool pointer_shape(double u, double v)
{
    return u <= v && u + v < 1.2;
}

static void write_scene_tour(const Tour &tour)
{
    tour.add_photo("S001", scene());
    tour.add_photo("S002", scene());
    tour.add_photo("map", Picture(slide_width, slide_height, {230, 225, 200}));
    tour.write_data(tour_xml({slide_xml("S001", {{"forward", "S002"},
                                                 {"left", "S002"},
                                                 {"right180", "S002"},
                                                 {"up", "S002"},
                                                 {"down", "S002"}}),
                              slide_xml("S002", {{"left", "S001"}})}));
    const Rgb white = {250, 250, 250}, amber = {255, 190, 40};
    using Shape = bool (*)(double, double);
    const Shape cursor_shapes[sprite_count] = {
        pointer_shape,
        points_left,
        turns_left,
        [](double u, double v) { return points_left(1 - u, v); },
        [](double u, double v) { return turns_left(1 - u, v); },
        points_up,
        points_down,
        points_up,
    };
    for (int i = 0; i < sprite_count; i++) {
        write_png(tour.path(std::string("cursors/") + cursor_files[i]),
                  shape(24, i == 0 ? white : amber, cursor_shapes[i]), true);
        if (arrow_files[i])
            write_png(tour.path(std::string("cursors/") + arrow_files[i]),
                      shape(sprite_size, white, cursor_shapes[i]), true);
    }
}

TEST_F(ViewerTest, ScreenshotOfASceneWithArrowsAndPointer)
{
    write_scene_tour(tour);
    start();
    const Picture photo = scene();
    // Pointer in the middle of the path: the forward pointer.
    const int px = 430, py = 420;
    session->pointer(px, py);
    auto looks_right = [&](const Shot &shot) {
        // Opaque parts of the sprites cover what is below; transparent parts
        // let the photograph or the black margin show.
        const auto [ux, uy] = arrow_place(5);
        const auto [fx, fy] = arrow_place(7);
        return near(shot.at(px + 12, py + 6), {255, 190, 40}, 2) &&
               near(shot.at(px, py), photo.at(px - slide_x, py - slide_y), photo_tolerance) &&
               near(shot.at(ux + 16, uy + 16), {250, 250, 250}, 2) &&
               near(shot.at(ux, uy), photo.at(ux - slide_x, uy - slide_y), photo_tolerance) &&
               shot.at(fx, fy) == Rgb{0, 0, 0} &&
               near(shot.at(fx + 16, fy + 16), {250, 250, 250}, 2);
    };
    bool ok = session->wait_for(looks_right);
    Shot shot = session->shot();
    shot.save_png(SCREENSHOT_DIR "/tourview-screenshot.png");
    EXPECT_TRUE(ok) << "see " SCREENSHOT_DIR "/tourview-screenshot.png";
    // The left arrow (not left180) and the right180 arrow show; the margin
    // round the photograph is black.
    EXPECT_TRUE(near(shot.at(15 + 6, 310 + 16), {250, 250, 250}, 2));
    EXPECT_EQ(shot.at(15 + 22, 310 + 11), (Rgb{0, 0, 0})) << "left, not left180";
    EXPECT_TRUE(near(shot.at(872 + 6, 310 + 16), {250, 250, 250}, 2)) << "right180";
    EXPECT_EQ(shot.at(55, 300), (Rgb{0, 0, 0}));
    EXPECT_EQ(shot.at(856, 300), (Rgb{0, 0, 0}));
}

} // namespace
