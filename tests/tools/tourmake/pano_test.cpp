// tourmake refusing 360° photographs that give no views, each on its line.
#include "files.h"
#include "scratch.h"
#include "test_photos.h"

#include <gtest/gtest.h>

#include <string>

namespace
{

const int WIDTH = 2560;

// A JPEG whose header claims `width` by `height`: read no further than that.
std::string claimed_jpeg(int width, int height)
{
    EXPECT_TRUE(write_picture("tiny.jpg", 64, 32, {0, 0, 0}, {0, 0, 0}));
    std::string bytes = read_file("tiny.jpg");
    size_t sof = bytes.find("\xff\xc0");
    EXPECT_NE(sof, std::string::npos);
    bytes[sof + 5] = char(height >> 8), bytes[sof + 6] = char(height);
    bytes[sof + 7] = char(width >> 8), bytes[sof + 8] = char(width);
    return bytes;
}

TEST(TourmakePano, PhotographsThatGiveNoViewsAreErrorsOnTheirLines)
{
    ScratchDir dir;
    ASSERT_TRUE(write_picture("wide.jpg", 3000, 2000, {90, 90, 90}, {90, 90, 90}));
    ASSERT_TRUE(write_picture("small.jpg", 2000, 1000, {90, 90, 90}, {90, 90, 90}));
    ScratchDir::write("huge.jpg", claimed_jpeg(14144, 7072));
    ASSERT_TRUE(write_pano("hall.png", WIDTH, {}));
    ScratchDir::write("plan", "point a floor 0 at 0 0\n"
                              "pano a wide.jpg\n"
                              "pano a hall.png\n"
                              "point b floor 0 at 1 0\n"
                              "pano b small.jpg north 90\n"
                              "pano c huge.jpg\n"
                              "point c floor 0 at 2 0\n"
                              "point d floor 0 at 3 0\n"
                              "pano d missing.jpg\n"
                              "point e floor 0 at 4 0\n"
                              "pano e hall.png north east\n"
                              "pano e hall.png north\n"
                              "walk e N a\n");
    Ran ran = run({TOURMAKE_PROGRAM, "plan", "out"});
    EXPECT_EQ(ran.err,
              "plan:2: error: wide.jpg is 3000 by 2000, not a 360° photograph: that is twice as "
              "wide as high\n"
              "plan:3: error: a already has a 360° photograph at line 2\n"
              "plan:4: warning: point \"b\" cannot be reached from the start\n"
              "plan:5: error: small.jpg is 2000 by 1000, smaller than the 2514 by 1257 that "
              "views of 800 by 533 need\n"
              "plan:6: error: huge.jpg is 14144 by 7072, more than the 100 million pixels that "
              "tourmake reads\n"
              "plan:7: warning: point \"c\" cannot be reached from the start\n"
              "plan:8: warning: point \"d\" cannot be reached from the start\n"
              "plan:9: error: missing.jpg: No such file or directory\n"
              "plan:10: error: point \"e\" has no photograph\n"
              "plan:10: warning: point \"e\" cannot be reached from the start\n"
              "plan:11: error: bad north \"east\": degrees clockwise, -360 to 360\n"
              "plan:12: error: expected \"pano POINT FILE [north DEGREES]\"\n"
              "plan:13: error: no photograph of e facing N to walk from\n");
    EXPECT_EQ(ran.status, 1);
    EXPECT_FALSE(g_file_test("out", G_FILE_TEST_EXISTS));
}

} // namespace
