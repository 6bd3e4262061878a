// What photographs record, put to use: "photo POINT auto FILE" takes its
// heading from the EXIF direction, and tourmake --draft DIR writes a plan
// from the times, directions and places recorded, which tourmake then reads.
#include "files.h"
#include "scratch.h"
#include "test_photos.h"

#include <math.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

struct Shot {
    const char *file;
    const char *when, *subsec;        // DateTimeOriginal, SubSecTimeOriginal; null: none
    const char *direction;            // GPSImgDirection as a rational; null: none
    const char *latitude, *longitude; // GPS, degrees minutes seconds; null: none
};

// A flat photograph carrying the shot's EXIF, written by gexiv2.
void write_shot(const Shot &shot)
{
    ASSERT_TRUE(write_picture(shot.file, 900, 600, {120, 90, 60}, {60, 90, 120}));
    std::vector<std::pair<std::string, std::string>> tags;
    if (shot.when)
        tags.push_back({"Exif.Photo.DateTimeOriginal", shot.when});
    if (shot.subsec)
        tags.push_back({"Exif.Photo.SubSecTimeOriginal", shot.subsec});
    if (shot.direction) {
        tags.push_back({"Exif.GPSInfo.GPSImgDirectionRef", "T"});
        tags.push_back({"Exif.GPSInfo.GPSImgDirection", shot.direction});
    }
    if (shot.latitude) {
        tags.push_back({"Exif.GPSInfo.GPSLatitudeRef", "N"});
        tags.push_back({"Exif.GPSInfo.GPSLatitude", shot.latitude});
        tags.push_back({"Exif.GPSInfo.GPSLongitudeRef", "E"});
        tags.push_back({"Exif.GPSInfo.GPSLongitude", shot.longitude});
    }
    if (!tags.empty()) {
        ASSERT_TRUE(write_tags(shot.file, tags));
    }
}

