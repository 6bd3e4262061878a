// Writes a tour read for export as a folder with the page, or the page alone
// into a tour just written.
#include "webexport.h"

#include <errno.h>
#include <string.h>

#include <glib/gstdio.h>

static bool write_page(const PageFiles &page, const WebTour *web, const std::string &dir,
                       std::string *error)
{
    std::string index;
    if (!folder_index(page, start_photo_url(web), &index, error))
        return false;
    const std::string script = tour_js(web, false);
    const std::string *texts[] = {&index, &page.css, &page.logic, &page.js};
    for (size_t i = 0; i < 4; i++)
        if (!write_bytes(dir + "/" + page_file_names[i], *texts[i], error))
            return false;
    return write_bytes(dir + "/tour.js", script, error);
}

bool write_folder(const WebTour *web, const PageFiles &page, const std::string &dir,
                  const std::function<bool()> &stop, std::string *error)
{
    for (const char *sub : {slide_dir, sprite_dir}) {
        std::string path = dir + "/" + sub;
        if (g_mkdir(path.c_str(), 0755) != 0) {
            *error = "cannot create " + path + ": " + strerror(errno);
            return false;
        }
    }
    for (const auto &file : web->files)
        if (stop() || !write_bytes(dir + "/" + file.first, file.second.bytes, error))
            return false;
    return !stop() && write_page(page, web, dir, error);
}

// The tour just written in `dir`, read for the page, and the page's files;
// false with *error when either cannot be had.
static bool read_for_page(WebTour *web, PageFiles *page, const std::string &dir, std::string *error)
{
    web_read(web, dir);
    if (!web->refusal.empty()) {
        *error = "cannot export the page: " + web->refusal;
        return false;
    }
    return read_page(page, error);
}

bool write_web_page(const std::string &dir, std::string *error)
{
    WebTour web{};
    PageFiles page;
    bool written = read_for_page(&web, &page, dir, error) && write_page(page, &web, dir, error);
    web_clear(&web);
    return written;
}

bool single_file_of(const std::string &dir, std::string *html, std::string *error)
{
    WebTour web{};
    PageFiles page;
    bool made = read_for_page(&web, &page, dir, error) &&
                single_file(page, tour_js(&web, true), html, error);
    web_clear(&web);
    return made;
}
