#pragma once
// What the PDF report of a result file shows, as data: which trials and values
// go into each plot and each table. The drawing (src/app) only lays these out,
// so that the content is tested here and not through pixels.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "report/run_figures.h"
#include "results/result_file_reader.h"

using ReportRows = std::vector<std::pair<std::string, std::string>>;

// One trial after the start balloon on the RT-per-trial plot.
struct RtPoint {
  int32_t trial = 0;
  int32_t rt_ms = 0;
  int32_t cond_j = 0;  // janken condition, 0 none, 1 normal, 2 late
  int32_t cond_m = 0;  // mirror display at the pop
};

// Trials of one condition: one series on the RT plot.
struct RtSeries {
  std::string name;  // "janken normal, mirror on"
  int32_t cond_j = 0;
  int32_t cond_m = 0;
  std::vector<RtPoint> points;
};

struct HistogramBin {
  int32_t from_ms = 0;  // from_ms <= RT < to_ms
  int32_t to_ms = 0;
  int32_t count = 0;
};

// A popped balloon on the hit map (picture space, 960 x 540, displayed side).
struct HitPoint {
  int32_t trial = 0;
  int32_t target_x = 0, target_y = 0;
  std::string site;                 // Resp: "Hand_L", "Head", ...
  bool site_known = false;          // the site's position was found
  int32_t site_x = 0, site_y = 0;   // where the hit test saw the site
};

// One camera frame on the run's single time axis: a frame of the body file,
// or (bodies 0) a frame the camera took without a tracked body, which left no
// row: where rows are missing for longer than the usual frame interval,
// outside the pauses after pops, one such frame per interval.
struct TrackingPoint {
  double time_s = 0;
  int32_t bodies = 0;   // bodies with a row in this frame
  bool child = false;   // the child (popper of the trial in progress) among them
  bool hand_left = false;   // the child's left hand tracked
  bool hand_right = false;  // the child's right hand tracked
};

// A pause after a pop on the run's time axis: the burst fades for 1 s and
// nothing is recorded, so neither tracking nor intervals have points there.
struct TimeSpan {
  double from_s = 0;
  double to_s = 0;
};

struct IntervalPoint {
  double time_s = 0;       // of the later frame
  double interval_ms = 0;  // since the frame before, within one trial (no pause spans)
};

struct RunReport {
  std::string heading;   // subject and start, UTF-8
  ReportRows run_rows;   // settings and sensor
  ReportRows file_rows;  // the files read
  RunFigures figures;
  ReportRows figure_rows;  // the summary figures
  ReportRows timing_rows;  // the run record's counts, frames, latencies, tracking
  std::vector<RtSeries> rt_series;
  std::vector<HistogramBin> rt_histogram;
  std::vector<HitPoint> hits;  // every popped balloon, the start balloon included
  std::vector<TrackingPoint> tracking;
  std::vector<IntervalPoint> intervals;
  std::vector<TimeSpan> pauses;  // one per pop, in time order
};

struct ReportModel {
  std::vector<RunReport> runs;  // one per run of the files, in file order
};

// "X_report.pdf" for the trial file "X.csv".
std::string ReportPathFor(const std::string& trial_path);

// The run record applies to the last run of the files.
ReportModel BuildReportModel(const ResultFileSet& set);

// At most about `max_points` of `points` for drawing: every n-th, and every
// point whose bodies, child or hands differ from the point before (so that no
// loss of tracking, however short, drops out of the plot).
std::vector<TrackingPoint> ThinTracking(const std::vector<TrackingPoint>& points, size_t max_points);
// The same for intervals: every n-th, and every one longer than 1.5 `median_ms`.
std::vector<IntervalPoint> ThinIntervals(const std::vector<IntervalPoint>& points, size_t max_points,
                                         double median_ms);

// Bins of a width from 50 ms up to whole seconds chosen so that there are at
// most `max_bins`, starting at a multiple of the width.
std::vector<HistogramBin> RtHistogram(const std::vector<double>& rts_ms, int max_bins = 20);
