#include "report/run_figures.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "results/run_timeline.h"
#include "state/camera_requirements.h"
#include "state/report_text.h"

namespace {

constexpr int64_t kPauseAfterPopMs = 1000;

// Milliseconds of the run in which body rows could be written: each trial from
// its balloon's placement to its pop, and the last balloon from its placement to
// the end of the run (the last body row, or the time limit when the run ended by it).
double SampledTimeMs(const ResultRun& run, const std::optional<RunRecordFigures>& record) {
  double total = 0;
  int64_t last_pop_clock = 0;  // on the restarted clock
  bool restarted = false;
  for (const TrialRecord& r : run.trials) {
    total += std::max(0, r.rt);
    if (r.trial > 0) {
      restarted = true;
      last_pop_clock = r.totalrt;
    }
  }
  // The balloon up when the run ended.
  const int64_t last_onset = run.trials.empty() ? 0
                             : restarted       ? last_pop_clock + kPauseAfterPopMs
                                               : 0;  // the restart follows the start balloon
  const int32_t last_trial = run.trials.empty() ? 0 : run.trials.back().trial + 1;
  int64_t end = last_onset;
  for (const BodySample& s : run.samples) {
    if (run.trials.empty() || s.trial >= last_trial) end = std::max<int64_t>(end, s.clock);
  }
  if (record && record->end_reason == "time_limit" && record->timelimit_s && !run.trials.empty())
    end = std::max<int64_t>(end, int64_t{*record->timelimit_s} * 1000);
  return total + static_cast<double>(std::max<int64_t>(0, end - last_onset));
}

std::string Seconds(int64_t ms) {
  char text[32];
  std::snprintf(text, sizeof text, "%.0f", static_cast<double>(ms) / 1000.0);
  return text;
}

// A run ended early, said whole with what the record knows: `texts` for the
// duration (%1 s) and the time limit (%2 s) known, the duration alone, the
// limit alone (%1 s), neither.
std::string EndedEarly(const RunRecordFigures& r, const char* const (&texts)[4]) {
  const std::string limit = r.timelimit_s ? std::to_string(*r.timelimit_s) : "";
  if (r.duration_ms) {
    const std::string after = Seconds(*r.duration_ms);
    return r.timelimit_s ? ReportText(texts[0], {after, limit}) : ReportText(texts[1], {after});
  }
  return r.timelimit_s ? ReportText(texts[2], {limit}) : ReportText(texts[3]);
}

// How the run ended, when that was not its time limit.
void AddEndWarnings(const RunRecordFigures& r, std::vector<std::string>* warnings) {
  static const char* const kEscape[4] = {
      REPORT_NOOP("Report", "Ended early with Esc after %1 s (time limit %2 s)."),
      REPORT_NOOP("Report", "Ended early with Esc after %1 s."),
      REPORT_NOOP("Report", "Ended early with Esc (time limit %1 s)."),
      REPORT_NOOP("Report", "Ended early with Esc.")};
  static const char* const kSignal[4] = {
      REPORT_NOOP("Report", "Ended early by a stop signal (logout, shutdown or kill) after %1 s "
                            "(time limit %2 s)."),
      REPORT_NOOP("Report", "Ended early by a stop signal (logout, shutdown or kill) after %1 s."),
      REPORT_NOOP("Report", "Ended early by a stop signal (logout, shutdown or kill) (time limit "
                            "%1 s)."),
      REPORT_NOOP("Report", "Ended early by a stop signal (logout, shutdown or kill).")};
  if (r.end_reason == "escape") warnings->push_back(EndedEarly(r, kEscape));
  if (r.end_reason == "signal") warnings->push_back(EndedEarly(r, kSignal));
  if (r.end_reason == "recovered") {
    warnings->push_back(ReportText(REPORT_NOOP("Report", "The program stopped during the run "
                                                         "(crash or kill); the files were rebuilt "
                                                         "from its journal.")));
  }
  if (!r.sensor_stop_cause.empty()) {
    // The cause and its detail as the record gives them.
    const std::string cause = r.sensor_stop_detail.empty()
                                  ? r.sensor_stop_cause
                                  : r.sensor_stop_cause + ": " + r.sensor_stop_detail;
    warnings->push_back(
        r.sensor_stop_elapsed_ms
            ? ReportText(REPORT_NOOP("Report", "The body sensor stopped %1 s into the run (%2); "
                                               "nothing of the child was recorded after that."),
                         {Seconds(*r.sensor_stop_elapsed_ms), cause})
            : ReportText(REPORT_NOOP("Report", "The body sensor stopped (%1); nothing of the "
                                               "child was recorded after that."),
                         {cause}));
  }
}

std::string Fixed(double value, int decimals) {
  char text[32];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

// The camera check's own limits, applied to the whole run.
void AddCameraWarnings(const RunRecordFigures& r, std::vector<std::string>* warnings) {
  if (r.sensor_backend != "camera") return;
  // A camera that stopped is rated over the time it ran: its stop has its own line.
  const std::optional<int64_t> ran_ms =
      r.sensor_stop_elapsed_ms && r.duration_ms
          ? std::optional<int64_t>(std::min(*r.sensor_stop_elapsed_ms, *r.duration_ms))
          : r.duration_ms;
  if (r.pictures_captured && ran_ms && *ran_ms > 0) {
    const double rate = static_cast<double>(*r.pictures_captured) * 1000.0 / *ran_ms;
    if (rate < kMinPicturesPerSecond) {
      warnings->push_back(ReportText(REPORT_NOOP("Report", "The camera delivered %1 pictures a "
                                                           "second; the camera check asks for at "
                                                           "least %2."),
                                     {Fixed(rate, 1), Fixed(kMinPicturesPerSecond, 0)}));
    }
  }
  if (r.capture_to_hit_test_ms && *r.capture_to_hit_test_ms > kMaxCaptureToBodyMs) {
    warnings->push_back(ReportText(REPORT_NOOP("Report", "Bodies came late: %1 ms on average from "
                                                         "a picture's capture to its hit test; the "
                                                         "camera check accepts up to %2 ms."),
                                   {Fixed(*r.capture_to_hit_test_ms, 0), Fixed(kMaxCaptureToBodyMs, 0)}));
  }
  if (r.share_with_tracked_body && *r.share_with_tracked_body < kMinTrackedShare) {
    warnings->push_back(ReportText(REPORT_NOOP("Report", "A body was tracked in only %1 of the "
                                                         "body frames; the camera check asks for "
                                                         "%2."),
                                   {PercentText(*r.share_with_tracked_body), PercentText(kMinTrackedShare)}));
  }
}

// Why the run is not to be trusted as a child's session; said before the rest.
void AddDistrust(const RunRecordFigures& r, std::vector<std::string>* warnings) {
  if (r.simulated)
    warnings->push_back(ReportText(
        REPORT_NOOP("Report", "Simulated sensor: the bodies are the simulator's, not a child's data.")));
  AddEndWarnings(r, warnings);
  AddCameraWarnings(r, warnings);
}

void AddRecordWarnings(const RunRecordFigures& r, std::vector<std::string>* warnings) {
  for (const std::string& note : r.condition_notes)
    warnings->push_back(ReportText(REPORT_NOOP("Report", "Not run as set: %1."), {note}));
  if (r.pictures_captured && r.pictures_shown && *r.pictures_captured > 0) {
    const int64_t dropped = *r.pictures_captured - *r.pictures_shown;
    const double share = static_cast<double>(dropped) / static_cast<double>(*r.pictures_captured);
    if (share > kDroppedPictureShareWarning) {
      warnings->push_back(ReportText(REPORT_NOOP("Report", "%1 of %2 camera pictures (%3) were "
                                                           "never shown: the computer did not "
                                                           "keep up."),
                                     {std::to_string(dropped), std::to_string(*r.pictures_captured),
                                      PercentText(share)}));
    }
  }
  if (r.frame_interval_median_ms && r.frame_interval_p99_ms && *r.frame_interval_median_ms > 0 &&
      *r.frame_interval_p99_ms > kUnevenFrameIntervalFactor * *r.frame_interval_median_ms) {
    // The share is an argument: a translation checks its % places, not a literal %.
    warnings->push_back(ReportText(REPORT_NOOP("Report", "Frames came unevenly: %1 of the intervals "
                                                         "were longer than %2 ms (median %3 ms); "
                                                         "frames were dropped."),
                                   {PercentText(0.01), Fixed(*r.frame_interval_p99_ms, 0),
                                    Fixed(*r.frame_interval_median_ms, 0)}));
  }
  if (r.session_video) {
    const RunRecordFigures::SessionVideo& v = *r.session_video;
    if (!v.recorded && !v.problem.empty()) {
      warnings->push_back(
          ReportText(REPORT_NOOP("Report", "The session video was not recorded: %1."), {v.problem}));
    } else if (v.recorded && v.frames_dropped && *v.frames_dropped > 0) {
      warnings->push_back(ReportText(REPORT_NOOP("Report", "%1 camera pictures are missing from "
                                                           "the session video: the disk did not "
                                                           "keep up."),
                                     {std::to_string(*v.frames_dropped)}));
    }
    if (v.recorded && !v.problem.empty())
      warnings->push_back(
          ReportText(REPORT_NOOP("Report", "The session video stopped early: %1."), {v.problem}));
  }
}

}  // namespace

std::string RunStartText(const LocalDateTime& t) {
  char text[40];
  std::snprintf(text, sizeof text, "%04d/%02d/%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                t.minute, t.second);
  return text;
}

RunFigures ComputeRunFigures(const ResultRun& run, const std::optional<RunRecordFigures>& record) {
  RunFigures f;
  f.record = record;
  if (record) {
    f.simulated = record->simulated;
    AddDistrust(*record, &f.warnings);
  }
  f.balloons_popped = static_cast<int32_t>(run.trials.size());
  for (const TrialRecord& r : run.trials) {
    if (r.trial > 0) f.rts_ms.push_back(r.rt);
  }
  f.rt_ms = QuartilesOf(f.rts_ms);

  const RunTimeline timeline(run, nullptr);
  for (const RunFrame& frame : timeline.frames()) {
    if (frame.participant) ++f.child_frames;
  }
  f.frame_interval_ms = record && record->frame_interval_median_ms
                            ? *record->frame_interval_median_ms
                            : timeline.MedianFrameIntervalMs();
  if (!run.samples.empty() && f.frame_interval_ms > 0) {
    // At least the frames seen: a body file can hold more than the estimate.
    f.expected_frames = std::max(SampledTimeMs(run, record) / f.frame_interval_ms,
                                 static_cast<double>(timeline.frames().size()));
    if (f.expected_frames > 0)
      f.tracked_share = static_cast<double>(f.child_frames) / f.expected_frames;
  } else if (!run.samples.empty()) {
    f.tracked_share = 1.0;  // a single frame: nothing to compare with
  }

  if (run.samples.empty()) {
    f.warnings.push_back(ReportText(REPORT_NOOP(
        "Report", "No body was tracked at all in this run: nothing was recorded of the child.")));
  } else if (f.tracked_share && *f.tracked_share < kTrackedShareWarning) {
    f.warnings.push_back(ReportText(REPORT_NOOP("Report", "The child was tracked in only %1 of the "
                                                          "frames (below %2): check the camera's "
                                                          "view of the child."),
                                    {PercentText(*f.tracked_share), PercentText(kTrackedShareWarning)}));
  }
  if (f.balloons_popped < 2) {
    f.warnings.push_back(ReportText(REPORT_NOOP(
        "Report", "No balloon was popped after the start balloon: there are no reaction times.")));
  }
  if (record) AddRecordWarnings(*record, &f.warnings);
  return f;
}
