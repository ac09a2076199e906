#include "report/report_model.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <unordered_map>

#include "results/run_timeline.h"
#include "results/text_encoding.h"
#include "state/report_text.h"
#include "state/run_file_endings.h"
#include "state/setting_checks.h"
#include "trial/stage_frame.h"

namespace {

// What the trial loop ran; a value outside 0 to 2 runs as late and is named too.
std::string JankenName(int32_t cond_j) {
  if (cond_j == 0) return ReportText(REPORT_NOOP("Report", "no janken"));
  std::string name = cond_j == 1 ? ReportText(REPORT_NOOP("Report", "janken normal"))
                                 : ReportText(REPORT_NOOP("Report", "janken late"));
  if (cond_j != 1 && cond_j != 2)
    name += ReportText(REPORT_NOOP("Report", " (recorded as %1)"), {std::to_string(cond_j)});
  return name;
}

std::string MirrorName(int32_t cond_m) {
  return cond_m == 0   ? ReportText(REPORT_NOOP("Report", "mirror off"))
         : cond_m == 1 ? ReportText(REPORT_NOOP("Report", "mirror on"))
                       : ReportText(REPORT_NOOP("Report", "mirror %1"), {std::to_string(cond_m)});
}

std::string Fixed(double value, int decimals = 0) {
  char text[48];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

// A joint is untracked at -1,-1; a limb joint flipped for the mirror display off at 961,-1.
bool Tracked(int32_t x, int32_t y) {
  return !(y == -1 && (x == -1 || x == 961));
}

struct SiteColumns {
  const char* resp;
  int32_t BodySample::*x;
  int32_t BodySample::*y;
};

constexpr SiteColumns kSites[] = {
    {"Hand_L", &BodySample::hand_lx, &BodySample::hand_ly},
    {"Hand_R", &BodySample::hand_rx, &BodySample::hand_ry},
    {"Head", &BodySample::head_x, &BodySample::head_y},
    {"Elbow_L", &BodySample::elbow_lx, &BodySample::elbow_ly},
    {"Elbow_R", &BodySample::elbow_rx, &BodySample::elbow_ry},
    {"Should_L", &BodySample::shoulder_lx, &BodySample::shoulder_ly},
    {"Should_R", &BodySample::shoulder_rx, &BodySample::shoulder_ry},
    {"Hip_L", &BodySample::hip_lx, &BodySample::hip_ly},
    {"Hip_R", &BodySample::hip_rx, &BodySample::hip_ry},
    {"Knee_L", &BodySample::knee_lx, &BodySample::knee_ly},
    {"Knee_R", &BodySample::knee_rx, &BodySample::knee_ry},
    {"Foot_L", &BodySample::foot_lx, &BodySample::foot_ly},
    {"Foot_R", &BodySample::foot_rx, &BodySample::foot_ry},
};

// The index of each body's last sample in each trial, by TrialBodyKey.
using LastSamples = std::unordered_map<uint64_t, size_t>;
uint64_t TrialBodyKey(int32_t trial, int32_t id) {
  return (uint64_t{static_cast<uint32_t>(trial)} << 32) | static_cast<uint32_t>(id);
}
LastSamples LastSamplesOf(const ResultRun& run) {
  LastSamples last;
  for (size_t i = 0; i < run.samples.size(); ++i)
    last[TrialBodyKey(run.samples[i].trial, run.samples[i].id)] = i;
  return last;
}

// Where the hit test saw the popping site: the trial row's hand position for a
// hand, else the site in the popping body's last row of that trial (the pass
// of the pop).
HitPoint HitOf(const TrialRecord& r, const ResultRun& run, const LastSamples& last) {
  HitPoint h{r.trial, r.tgt_x, r.tgt_y, r.resp, false, 0, 0};
  if (r.resp == "Hand_L" || r.resp == "Hand_R") {
    const bool left = r.resp == "Hand_L";
    h.site_x = left ? r.hand_lx : r.hand_rx;
    h.site_y = left ? r.hand_ly : r.hand_ry;
    h.site_known = Tracked(h.site_x, h.site_y);
    return h;
  }
  const auto site = std::find_if(std::begin(kSites), std::end(kSites),
                                 [&](const SiteColumns& s) { return r.resp == s.resp; });
  if (site == std::end(kSites)) return h;
  if (const auto it = last.find(TrialBodyKey(r.trial, r.bodyid)); it != last.end()) {
    const BodySample& s = run.samples[it->second];
    h.site_x = s.*(site->x);
    h.site_y = s.*(site->y);
    h.site_known = Tracked(h.site_x, h.site_y);
  }
  return h;
}

std::vector<RtSeries> RtSeriesOf(const ResultRun& run) {
  std::map<std::pair<int32_t, int32_t>, RtSeries> by_condition;
  for (const TrialRecord& r : run.trials) {
    if (r.trial == 0) continue;
    RtSeries& series = by_condition[{r.cond_j, r.cond_m}];
    series.cond_j = r.cond_j;
    series.cond_m = r.cond_m;
    series.name =
        ReportText(REPORT_NOOP("Report", "%1, %2"), {JankenName(r.cond_j), MirrorName(r.cond_m)});
    series.points.push_back({r.trial, r.rt, r.cond_j, r.cond_m});
  }
  std::vector<RtSeries> out;
  for (auto& [key, series] : by_condition) out.push_back(std::move(series));
  return out;
}

// The 1 s after each pop: the start balloon's on its own clock, the later ones
// from their time since the clock restart.
std::vector<TimeSpan> PausesOf(const ResultRun& run, const RunTimeline& timeline) {
  std::vector<TimeSpan> pauses;
  for (const TrialRecord& r : run.trials) {
    const int64_t pop_ms = timeline.TimeMs(r.trial, r.trial == 0 ? r.rt : r.totalrt);
    pauses.push_back({static_cast<double>(pop_ms) / 1000.0,
                      static_cast<double>(pop_ms + kPauseAfterPop_ms) / 1000.0});
  }
  std::sort(pauses.begin(), pauses.end(),
            [](const TimeSpan& a, const TimeSpan& b) { return a.from_s < b.from_s; });
  return pauses;
}

bool InPause(const std::vector<TimeSpan>& pauses, double time_s) {
  return std::any_of(pauses.begin(), pauses.end(), [time_s](const TimeSpan& p) {
    return p.from_s < time_s && time_s <= p.to_s + 1e-9;
  });
}

// Frames without a tracked body between two frames with rows `from_ms` and
// `to_ms` apart: one per median interval where the gap is longer than 1.5
// medians, none inside a pause.
void AddFramesWithoutBody(int64_t from_ms, int64_t to_ms, double median_ms,
                          const std::vector<TimeSpan>& pauses,
                          std::vector<TrackingPoint>* tracking) {
  if (median_ms <= 0 || static_cast<double>(to_ms - from_ms) <= 1.5 * median_ms) return;
  const auto missing =
      static_cast<int64_t>(std::lround(static_cast<double>(to_ms - from_ms) / median_ms)) - 1;
  for (int64_t j = 1; j <= missing; ++j) {
    const double time_s =
        (static_cast<double>(from_ms) + static_cast<double>(j) * median_ms) / 1000.0;
    if (!InPause(pauses, time_s)) tracking->push_back({time_s, 0, false, false, false});
  }
}

void AddTimeline(const ResultRun& run, RunReport* report) {
  const RunTimeline timeline(run, nullptr);
  report->pauses = PausesOf(run, timeline);
  const double median_ms = timeline.MedianFrameIntervalMs();
  const RunFrame* previous = nullptr;
  for (const RunFrame& frame : timeline.frames()) {
    if (previous != nullptr)
      AddFramesWithoutBody(previous->time_ms, frame.time_ms, median_ms, report->pauses,
                           &report->tracking);
    TrackingPoint p;
    p.time_s = static_cast<double>(frame.time_ms) / 1000.0;
    p.bodies = static_cast<int32_t>(frame.count);
    if (frame.participant) {
      const BodySample& s = run.samples[*frame.participant];
      p.child = true;
      p.hand_left = Tracked(s.hand_lx, s.hand_ly);
      p.hand_right = Tracked(s.hand_rx, s.hand_ry);
    }
    report->tracking.push_back(p);
    if (previous != nullptr && previous->trial == frame.trial && frame.time_ms > previous->time_ms) {
      report->intervals.push_back(
          {p.time_s, static_cast<double>(frame.time_ms - previous->time_ms)});
    }
    previous = &frame;
  }
}

ReportRows FigureRows(const RunFigures& f) {
  ReportRows rows;
  const auto row = [&rows](const char* label, std::string value) {
    rows.emplace_back(ReportText(label), std::move(value));
  };
  row(REPORT_NOOP("Report", "Balloons popped"),
      ReportText(REPORT_NOOP("Report", "%1 (start balloon included)"),
                 {std::to_string(f.balloons_popped)}));
  if (f.rt_ms) {
    row(REPORT_NOOP("Report", "RT median"),
        ReportText(REPORT_NOOP("Report", "%1 ms"), {Fixed(f.rt_ms->median)}));
    row(REPORT_NOOP("Report", "RT quartiles"),
        ReportText(REPORT_NOOP("Report", "%1 ms to %2 ms (IQR %3 ms)"),
                   {Fixed(f.rt_ms->q1), Fixed(f.rt_ms->q3), Fixed(f.rt_ms->iqr())}));
    const auto [lo, hi] = std::minmax_element(f.rts_ms.begin(), f.rts_ms.end());
    row(REPORT_NOOP("Report", "RT range"),
        ReportText(REPORT_NOOP("Report", "%1 ms to %2 ms, %3 trials"),
                   {Fixed(*lo), Fixed(*hi), std::to_string(f.rts_ms.size())}));
  } else {
    row(REPORT_NOOP("Report", "RT"),
        ReportText(REPORT_NOOP("Report", "none (no balloon after the start balloon)")));
  }
  // One definition for both rows, said on the page: camera frames while a
  // balloon was up, and the child as the body that popped it.
  row(REPORT_NOOP("Report", "The child"),
      ReportText(REPORT_NOOP("Report", "in each trial, the body that popped its balloon")));
  row(REPORT_NOOP("Report", "Child tracked (balloon up)"),
      f.tracked_share ? ReportText(REPORT_NOOP("Report", "%1 of the frames"),
                                   {PercentText(*f.tracked_share)})
                      : ReportText(REPORT_NOOP("Report", "never")));
  row(REPORT_NOOP("Report", "Frames with the child (balloon up)"),
      ReportText(REPORT_NOOP("Report", "%1 of about %2 camera frames; the 1 s pauses after pops "
                                       "left out"),
                 {std::to_string(f.child_frames), Fixed(f.expected_frames)}));
  row(REPORT_NOOP("Report", "Frame interval (median)"),
      ReportText(REPORT_NOOP("Report", "%1 ms"), {Fixed(f.frame_interval_ms, 1)}));
  return rows;
}

ReportRows RunRows(const ResultRun& run, const RunRecordFigures* record) {
  ReportRows rows;
  rows.emplace_back(ReportText(REPORT_NOOP("Report", "Subject")), TextAsUtf8(run.subject));
  rows.emplace_back(ReportText(REPORT_NOOP("Report", "Start")), RunStartText(run.start));
  if (!run.trials.empty()) {
    rows.emplace_back(ReportText(REPORT_NOOP("Report", "Janken condition")),
                      JankenName(run.trials.front().cond_j));
    rows.emplace_back(ReportText(REPORT_NOOP("Report", "Mirror display at the first pop")),
                      MirrorName(run.trials.front().cond_m));
  }
  if (record == nullptr) {
    rows.emplace_back(ReportText(REPORT_NOOP("Report", "Settings and sensor")),
                      ReportText(REPORT_NOOP("Report", "unknown: no run record (_run.json) for this run")));
    return rows;
  }
  for (const auto& row : record->settings) rows.push_back(row);
  for (const auto& row : record->sensor) rows.push_back(row);
  return rows;
}

// Median of one of the timing file's RTs over the trials after the start
// balloon, where it is known.
std::optional<double> TimingRtMedian(const ResultRun& run, int32_t TimingRow::*rt) {
  std::vector<double> values;
  for (const TimingRow& t : run.timing) {
    if (t.trial > 0 && t.*rt != -1) values.push_back(t.*rt);
  }
  return Quantile(values, 0.5);
}

}  // namespace

std::string ReportPathFor(const std::string& trial_path) {
  return RunFilePath(trial_path, run_file::kReport);
}

std::vector<TrackingPoint> ThinTracking(const std::vector<TrackingPoint>& points, size_t max_points) {
  const size_t every = std::max<size_t>(1, (points.size() + max_points - 1) / std::max<size_t>(1, max_points));
  std::vector<TrackingPoint> out;
  for (size_t i = 0; i < points.size(); ++i) {
    const TrackingPoint& p = points[i];
    const bool changed = i > 0 && (p.bodies != points[i - 1].bodies || p.child != points[i - 1].child ||
                                   p.hand_left != points[i - 1].hand_left ||
                                   p.hand_right != points[i - 1].hand_right);
    if (i % every == 0 || changed) out.push_back(p);
  }
  return out;
}

std::vector<IntervalPoint> ThinIntervals(const std::vector<IntervalPoint>& points, size_t max_points,
                                         double median_ms) {
  const size_t every = std::max<size_t>(1, (points.size() + max_points - 1) / std::max<size_t>(1, max_points));
  std::vector<IntervalPoint> out;
  for (size_t i = 0; i < points.size(); ++i) {
    if (i % every == 0 || points[i].interval_ms > 1.5 * median_ms) out.push_back(points[i]);
  }
  return out;
}

std::vector<HistogramBin> RtHistogram(const std::vector<double>& rts_ms, int max_bins) {
  if (rts_ms.empty()) return {};
  const auto [lo_it, hi_it] = std::minmax_element(rts_ms.begin(), rts_ms.end());
  const auto lo = static_cast<int64_t>(std::floor(*lo_it));
  const auto hi = static_cast<int64_t>(std::floor(*hi_it));
  static constexpr int64_t kWidths[] = {50, 100, 200, 250, 500, 1000, 2000, 5000, 10000, 30000, 60000};
  int64_t width = kWidths[std::size(kWidths) - 1];
  for (const int64_t w : kWidths) {
    if ((hi / w) - (lo / w) + 1 <= max_bins) {
      width = w;
      break;
    }
  }
  while ((hi / width) - (lo / width) + 1 > max_bins) width *= 2;
  const int64_t first = (lo / width) * width;
  std::vector<HistogramBin> bins(static_cast<size_t>((hi / width) - (lo / width) + 1));
  for (size_t i = 0; i < bins.size(); ++i) {
    bins[i].from_ms = static_cast<int32_t>(first + static_cast<int64_t>(i) * width);
    bins[i].to_ms = static_cast<int32_t>(bins[i].from_ms + width);
  }
  for (const double rt : rts_ms) {
    const auto i = static_cast<size_t>((static_cast<int64_t>(std::floor(rt)) - first) / width);
    ++bins[i].count;
  }
  return bins;
}

ReportModel BuildReportModel(const ResultFileSet& set) {
  ReportModel model;
  std::optional<RunRecordFigures> record;
  if (set.run_record) record = ReadRunRecordFigures(set.run_record->text);
  // Files with headers only hold no run; the report then shows the empty run
  // their name tells of.
  std::vector<ResultRun> named(set.runs.empty() ? 1 : 0);
  if (!named.empty()) ParseResultFileName(set.trial_path, &named[0].subject, &named[0].start);
  const std::vector<ResultRun>& runs = set.runs.empty() ? named : set.runs;
  for (size_t i = 0; i < runs.size(); ++i) {
    const ResultRun& run = runs[i];
    const bool last = i + 1 == runs.size();
    const std::optional<RunRecordFigures> run_record = last ? record : std::nullopt;
    RunReport report;
    report.heading = runs.size() > 1
                         ? ReportText(REPORT_NOOP("Report", "%1, %2 (run %3 of %4)"),
                                      {TextAsUtf8(run.subject), RunStartText(run.start),
                                       std::to_string(i + 1), std::to_string(runs.size())})
                         : ReportText(REPORT_NOOP("Report", "%1, %2"),
                                      {TextAsUtf8(run.subject), RunStartText(run.start)});
    report.run_rows = RunRows(run, run_record ? &*run_record : nullptr);
    const auto file_row = [&report](const char* label, const std::string& path) {
      report.file_rows.emplace_back(ReportText(label),
                                    path.empty() ? ReportText(REPORT_NOOP("Report", "none")) : path);
    };
    file_row(REPORT_NOOP("Report", "Trial file"), set.trial_path);
    file_row(REPORT_NOOP("Report", "Body file"), set.body_path);
    file_row(REPORT_NOOP("Report", "Timing file"), set.timing_path);
    file_row(REPORT_NOOP("Report", "Run record"), set.run_record_path);
    report.figures = ComputeRunFigures(run, run_record);
    // What the files lack comes first: the figures below are without it.
    report.figures.warnings.insert(report.figures.warnings.begin(), set.damage.begin(),
                                   set.damage.end());
    report.figure_rows = FigureRows(report.figures);
    if (run_record) report.timing_rows = run_record->timing;
    if (const auto rt_picture = TimingRtMedian(run, &TimingRow::rt_picture)) {
      report.figure_rows.emplace_back(
          ReportText(REPORT_NOOP("Report", "RT from the picture (median)")),
          ReportText(REPORT_NOOP("Report", "%1 ms, to within a camera frame"), {Fixed(*rt_picture)}));
    }
    if (const auto rt_crossing = TimingRtMedian(run, &TimingRow::rt_crossing)) {
      report.figure_rows.emplace_back(
          ReportText(REPORT_NOOP("Report", "RT to the hand's crossing (median)")),
          ReportText(REPORT_NOOP("Report", "%1 ms, between two pictures: RTCrossing of the timing file"),
                     {Fixed(*rt_crossing)}));
    }
    report.rt_series = RtSeriesOf(run);
    report.rt_histogram = RtHistogram(report.figures.rts_ms);
    const LastSamples last_samples = LastSamplesOf(run);
    for (const TrialRecord& r : run.trials) report.hits.push_back(HitOf(r, run, last_samples));
    AddTimeline(run, &report);
    model.runs.push_back(std::move(report));
  }
  return model;
}
