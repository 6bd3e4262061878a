// A point's photographs cut from a 360° photograph, by the stages in
// process: each view shows what a straight-lined 90 degree view facing its
// heading shows, to a fraction of a pixel, across the photograph's edge too;
// the heading of the photograph's centre comes from the plan, else from its
// XMP, else north.
#include "making.h"
#include "scratch.h"
#include "test_photos.h"

#include <math.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace
{

const int WIDTH = 2560; // 0.140625 degrees a pixel: every mark on a column boundary
const std::vector<double> lines = {9, 36, 99, -126};

// Degrees from the photograph's centre that a view facing `yaw` shows at
// column x (pixel centres at whole numbers), and the column showing `degrees`
// (NAN when far outside the view).
double seen_at(double yaw, double x)
{
    return yaw + atan((x + 0.5 - 400) / 400) * 180 / M_PI;
}
double column_of(double yaw, double degrees)
{
    double turn = remainder(degrees - yaw, 360);
    return fabs(turn) < 50 ? 399.5 + 400 * tan(turn * M_PI / 180) : NAN;
}
// Whether a mark at column x can be measured: its window inside the view.
bool measurable(double x)
{
    return x > 6 && x < 793;
}

// The sector colour at `degrees`, as write_pano paints it.
Rgb sector_at(double degrees)
{
    double d = remainder(degrees, 360);
    int sector = static_cast<int>(floor((d + 22.5) / 45 + 8)) % 8;
    return pano_sector_colours[sector == 4 && d < 0 ? 8 : sector];
}

struct Edge {
    double degrees;
    Rgb left, right;
};
std::vector<Edge> edges()
{
    std::vector<Edge> all;
    for (int k = 0; k < 8; k++) {
        double at = k * 45 + 22.5;
        all.push_back({at, sector_at(at - 1), sector_at(at + 1)});
    }
    all.push_back({180, pano_sector_colours[4], pano_sector_colours[8]});
    return all;
}

// Whether every channel of `p` lies between those of `a` and `b`, give or
// take `tolerance`: a blend of the two and of nothing else.
bool between(Rgb p, Rgb a, Rgb b, int tolerance)
{
    int v[3] = {p.r, p.g, p.b}, x[3] = {a.r, a.g, a.b}, y[3] = {b.r, b.g, b.b};
    for (int c = 0; c < 3; c++)
        if (v[c] < std::min(x[c], y[c]) - tolerance || v[c] > std::max(x[c], y[c]) + tolerance)
            return false;
    return true;
}

// Where a step from `left` to `right` lies in row y, from the share of each
// pixel of a window around `near` that has turned: exact for a symmetric ramp.
// Each pixel must be a blend of the two.
double edge_in_row(const Pixels &view, int y, double near, Rgb left, Rgb right)
{
    int channel = 0, lead[3] = {right.r - left.r, right.g - left.g, right.b - left.b};
    for (int c = 1; c < 3; c++)
        if (abs(lead[c]) > abs(lead[channel]))
            channel = c;
    int first = static_cast<int>(lround(near)) - 5;
    double left_part = 0;
    for (int x = first; x <= first + 10; x++) {
        Rgb p = view.at(x, y);
        EXPECT_TRUE(between(p, left, right, 16)) << describe(p) << " at column " << x;
        int value[3] = {p.r, p.g, p.b}, from[3] = {left.r, left.g, left.b};
        double turned = double(value[channel] - from[channel]) / lead[channel];
        left_part += 1 - std::min(1.0, std::max(0.0, turned));
    }
    return first - 0.5 + left_part;
}

// The centre of the white line near `near` in row y, and its weight.
double line_in_row(const Pixels &view, int y, double near, double *weight)
{
    double sum = 0, moment = 0;
    for (int x = static_cast<int>(lround(near)) - 6; x <= lround(near) + 6; x++) {
        Rgb p = view.at(x, y);
        double w = std::max(0, std::min({p.r, p.g, p.b}) - 45);
        sum += w;
        moment += w * x;
    }
    *weight = sum;
    return sum > 0 ? moment / sum : NAN;
}

// The centre of the dark horizon in column x.
double horizon_in_column(const Pixels &view, int x, Rgb background)
{
    double sum = 0, moment = 0;
    for (int y = 258; y <= 274; y++) {
        Rgb p = view.at(x, y);
        double w = std::max(0, background.r + background.g + background.b - p.r - p.g - p.b);
        sum += w;
        moment += w * y;
    }
    return sum > 0 ? moment / sum : NAN;
}

// Everything a view facing `yaw` must show where it can be told.
void check_view(const Pixels &view, double yaw)
{
    ASSERT_EQ(view.width, 800);
    ASSERT_EQ(view.height, 533);
    // Rows above and below the horizon: marks at the same columns (verticals
    // stay vertical), and the colour between them that of its sector.
    for (int y : {110, 430}) {
        SCOPED_TRACE("row " + std::to_string(y));
        std::vector<double> marks;
        for (const Edge &e : edges()) {
            double x = column_of(yaw, e.degrees);
            marks.push_back(x);
            if (!measurable(x))
                continue;
            EXPECT_NEAR(edge_in_row(view, y, x, e.left, e.right), x, 0.25)
                << "the edge at " << e.degrees << " degrees";
        }
        for (double line : lines) {
            double x = column_of(yaw, line), weight = 0;
            marks.push_back(x);
            if (!measurable(x))
                continue;
            EXPECT_NEAR(line_in_row(view, y, x, &weight), x, 0.25)
                << "the line at " << line << " degrees";
            EXPECT_GT(weight, 300) << "the line at " << line << " degrees, whole";
        }
        int wrong = 0;
        for (int x = 0; x < 800; x++) {
            bool clear = true;
            for (double m : marks)
                clear = clear && !(fabs(x - m) <= 2.5);
            wrong += clear && !near(view.at(x, y), sector_at(seen_at(yaw, x)), 16);
        }
        EXPECT_EQ(wrong, 0) << "pixels not of their sector's colour";
    }
    for (int x : {60, 250, 560, 740}) {
        double centre = horizon_in_column(view, x, sector_at(seen_at(yaw, x)));
        EXPECT_NEAR(centre, 266, 0.25) << "the horizon at column " << x;
    }
}

struct PanoCase {
    const char *what;
    std::string pano_line;
    const char *pose_heading; // written into the photograph's XMP, or null
    double north;
    std::string report;
};

TEST(MakingPano, ViewsShowWhatEachHeadingSees)
{
    const PanoCase cases[] = {
        {"north on the line", "pano hall hall.png north 30", nullptr, 30, ""},
        {"the heading it recorded", "pano hall hall.png", "250", 250, ""},
        {"neither: north, and a photo line wins", "pano hall hall.png\nphoto hall E good.jpg",
         nullptr, 0,
         "plan:2: warning: hall.png records no heading (GPano:PoseHeadingDegrees): its "
         "centre is taken to face north (\"north DEGREES\" says otherwise)\n"},
    };
    for (const PanoCase &c : cases) {
        SCOPED_TRACE(c.what);
        ScratchDir dir;
        ASSERT_TRUE(write_pano("hall.png", WIDTH, lines));
        if (c.pose_heading) {
            ASSERT_TRUE(write_tags("hall.png", {{"Xmp.GPano.ProjectionType", "equirectangular"},
                                                {"Xmp.GPano.PoseHeadingDegrees", c.pose_heading}}));
        }
        ASSERT_TRUE(write_picture("good.jpg", 900, 600, {200, 0, 0}, {0, 0, 200}));
        // The walk leaves NE and comes back facing SW: views for both.
        ScratchDir::write("plan", "point hall floor 0 at 0 0\n" + c.pano_line +
                                      "\npoint far floor 0 at 100 0\nphoto far NE good.jpg\n"
                                      "photo far SW good.jpg\nwalk hall NE far\n");
        Plan plan;
        Diagnostics diagnostics;
        std::vector<PlannedSlide> slides = plan_read(&plan, &diagnostics, read_file("plan"), ".");
        sort_diagnostics(&diagnostics, "");
        std::string report;
        for (const Diagnostic &d : diagnostics)
            report += diagnostic_line(d, "plan") + "\n";
        EXPECT_EQ(report, c.report);
        ASSERT_FALSE(has_errors(diagnostics));

        ASSERT_EQ(g_mkdir("out", 0755), 0);
        size_t calls = 0;
        Steering steering;
        steering.progress = [&calls, &slides](size_t done, size_t total) {
            EXPECT_EQ(total, slides.size());
            EXPECT_EQ(done, ++calls);
        };
        Made made;
        ASSERT_TRUE(make_tour(plan, slides, "out", steering, &made)) << made.failure;
        EXPECT_TRUE(made.photographs.empty());
        EXPECT_EQ(calls, slides.size()) << "each view counts as a photograph";
        bool photo_wins = c.pano_line.find("photo hall E") != std::string::npos;
        for (int h : {0, 1, 2, 4, 5, 6}) {
            SCOPED_TRACE(std::string("facing ") + heading_names[h]);
            // The first photograph is the start, S001.
            std::string id = h == 0 ? "S001" : std::string("hall-") + heading_names[h];
            Pixels view = read_pixels("out/slides/" + id + ".jpg");
            if (h == 2 && photo_wins)
                EXPECT_TRUE(near(view.at(200, 266), {200, 0, 0}, 12)) << "the photo line's";
            else
                check_view(view, h * 45 - c.north);
        }
        EXPECT_FALSE(g_file_test("out/slides/hall-SE.jpg", G_FILE_TEST_EXISTS));
    }
}

} // namespace
