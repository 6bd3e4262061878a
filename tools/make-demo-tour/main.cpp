// make-demo-tour DIR: renders the demo house into DIR for tourmake: one
// photograph a standing point and heading (or one 360° photograph, for the
// point taken so), a drawing of each floor and the plan, plan.txt, that joins
// them. `tourmake DIR/plan.txt OUTDIR` makes the
// tour. The output depends on nothing but this program: same bytes on every run.
#include <stdio.h>

#include <string>
#include <thread>
#include <vector>

#include <glib.h>

#include "drawing.h"
#include "image.h"
#include "render.h"
#include "scene.h"
#include "walks.h"

static bool make_dir(const std::string &path)
{
    if (g_mkdir_with_parents(path.c_str(), 0755) == 0)
        return true;
    fprintf(stderr, "make-demo-tour: cannot create directory %s\n", path.c_str());
    return false;
}

// Writes a PNG, or a JPEG at `jpeg_quality` when it is given.
static bool saved(const Image &image, const std::string &path, int jpeg_quality = 0)
{
    std::string error;
    if (jpeg_quality ? write_jpeg(image, path, jpeg_quality, &error)
                     : write_png(image, path, &error))
        return true;
    fprintf(stderr, "make-demo-tour: %s\n", error.c_str());
    return false;
}

// Photographs are independent of each other: two workers share them. They
// are written losslessly, tourmake makes the tour's JPEGs; a 360° photograph
// is a JPEG at quality 92, as a camera writes it.
static bool write_photographs(const Scene &scene, const std::string &dir)
{
    const int workers = 2;
    size_t count = scene.points.size() * 4;
    std::vector<char> ok(count, 0);
    auto work = [&](int first) {
        for (size_t i = first; i < count; i += workers) {
            int point = static_cast<int>(i / 4);
            Heading heading = static_cast<Heading>(i % 4);
            if (scene.points[point].pano) {
                std::string file = dir + "/" + pano_file(scene, point);
                ok[i] = heading != EAST ||
                        saved(render_equirect(scene, point, PANO_WIDTH, PANO_CENTRE), file, 92);
            } else {
                ok[i] = !(scene.points[point].views & view_of(heading)) ||
                        saved(render_view(scene, point, heading),
                              dir + "/" + photo_file(scene, point, heading));
            }
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
    if (!make_dir(dir))
        return 1;

    Scene scene = build_scene();
    if (!write_photographs(scene, dir))
        return 1;
    int levels = floor_count(scene);
    for (int level = 0; level < levels; level++)
        if (!saved(draw_floor(scene, level), dir + "/" + drawing_file(level)))
            return 1;
    std::string plan = dir + "/plan.txt", text = plan_text(scene);
    GError *error = nullptr;
    if (!g_file_set_contents(plan.c_str(), text.c_str(), -1, &error)) {
        fprintf(stderr, "make-demo-tour: %s\n", error->message);
        g_error_free(error);
        return 1;
    }
    int photographs = 0;
    for (const StandPoint &p : scene.points)
        photographs += p.pano ? 1 : __builtin_popcount(p.views);
    printf("make-demo-tour: wrote %d photographs, %d floor drawings and %s\n", photographs, levels,
           plan.c_str());
    return 0;
}
