// Views of a 360° photograph: an equirectangular image, 360 degrees across and
// 180 from top to bottom, cut into straight-lined views of 800 by 533 pixels,
// 90 degrees across with the horizon level across their middle, as if each
// were taken facing its own heading. Views 90 degrees apart join edge to edge.
#ifndef TOURVIEW_PANO_H
#define TOURVIEW_PANO_H

#include <functional>
#include <string>
#include <vector>

constexpr double PANO_VIEW_DEGREES = 90;
// The smallest 360° photograph as sharp as the views at their centre, where
// a view has 400 pixels a radian: 2 pi 400 pixels across.
constexpr int PANO_MIN_WIDTH = 2514, PANO_MIN_HEIGHT = PANO_MIN_WIDTH / 2;

// Why a photograph of `width` by `height` pixels (upright) cannot be cut into
// views, as "is 2000 by 1000, smaller than the 2514 by 1257 that views of 800
// by 533 need"; empty when it can.
// Beyond the pixel budget is one such reason.
std::string pano_size_problem(int width, int height);

struct PanoView {
    double yaw;         // the view's centre: degrees clockwise from the photograph's centre
    std::string target; // the JPEG written
};

// Reads the 360° photograph at `source` once (only the rows the views show,
// from a JPEG much larger than they need at a reduced scale) and writes each
// view as an 800 by 533 baseline JPEG, sampled bilinearly. False on failure,
// with libvips' error buffer saying why, and once `stop` (when set) answers
// true between views.
bool pano_write_views(const std::string &source, const std::vector<PanoView> &views,
                      const std::function<bool()> &stop);

#endif
