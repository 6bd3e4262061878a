// Reads a tour with the viewer's loader and tourcheck's checks, refuses what
// the desktop viewer would stop on, and writes the folder or the single file.
#include "tourweb.h"

#include <errno.h>
#include <limits.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include <glib/gstdio.h>

#include "outdir.h"

std::string tour_dir_of(const std::string &path, std::string *error)
{
    struct stat st;
    if (stat(path.c_str(), &st) != 0) {
        *error = path + ": " + strerror(errno);
        return "";
    }
    if (S_ISDIR(st.st_mode))
        return path;
    char *base = g_path_get_basename(path.c_str());
    char *dir = g_path_get_dirname(path.c_str());
    std::string found = S_ISREG(st.st_mode) && strcmp(base, tour_file) == 0 ? dir : "";
    g_free(dir);
    g_free(base);
    if (found.empty())
        *error = path + " is neither a tour directory nor its " + tour_file;
    return found;
}

static std::string real_path(const std::string &path)
{
    char *real = realpath(path.c_str(), NULL);
    std::string resolved = real ? real : "";
    free(real);
    return resolved;
}

// Reads `relative` ("slides/S001.jpg") of the tour in `dir` as an image that
// decodes, or says why not. Only a regular file whose real path lies inside the
// real path of its own directory counts: a link out of it is missing.
static bool read_image(const std::string &dir, const std::string &relative, TourFile *file,
                       std::string *why)
{
    std::string subdir = relative.substr(0, relative.find('/'));
    std::string root = real_path(dir + "/" + subdir);
    std::string real = real_path(dir + "/" + relative);
    if (root.empty() || real.empty()) {
        *why = "is missing";
        return false;
    }
    if (real.compare(0, root.size() + 1, root + "/") != 0) {
        *why = "is missing (it links out of " + subdir + "/)";
        return false;
    }
    if (!g_file_test(real.c_str(), G_FILE_TEST_IS_REGULAR)) {
        *why = "is not a regular file";
        return false;
    }
    char *bytes = NULL;
    gsize length = 0;
    GError *error = NULL;
    if (!read_whole_file(real.c_str(), &bytes, &length, &error)) {
        *why = std::string("cannot be read: ") + error->message;
        g_error_free(error);
        return false;
    }
    file->bytes.assign(bytes, length);
    g_free(bytes);
    std::string reason;
    if (!image_decodes(file->bytes.data(), file->bytes.size(), &file->png, &reason)) {
        *why = reason;
        file->bytes.clear();
        return false;
    }
    return true;
}

static const Slide *find_slide(const WebTour *web, const char *id)
{
    return static_cast<const Slide *>(g_hash_table_lookup(web->tour.table, id));
}

std::vector<const Slide *> page_slides(const WebTour *web)
{
    std::vector<const Slide *> slides;
    if (const Slide *start = find_slide(web, start_id))
        slides.push_back(start);
    for (const SlideLines &lines : web->tour.slides)
        if (lines.id != start_id)
            slides.push_back(find_slide(web, lines.id.c_str()));
    slides.push_back(find_slide(web, map_id));
    return slides;
}

static void print_report(Tour *tour, FILE *report)
{
    if (!report)
        return;
    for (const Problem &problem : tour->problems)
        fprintf(report, "%s\n", problem_line(problem).c_str());
    fprintf(report, "%s\n", summary_line(tour).c_str());
}

static void read_sprites(WebTour *web, const std::string &dir)
{
    for (int index = 0; index < SPRITE_COUNT && web->refusal.empty(); index++) {
        for (const char *name : {curfiles[index], arrowfiles[index]}) {
            if (!name)
                continue;
            std::string relative = std::string(sprite_dir) + "/" + name;
            TourFile file;
            std::string why;
            if (!read_image(dir, relative, &file, &why)) {
                web->refusal = "sprite " + relative + " " + why;
                return;
            }
            web->files[relative] = file;
        }
    }
}

