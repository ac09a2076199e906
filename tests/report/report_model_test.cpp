// The figures of the run summary and the data behind each plot of the report,
// on a scripted run written and read back through the result files.

#include <gtest/gtest.h>

#include <fstream>

#include "results/timing_format.h"

#include <algorithm>
#include <fstream>

#include "report/plot_points.h"
#include "report/quartiles.h"
#include "report/report_model.h"
#include "report/run_summary.h"
#include "scripted_run.h"

namespace report_test {
namespace {

bool Always(int32_t, int32_t) { return true; }

bool Contains(const std::vector<std::string>& lines, const std::string& part) {
  for (const std::string& l : lines)
    if (l.find(part) != std::string::npos) return true;
  return false;
}

bool has(const ReportRows& rows, const std::string& key, const std::string& value) {
  return std::find(rows.begin(), rows.end(), std::make_pair(key, value)) != rows.end();
}

std::vector<std::string> Texts(const RunSummary& s, bool warnings) {
  std::vector<std::string> out;
  for (const SummaryLine& l : s.lines)
    if (l.warning == warnings) out.push_back(l.text);
  return out;
}

TEST(Quartiles, AsRComputesThem) {
  const auto q = QuartilesOf({3000, 800, 1200, 1000});
  ASSERT_TRUE(q);
  EXPECT_DOUBLE_EQ(q->q1, 950);
  EXPECT_DOUBLE_EQ(q->median, 1100);
  EXPECT_DOUBLE_EQ(q->q3, 1650);
  EXPECT_DOUBLE_EQ(QuartilesOf({42})->iqr(), 0);
  EXPECT_FALSE(QuartilesOf({}));
}

using SummaryTest = ScratchDir;

TEST_F(SummaryTest, FiguresOfAScriptedRunWithItsRunRecord) {
  std::vector<TrialRecord> trials;
  std::vector<BodySample> samples;
  const std::string trial_path = WriteRun(ScriptedRun(&trials, &samples, Always), kRunRecord);
  const ResultFileSet set = Read(trial_path);
  const RunSummary s = SummarizeLastRun(set, "/data/P01_20261210_101500_report.pdf", "");

  const RunFigures& f = s.figures;
  EXPECT_EQ(f.balloons_popped, 5);
  EXPECT_EQ(f.rts_ms, (std::vector<double>{800, 1000, 1200, 3000}));
  ASSERT_TRUE(f.rt_ms);
  EXPECT_DOUBLE_EQ(f.rt_ms->median, 1100);
  EXPECT_DOUBLE_EQ(f.rt_ms->iqr(), 700);
  EXPECT_EQ(f.child_frames, 75);
  EXPECT_DOUBLE_EQ(f.expected_frames, 75);  // 7500 ms sampled at 100 ms
  ASSERT_TRUE(f.tracked_share);
  EXPECT_DOUBLE_EQ(*f.tracked_share, 1.0);

  EXPECT_EQ(s.files, (std::vector<std::string>{trial_path, set.body_path, set.timing_path,
                                               set.run_record_path,
                                               "/data/P01_20261210_101500_report.pdf"}));
  const auto lines = Texts(s, false);
  EXPECT_TRUE(Contains(lines, "Files: " + trial_path));
  EXPECT_TRUE(Contains(lines, "Balloons popped: 5"));
  EXPECT_TRUE(Contains(lines, "RT median 1100 ms, IQR 700 ms (950 to 1650 ms), 4 trials"));
  EXPECT_TRUE(Contains(lines, "Child tracked in 100 % of the frames"));
  EXPECT_TRUE(Contains(lines, "shown / captured: 290 / 300"));
  EXPECT_TRUE(Contains(lines, "Hands of the body that popped most balloons tracked: left 80 %, right 96 % of its 90 "
                              "frames; a body tracked in 97 % of the body frames"));
  EXPECT_TRUE(Contains(lines, "Session video: /data/P01_20261210_101500_V.avi (frames written / "
                              "dropped: 300 / 0)"));
  // The simulator's bodies first; 10 of 300 pictures not shown is above the 2 %
  // the summary lets pass.
  const auto warnings = Texts(s, true);
  ASSERT_EQ(warnings.size(), 2u) << SummaryText(s);
  EXPECT_TRUE(Contains(warnings, "Simulated sensor"));
  EXPECT_TRUE(Contains(warnings, "10 of 300 camera pictures (3 %) were never shown"));
  EXPECT_NE(SummaryText(s).find("WARNING: 10 of 300"), std::string::npos);
}

TEST_F(SummaryTest, WarningsThatSayARunShouldNotBeTrusted) {
  struct Case {
    const char* name;
    std::function<bool(int32_t, int32_t)> child_in;
    const char* run_record;
    std::vector<std::string> expected;  // parts of the warnings, in order
  };
  const std::string sound_record = R"({"frames": {"pictures_captured": 300, "pictures_shown": 299,
      "frame_interval_ms": {"median": 100, "p99": 110}}})";
  const std::string uneven_record = R"({"frames": {"pictures_captured": 300, "pictures_shown": 300,
      "frame_interval_ms": {"median": 100, "p99": 300}}})";
  const std::string video_dropped = R"({"session_video": {"recorded": true, "video": "v.avi",
      "frames_written": 280, "frames_dropped": 20, "problem": ""}})";
  const std::string video_cut = R"({"session_video": {"recorded": true, "video": "v.avi",
      "frames_written": 100, "frames_dropped": 0, "problem": "v.avi: No space left on device"}})";
  const std::string video_failed = R"({"session_video": {"recorded": false, "video": null,
      "problem": "no folder can take the video"}})";
  const std::string video_off = R"({"session_video": {"recorded": false}})";
  const std::string escaped = R"({"settings": {"timelimit": 60},
      "end": {"reason": "escape", "duration_ms": 23400}})";
  const std::string signalled = R"({"end": {"reason": "signal", "duration_ms": 5000}})";
  const std::string recovered = R"({"end": {"reason": "recovered", "duration_ms": 5000}})";
  const std::string sensor_stopped = R"({"sensor_stop": {"cause": "no frames",
      "run_elapsed_ms": 12000, "detail": "the video file a.mp4 ended"}})";
  const std::string simulated = R"({"simulated": true, "sensor": {"backend": "sim"}})";
  const std::string old_simulated = R"({"sensor": {"backend": "sim"}})";
  // 150 pictures in 10 s, bodies 210 ms after their pictures, a body in 70 % of the frames.
  const std::string poor_camera = R"({"sensor": {"backend": "camera"},
      "end": {"reason": "time_limit", "duration_ms": 10000},
      "frames": {"pictures_captured": 150, "pictures_shown": 150},
      "latency_ms": {"capture_to_hit_test": {"mean": 210}},
      "tracking": {"share_with_tracked_body": 0.7}})";
  const std::string sound_camera = R"({"sensor": {"backend": "camera"},
      "end": {"reason": "time_limit", "duration_ms": 10000},
      "frames": {"pictures_captured": 300, "pictures_shown": 300},
      "latency_ms": {"capture_to_hit_test": {"mean": 60}},
      "tracking": {"share_with_tracked_body": 0.95}})";
  // 30 pictures a second until the camera stopped 10 s into a 31 s run.
  const std::string stopped_camera = R"({"sensor": {"backend": "camera"},
      "end": {"reason": "time_limit", "duration_ms": 31000},
      "frames": {"pictures_captured": 300, "pictures_shown": 300},
      "sensor_stop": {"cause": "no frames", "run_elapsed_ms": 10000, "detail": "unplugged"},
      "latency_ms": {"capture_to_hit_test": {"mean": 60}},
      "tracking": {"share_with_tracked_body": 0.95}})";
  const Case cases[] = {
      {"sound run", Always, sound_record.c_str(), {}},
      {"video frames dropped", Always, video_dropped.c_str(),
       {"20 camera pictures are missing from the session video"}},
      {"video cut short", Always, video_cut.c_str(),
       {"The session video stopped early: v.avi: No space left on device."}},
      {"video never started", Always, video_failed.c_str(),
       {"The session video was not recorded: no folder can take the video."}},
      {"video off", Always, video_off.c_str(), {}},
      // The child gone for the whole last trial but its pop frame: 46 of 75 frames.
      {"child lost", [](int32_t trial, int32_t) { return trial != 4; }, sound_record.c_str(),
       {"The child was tracked in only 61 % of the frames (below 80 %)"}},
      {"uneven frames", Always, uneven_record.c_str(),
       {"1 % of the intervals were longer than 300 ms (median 100 ms); frames were dropped"}},
      {"no run record", Always, nullptr, {}},
      {"ended by Esc", Always, escaped.c_str(), {"Ended early with Esc after 23 s (time limit 60 s)."}},
      {"ended by a signal", Always, signalled.c_str(),
       {"Ended early by a stop signal (logout, shutdown or kill) after 5 s."}},
      {"recovered after a crash", Always, recovered.c_str(),
       {"The program stopped during the run (crash or kill)"}},
      {"sensor stopped", Always, sensor_stopped.c_str(),
       {"The body sensor stopped 12 s into the run (no frames: the video file a.mp4 ended); "
        "nothing of the child was recorded after that."}},
      {"simulated sensor", Always, simulated.c_str(),
       {"Simulated sensor: the bodies are the simulator's, not a child's data."}},
      {"simulated sensor, older record", Always, old_simulated.c_str(), {"Simulated sensor"}},
      {"camera the check would refuse", Always, poor_camera.c_str(),
       {"The camera delivered 15.0 pictures a second; the camera check asks for at least 20.",
        "Bodies came late: 210 ms on average from a picture's capture to its hit test; the "
        "camera check accepts up to 150 ms.",
        "A body was tracked in only 70 % of the body frames; the camera check asks for 80 %."}},
      {"camera the check would accept", Always, sound_camera.c_str(), {}},
      // Its rate is that of the time it ran, not of the run after it stopped.
      {"camera that stopped", Always, stopped_camera.c_str(), {"The body sensor stopped 10 s"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    std::vector<TrialRecord> trials;
    std::vector<BodySample> samples;
    const RunSummary s =
        SummarizeLastRun(Read(WriteRun(ScriptedRun(&trials, &samples, c.child_in), c.run_record)),
                         "r.pdf", "");
    const auto warnings = Texts(s, true);
    ASSERT_EQ(warnings.size(), c.expected.size()) << SummaryText(s);
    for (size_t i = 0; i < warnings.size(); ++i)
      EXPECT_NE(warnings[i].find(c.expected[i]), std::string::npos) << warnings[i];
    // Right under the first line, before the files and figures.
    if (!warnings.empty()) EXPECT_TRUE(s.lines.at(1).warning) << SummaryText(s);
    EXPECT_EQ(s.lines[0].text.starts_with("Last run (simulated sensor, not a child's data): P01"),
              c.run_record == simulated.c_str() || c.run_record == old_simulated.c_str())
        << s.lines[0].text;
    if (c.run_record == nullptr) {
      EXPECT_TRUE(Contains(Texts(s, false), "pictures shown / captured: unknown (no run record)"));
    }
    // Only a recorded video gets its line.
    EXPECT_EQ(Contains(Texts(s, false), "Session video: v.avi"),
              c.run_record == video_dropped.c_str() || c.run_record == video_cut.c_str());
  }
}

TEST_F(SummaryTest, ARunWithoutBodiesOrPopsIsFlagged) {
  const RunResults empty{"P01", kStart, {}, {}};
  const RunSummary s = SummarizeLastRun(Read(WriteRun(empty)), "", "the folder is read-only");
  const auto warnings = Texts(s, true);
  ASSERT_EQ(warnings.size(), 3u) << SummaryText(s);
  EXPECT_EQ(warnings[0], "No report was written: the folder is read-only");
  EXPECT_NE(warnings[1].find("No body was tracked at all"), std::string::npos);
  EXPECT_NE(warnings[2].find("No balloon was popped after the start balloon"), std::string::npos);
  EXPECT_TRUE(Contains(Texts(s, false), "Balloons popped: 0"));
}

// Files cut off while they were written: the summary and the report say what
// is missing before any figure, and the figures are of the whole rows only.
TEST_F(SummaryTest, WhatTheFilesLackIsSaidBeforeTheFigures) {
  std::vector<TrialRecord> trials;
  std::vector<BodySample> samples;
  const std::string trial_path = WriteRun(ScriptedRun(&trials, &samples, Always), kRunRecord);
  const std::string stem = trial_path.substr(0, trial_path.size() - 4);
  const auto cut = [](const std::string& path, size_t bytes) {
    fs::resize_file(path, fs::file_size(path) - bytes);
  };
  cut(stem + "_B.csv", 5);  // inside the last sample's last joint
  cut(stem + "_T.csv", 4);  // inside the last trial's RTPicture
  const ResultFileSet set = Read(trial_path);
  ASSERT_EQ(set.damage.size(), 3u) << testing::PrintToString(set.damage);
  ASSERT_EQ(set.runs.size(), 1u);
  EXPECT_EQ(set.runs[0].samples.size(), samples.size() - 1);

  const RunSummary s = SummarizeLastRun(set, "/data/r.pdf", "");
  const auto warnings = Texts(s, true);
  ASSERT_GE(warnings.size(), 3u) << SummaryText(s);
  for (size_t i = 0; i < 3; ++i) EXPECT_EQ(warnings[i], set.damage[i]);
  EXPECT_NE(warnings[0].find("_B.csv: line"), std::string::npos) << warnings[0];
  EXPECT_NE(warnings[2].find("_T.csv: no timing row for trial 4 "), std::string::npos)
      << warnings[2];
  EXPECT_FALSE(Contains(Texts(s, false), "No figure speaks against this run"));

  const ReportModel model = BuildReportModel(set);
  ASSERT_EQ(model.runs.size(), 1u);
  const std::vector<std::string>& shown = model.runs[0].figures.warnings;
  ASSERT_GE(shown.size(), 3u);
  EXPECT_TRUE(std::equal(set.damage.begin(), set.damage.end(), shown.begin()));
}

using ReportModelTest = ScratchDir;

TEST_F(ReportModelTest, EachPlotGetsItsTrialsAndValues) {
  std::vector<TrialRecord> trials;
  std::vector<BodySample> samples;
  const std::string trial_path = WriteRun(ScriptedRun(&trials, &samples, Always), kRunRecord);
  EXPECT_EQ(ReportPathFor(trial_path),
            trial_path.substr(0, trial_path.size() - 4) + "_report.pdf");
  const ReportModel model = BuildReportModel(Read(trial_path));
  ASSERT_EQ(model.runs.size(), 1u);
  const RunReport& r = model.runs[0];
  EXPECT_EQ(r.heading, "P01, 2026/12/10 10:15:00");

  // RT per trial: the start balloon left out, one series per janken / mirror condition.
  ASSERT_EQ(r.rt_series.size(), 2u);
  EXPECT_EQ(r.rt_series[0].name, "no janken, mirror off");
  EXPECT_EQ(r.rt_series[1].name, "no janken, mirror on");
  ASSERT_EQ(r.rt_series[0].points.size(), 2u);
  EXPECT_EQ(r.rt_series[0].points[0].trial, 3);
  EXPECT_EQ(r.rt_series[0].points[1].rt_ms, 3000);
  ASSERT_EQ(r.rt_series[1].points.size(), 2u);
  EXPECT_EQ(r.rt_series[1].points[0].trial, 1);
  EXPECT_EQ(r.rt_series[1].points[0].rt_ms, 800);

  // Distribution: 800..3000 ms in 200 ms bins (100 ms would need 23).
  ASSERT_FALSE(r.rt_histogram.empty());
  EXPECT_EQ(r.rt_histogram.front().from_ms, 800);
  EXPECT_EQ(r.rt_histogram.front().to_ms - r.rt_histogram.front().from_ms, 200);
  EXPECT_EQ(r.rt_histogram.back().from_ms, 3000);
  int total = 0;
  for (const HistogramBin& b : r.rt_histogram) total += b.count;
  EXPECT_EQ(total, 4);
  EXPECT_EQ(r.rt_histogram[1].count, 1);  // 1000 ms

  // Hit map: every balloon, with the site that popped it where the hit test saw it.
  ASSERT_EQ(r.hits.size(), 5u);
  EXPECT_EQ(r.hits[0].trial, 0);
  EXPECT_EQ(r.hits[0].target_x, 100);
  EXPECT_EQ(r.hits[0].site, "Hand_R");
  EXPECT_TRUE(r.hits[0].site_known);
  EXPECT_EQ(r.hits[0].site_x, 160);
  EXPECT_EQ(r.hits[1].site_x, 151);  // Hand_L of trial 1
  EXPECT_EQ(r.hits[1].site_y, 250);
  EXPECT_EQ(r.hits[2].site, "Head");  // from the child's row of the pop, not the parent's
  EXPECT_EQ(r.hits[2].site_x, 412);
  EXPECT_EQ(r.hits[2].site_y, 120);

  // Tracking over time: one point per frame on one time axis; intervals only within a trial.
  ASSERT_EQ(r.tracking.size(), 75u);
  EXPECT_DOUBLE_EQ(r.tracking[0].time_s, 0.1);
  EXPECT_DOUBLE_EQ(r.tracking[15].time_s, 2.6);  // trial 1 after the start pop + 1 s pause
  EXPECT_EQ(r.tracking[23].bodies, 2);           // trial 2: the parent in view
  EXPECT_TRUE(r.tracking[23].child && r.tracking[23].hand_left && r.tracking[23].hand_right);
  EXPECT_EQ(r.intervals.size(), 70u);
  for (const IntervalPoint& p : r.intervals) EXPECT_DOUBLE_EQ(p.interval_ms, 100);

  // The run record's figures, as they stand in the file.
  const ReportRows& t = r.timing_rows;
  // The run record's figures under plain labels, with units.
  EXPECT_TRUE(has(t, "Picture capture to hit test", "mean 41.5 ms, SD 3.2 ms, 99th percentile 60.0 ms"))
      << testing::PrintToString(t);
  EXPECT_TRUE(has(t, "Camera pictures", "300 captured, 290 shown"));
  EXPECT_TRUE(has(t, "Run ended", "at the time limit, after 11.5 s"));
  EXPECT_TRUE(has(t, "Camera frame interval", "median 100.0 ms, 99th percentile 120.0 ms"));
  for (const auto& [key, value] : t) EXPECT_EQ(key.find('.'), std::string::npos) << key;
  // Tracking and the session video under plain labels, not as keys.
  EXPECT_TRUE(has(t, "Body frames with any body tracked", "97 % of 115"));
  EXPECT_TRUE(has(t, "Body that popped most balloons", "body 7, in 90 body frames (whole run)"));
  EXPECT_TRUE(has(t, "Its left hand tracked", "80 % of its frames"));
  EXPECT_TRUE(has(t, "Its right hand tracked", "96 % of its frames"));
  EXPECT_TRUE(has(t, "Session video", "/data/P01_20261210_101500_V.avi"));
  EXPECT_TRUE(has(t, "Session video frames", "300 written, 0 dropped"));
  for (const auto& [key, value] : t) EXPECT_FALSE(key.starts_with("tracking.")) << key;
  EXPECT_TRUE(has(r.run_rows, "settings.timelimit", "10"));
  EXPECT_TRUE(has(r.run_rows, "sensor.backend", "sim"));
  EXPECT_TRUE(has(r.figure_rows, "RT median", "1100 ms"));
}

// The 1 s after each pop is a pause, not a loss of tracking; frames the camera
// took without a tracked body (no row in the body file) are on the 0 lane.
TEST_F(ReportModelTest, PausesAfterPopsAndFramesWithoutABody) {
  std::vector<TrialRecord> trials;
  std::vector<BodySample> samples;
  // Trial 1 (clock 100..800 at 2.5 s + clock): no body at clocks 300, 400 and 500.
  const auto away = [](int32_t trial, int32_t clock) {
    return !(trial == 1 && clock >= 300 && clock <= 500);
  };
  const RunReport r =
      BuildReportModel(Read(WriteRun(ScriptedRun(&trials, &samples, away), kRunRecord))).runs[0];

  // Pops at 1.5 s (start balloon, its own clock) and 2.5 s + 0.8, 2.8, 5.0, 9.0 s.
  const double pops[] = {1.5, 3.3, 5.3, 7.5, 11.5};
  ASSERT_EQ(r.pauses.size(), std::size(pops));
  for (size_t i = 0; i < std::size(pops); ++i) {
    EXPECT_NEAR(r.pauses[i].from_s, pops[i], 1e-9) << i;
    EXPECT_NEAR(r.pauses[i].to_s, pops[i] + 1.0, 1e-9) << i;
  }

  std::vector<double> without_body;
  for (const TrackingPoint& p : r.tracking) {
    if (p.bodies == 0) {
      without_body.push_back(p.time_s);
      EXPECT_FALSE(p.child || p.hand_left || p.hand_right);
    }
  }
  // Only the three frames of trial 1: the gaps over the pauses are the pauses.
  ASSERT_EQ(without_body.size(), 3u) << testing::PrintToString(without_body);
  EXPECT_NEAR(without_body[0], 2.8, 1e-9);
  EXPECT_NEAR(without_body[2], 3.0, 1e-9);
  for (size_t i = 1; i < r.tracking.size(); ++i)
    EXPECT_LT(r.tracking[i - 1].time_s, r.tracking[i].time_s) << i;
}

// The RTs the timing file adds, and placement to screen, on page 1.
TEST_F(ReportModelTest, TimingFileRtsAndPlacementToScreen) {
  std::vector<TrialRecord> trials;
  std::vector<BodySample> samples;
  std::string record = kRunRecord;
  record.replace(record.find(R"("latency_ms": {)"), 15,
                 R"("latency_ms": {"onset_to_shown": {"trials": 4, "mean": 21.0, "sd": 4.0,
                    "p99": 33.0, "max": 33.0}, )");
  const std::string trial_path = WriteRun(ScriptedRun(&trials, &samples, Always), record.c_str());
  // Trial 0 is left out of both medians; trial 4's crossing is unknown.
  std::string timing(kTimingFileHeader);
  const int32_t picture_rt[] = {50, 790, 990, 1390, 2990}, crossing_rt[] = {40, 770, 975, -5, -1};
  for (size_t k = 0; k < trials.size(); ++k) {
    const int32_t shown = 20, hit = shown + picture_rt[k];
    timing += std::to_string(k) + ",0," + std::to_string(shown) + "," + std::to_string(hit) + "," +
              std::to_string(trials[k].totalrt) + "," + std::to_string(trials[k].rt) + "," +
              std::to_string(picture_rt[k]) + "," +
              (crossing_rt[k] == -1 ? "-1,-1" : std::to_string(shown + crossing_rt[k]) + "," +
                                                    std::to_string(crossing_rt[k])) +
              "\r\n";
  }
  std::ofstream(trial_path.substr(0, trial_path.size() - 4) + "_T.csv", std::ios::trunc) << timing;
  const ReportModel model = BuildReportModel(Read(trial_path));
  ASSERT_EQ(model.runs.size(), 1u);
  const RunReport& r = model.runs[0];
  EXPECT_TRUE(has(r.figure_rows, "RT from the picture (median)", "1190 ms, to within a camera frame"))
      << testing::PrintToString(r.figure_rows);
  EXPECT_TRUE(has(r.figure_rows, "RT to the hand's crossing (median)",
                  "770 ms, between two pictures: RTCrossing of the timing file"))
      << testing::PrintToString(r.figure_rows);
  EXPECT_TRUE(has(r.timing_rows, "Balloon placed to shown",
                  "mean 21.0 ms, SD 4.0 ms, 99th percentile 33.0 ms (4 trials)"))
      << testing::PrintToString(r.timing_rows);
}

