#pragma once
// Fewer points for drawing a long run: a chart library draws each marker as
// an object of its own, so hundreds of thousands of trials would take minutes
// and gigabytes. What the eye can tell apart on the page is kept.

#include <cstddef>
#include <vector>

#include "report/report_model.h"

// Trials in order, in at most `columns` columns along the trial axis: each
// column keeps its fastest and its slowest trial (so no outlier is lost), all
// of them while the run has no more than 2 * `columns` trials.
std::vector<RtPoint> ThinRtPoints(const std::vector<RtPoint>& points, size_t columns);

// Positions on the picture: one point per cell of `cell` pixels, the first
// there (markers are drawn larger than a cell). Order kept.
struct PicturePoint {
  int x = 0, y = 0;
};
std::vector<PicturePoint> OnePointPerCell(const std::vector<PicturePoint>& points, int cell);
