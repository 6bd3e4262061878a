// Reads a tour with the viewer's loader and the checks, and refuses what the
// desktop viewer would stop on.
#include "webexport.h"

#include <limits.h>
#include <stdlib.h>

std::string real_path(const std::string &path)
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
    std::string reason;
    if (!read_bytes(real, &file->bytes, &reason)) {
        *why = "cannot be read: " + reason;
        return false;
    }
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

void web_read(WebTour *web, const std::string &dir)
{
    check_tour(&web->tour, dir.c_str());

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
    TourFile data{"", false};
    std::string error;
    if (read_bytes(path, &data.bytes, &error))
        web->files[tour_file] = data;
    else
        web->refusal = std::string(tour_file) + " cannot be read: " + error;
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
