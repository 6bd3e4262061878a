// The page's own files, found where they are installed, and the single file
// that holds them inlined.
#include "webexport.h"

#include <stdio.h>
#include <string.h>

#include <utility>
#include <vector>

#include "geometry.h"

const char *const page_file_names[4] = {"index.html", "tourweb.css", "tourweb-logic.js",
                                        "tourweb.js"};

// The lines of index.html that the single file replaces, each alone on its line.
static const char stylesheet_line[] = "<link rel=\"stylesheet\" href=\"tourweb.css\">";
static const char tour_script_line[] = "<script src=\"tour.js\"></script>";
static const char logic_script_line[] = "<script src=\"tourweb-logic.js\"></script>";
static const char page_script_line[] = "<script src=\"tourweb.js\"></script>";
// The start photograph's image, which the folder's index.html gives its
// photograph, so that it loads while the scripts do, and the stage's geometry,
// so that its stylesheet shows it where the stage will.
static const char start_image_line[] = "<img id=\"tw-start\" alt=\"\">";

static bool is_dir(const std::string &path)
{
    return g_file_test(path.c_str(), G_FILE_TEST_IS_DIR);
}

std::string data_dir(const char *variable, const char *name, const std::string &source)
{
    const char *asked = g_getenv(variable);
    if (asked && *asked)
        return asked;
    if (char *program = g_file_read_link("/proc/self/exe", NULL)) {
        char *bin = g_path_get_dirname(program);
        char *installed = g_build_filename(bin, "..", "share", "tourview", name, NULL);
        std::string dir = installed;
        g_free(installed);
        g_free(bin);
        g_free(program);
        if (is_dir(dir))
            return dir;
    }
    return source;
}

std::string page_dir()
{
    return data_dir("TOURWEB_PAGE_DIR", "web", TOURWEB_SOURCE_PAGE_DIR);
}

static bool read_text(const std::string &path, std::string *text, std::string *error)
{
    std::string reason;
    if (read_bytes(path, text, &reason))
        return true;
    *error = "cannot read the page file " + path + ": " + reason;
    return false;
}

bool read_page(PageFiles *page, std::string *error)
{
    page->dir = page_dir();
    std::string *texts[] = {&page->index, &page->css, &page->logic, &page->js};
    for (size_t i = 0; i < 4; i++) {
        char *path = g_build_filename(page->dir.c_str(), page_file_names[i], NULL);
        bool read = read_text(path, texts[i], error);
        g_free(path);
        if (!read)
            return false;
    }
    return true;
}

static bool holds_case_blind(const std::string &text, const char *needle)
{
    char *lower = g_ascii_strdown(text.data(), (gssize)text.size());
    bool found = g_strstr_len(lower, (gssize)text.size(), needle) != NULL;
    g_free(lower);
    return found;
}

// `text` inside `open` and `close`, on lines of their own.
static std::string element(const char *open, const std::string &text, const char *close)
{
    std::string inside = text;
    if (!inside.empty() && inside.back() != '\n')
        inside += '\n';
    return std::string(open) + "\n" + inside + close;
}

// The lines of `index` that are one of `replacements`' first members (alone
// on their line, blanks around them aside) replaced by the second; false with
// *error unless each is there once.
static bool replace_lines(const std::string &index,
                          const std::vector<std::pair<const char *, std::string>> &replacements,
                          std::string *html, std::string *error)
{
    std::vector<int> found(replacements.size(), 0);
    std::string out;
    size_t start = 0;
    while (start < index.size()) {
        size_t end = index.find('\n', start);
        size_t next = end == std::string::npos ? index.size() : end + 1;
        std::string line = index.substr(start, next - start);
        size_t text_start = line.find_first_not_of(" \t");
        size_t text_end = line.find_last_not_of(" \t\r\n");
        std::string text = text_start == std::string::npos
                               ? ""
                               : line.substr(text_start, text_end - text_start + 1);
        bool replaced = false;
        for (size_t i = 0; i < replacements.size() && !replaced; i++) {
            if (text == replacements[i].first) {
                out += line.substr(0, text_start) + replacements[i].second + "\n";
                found[i]++;
                replaced = true;
            }
        }
        if (!replaced)
            out += line;
        start = next;
    }
    for (size_t i = 0; i < replacements.size(); i++) {
        if (found[i] != 1) {
            *error = std::string("the page's index.html must hold the line ") +
                     replacements[i].first + " once, alone on its line";
            return false;
        }
    }
    *html = out;
    return true;
}

std::string start_image_style()
{
    char style[160];
    snprintf(style, sizeof style, "--w:%d;--h:%d;--x:%d;--y:%d;--pw:%d;--ph:%d", WINDOW_WIDTH,
             WINDOW_HEIGHT, SLIDE_X, SLIDE_Y, SLIDE_WIDTH, SLIDE_HEIGHT);
    return style;
}

bool folder_index(const PageFiles &page, const std::string &start_photo, std::string *html,
                  std::string *error)
{
    char *url = g_markup_escape_text(start_photo.c_str(), -1);
    std::string start = start_image_line;
    start.insert(start.size() - 1, std::string(" src=\"") + url + "\" style=\"" +
                                       start_image_style() + "\" fetchpriority=\"high\"");
    g_free(url);
    return replace_lines(page.index, {{start_image_line, start}}, html, error);
}

bool single_file(const PageFiles &page, const std::string &tour_js, std::string *html,
                 std::string *error)
{
    // In a script element, "</script" ends it and "<!--" changes how the end
    // is found; tour.js is written without any "<".
    for (const std::string *js : {&page.logic, &page.js}) {
        if (holds_case_blind(*js, "</script") || js->find("<!--") != std::string::npos) {
            *error = std::string("the page's ") + page_file_names[js == &page.js ? 3 : 2] +
                     " holds \"</script\" or \"<!--\": it cannot be inlined";
            return false;
        }
    }
    if (holds_case_blind(page.css, "</style")) {
        *error = "the page's tourweb.css holds \"</style\": it cannot be inlined";
        return false;
    }
    // The start photograph is in tour.js already; the script gives the image it.
    return replace_lines(page.index,
                         {
                             {stylesheet_line, element("<style>", page.css, "</style>")},
                             {tour_script_line, element("<script>", tour_js, "</script>")},
                             {logic_script_line, element("<script>", page.logic, "</script>")},
                             {page_script_line, element("<script>", page.js, "</script>")},
                             {start_image_line, start_image_line},
                         },
                         html, error);
}
