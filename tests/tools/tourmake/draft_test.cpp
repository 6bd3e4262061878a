// What photographs record, put to use by the command: "photo POINT auto
// FILE" takes its heading from the EXIF direction, said in a note; tourmake
// --draft DIR prints the draft plan of tests/draft, or says why there is none.
#include "draft.h"
#include "files.h"
#include "scratch.h"
#include "test_photos.h"

#include <gtest/gtest.h>
#include <glib/gstdio.h>

#include <string>
#include <vector>

namespace
{

TEST(TourmakeAuto, HeadingsComeFromTheDirectionRecorded)
{
    ScratchDir dir;
    for (const Shot &shot : {Shot{"east.jpg", nullptr, nullptr, "185/2", nullptr, nullptr},
                             Shot{"north.jpg", nullptr, nullptr, "3579/10", nullptr, nullptr},
                             Shot{"halfway.jpg", nullptr, nullptr, "45/2", nullptr, nullptr},
                             Shot{"also-east.jpg", nullptr, nullptr, "80/1", nullptr, nullptr},
                             Shot{"none.jpg", nullptr, nullptr, nullptr, nullptr, nullptr}})
        ASSERT_TRUE(write_shot(shot));
    ScratchDir::write("plan", "point hall floor 0 at 0 0\n"
                              "photo hall auto east.jpg\n"
                              "photo hall auto north.jpg\n"
                              "photo hall auto halfway.jpg\n"
                              "photo hall auto also-east.jpg\n"
                              "photo hall auto none.jpg\n"
                              "photo hall auto missing.jpg\n");
    Ran ran = run({TOURMAKE_PROGRAM, "plan", "out"});
    EXPECT_EQ(ran.err,
              "plan:2: note: east.jpg: facing E, the heading nearest the 92.5° it recorded\n"
              "plan:3: note: north.jpg: facing N, the heading nearest the 357.9° it recorded\n"
              "plan:4: note: halfway.jpg: facing NE, the heading nearest the 22.5° it recorded\n"
              "plan:5: note: also-east.jpg: facing E, the heading nearest the 80° it recorded\n"
              "plan:5: error: hall facing E already has a photograph at line 2\n"
              "plan:6: error: none.jpg: no direction recorded (EXIF GPSImgDirection): write its "
              "heading for \"auto\"\n"
              "plan:7: error: missing.jpg: No such file or directory\n");
    EXPECT_EQ(ran.status, 1);

    ScratchDir::write("plan", "point hall floor 0 at 0 0\nphoto hall auto east.jpg\n"
                              "photo hall auto north.jpg\nwalk hall E hall2\n"
                              "point hall2 floor 0 at 1 0\nphoto hall2 W east.jpg\n");
    ran = run({TOURMAKE_PROGRAM, "plan", "out"});
    ASSERT_EQ(ran.status, 0) << ran.err;
    EXPECT_TRUE(g_file_test("out/slides/hall2-W.jpg", G_FILE_TEST_EXISTS));
    EXPECT_NE(read_file("out/data.xml").find("<forward>hall2-W</forward>"), std::string::npos)
        << "hall facing E, the first photograph, walks to hall2";
}

// The draft on standard output as the library writes it, or why there is none.
TEST(TourmakeDraft, PrintsTheDraftOrSaysWhyNot)
{
    ScratchDir dir;
    ASSERT_EQ(g_mkdir("hall", 0755), 0);
    ASSERT_EQ(chdir("hall"), 0);
    ASSERT_TRUE(write_shot({"n.jpg", "2024:05:01 10:00:00", nullptr, "1/1", nullptr, nullptr}));
    ASSERT_TRUE(write_shot({"e.jpg", "2024:05:01 10:00:09", nullptr, nullptr, nullptr, nullptr}));
    ASSERT_EQ(chdir(".."), 0);
    std::string text;
    Diagnostics diagnostics;
    ASSERT_TRUE(draft_plan("hall", &text, &diagnostics));
    Ran drafted = run({TOURMAKE_PROGRAM, "--draft", "hall"});
    EXPECT_EQ(drafted.out, text);
    EXPECT_EQ(drafted.err, "");
    EXPECT_EQ(drafted.status, 0);

    ScratchDir::write("empty/notes.txt", "no photographs\n");
    ScratchDir::write("empty/broken.jpg", "not a JPEG\n");
    Ran empty = run({TOURMAKE_PROGRAM, "--draft", "empty"});
    EXPECT_EQ(empty.err, "empty: warning: broken.jpg: not a JPEG or PNG image; left out\n"
                         "empty: error: no JPEG or PNG photograph to make a plan for\n");
    EXPECT_EQ(empty.out, "");
    EXPECT_EQ(empty.status, 1);
    Ran missing = run({TOURMAKE_PROGRAM, "--draft", "missing"});
    EXPECT_NE(missing.err.find("missing: error: "), std::string::npos) << missing.err;
    EXPECT_EQ(missing.status, 1);
    Ran usage = run({TOURMAKE_PROGRAM, "--draft", "--force", "empty"});
    EXPECT_EQ(usage.err, "usage: tourmake --draft DIR\n");
    EXPECT_EQ(usage.status, 2);
}

} // namespace
