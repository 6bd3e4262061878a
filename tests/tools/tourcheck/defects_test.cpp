// tourcheck on tours with one defect each: the exact report and exit status.
#include "images.h"
#include "scratch.h"
#include "test_tours.h"

#include <gtest/gtest.h>

#include <functional>

#include <glib/gstdio.h>
#include <sys/stat.h>

namespace
{

// The clean tour's data.xml with one piece of text replaced.
std::string with(const std::string &from, const std::string &to)
{
    std::string xml = clean_xml;
    size_t at = xml.find(from);
    if (at == std::string::npos) {
        ADD_FAILURE() << "not in the clean tour: " << from;
        return xml;
    }
    return xml.replace(at, from.size(), to);
}

const std::string add_slide_at_end = "  </slide>\n</tour>\n";
// Adds slides at line 17, behind the clean tour's three.
std::string with_slide(const std::string &slide, std::string xml = clean_xml)
{
    return xml.replace(xml.rfind(add_slide_at_end), add_slide_at_end.size(),
                       "  </slide>\n" + slide + "</tour>\n");
}

struct Case {
    const char *what;
    std::string xml;
    std::function<void()> damage;
    std::string report;
    int status;
};

void write_photo_form(const std::string &path, JpegForm form)
{
    write_file(path, jpeg_bytes(Picture(800, 533, {0x60, 0x60, 0x60}), 95, form));
}

void check_cases(const std::vector<Case> &cases)
{
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ScratchDir dir;
        write_clean_tour(c.xml);
        if (c.damage)
            c.damage();
        Checked checked = run_tourcheck();
        EXPECT_EQ(checked.out, c.report);
        EXPECT_EQ(checked.status, c.status);
        EXPECT_EQ(checked.err, "");
    }
}

TEST(Tourcheck, CleanTourHasNothingToReport)
{
    check_cases({{"clean", clean_xml, nullptr, "tourcheck: 3 slides, 0 errors, 0 warnings\n", 0}});
}

TEST(Tourcheck, TourThatCannotBeReadStopsTheCheck)
{
    const char *summary = "tourcheck: the tour cannot be read: 1 error, 0 warnings\n";
    check_cases({
        {"missing", clean_xml, [] { remove_file("data.xml"); },
         std::string("data.xml: error: cannot be read: Failed to open file “./data.xml”: No "
                     "such file or directory\n") +
             summary,
         2},
        {"pipe", clean_xml,
         [] {
             remove_file("data.xml");
             mkfifo("data.xml", 0644);
         },
         std::string("data.xml: error: cannot be read: not a regular file\n") + summary, 2},
        {"mismatched end tag", with("</next>\n  </slide>", "</nxt>\n  </slide>"), nullptr,
         std::string("data.xml:7: error: not well-formed at column 10: Element “nxt” was "
                     "closed, but the currently open element is “next”\n") +
             summary,
         2},
        {"mismatched end tag after a blank first line",
         "\n" + with("</next>\n  </slide>", "</nxt>\n  </slide>"), nullptr,
         std::string("data.xml:8: error: not well-formed at column 10: Element “nxt” was "
                     "closed, but the currently open element is “next”\n") +
             summary,
         2},
        {"cut short", std::string(clean_xml).substr(0, 60), nullptr,
         std::string("data.xml:5: error: not well-formed at column 11: Document ended "
                     "unexpectedly inside an element name\n") +
             summary,
         2},
        {"empty", "", nullptr,
         std::string("data.xml:1: error: not well-formed at column 1: Document was empty or "
                     "contained only whitespace\n") +
             summary,
         2},
        {"NUL byte", with("S003</file>", std::string("S0\0", 3) + "3</file>"), nullptr,
         std::string("data.xml:14: error: not well-formed at column 13: NUL byte, which XML "
                     "does not allow\n") +
             summary,
         2},
    });
}

