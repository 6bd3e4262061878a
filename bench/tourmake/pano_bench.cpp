// pano_bench PHOTO_DIR SCRATCH_DIR: times the four views (N, E, S, W) of a
// 6000 by 3000 360° photograph through tourmake's photograph stage against
// ffmpeg's v360 filter making the same four 800 by 533, 90 degree views from
// the same file (decoded once, split four ways), and prints the ratio. The
// photograph is the largest JPEG under PHOTO_DIR stretched to 6000 by 3000,
// made once into SCRATCH_DIR: a real photograph's detail, for a real decode.
// Each side runs five times, alternately; the fastest wall-clock run counts,
// and the fastest in processor time (user and system, all threads) is shown.
#include <math.h>
#include <stdio.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include <glib.h>
#include <vips/vips.h>

#include "bench_photos.h"
#include "format.h"
#include "outdir.h"
#include "pano.h"
#include "photos.h"

static const int WIDTH = 6000, HEIGHT = 3000, ROUNDS = 5;
static const double headings[] = {0, 90, 180, -90}; // v360 takes -180 to 180

// User and system time, in seconds.
static double cpu_seconds(const struct rusage &usage)
{
    return usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec +
           usage.ru_stime.tv_usec / 1e6;
}

// A run's wall-clock and processor time.
struct Timing {
    double wall, cpu;
};

// The largest JPEG under `dir`, by its pixels, which go to *pixels.
static std::string largest_jpeg(const std::string &dir, double *pixels)
{
    std::vector<std::string> photos;
    find_photos(dir, &photos);
    std::string best;
    for (const std::string &path : photos) {
        VipsImage *image = g_str_has_suffix(path.c_str(), ".jpg")
                               ? vips_image_new_from_file(path.c_str(), nullptr)
                               : nullptr;
        double size = image ? double(image->Xsize) * image->Ysize : 0;
        if (image)
            g_object_unref(image);
        if (size > *pixels) {
            *pixels = size;
            best = path;
        }
    }
    return best;
}

// The photograph stretched to 6000 by 3000, at quality 90 like a camera's.
static bool make_pano(const std::string &from, const std::string &to)
{
    VipsImage *image = nullptr;
    if (vips_thumbnail(from.c_str(), &image, WIDTH, "height", HEIGHT, "size", VIPS_SIZE_FORCE,
                       nullptr) != 0)
        return false;
    bool ok = vips_jpegsave(image, to.c_str(), "Q", 90, nullptr) == 0;
    g_object_unref(image);
    return ok;
}

static std::string view_path(const std::string &dir, int k)
{
    return dir + "/view" + std::to_string(k) + ".jpg";
}

// ffmpeg in one process: one decode, split four ways, one v360 a heading,
// bilinear (its default), each view written as a JPEG at about quality 90.
static Timing run_ffmpeg(const std::string &pano, const std::string &out)
{
    double vfov = 2 * atan((PHOTO_HEIGHT / 2.0) / (PHOTO_WIDTH / 2.0)) * 180 / M_PI;
    std::string graph = "[0:v]split=4[a0][a1][a2][a3]";
    for (int k = 0; k < 4; k++)
        graph += ";[a" + std::to_string(k) +
                 "]v360=input=e:output=flat:interp=line:yaw=" + std::to_string(headings[k]) +
                 ":h_fov=90:v_fov=" + std::to_string(vfov) + ":w=" + std::to_string(PHOTO_WIDTH) +
                 ":h=" + std::to_string(PHOTO_HEIGHT) + "[v" + std::to_string(k) + "]";
    std::vector<std::string> args = {"ffmpeg", "-nostdin",        "-v", "error", "-y", "-i",
                                     pano,     "-filter_complex", graph};
    for (int k = 0; k < 4; k++)
        for (const std::string &a :
             {std::string("-map"), "[v" + std::to_string(k) + "]", std::string("-q:v"),
              std::string("3"), std::string("-frames:v"), std::string("1"), view_path(out, k)})
            args.push_back(a);
    std::vector<char *> argv;
    for (std::string &a : args)
        argv.push_back(&a[0]);
    argv.push_back(nullptr);
    double start = now();
    pid_t pid = fork();
    if (pid == 0) {
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    struct rusage usage = {};
    wait4(pid, &status, 0, &usage);
    double seconds = now() - start;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        fprintf(stderr, "pano_bench: ffmpeg failed (is it installed?)\n");
        exit(1);
    }
    return {seconds, cpu_seconds(usage)};
}