// janken 5 from Tavelin2.ini: the trial file keeps 5, the run was late janken,
// and the report and the summary say both.
TEST_F(ReportModelTest, AJankenValueOutsideItsRangeIsNamedAsTheRunRanIt) {
  std::vector<TrialRecord> trials;
  std::vector<BodySample> samples;
  RunResults run = ScriptedRun(&trials, &samples, Always);
  for (TrialRecord& t : trials) t.cond_j = 5;
  const std::string record = R"({"settings": {"janken": 5}, "as_run": {"janken": "late",
      "notes": ["janken 5: runs as late janken (後出しじゃんけん), recorded as 5"]}})";
  const ResultFileSet set = Read(WriteRun(run, record.c_str()));
  const ReportModel model = BuildReportModel(set);
  ASSERT_EQ(model.runs.size(), 1u);
  const RunReport& r = model.runs[0];
  ASSERT_EQ(r.rt_series.size(), 2u);
  EXPECT_EQ(r.rt_series[0].name, "janken late (recorded as 5), mirror off");
  EXPECT_TRUE(has(r.run_rows, "Janken condition", "janken late (recorded as 5)"));
  EXPECT_TRUE(has(r.run_rows, "as_run.janken", "late"));
  const std::string note = "Not run as set: janken 5: runs as late janken (後出しじゃんけん), recorded as 5.";
  EXPECT_TRUE(Contains(r.figures.warnings, note));

  const RunSummary s = SummarizeLastRun(set, "r.pdf", "");
  EXPECT_TRUE(Contains(Texts(s, true), note)) << SummaryText(s);
  EXPECT_FALSE(Contains(Texts(s, false), "No figure speaks against this run"));
}

