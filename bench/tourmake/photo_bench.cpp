// photo_bench DIR: times tourmake's photograph stage on every JPEG and PNG
// under DIR against vipsthumbnail making the same 800 by 533 centre crops at
// quality 90, each on all cores, and prints the ratio. Each side runs three
// times, alternately; the fastest wall-clock run of each counts.
#include <stdio.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include <glib.h>
#include <vips/vips.h>

#include "format.h"
#include "outdir.h"
#include "photos.h"

static void find_photos(const std::string &dir, std::vector<std::string> *found)
{
    GDir *d = g_dir_open(dir.c_str(), 0, nullptr);
    while (const char *name = d ? g_dir_read_name(d) : nullptr) {
        std::string path = dir + "/" + name;
        if (g_file_test(path.c_str(), G_FILE_TEST_IS_DIR))
            find_photos(path, found);
        else if (g_str_has_suffix(name, ".jpg") || g_str_has_suffix(name, ".png"))
            found->push_back(path);
    }
    if (d)
        g_dir_close(d);
}

static double now()
{
    return g_get_monotonic_time() / 1e6;
}

// One vipsthumbnail process a core, each with its share of the files and a
// single thread, as tourmake runs one photograph a core.
static double run_baseline(const std::vector<std::string> &photos, int cores,
                           const std::string &out)
{
    std::string size = std::to_string(PHOTO_WIDTH) + "x" + std::to_string(PHOTO_HEIGHT);
    std::string target = out + "/%s.jpg[Q=90,strip]";
    double start = now();
    std::vector<pid_t> children;
    for (int c = 0; c < cores; c++) {
        std::vector<const char *> argv = {"vipsthumbnail", "--size",   size.c_str(),  "--smartcrop",
                                          "centre",        "--output", target.c_str()};
        for (size_t i = c; i < photos.size(); i += cores)
            argv.push_back(photos[i].c_str());
        argv.push_back(nullptr);
        pid_t pid = fork();
        if (pid == 0) {
            setenv("VIPS_CONCURRENCY", "1", 1);
            execvp(argv[0], const_cast<char **>(argv.data()));
            _exit(127);
        }
        children.push_back(pid);
    }
    bool ok = true;
    for (pid_t pid : children) {
        int status = 0;
        waitpid(pid, &status, 0);
        ok = ok && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
    double seconds = now() - start;
    if (!ok) {
        fprintf(stderr, "photo_bench: vipsthumbnail failed\n");
        exit(1);
    }
    return seconds;
}

static double run_tourmake(const std::vector<std::string> &photos, int cores,
                           const std::string &out)
{
    std::vector<PhotoJob> jobs;
    for (size_t i = 0; i < photos.size(); i++)
        jobs.push_back({photos[i], out + "/" + std::to_string(i) + ".jpg", "", {}});
    double start = now();
    bool ok = make_photos(jobs, false, cores, nullptr, nullptr);
    double seconds = now() - start;
    if (!ok) {
        fprintf(stderr, "photo_bench: tourmake's photograph stage failed\n");
        exit(1);
    }
    return seconds;
}

int main(int argc, char **argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: photo_bench DIR\n");
        return 2;
    }
    if (VIPS_INIT(argv[0]) != 0)
        return 1;
    vips_concurrency_set(1);
    vips_cache_set_max(0);
    std::vector<std::string> photos;
    find_photos(argv[1], &photos);
    std::sort(photos.begin(), photos.end());
    double megapixels = 0;
    for (const std::string &path : photos) {
        int w = 0, h = 0;
        std::string reason;
        if (photo_header(path, &w, &h, &reason))
            megapixels += w * (double)h / 1e6;
    }
    if (photos.empty()) {
        fprintf(stderr, "photo_bench: no photographs under %s\n", argv[1]);
        return 1;
    }
    int cores = static_cast<int>(g_get_num_processors());
    char *scratch = g_dir_make_tmp("photo-bench-XXXXXX", nullptr);
    std::string base = scratch ? scratch : "/tmp";
    g_free(scratch);
    double best_base = 1e30, best_ours = 1e30;
    for (int round = 0; round < 3; round++) {
        std::string a = base + "/baseline", b = base + "/tourmake";
        g_mkdir(a.c_str(), 0755);
        g_mkdir(b.c_str(), 0755);
        best_base = std::min(best_base, run_baseline(photos, cores, a));
        best_ours = std::min(best_ours, run_tourmake(photos, cores, b));
        remove_tree(a);
        remove_tree(b);
    }
    remove_tree(base);
    printf("\nphotograph stage: %zu photographs, %.1f megapixels, %d cores\n", photos.size(),
           megapixels, cores);
    printf("  %-34s %8.2f s\n", "vipsthumbnail (baseline)", best_base);
    printf("  %-34s %8.2f s\n", "tourmake", best_ours);
    printf("  ratio %.2f (target at most 1.20)\n", best_ours / best_base);
    return 0;
}
