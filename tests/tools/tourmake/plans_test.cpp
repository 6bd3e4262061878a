// tourmake on broken plans: every problem in one run, by line, and nothing
// written; a failing run leaves an existing OUTDIR as it was, --web too.
#include "files.h"
#include "scratch.h"
#include "test_photos.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace
{

struct BrokenPlan {
    const char *what;
    std::string plan;
    std::string report;
};

TEST(Tourmake, BrokenPlansAreReportedWholeAndWriteNothing)
{
    const BrokenPlan cases[] = {
        {"statements",
         "point hall floor 0 at 0 0\n"
         "photo hall N good.jpg\n"
         "photo hall Q good.jpg\n"
         "look hall N\n"
         "point hall floor 1 at 0 0\n"
         "point room floor x at 1 two\n"
         "photo hall N good.jpg   # again\n"
         "walk hall E nowhere\n"
         "point \"a/b\" floor 0 at 0 0\n"
         "title \"unclosed\n"
         "stairs hall N\n",
         "plan:3: error: bad heading \"Q\": one of N NE E SE S SW W NW\n"
         "plan:4: error: unknown statement \"look\"\n"
         "plan:5: error: point \"hall\" is already defined at line 1\n"
         "plan:6: error: bad floor number \"x\"\n"
         "plan:6: error: bad coordinate \"two\"\n"
         "plan:7: error: hall facing N already has a photograph at line 2\n"
         "plan:8: error: unknown point \"nowhere\"\n"
         "plan:9: error: bad point name \"a/b\": no \"/\", \"\\\", blanks or control characters\n"
         "plan:10: error: unclosed double quote\n"
         "plan:11: error: expected \"stairs A HEADING B\"\n"},
        {"points, photographs and files",
         "point hall floor 0 at 0 0\n"
         "point empty floor 0 at 1 0\n"
         "photo hall N good.jpg\n"
         "photo hall E missing.jpg\n"
         "photo hall S \"not a photo.jpg\"\n"
         "walk hall W empty\n"
         "start hall NE\n",
         "plan:2: error: point \"empty\" has no photograph\n"
         "plan:4: error: missing.jpg: No such file or directory\n"
         "plan:5: error: not a photo.jpg: not a JPEG or PNG image\n"
         "plan:6: error: no photograph of hall facing W to walk from\n"
         "plan:7: error: no photograph of hall facing NE to start from\n"},
        {"conflicting exits",
         "point a floor 0 at 0 0\n"
         "point b floor 0 at 1 0\n"
         "point c floor 0 at 2 0\n"
         "photo a E good.jpg\n"
         "photo b E good.jpg\n"
         "photo c E good.jpg\n"
         "walk a E b oneway\n"
         "walk a E c oneway\n"
         "walk b E c sideways\n",
         "plan:3: warning: point \"c\" cannot be reached from the start\n"
         "plan:8: error: a facing E already leads forward to b-E (line 7)\n"
         "plan:9: error: expected \"walk A HEADING B [oneway]\"\n"},
        {"a walk to a point without photographs",
         "point hall floor 0 at 0 0\nphoto hall N good.jpg\npoint corridor floor 0 at 1 0\n"
         "walk hall N corridor\n",
         "plan:3: error: point \"corridor\" has no photograph\n"
         "plan:3: warning: point \"corridor\" cannot be reached from the start\n"
         "plan:4: warning: no photograph of corridor facing S, so no way back to hall\n"},
        {"empty", "# nothing yet\n\n", "plan: error: the plan has no point and no photograph\n"},
    };
    for (const BrokenPlan &c : cases) {
        SCOPED_TRACE(c.what);
        ScratchDir dir;
        ASSERT_TRUE(write_picture("good.jpg", 900, 600, {200, 0, 0}, {0, 0, 200}));
        ScratchDir::write("not a photo.jpg", "no JPEG here\n");
        ScratchDir::write("plan", c.plan);
        Ran ran = run({TOURMAKE_PROGRAM, "plan", "out"});
        EXPECT_EQ(ran.err, c.report);
        EXPECT_EQ(ran.out, "");
        EXPECT_EQ(ran.status, 1);
        EXPECT_EQ(dir_entries("."),
                  (std::vector<std::string>{"good.jpg", "not a photo.jpg", "plan"}));
    }
}

// Plans that build, in the same form: `report` holds their warnings, which
// come before tourmake's own progress lines.
TEST(Tourmake, PlansThatBuildWarnOfWhatTheyLack)
{
    const BrokenPlan cases[] = {
        {"comment right after a word",
         "point hall floor 0 at 0 0\nphoto hall N good.jpg#first photo\n", ""},
        {"tie between the nearest headings: clockwise wins",
         "point a floor 0 at 0 0\npoint b floor 0 at 1 0\n"
         "photo a E good.jpg\nphoto a W good.jpg\nphoto b N good.jpg\nphoto b S good.jpg\n"
         "walk a E b oneway\nwalk a W b oneway\n",
         "plan:7: warning: b has no photograph facing E; using S\n"
         "plan:8: warning: b has no photograph facing W; using N\n"},
    };
    for (const BrokenPlan &c : cases) {
        SCOPED_TRACE(c.what);
        ScratchDir dir;
        ASSERT_TRUE(write_picture("good.jpg", 900, 600, {200, 0, 0}, {0, 0, 200}));
        ScratchDir::write("plan", c.plan);
        Ran ran = run({TOURMAKE_PROGRAM, "plan", "out"});
        EXPECT_EQ(ran.status, 0) << ran.err;
        EXPECT_EQ(ran.err.substr(0, ran.err.find("tourmake: ")), c.report);
    }
}

TEST(Tourmake, FailingRunLeavesOutdirAsItWas)
{
    ScratchDir dir;
    ASSERT_TRUE(write_picture("good.jpg", 900, 600, {200, 0, 0}, {0, 0, 200}));
    // The header reads, the picture data ends early: found only when decoded.
    std::string whole = read_file("good.jpg");
    ScratchDir::write("cut.jpg", whole.substr(0, whole.size() / 3));
    ScratchDir::write("good.plan", "point a floor 0 at 0 0\nphoto a N good.jpg\n");
    ScratchDir::write("cut.plan",
                      "point a floor 0 at 0 0\nphoto a N good.jpg\nphoto a S cut.jpg\n");
    ScratchDir::write("out/keep.txt", "kept\n");
    const std::vector<std::string> before = dir_entries(".");

    Ran refused = run({TOURMAKE_PROGRAM, "good.plan", "out"});
    EXPECT_EQ(refused.err, "tourmake: out is not empty (--force replaces it)\n");
    EXPECT_EQ(refused.status, 1);

    Ran failed = run({TOURMAKE_PROGRAM, "--force", "cut.plan", "out"});
    EXPECT_EQ(failed.status, 1);
    EXPECT_NE(failed.err.find("cut.plan:3: error: cut.jpg: "), std::string::npos) << failed.err;
    EXPECT_EQ(dir_entries("."), before);
    EXPECT_EQ(dir_entries("out"), std::vector<std::string>{"keep.txt"});
    EXPECT_EQ(read_file("out/keep.txt"), "kept\n");

    Ran replaced = run({TOURMAKE_PROGRAM, "--force", "good.plan", "out"});
    EXPECT_EQ(replaced.status, 0) << replaced.err;
    EXPECT_EQ(replaced.out, "tourmake: wrote 1 slides, the map and 15 sprites to out\n");
    EXPECT_EQ(dir_entries("."), before);
    EXPECT_EQ(dir_entries("out"),
              (std::vector<std::string>{"cursors", "data.xml", "places.xml", "slides"}));

    // --web: the page joins the tour before the rename, or nothing changes.
    g_mkdir("page", 0755);
    g_setenv("TOURWEB_PAGE_DIR", "page", TRUE);
    Ran no_page = run({TOURMAKE_PROGRAM, "--force", "--web", "good.plan", "out"});
    EXPECT_EQ(no_page.status, 1);
    EXPECT_NE(no_page.err.find("cannot read the page file page/index.html"), std::string::npos)
        << no_page.err;
    EXPECT_EQ(dir_entries("out"),
              (std::vector<std::string>{"cursors", "data.xml", "places.xml", "slides"}));
    for (const char *name : {"tourweb.css", "tourweb-logic.js", "tourweb.js"})
        ScratchDir::write(std::string("page/") + name, name);
    ScratchDir::write("page/index.html", "<img id=\"tw-start\" alt=\"\">\n");
    Ran web = run({TOURMAKE_PROGRAM, "--force", "--web", "good.plan", "out"});
    g_unsetenv("TOURWEB_PAGE_DIR");
    EXPECT_EQ(web.status, 0) << web.err;
    EXPECT_EQ(dir_entries("out"), (std::vector<std::string>{
                                      "cursors", "data.xml", "index.html", "places.xml", "slides",
                                      "tour.js", "tourweb-logic.js", "tourweb.css", "tourweb.js"}));
    EXPECT_NE(read_file("out/tour.js").find("{\"id\":\"S001\",\"name\":\"a, facing north\""),
              std::string::npos);
    EXPECT_NE(read_file("out/index.html").find("src=\"slides/S001.jpg\""), std::string::npos);
}

// --help lists the statements from the parser's own table; the man page must
// describe the same ones with the same words.
TEST(Tourmake, HelpAndManPageListTheSameStatements)
{
    Ran help = run({TOURMAKE_PROGRAM, "--help"});
    ASSERT_EQ(help.status, 0);
    std::set<std::string> listed;
    std::istringstream lines(help.out);
    for (std::string line; std::getline(lines, line);)
        if (line.size() > 31 && line.compare(0, 2, "  ") == 0 && g_ascii_islower(line[2]))
            listed.insert(line.substr(2, line.find("  ", 2) - 2));

    // Each statement is a tagged paragraph whose tag starts in bold.
    std::string man = read_file(TOURMAKE_MAN_PAGE);
    std::set<std::string> described;
    for (size_t at = man.find(".TP\n\\fB"); at != std::string::npos;
         at = man.find(".TP\n\\fB", at)) {
        at += 4;
        std::string tag = man.substr(at, man.find('\n', at) - at), words;
        for (size_t i = 0; i < tag.size(); i++)
            if (tag[i] == '\\')
                i += 2; // a font change: \fB, \fI or \fP
            else
                words += tag[i];
        for (size_t bar; (bar = words.find(" | ")) != std::string::npos;)
            words.replace(bar, 3, "|");
        described.insert(words);
    }
    EXPECT_FALSE(described.empty());
    EXPECT_EQ(listed, described);
}

} // namespace