TEST(Tourcheck, SlidesTheLoaderLosesAreErrors)
{
    check_cases({
        {"no file", with_slide("  <slide><next><up>S001</up></next></slide>\n"), nullptr,
         "data.xml:17: error: slide has no <file>, so no id: the viewer skips it\n"
         "tourcheck: 3 slides, 1 error, 0 warnings\n",
         1},
        {"empty file", with_slide("  <slide><file></file></slide>\n"), nullptr,
         "data.xml:17: error: slide has an empty <file>, so no id: the viewer skips it\n"
         "tourcheck: 3 slides, 1 error, 0 warnings\n",
         1},
        {"duplicate id", with_slide("  <slide><file>S002</file></slide>\n"), nullptr,
         "data.xml:17: error: duplicate id \"S002\" (first at line 9): the viewer ignores this "
         "slide\n"
         "tourcheck: 3 slides, 1 error, 0 warnings\n",
         1},
        {"slide named map", with_slide("  <slide><file>map</file></slide>\n"), nullptr,
         "data.xml:17: error: slide \"map\" is replaced by the built-in map, which has no "
         "exits\n"
         "tourcheck: 3 slides, 1 error, 0 warnings\n",
         1},
        {"slide named map after a blank first line",
         "\n" + with_slide("  <slide><file>map</file></slide>\n"), nullptr,
         "data.xml:18: error: slide \"map\" is replaced by the built-in map, which has no "
         "exits\n"
         "tourcheck: 3 slides, 1 error, 0 warnings\n",
         1},
        {"xmlns rule",
         with_slide("  <slide xmlns=\"x\"><file>S004</file><next><up>S001</up></next></slide>\n"
                    "  <slide><file>S005</file><next><up>S001</up></next></slide>\n"),
         [] { write_file("slides/S004.jpg", jpeg_data(800, 533)); },
         "data.xml:17: warning: slide \"S004\" cannot be reached from \"S001\"\n"
         "data.xml:18: error: slide \"S005\" is passed over by the viewer: it lacks the xmlns "
         "\"x\" of the slide at line 17\n"
         "tourcheck: 4 slides, 1 error, 1 warning\n",
         1},
    });
}

TEST(Tourcheck, MarkupTheLoaderIgnoresIsSuspicious)
{
    check_cases({
        {"repeated exit", with("<up>S002</up>", "<up>S002</up><up>S001</up>"), nullptr,
         "data.xml:15: warning: repeated <up> is ignored: only the first one counts\n"
         "tourcheck: 3 slides, 0 errors, 1 warning\n",
         0},
        {"empty exit", with("<up>S002</up>", "<up>S002</up><down/>"), nullptr,
         "data.xml:15: warning: <down> is empty and makes no exit\n"
         "tourcheck: 3 slides, 0 errors, 1 warning\n",
         0},
        {"unknown element", with("<file>S002</file>", "<file>S002</file><fwd>S003</fwd>"), nullptr,
         "data.xml:10: warning: unknown element <fwd> in <slide> is ignored\n"
         "tourcheck: 3 slides, 0 errors, 1 warning\n",
         0},
        {"white space around an exit", with("<up>S002</up>", "<up>\n S002</up>"), nullptr,
         "data.xml:15: warning: up target \"\\n S002\" has leading or trailing white space\n"
         "data.xml:15: error: up exit names no slide: \"\\n S002\" (there is a slide "
         "\"S002\")\n"
         "tourcheck: 3 slides, 1 error, 1 warning\n",
         1},
    });
}

