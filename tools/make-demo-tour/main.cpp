// make-demo-tour DIR: writes a complete demo tour into DIR: data.xml, the
// photographs and the map in slides/, and the fifteen sprites in cursors/.
// The output depends on nothing but this program: same bytes on every run.
#include <stdio.h>

#include <string>
#include <thread>
#include <vector>

#include <glib.h>

#include "graph.h"
#include "image.h"
#include "plan.h"
#include "render.h"
#include "scene.h"
#include "sprite_shapes.h"

static constexpr int JPEG_QUALITY = 90;

static bool make_dir(const std::string &path)
{
    if (g_mkdir_with_parents(path.c_str(), 0755) == 0)
        return true;
    fprintf(stderr, "make-demo-tour: cannot create directory %s\n", path.c_str());
    return false;
}

// Photographs are independent of each other: two workers share them.
static bool write_photographs(const Scene &scene, const std::vector<TourSlide> &slides,
                              const std::string &dir)
{
    const int workers = 2;
    std::vector<char> ok(slides.size(), 0);
    auto work = [&](int first) {
        for (size_t i = first; i < slides.size(); i += workers) {
            Image photo = render_view(scene, slides[i].point, slides[i].heading);
            ok[i] = write_jpeg(photo, dir + "/" + slides[i].id + ".jpg", JPEG_QUALITY);
        }
    };
    std::vector<std::thread> threads;
    for (int w = 1; w < workers; w++)
        threads.emplace_back(work, w);
    work(0);
    for (std::thread &t : threads)
        t.join();
    for (char done : ok)
        if (!done)
            return false;
    return true;
}

int main(int argc, char **argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: make-demo-tour DIR\n");
        return 2;
    }
    std::string dir = argv[1];
    std::string photo_dir = dir + "/" + slide_dir, cursor_dir = dir + "/" + sprite_dir;
    if (!make_dir(photo_dir) || !make_dir(cursor_dir))
        return 1;

    Scene scene = build_scene();
    std::vector<TourSlide> slides = build_graph(scene);
    if (!write_photographs(scene, slides, photo_dir) ||
        !write_jpeg(draw_plan(scene, slides), photo_dir + "/" + map_id + ".jpg", JPEG_QUALITY) ||
        !write_sprites(cursor_dir) || !write_tour_file(slides, dir + "/" + tour_file))
        return 1;
    printf("make-demo-tour: wrote %zu slides, the map and 15 sprites to %s\n", slides.size(),
           dir.c_str());
    return 0;
}
