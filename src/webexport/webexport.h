// A tour and the page that walks it in a web browser, as a folder or as one
// HTML file.
#ifndef TOURVIEW_WEBEXPORT_H
#define TOURVIEW_WEBEXPORT_H

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "checks.h"

// One file of the tour as read, by its path inside the tour ("slides/S001.jpg").
struct TourFile {
    std::string bytes;
    bool png;
};

// A tour read and checked for export: the files that go with it (data.xml,
// every photograph that is there and decodes, the sprites), and why it cannot
// be exported when the desktop viewer would stop on it.
struct WebTour {
    Tour tour;
    std::map<std::string, TourFile> files;
    std::string refusal;
};

// page.cpp
struct PageFiles {
    std::string dir, index, css, logic, js;
};
// A directory of the project's data: $VARIABLE, else share/tourview/NAME
// beside the program's own directory when it is there, else `source`.
std::string data_dir(const char *variable, const char *name, const std::string &source);
// Where the page's files are: $TOURWEB_PAGE_DIR, the installed data directory
// beside the program, or the source tree.
std::string page_dir();
bool read_page(PageFiles *page, std::string *error);
extern const char *const page_file_names[4];
// The style attribute of the folder's start image: the stage's geometry, by
// which the stylesheet places the image before the scripts run.
std::string start_image_style();
// The folder's index.html, whose start image asks for `start_photo` (a URL);
// false with *error when the page's lines do not allow it.
bool folder_index(const PageFiles &page, const std::string &start_photo, std::string *html,
                  std::string *error);
// index.html with the stylesheet and the scripts inlined; false with *error
// when the page's lines or text do not allow it.
bool single_file(const PageFiles &page, const std::string &tour_js, std::string *html,
                 std::string *error);

// web_read.cpp
// Reads and checks the tour in `dir`: web->tour.problems holds the checks'
// report, web->refusal why the tour cannot be exported.
void web_read(WebTour *web, const std::string &dir);
void web_clear(WebTour *web);
// The slides in the page's order: S001, the others in data.xml's order, the map.
std::vector<const Slide *> page_slides(const WebTour *web);
// The real path of `path`, or "" when it does not resolve.
std::string real_path(const std::string &path);

// bytes.cpp: a whole file read (no special file) or written; false with
// *error set to the reason.
bool read_bytes(const std::string &path, std::string *bytes, std::string *error);
bool write_bytes(const std::string &path, const std::string &bytes, std::string *error);

// export.cpp
// The tour's files and the page into `dir`, an empty directory; `stop` is asked
// before each file, and true stops the writing, which then fails.
bool write_folder(const WebTour *web, const PageFiles &page, const std::string &dir,
                  const std::function<bool()> &stop, std::string *error);
// tour.js and the page files into `dir`, a tour just written and checked.
bool write_web_page(const std::string &dir, std::string *error);
// The single file of the tour just written and checked in `dir`, as
// tourweb --single-file writes it.
bool single_file_of(const std::string &dir, std::string *html, std::string *error);

// tour_js.cpp
// The URL of the start slide's photograph in the folder.
std::string start_photo_url(const WebTour *web);
// `var TOURWEB_TOUR = {...};` and a newline: the format and the slide table,
// with relative URLs or, when `inline_files`, data URIs.
std::string tour_js(const WebTour *web, bool inline_files);
// JSON text that cannot end a script element or an HTML comment: <, >, & and
// every character beyond ASCII written as \u escapes.
std::string script_safe(const std::string &json);
// A relative URL of a path inside the tour, each segment percent-encoded.
std::string url_of_path(const std::string &path);

#endif