TEST(Tourcheck, GraphAsTheViewerWalksIt)
{
    check_cases({
        {"no start slide", with("<file>S001</file>", "<file>S000</file>"),
         [] { write_file("slides/S000.jpg", jpeg_data(800, 533)); },
         "data.xml: error: the start slide \"S001\" is missing: the viewer cannot start\n"
         "data.xml:11: error: left180 exit names no slide: \"S001\"\n"
         "data.xml:15: error: left exit names no slide: \"S001\"\n"
         "tourcheck: 3 slides, 3 errors, 0 warnings\n",
         1},
        {"dangling exit", with("<up>S002</up>", "<up>S404</up>"), nullptr,
         "data.xml:15: error: up exit names no slide: \"S404\"\n"
         "tourcheck: 3 slides, 1 error, 0 warnings\n",
         1},
        {"unreachable",
         with_slide("  <slide><file>S004</file><next><up>S001</up></next>"
                    "</slide>\n"),
         [] { write_file("slides/S004.jpg", jpeg_data(800, 533)); },
         "data.xml:17: warning: slide \"S004\" cannot be reached from \"S001\"\n"
         "tourcheck: 4 slides, 0 errors, 1 warning\n",
         0},
        {"dead end", with("<next><left180>S001</left180></next>", ""), nullptr,
         "data.xml:9: warning: slide \"S002\" is a dead end: no exit leads on\n"
         "tourcheck: 3 slides, 0 errors, 1 warning\n",
         0},
        {"left never taken", with("<left>S001</left>", "<left>S001</left><left180>S002</left180>"),
         nullptr,
         "data.xml:15: warning: left exit to \"S001\" is never taken: left180 wins\n"
         "tourcheck: 3 slides, 0 errors, 1 warning\n",
         0},
        {"left and left180 to the same slide",
         with("<left>S001</left>", "<left>S001</left><left180>S001</left180>"), nullptr,
         "data.xml:15: warning: left exit to \"S001\" is never taken: left180 wins\n"
         "tourcheck: 3 slides, 0 errors, 1 warning\n",
         0},
        {"exit to the map", with("<left180>S001</left180>", "<left180>map</left180>"), nullptr,
         "data.xml:9: warning: slide \"S002\" is a dead end: no exit leads on\n"
         "data.xml:11: warning: left180 exit leads to the map, from which Tab does not lead "
         "back\n"
         "tourcheck: 3 slides, 0 errors, 2 warnings\n",
         0},
    });
}

// The clean tour as other editors save it: the report is the same.
TEST(Tourcheck, DataFromOtherEditors)
{
    std::string accented = clean_xml;
    for (size_t at; (at = accented.find("S003")) != std::string::npos;)
        accented.replace(at, 4, "Caf\xC3\xA9");
    const char *clean = "tourcheck: 3 slides, 0 errors, 0 warnings\n";
    check_cases({
        {"UTF-8 byte-order mark", "\xEF\xBB\xBF" + std::string(clean_xml), nullptr, clean, 0},
        {"ISO-8859-1, accented id",
         in_encoding("<?xml version='1.0' encoding='ISO-8859-1'?>\n" + accented, "ISO-8859-1"),
         [] { g_rename("slides/S003.jpg", "slides/Caf\xC3\xA9.jpg"); }, clean, 0},
        {"UTF-16", "\xFF\xFE" + in_encoding(clean_xml, "UTF-16LE"), nullptr, clean, 0},
        {"unfinished comment after the root", std::string(clean_xml) + "<!-- end of tour", nullptr,
         "data.xml:18: warning: unfinished markup after the root element at column 17: Document "
         "ended unexpectedly inside a comment or processing instruction; the viewer ignores it\n"
         "tourcheck: 3 slides, 0 errors, 1 warning\n",
         0},
        {"bytes outside the declared encoding",
         "<?xml version='1.0' encoding='windows-1252'?>\n<tour>\x81</tour>\n", nullptr,
         "data.xml: error: cannot be read: it is not UTF-8 and declares windows-1252, but its "
         "bytes are not valid windows-1252 (Invalid byte sequence in conversion input)\n"
         "tourcheck: the tour cannot be read: 1 error, 0 warnings\n",
         2},
    });
}