// Every photograph that is there and decodes; one that a walk from S001 or
// the map (always open through its button) reaches must.
static void read_photos(WebTour *web, const std::string &dir)
{
    std::set<std::string> reachable = reachable_ids(&web->tour);
    reachable.insert(map_id);
    for (const Slide *slide : page_slides(web)) {
        TourFile file;
        std::string why;
        if (read_image(dir, slide->fn, &file, &why)) {
            web->files[slide->fn] = file;
        } else if (reachable.count(slide->id)) {
            web->refusal = "the photograph " + std::string(slide->fn) + " of slide " +
                           quoted(slide->id) + ", which a walk reaches, " + why;
            return;
        }
    }
}

void web_read(WebTour *web, const std::string &dir, FILE *report)
{
    tour_read(&web->tour, dir.c_str());
    if (web->tour.readable) {
        check_graph(&web->tour);
        check_images(&web->tour);
    }
    sort_problems(&web->tour);
    print_report(&web->tour, report);

    if (!web->tour.readable) {
        web->refusal =
            std::string(tour_file) + ": " +
            (web->tour.problems.empty() ? "cannot be read" : web->tour.problems.front().message);
        return;
    }
    if (!find_slide(web, start_id)) {
        web->refusal = std::string("the tour has no start slide ") + start_id;
        return;
    }
    char *path = g_build_filename(dir.c_str(), tour_file, NULL);
    char *bytes = NULL;
    gsize length = 0;
    GError *error = NULL;
    if (read_whole_file(path, &bytes, &length, &error)) {
        web->files[tour_file] = TourFile{std::string(bytes, length), false};
        g_free(bytes);
    } else {
        web->refusal = std::string(tour_file) + " cannot be read: " + error->message;
        g_error_free(error);
    }
    g_free(path);
    if (web->refusal.empty())
        read_sprites(web, dir);
    if (web->refusal.empty())
        read_photos(web, dir);
}

void web_clear(WebTour *web)
{
    tour_clear(&web->tour);
    web->files.clear();
}

static bool write_bytes(const std::string &path, const std::string &bytes, std::string *error)
{
    GError *failure = NULL;
    if (g_file_set_contents(path.c_str(), bytes.data(), (gssize)bytes.size(), &failure))
        return true;
    *error = failure->message;
    g_error_free(failure);
    return false;
}

static bool write_page(const PageFiles &page, const std::string &script, const std::string &dir,
                       std::string *error)
{
    const std::string *texts[] = {&page.index, &page.css, &page.logic, &page.js};
    for (size_t i = 0; i < 4; i++)
        if (!write_bytes(dir + "/" + page_file_names[i], *texts[i], error))
            return false;
    return write_bytes(dir + "/tour.js", script, error);
}

static bool write_folder(const WebTour *web, const PageFiles &page, const std::string &dir,
                         std::string *error)
{
    for (const char *sub : {slide_dir, sprite_dir}) {
        std::string path = dir + "/" + sub;
        if (g_mkdir(path.c_str(), 0755) != 0) {
            *error = "cannot create " + path + ": " + strerror(errno);
            return false;
        }
    }
    for (const auto &file : web->files)
        if (outdir_interrupted() || !write_bytes(dir + "/" + file.first, file.second.bytes, error))
            return false;
    return !outdir_interrupted() && write_page(page, tour_js(web, false), dir, error);
}

// Reads the tour and the page; the status to end with, or -1 to go on.
static int take_tour(WebTour *web, const std::string &tour, PageFiles *page)
{
    std::string error;
    std::string dir = tour_dir_of(tour, &error);
    if (dir.empty()) {
        fprintf(stderr, "tourweb: cannot export: %s\n", error.c_str());
        return 1;
    }
    web_read(web, dir, stderr);
    if (!web->refusal.empty()) {
        fprintf(stderr, "tourweb: cannot export: %s\n", web->refusal.c_str());
        return 1;
    }
    if (!read_page(page, &error)) {
        fprintf(stderr, "tourweb: %s\n", error.c_str());
        return 1;
    }
    return -1;
}

