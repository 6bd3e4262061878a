// The generated documents and the tour directory that the benchmarks read.
#include "harness.h"

#include "format.h"

#include <glib.h>
#include <glib/gstdio.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <map>

// A small fixed-seed generator, so that every run measures the same text.
struct Lcg {
    guint32 state;
    guint32 next(guint32 bound)
    {
        state = state * 1664525u + 1013904223u;
        return (state >> 8) % bound;
    }
};

std::string tour_slide_id(int index)
{
    char id[16];
    snprintf(id, sizeof id, "S%05d", index + 1);
    return id;
}

// The way a person lays a tour out: one element a line, two blanks an
// indentation step; most slides lead forward, some also turn or climb.
static std::string make_tour()
{
    Lcg lcg{7};
    std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<tour>\n";
    for (int i = 0; i < tour_slides; i++) {
        text += "  <slide>\n    <file>" + tour_slide_id(i) + "</file>\n    <next>\n";
        if (i + 1 < tour_slides)
            text += std::string("      <") + exit_kinds[0].name + ">" + tour_slide_id(i + 1) +
                    "</" + exit_kinds[0].name + ">\n";
        int extra = lcg.next(4) == 0 ? 2 : (lcg.next(3) == 0 ? 1 : 0);
        for (int k = 0; k < extra; k++) {
            // Any kind but forward (the first).
            const char *turn = exit_kinds[1 + lcg.next(6)].name;
            text += std::string("      <") + turn + ">" + tour_slide_id(lcg.next(tour_slides)) +
                    "</" + turn + ">\n";
        }
        text += "    </next>\n  </slide>\n";
    }
    text += "</tour>\n";
    return text;
}

static const char *const words[] = {"the",  "walk", "turns",  "left",     "past",  "a",
                                    "door", "into", "garden", "where",    "light", "falls",
                                    "on",   "old",  "stone",  "&amp;",    "moss",  "&lt;here&gt;",
                                    "and",  "then", "stairs", "climbing", "to",    "roof"};

// Prose: long paragraphs of character data with a few entities, little markup.
static std::string make_text()
{
    Lcg lcg{11};
    std::string text = "<?xml version=\"1.0\"?>\n<book>\n";
    for (int chapter = 0; text.size() < 4000000; chapter++) {
        text += "  <chapter title=\"Chapter " + std::to_string(chapter) + "\">\n";
        for (int p = 0; p < 20; p++) {
            text += "    <p>";
            for (int w = 0; w < 110; w++) {
                text += words[lcg.next(G_N_ELEMENTS(words))];
                text += w % 14 == 13 ? ".\n      " : " ";
            }
            text += "<em>end</em>.</p>\n";
        }
        text += "  </chapter>\n";
    }
    text += "</book>\n";
    return text;
}

// Records held in attributes: ten to an empty element.
static std::string make_attributes()
{
    Lcg lcg{13};
    std::string text = "<?xml version=\"1.0\"?>\n<items>\n";
    for (int i = 0; text.size() < 4000000; i++) {
        char line[512];
        snprintf(line, sizeof line,
                 "  <item id=\"i%d\" name=\"item %d\" x=\"%u\" y=\"%u\" width=\"%u\" "
                 "height=\"%u\" colour=\"#%06x\" visible=\"%s\" label=\"%s %s\" "
                 "note=\"a &quot;quoted&quot; note\"/>\n",
                 i, i, lcg.next(4000), lcg.next(4000), lcg.next(800), lcg.next(600),
                 lcg.next(0xffffff), lcg.next(2) ? "true" : "false",
                 words[lcg.next(G_N_ELEMENTS(words) - 1)], words[lcg.next(12)]);
        text += line;
    }
    text += "</items>\n";
    return text;
}

// Blocks fifty elements deep, indented one tab a level.
static std::string make_deep()
{
    std::string text = "<?xml version=\"1.0\"?>\n<deep>\n";
    for (int block = 0; text.size() < 4000000; block++) {
        for (int level = 1; level <= 50; level++)
            text += std::string(level, '\t') + "<level" + std::to_string(level) + ">\n";
        text += std::string(51, '\t') + "leaf " + std::to_string(block) + "\n";
        for (int level = 50; level >= 1; level--)
            text += std::string(level, '\t') + "</level" + std::to_string(level) + ">\n";
    }
    text += "</deep>\n";
    return text;
}

const char *document_name(Document doc)
{
    switch (doc) {
    case Document::tour:
        return "tour";
    case Document::text:
        return "text";
    case Document::attributes:
        return "attributes";
    case Document::deep:
        return "deep";
    }
    return "?";
}

const std::string &document_text(Document doc)
{
    static std::map<Document, std::string> made;
    auto found = made.find(doc);
    if (found != made.end())
        return found->second;
    // By Document, in its order.
    static std::string (*const makers[])() = {make_tour, make_text, make_attributes, make_deep};
    static_assert(std::size(makers) == std::size(all_documents), "a maker for each document");
    return made.emplace(doc, makers[static_cast<int>(doc)]()).first->second;
}

InDirectory::InDirectory(const std::string &dir) : saved(g_get_current_dir())
{
    if (chdir(dir.c_str()) != 0)
        perror(dir.c_str());
}

InDirectory::~InDirectory()
{
    if (chdir(saved) != 0)
        perror(saved);
    g_free(saved);
}

std::string data_directory_flag = "bench-data";

const std::string &data_directory()
{
    static const std::string dir = [] {
        g_mkdir_with_parents(data_directory_flag.c_str(), 0755);
        char *absolute = g_canonicalize_filename(data_directory_flag.c_str(), NULL);
        std::string result = absolute;
        g_free(absolute);
        return result;
    }();
    return dir;
}

static void die(const std::string &what)
{
    fprintf(stderr, "tourview_bench: %s\n", what.c_str());
    exit(1);
}

static void write_file(const std::string &path, const std::string &contents)
{
    GError *error = NULL;
    if (!g_file_set_contents(path.c_str(), contents.data(), (gssize)contents.size(), &error))
        die(error->message);
}

// The photographs are empty files: loading only tests that they exist. A
// stamp holding the tour's size marks a directory that is complete.
const std::string &tour_directory()
{
    static const std::string dir = [] {
        std::string root = data_directory() + "/tour";
        const std::string &text = document_text(Document::tour);
        std::string stamp_path = root + "/complete";
        std::string stamp = std::to_string(text.size()) + " " + std::to_string(tour_slides);
        char *old_stamp = NULL;
        bool complete =
            g_file_get_contents(stamp_path.c_str(), &old_stamp, NULL, NULL) && stamp == old_stamp;
        g_free(old_stamp);
        if (complete)
            return root;

        fprintf(stderr, "tourview_bench: making the %d-slide tour in %s\n", tour_slides,
                root.c_str());
        std::string slides = root + "/" + slide_dir;
        if (g_mkdir_with_parents(slides.c_str(), 0755) != 0)
            die("cannot make " + slides);
        write_file(root + "/" + tour_file, text);
        for (int i = 0; i <= tour_slides; i++) {
            std::string path =
                slides + "/" + (i < tour_slides ? tour_slide_id(i) : map_id) + ".jpg";
            FILE *f = fopen(path.c_str(), "w");
            if (!f || fclose(f) != 0)
                die("cannot write " + path);
        }
        write_file(stamp_path, stamp);
        return root;
    }();
    return dir;
}