TEST(Tourcheck, PhotographsAndSprites)
{
    check_cases({
        {"photo that is a pipe", clean_xml,
         [] {
             remove_file("slides/S002.jpg");
             mkfifo("slides/S002.jpg", 0644);
         },
         "slides/S002.jpg: error: photograph of slide \"S002\" cannot be decoded (not a regular "
         "file): the viewer stops when it shows it\n"
         "tourcheck: 3 slides, 1 error, 0 warnings\n",
         1},
        {"photo missing", clean_xml, [] { remove_file("slides/S002.jpg"); },
         "slides/S002.jpg: error: photograph of slide \"S002\" is missing: the viewer stops "
         "when it shows it\n"
         "tourcheck: 3 slides, 1 error, 0 warnings\n",
         1},
        {"photo not decodable", clean_xml, [] { write_file("slides/S002.jpg", "not a photo"); },
         "slides/S002.jpg: error: photograph of slide \"S002\" cannot be decoded (Unsupported "
         "image format): the viewer stops when it shows it\n"
         "tourcheck: 3 slides, 1 error, 0 warnings\n",
         1},
        {"photo size", clean_xml, [] { write_file("slides/S003.jpg", jpeg_data(1024, 683)); },
         "slides/S003.jpg: warning: photograph of slide \"S003\" is 1024 by 683, not 800 by "
         "533: the viewer draws it unscaled and clipped\n"
         "tourcheck: 3 slides, 0 errors, 1 warning\n",
         0},
        {"CMYK photo", clean_xml, [] { write_photo_form("slides/S001.jpg", JpegForm::cmyk); },
         "slides/S001.jpg: warning: photograph of slide \"S001\" is a CMYK JPEG: the viewer "
         "shows it in false colours; tourmake makes a tour with photographs it shows right\n"
         "tourcheck: 3 slides, 0 errors, 1 warning\n",
         0},
        {"YCCK photo", clean_xml, [] { write_photo_form("slides/S003.jpg", JpegForm::ycck); },
         "slides/S003.jpg: warning: photograph of slide \"S003\" is a CMYK JPEG: the viewer "
         "shows it in false colours; tourmake makes a tour with photographs it shows right\n"
         "tourcheck: 3 slides, 0 errors, 1 warning\n",
         0},
        {"orientation tag", clean_xml,
         [] { write_photo_form("slides/S002.jpg", JpegForm::rotated); },
         "slides/S002.jpg: warning: photograph of slide \"S002\" has the orientation tag "
         "\"Right-top\": the viewer ignores it and shows the photograph turned; tourmake makes a "
         "tour with photographs it shows right\n"
         "tourcheck: 3 slides, 0 errors, 1 warning\n",
         0},
        {"progressive photo", clean_xml,
         [] { write_photo_form("slides/map.jpg", JpegForm::progressive); },
         "slides/map.jpg: warning: map photograph is a progressive JPEG: the viewer decodes it "
         "about ten times slower; tourmake makes a tour with photographs it shows right\n"
         "tourcheck: 3 slides, 0 errors, 1 warning\n",
         0},
        {"PNG named .jpg", clean_xml, [] { write_file("slides/map.jpg", png_data(800, 533)); },
         "slides/map.jpg: warning: map photograph is not a JPEG file, though it decodes\n"
         "tourcheck: 3 slides, 0 errors, 1 warning\n",
         0},
        {"images too big for the viewer, small on disk", clean_xml,
         [] {
             write_file("slides/S001.jpg", with_declared_size(png_data(16, 16), 20000, 20000));
             write_file("slides/map.jpg", with_declared_size(jpeg_data(16, 16), 30000, 20000));
             write_file("cursors/up.png", with_declared_size(png_data(16, 16), 10001, 10000));
         },
         "cursors/up.png: error: sprite is 10001 by 10000: the viewer would need 0.4 GB to start\n"
         "slides/S001.jpg: error: photograph of slide \"S001\" is 20000 by 20000: the viewer "
         "would need 1.6 GB to show it\n"
         "slides/map.jpg: error: map photograph is 30000 by 20000: the viewer would need 2.4 GB "
         "to show it\n"
         "tourcheck: 3 slides, 3 errors, 0 warnings\n",
         1},
        {"map missing", clean_xml, [] { remove_file("slides/map.jpg"); },
         "slides/map.jpg: error: map photograph is missing: the viewer stops when it shows it\n"
         "tourcheck: 3 slides, 1 error, 0 warnings\n",
         1},
        {"sprites", clean_xml,
         [] {
             remove_file("cursors/arrow-fwd.png");
             write_file("cursors/left180.png", "");
         },
         "cursors/arrow-fwd.png: error: sprite is missing: the viewer will not start\n"
         "cursors/left180.png: error: sprite cannot be decoded (Unsupported image format): the "
         "viewer will not start\n"
         "tourcheck: 3 slides, 2 errors, 0 warnings\n",
         1},
        {"id that is a path",
         with_slide("  <slide><file>../S004</file><next><up>S001</up></next></slide>\n",
                    with("<up>S002</up>", "<up>../S004</up>")),
         nullptr,
         "data.xml:15: error: up exit names no slide: \"../S004\"\n"
         "data.xml:17: error: id \"../S004\" is a path, not a name: its photograph would lie "
         "outside slides/, so the viewer skips it\n"
         "tourcheck: 3 slides, 2 errors, 0 warnings\n",
         1},
    });
}