TEST(TourmakeAuto, HeadingsComeFromTheDirectionRecorded)
{
    ScratchDir dir;
    for (const Shot &shot : {Shot{"east.jpg", nullptr, nullptr, "185/2", nullptr, nullptr},
                             Shot{"north.jpg", nullptr, nullptr, "3579/10", nullptr, nullptr},
                             Shot{"halfway.jpg", nullptr, nullptr, "45/2", nullptr, nullptr},
                             Shot{"also-east.jpg", nullptr, nullptr, "80/1", nullptr, nullptr},
                             Shot{"none.jpg", nullptr, nullptr, nullptr, nullptr, nullptr}})
        write_shot(shot);
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

struct Folder {
    const char *what;
    std::vector<Shot> shots;
    bool pano; // with pano.jpg, a 360° photograph taken last
    std::string draft;
};

TEST(TourmakeDraft, PhotographsAreGroupedOrderedHeadedAndPlaced)
{
    const Folder folders[] = {
        {"times and directions, no places",
         {
             // Out of the order of their names; a and b in the same second.
             {"b.jpg", "2024:05:01 10:00:00", "25", "358/1", nullptr, nullptr},
             {"a.jpg", "2024:05:01 10:00:00", "5", "92/1", nullptr, nullptr},
             {"d.jpg", "2024:05:01 10:00:40", nullptr, nullptr, nullptr, nullptr},
             {"c.jpg", "2024:05:01 10:01:30", nullptr, "250/1", nullptr, nullptr},
             // A minute and a half later; then the same heading again.
             {"e.jpg", "2024:05:01 10:03:00", nullptr, "180/1", nullptr, nullptr},
             {"f f.jpg", "2024:05:01 10:03:10", nullptr, "181/1", nullptr, nullptr},
         },
         true,
         "title \"draft\"  # guessed: the folder's name\n"
         "\n"
         "point point1 floor 0 at 0 0  # guessed: in a row, as not every photograph records "
         "where it was taken\n"
         "photo point1 N b.jpg\n"
         "photo point1 E a.jpg\n"
         "photo point1 S d.jpg  # guessed: no direction recorded\n"
         "photo point1 W c.jpg  # guessed: it recorded 250°\n"
         "\n"
         "point point2 floor 0 at 10 0  # guessed: in a row, as not every photograph records "
         "where it was taken\n"
         "photo point2 S e.jpg\n"
         "\n"
         "point point3 floor 0 at 20 0  # guessed: a new point, as f f.jpg faces S again; in a "
         "row, as not every photograph records where it was taken\n"
         "photo point3 S \"f f.jpg\"\n"
         "\n"
         "point point4 floor 0 at 30 0  # guessed: in a row, as not every photograph records "
         "where it was taken\n"
         "pano point4 pano.jpg north 30\n"
         "\n"
         "walk point1 E point2  # guessed: the next point taken, along the row\n"
         "walk point2 S point3  # guessed: the next point taken, along the row, but point2 "
         "has no photograph facing E\n"
         "walk point3 S point4  # guessed: the next point taken, along the row, but point3 "
         "has no photograph facing E\n"},
        {"places",
         {
             {"p1.jpg", "2024:05:01 10:00:00", nullptr, "0/1", "52/1 30/1 0/1", "13/1 24/1 0/1"},
             {"p2.jpg", "2024:05:01 10:00:05", nullptr, "90/1", "52/1 30/1 0/1", "13/1 24/1 0/1"},
             {"p3.jpg", "2024:05:01 10:02:00", nullptr, "0/1", "52/1 30/1 1/1", "13/1 24/1 1/1"},
         },
         false,
         "title \"draft\"  # guessed: the folder's name\n"
         "\n"
         "point point1 floor 0 at 0 0\n"
         "photo point1 N p1.jpg\n"
         "photo point1 E p2.jpg\n"
         "\n"
         "point point2 floor 0 at 18.8 -30.9\n"
         "photo point2 N p3.jpg\n"
         "\n"
         "walk point1 E point2  # guessed: the next point taken, 36.2 m away at 31.3°, but "
         "point1 has no photograph facing NE\n"},
    };
    for (const Folder &f : folders) {
        SCOPED_TRACE(f.what);
        ScratchDir dir;
        ASSERT_EQ(g_mkdir("draft", 0755), 0);
        ASSERT_EQ(chdir("draft"), 0);
        for (const Shot &shot : f.shots)
            write_shot(shot);
        if (f.pano) {
            ASSERT_TRUE(write_pano("pano.jpg", 2560, {}));
            ASSERT_TRUE(
                write_tags("pano.jpg", {{"Exif.Photo.DateTimeOriginal", "2024:05:01 10:05:00"},
                                        {"Xmp.GPano.ProjectionType", "equirectangular"},
                                        {"Xmp.GPano.PoseHeadingDegrees", "30"}}));
        }
        ScratchDir::write("notes.txt", "not a photograph, not read\n");
        ASSERT_EQ(chdir(".."), 0);
        Ran ran = run({TOURMAKE_PROGRAM, "--draft", "draft"});
        ASSERT_EQ(ran.status, 0) << ran.err;
        EXPECT_EQ(ran.err, "");
        const std::string head =
            "# A draft plan for the photographs in draft, made by tourmake --draft.\n"
            "# Check the lines marked \"guessed\" against the photographs; save the plan\n"
            "# beside them and run tourmake on it.\n";
        EXPECT_EQ(ran.out, head + f.draft);

        // Saved beside the photographs, the draft makes a tour.
        ScratchDir::write("draft/plan.txt", ran.out);
        Ran made = run({TOURMAKE_PROGRAM, "draft/plan.txt", "out"});
        EXPECT_EQ(made.status, 0) << made.err;
        EXPECT_EQ(made.err.find(": error: "), std::string::npos) << made.err;
    }
}

TEST(TourmakeDraft, FoldersWithoutPhotographsAreErrors)
{
    ScratchDir dir;
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
