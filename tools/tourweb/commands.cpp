// tourweb's two forms: the folder and the single file, each read, refused or
// written with its messages and exit status.
#include "commands.h"

#include <errno.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>

#include <glib.h>
#include <glib/gstdio.h>

#include "outdir.h"
#include "signals.h"
#include "tour_dir.h"
#include "webexport.h"

// Reads the tour and the page; the status to end with, or -1 to go on.
static int take_tour(WebTour *web, const std::string &tour, PageFiles *page)
{
    int failure = 0;
    char *dir = tour_dir_of(tour.c_str(), &failure);
    if (!dir) {
        fprintf(stderr, "%s: cannot export: %s%s%s\n", program_name(), tour.c_str(),
                failure ? ": " : " is neither a tour directory nor its ",
                failure ? strerror(failure) : tour_file);
        return 1;
    }
    web_read(web, dir);
    g_free(dir);
    // The checks' report goes to stderr, where the page's files do not.
    for (const Diagnostic &problem : web->tour.problems)
        fprintf(stderr, "%s\n", diagnostic_line(problem).c_str());
    fprintf(stderr, "%s\n", summary_line(&web->tour).c_str());
    std::string error;
    if (!web->refusal.empty()) {
        fprintf(stderr, "%s: cannot export: %s\n", program_name(), web->refusal.c_str());
        return 1;
    }
    if (!read_page(page, &error)) {
        fprintf(stderr, "%s: %s\n", program_name(), error.c_str());
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
        fprintf(stderr, "%s: %s is the tour itself\n", program_name(), outdir.c_str());
        status = 1;
    }
    std::string refusal = status < 0 ? outdir_refusal(outdir, force) : "";
    if (!refusal.empty()) {
        fprintf(stderr, "%s: %s\n", program_name(), refusal.c_str());
        status = 1;
    }
    std::string work = status < 0 ? outdir_begin(outdir, "tourweb", &error) : "";
    if (status < 0 && work.empty()) {
        fprintf(stderr, "%s: %s\n", program_name(), error.c_str());
        status = 1;
    }
    if (status < 0) {
        if (write_folder(&web, page, work, interrupted, &error) && !interrupted() &&
            outdir_commit(work, outdir, &error)) {
            printf("%s: wrote %zu slides, %zu photographs, %d sprites and the page to %s\n",
                   program_name(), page_slides(&web).size(), photo_count(&web),
                   2 * SPRITE_COUNT - 1, outdir.c_str());
            status = 0;
        } else {
            if (!interrupted())
                fprintf(stderr, "%s: %s\n", program_name(), error.c_str());
            remove_tree(work);
            status = interrupted() ? 128 + interrupted() : 1;
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
        fprintf(stderr, "%s: %s %s\n", program_name(), file.c_str(),
                S_ISDIR(st.st_mode) ? "is a directory" : "exists (--force replaces it)");
        status = 1;
    }
    if (status < 0 && !single_file(page, tour_js(&web, true), &html, &error)) {
        fprintf(stderr, "%s: %s\n", program_name(), error.c_str());
        status = 1;
    }
    // Written beside the file and renamed into place unless a signal came.
    std::string partial = file + ".tourweb-partial";
    if (status < 0 && !write_bytes(partial, html, &error)) {
        fprintf(stderr, "%s: %s\n", program_name(), error.c_str());
        status = 1;
    }
    if (status < 0 && interrupted()) {
        g_unlink(partial.c_str());
        status = 128 + interrupted();
    }
    if (status < 0 && g_rename(partial.c_str(), file.c_str()) != 0) {
        fprintf(stderr, "%s: cannot rename %s to %s: %s\n", program_name(), partial.c_str(),
                file.c_str(), strerror(errno));
        g_unlink(partial.c_str());
        status = 1;
    }
    if (status < 0) {
        printf("%s: wrote %zu slides, %zu photographs and %d sprites to %s (%zu bytes)\n",
               program_name(), page_slides(&web).size(), photo_count(&web), 2 * SPRITE_COUNT - 1,
               file.c_str(), html.size());
        status = 0;
    }
    web_clear(&web);
    return status;
}