// places.xml with the text between <places version='1'> and </places>.
std::function<void()> places_file_with(const std::string &inside)
{
    return [inside] {
        write_file("places.xml",
                   "<places version='1'><title>Our house</title>" + inside + "</places>\n");
    };
}

TEST(Tourcheck, PlacesFileIsOnlyWarnedOf)
{
    const std::string hall = "<point name='hall' x='200' y='300'>"
                             "<slide heading='N'>S001</slide><slide heading='E'>S002</slide>"
                             "</point>";
    const std::string warning = "places.xml: warning: ",
                      tail = "; the page's map does without the file\n"
                             "tourcheck: 3 slides, 0 errors, 1 warning\n";
    check_cases({
        {"sound", clean_xml, places_file_with(hall + "<point name='porch' x='0' y='533'/>"),
         "tourcheck: 3 slides, 0 errors, 0 warnings\n", 0},
        {"not XML", clean_xml, [] { write_file("places.xml", "<places version='1'>"); },
         warning + "not well-formed XML" + tail, 0},
        {"another version", clean_xml,
         [] { write_file("places.xml", "<places version='2'></places>"); },
         warning + "version \"2\" is not 1, the one this tourview reads" + tail, 0},
        {"off the map", clean_xml, places_file_with("<point name='hall' x='801' y='3'/>"),
         warning + "point \"hall\" has no place on the map (x from 0 to 800, y from 0 to 533)" +
             tail,
         0},
        {"unknown heading", clean_xml,
         places_file_with("<point name='hall' x='1' y='3'><slide heading='up'>S001</slide>"
                          "</point>"),
         warning + "point \"hall\" has a slide heading \"up\", none of N NE E SE S SW W NW" + tail,
         0},
        {"a slide placed twice", clean_xml,
         places_file_with(hall + "<point name='den' x='1' y='3'><slide heading='S'>S002</slide>"
                                 "</point>"),
         warning + "slide \"S002\" is placed twice" + tail, 0},
        {"a slide not in the tour", clean_xml,
         places_file_with("<point name='hall' x='1' y='3'><slide heading='S'>S009</slide>"
                          "</point>"),
         warning + "slide \"S009\" is not in the tour" + tail, 0},
        {"the map placed", clean_xml,
         places_file_with("<point name='hall' x='1' y='3'><slide heading='S'>map</slide>"
                          "</point>"),
         warning + "slide \"map\" is not in the tour" + tail, 0},
    });
}

TEST(Tourcheck, DirectoryArgumentNamesTheFiles)
{
    ScratchDir dir;
    write_file("t/data.xml", clean_xml);
    Checked checked = run_tourcheck({"t"});
    EXPECT_EQ(checked.status, 1);
    EXPECT_NE(checked.out.find("\nt/slides/S002.jpg: error: photograph of slide \"S002\" is "
                               "missing: the viewer stops when it shows it\n"),
              std::string::npos)
        << checked.out;
    EXPECT_NE(checked.out.find("\nt/cursors/arrow.png: error: sprite is missing"),
              std::string::npos);
    EXPECT_NE(checked.out.find("\ntourcheck: 3 slides, 19 errors, 0 warnings\n"),
              std::string::npos);
}

TEST(Tourcheck, BadArgumentsGiveUsage)
{
    for (std::vector<std::string> arguments :
         {std::vector<std::string>{"--color"}, {"a", "b"}, {"--dot", "--dot"}}) {
        Checked checked = run_tourcheck(arguments);
        EXPECT_EQ(checked.status, 2);
        EXPECT_EQ(checked.out, "");
        EXPECT_EQ(checked.err, "usage: tourcheck [--dot] [DIR]\n");
    }
}

} // namespace