// A record value that is blank (a video file has no camera card) or an empty
// list is said as such, not left as a blank cell.
TEST_F(ReportModelTest, BlankRecordValuesAreNamed) {
  std::vector<TrialRecord> trials;
  std::vector<BodySample> samples;
  const RunResults run = ScriptedRun(&trials, &samples, Always);
  const std::string record = R"({"as_run": {"janken": "late", "notes": []},
      "sensor": {"backend": "camera", "camera": {"card": ""}}})";
  const ReportModel model = BuildReportModel(Read(WriteRun(run, record.c_str())));
  ASSERT_EQ(model.runs.size(), 1u);
  const RunReport& r = model.runs[0];
  EXPECT_TRUE(has(r.run_rows, "sensor.camera.card", "(empty)"));
  EXPECT_TRUE(has(r.run_rows, "as_run.notes", "(none)"));
  EXPECT_TRUE(has(r.run_rows, "sensor.backend", "camera"));
}

TEST_F(ReportModelTest, HitSitesThatCannotBePlacedAndAppendedRuns) {
  std::vector<TrialRecord> trials;
  std::vector<BodySample> samples;
  RunResults run = ScriptedRun(&trials, &samples, Always);
  trials[1].hand_lx = -1, trials[1].hand_ly = -1;  // popped, then lost in the same frame
  trials[2].bodyid = 12345;                        // a body without rows
  trials[3].hand_rx = 961, trials[3].hand_ry = -1; // mirror off: untracked limb
  // The first run keeps its own record ("_run.json"); the second, appended in
  // the same second, gets "_run-2.json", here with the known figures.
  const std::string trial_path = WriteRunResults(run, {dir_.string(), {}}, nullptr).trial.path;
  WriteRun(run, kRunRecord);
  const ResultFileSet set = Read(trial_path);
  EXPECT_TRUE(set.run_record_path.ends_with("_run-2.json")) << set.run_record_path;
  const ReportModel model = BuildReportModel(set);
  ASSERT_EQ(model.runs.size(), 2u);
  EXPECT_EQ(model.runs[0].heading, "P01, 2026/12/10 10:15:00 (run 1 of 2)");
  for (int t : {1, 2, 3}) EXPECT_FALSE(model.runs[1].hits[t].site_known) << "trial " << t;
  EXPECT_TRUE(model.runs[1].hits[4].site_known);
  // The run record belongs to the last run only.
  EXPECT_TRUE(model.runs[0].timing_rows.empty());
  const ReportRows& t = model.runs[1].timing_rows;
  EXPECT_TRUE(has(t, "Camera pictures", "300 captured, 290 shown"));
}