static Timing run_tourmake(const std::string &pano, const std::string &out, int cores)
{
    std::vector<PhotoJob> jobs = {{pano, "", "", {}}};
    for (int k = 0; k < 4; k++)
        jobs[0].views.push_back({headings[k], view_path(out, k)});
    struct rusage before = {}, after = {};
    getrusage(RUSAGE_SELF, &before);
    double start = now();
    bool ok = make_photos(jobs, false, cores, nullptr, nullptr);
    double seconds = now() - start;
    getrusage(RUSAGE_SELF, &after);
    if (!ok) {
        fprintf(stderr, "pano_bench: tourmake's views failed: %s\n", jobs[0].error.c_str());
        exit(1);
    }
    return {seconds, cpu_seconds(after) - cpu_seconds(before)};
}

// The mean absolute difference per channel between two views, 0 to 255.
static double difference(const std::string &a, const std::string &b)
{
    VipsImage *x = vips_image_new_from_file(a.c_str(), nullptr);
    VipsImage *y = vips_image_new_from_file(b.c_str(), nullptr);
    VipsImage *d = nullptr, *m = nullptr;
    double mean = -1;
    if (x && y && vips_subtract(x, y, &d, nullptr) == 0 && vips_abs(d, &m, nullptr) == 0)
        vips_avg(m, &mean, nullptr);
    for (VipsImage *i : {x, y, d, m})
        if (i)
            g_object_unref(i);
    return mean;
}

static double load_average()
{
    double load = -1;
    FILE *f = fopen("/proc/loadavg", "r");
    if (f) {
        if (fscanf(f, "%lf", &load) != 1)
            load = -1;
        fclose(f);
    }
    return load;
}

int main(int argc, char **argv)
{
    if (!bench_start(argc, argv, 2, "PHOTO_DIR SCRATCH_DIR"))
        return 2;
    std::string pano = std::string(argv[2]) + "/pano-6000x3000.jpg";
    if (!g_file_test(pano.c_str(), G_FILE_TEST_EXISTS)) {
        double pixels = 0;
        std::string from = largest_jpeg(argv[1], &pixels);
        if (from.empty() || !make_pano(from, pano)) {
            fprintf(stderr, "pano_bench: no JPEG under %s to make the 360° photograph of\n",
                    argv[1]);
            return 1;
        }
    }
    int cores = static_cast<int>(g_get_num_processors());
    std::string base = scratch_dir("pano-bench-XXXXXX");
    std::string a = base + "/ffmpeg", b = base + "/tourmake";
    g_mkdir(a.c_str(), 0755);
    g_mkdir(b.c_str(), 0755);
    double load_before = load_average();
    Timing ffmpeg{1e30, 1e30}, ours{1e30, 1e30};
    for (int round = 0; round < ROUNDS; round++) {
        Timing f = run_ffmpeg(pano, a), t = run_tourmake(pano, b, cores);
        ffmpeg = {std::min(ffmpeg.wall, f.wall), std::min(ffmpeg.cpu, f.cpu)};
        ours = {std::min(ours.wall, t.wall), std::min(ours.cpu, t.cpu)};
    }
    double load_after = load_average(), worst = 0;
    for (int k = 0; k < 4; k++)
        worst = std::max(worst, difference(view_path(a, k), view_path(b, k)));
    remove_tree(base);
    printf("\n360° photograph: four 800 by 533 views of a 6000 by 3000 JPEG, %d cores, load "
           "average %.1f before, %.1f after\n",
           cores, load_before, load_after);
    printf("  %-34s %8.3f s wall %8.3f s processor\n", "ffmpeg v360 (baseline)", ffmpeg.wall,
           ffmpeg.cpu);
    printf("  %-34s %8.3f s wall %8.3f s processor\n", "tourmake", ours.wall, ours.cpu);
    printf("  ratio %.2f wall, %.2f processor (target: wall at most 1.00); views differ from "
           "ffmpeg's by %.1f of 255 at most, on average\n",
           ours.wall / ffmpeg.wall, ours.cpu / ffmpeg.cpu, worst);
    return 0;
}