static size_t photo_count(const WebTour *web)
{
    size_t count = 0;
    for (const auto &file : web->files)
        count += file.first.compare(0, strlen(slide_dir) + 1, std::string(slide_dir) + "/") == 0;
    return count;
}

int export_folder(const std::string &tour, const std::string &outdir, bool force)
{
    WebTour web{};
    PageFiles page;
    int status = take_tour(&web, tour, &page);
    std::string error, real_out = real_path(outdir);
    if (status < 0 && !real_out.empty() && real_out == real_path(web.tour.dir)) {
        fprintf(stderr, "tourweb: %s is the tour itself\n", outdir.c_str());
        status = 1;
    }
    std::string refusal = status < 0 ? outdir_refusal(outdir, force) : "";
    if (!refusal.empty()) {
        fprintf(stderr, "tourweb: %s\n", refusal.c_str());
        status = 1;
    }
    std::string work = status < 0 ? outdir_begin(outdir, "tourweb", &error) : "";
    if (status < 0 && work.empty()) {
        fprintf(stderr, "tourweb: %s\n", error.c_str());
        status = 1;
    }
    if (status < 0) {
        if (write_folder(&web, page, work, &error) && !outdir_interrupted() &&
            outdir_commit(work, outdir, &error)) {
            printf("tourweb: wrote %zu slides, %zu photographs, %d sprites and the page to %s\n",
                   page_slides(&web).size(), photo_count(&web), 2 * SPRITE_COUNT - 1,
                   outdir.c_str());
            status = 0;
        } else {
            if (!outdir_interrupted())
                fprintf(stderr, "tourweb: %s\n", error.c_str());
            remove_tree(work);
            status = outdir_interrupted() ? 128 + outdir_interrupted() : 1;
        }
    }
    web_clear(&web);
    return status;
}

int export_single_file(const std::string &tour, const std::string &file, bool force)
{
    WebTour web{};
    PageFiles page;
    int status = take_tour(&web, tour, &page);
    std::string html, error;
    struct stat st;
    if (status < 0 && lstat(file.c_str(), &st) == 0 && (S_ISDIR(st.st_mode) || !force)) {
        fprintf(stderr, "tourweb: %s %s\n", file.c_str(),
                S_ISDIR(st.st_mode) ? "is a directory" : "exists (--force replaces it)");
        status = 1;
    }
    if (status < 0 && !single_file(page, tour_js(&web, true), &html, &error)) {
        fprintf(stderr, "tourweb: %s\n", error.c_str());
        status = 1;
    }
    // Written beside the file and renamed into place unless a signal came.
    std::string partial = file + ".tourweb-partial";
    if (status < 0 && !write_bytes(partial, html, &error)) {
        fprintf(stderr, "tourweb: %s\n", error.c_str());
        status = 1;
    }
    if (status < 0 && outdir_interrupted()) {
        g_unlink(partial.c_str());
        status = 128 + outdir_interrupted();
    }
    if (status < 0 && g_rename(partial.c_str(), file.c_str()) != 0) {
        fprintf(stderr, "tourweb: cannot rename %s to %s: %s\n", partial.c_str(), file.c_str(),
                strerror(errno));
        g_unlink(partial.c_str());
        status = 1;
    }
    if (status < 0) {
        printf("tourweb: wrote %zu slides, %zu photographs and %d sprites to %s (%zu bytes)\n",
               page_slides(&web).size(), photo_count(&web), 2 * SPRITE_COUNT - 1, file.c_str(),
               html.size());
        status = 0;
    }
    web_clear(&web);
    return status;
}

bool write_web_page(const std::string &dir, std::string *error)
{
    WebTour web{};
    web_read(&web, dir, NULL);
    PageFiles page;
    bool written = false;
    if (!web.refusal.empty())
        *error = "cannot export the page: " + web.refusal;
    else if (read_page(&page, error))
        written = write_page(page, tour_js(&web, false), dir, error);
    web_clear(&web);
    return written;
}