TEST(RtHistogram, BinWidthsAndEdges) {
  struct Case {
    std::vector<double> rts;
    int32_t first_from, width;
    size_t bins;
  };
  const Case cases[] = {
      {{812}, 800, 50, 1},
      {{400, 449, 450}, 400, 50, 2},
      {{300, 5300}, 0, 500, 11},        // 250 ms would need 22 bins
      {{100, 400000}, 0, 30000, 14},
  };
  for (const Case& c : cases) {
    const auto bins = RtHistogram(c.rts);
    ASSERT_EQ(bins.size(), c.bins);
    EXPECT_EQ(bins.front().from_ms, c.first_from);
    EXPECT_EQ(bins.front().to_ms - bins.front().from_ms, c.width);
    int total = 0;
    for (const HistogramBin& b : bins) total += b.count;
    EXPECT_EQ(total, static_cast<int>(c.rts.size()));
  }
  EXPECT_TRUE(RtHistogram({}).empty());
}

}  // namespace
}  // namespace report_test

namespace report_test {
namespace {

// A long run's RT plot and hit map: a bounded number of markers, with every
// column's fastest and slowest trial and every occupied cell of the picture.
TEST(ThinForDrawing, LongRunsKeepTheirOutliersAndEveryPlaceHit) {
  std::vector<RtPoint> points;
  for (int32_t t = 1; t <= 400000; ++t) points.push_back({t, 800 + static_cast<int32_t>(int64_t{t} * 7919 % 400), 1, 1});
  points[4999].rt_ms = 60000;  // one slow trial
  points[77776].rt_ms = 1;     // one fast trial
  const std::vector<RtPoint> thin = ThinRtPoints(points, 1000);
  EXPECT_LE(thin.size(), 2000u);
  EXPECT_GE(thin.size(), 1000u);
  EXPECT_TRUE(std::is_sorted(thin.begin(), thin.end(),
                             [](const RtPoint& a, const RtPoint& b) { return a.trial < b.trial; }));
  const auto has = [&](int32_t trial, int32_t rt) {
    return std::any_of(thin.begin(), thin.end(),
                       [&](const RtPoint& p) { return p.trial == trial && p.rt_ms == rt; });
  };
  EXPECT_TRUE(has(5000, 60000));
  EXPECT_TRUE(has(77777, 1));
  EXPECT_TRUE(has(400000, points.back().rt_ms) || thin.back().trial > 399000);
  const std::vector<RtPoint> few(points.begin(), points.begin() + 2000);
  EXPECT_EQ(ThinRtPoints(few, 1000).size(), 2000u);  // short runs: every trial

  std::vector<PicturePoint> hits;
  for (int k = 0; k < 300000; ++k) hits.push_back({(k * 37) % 960, (k * 101) % 540});
  hits.push_back({-1, -1});  // off the picture, left of 0: a cell of its own
  const std::vector<PicturePoint> cells = OnePointPerCell(hits, 4);
  EXPECT_LE(cells.size(), 240u * 135u + 1);
  EXPECT_EQ(cells.back().x, -1);
  std::vector<std::vector<bool>> covered(240, std::vector<bool>(135, false));
  for (const PicturePoint& p : cells)
    if (p.x >= 0) covered[size_t(p.x / 4)][size_t(p.y / 4)] = true;
  for (const PicturePoint& p : hits)
    if (p.x >= 0) EXPECT_TRUE(covered[size_t(p.x / 4)][size_t(p.y / 4)]) << p.x << "," << p.y;
}

TEST(ThinForDrawing, KeepsEveryChangeAndEveryLongInterval) {
  std::vector<TrackingPoint> frames(10000);
  std::vector<IntervalPoint> intervals(10000);
  for (size_t i = 0; i < frames.size(); ++i) {
    frames[i] = {i * 0.033, 1, true, true, true};
    intervals[i] = {i * 0.033, 33};
  }
  frames[4321].hand_left = false;  // one frame without the left hand
  frames[7000].bodies = 2;         // a parent passing by
  intervals[5555].interval_ms = 120;
  const auto thin = ThinTracking(frames, 1000);
  EXPECT_LE(thin.size(), 1000u + 4);
  EXPECT_TRUE(std::any_of(thin.begin(), thin.end(), [](const TrackingPoint& p) { return !p.hand_left; }));
  EXPECT_TRUE(std::any_of(thin.begin(), thin.end(), [](const TrackingPoint& p) { return p.bodies == 2; }));
  const auto thin_intervals = ThinIntervals(intervals, 1000, 33);
  EXPECT_LE(thin_intervals.size(), 1001u);
  EXPECT_TRUE(std::any_of(thin_intervals.begin(), thin_intervals.end(),
                          [](const IntervalPoint& p) { return p.interval_ms == 120; }));
  EXPECT_EQ(ThinTracking(std::vector<TrackingPoint>(5), 1000).size(), 5u);
}

}  // namespace
}  // namespace report_test
