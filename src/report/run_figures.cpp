#include "report/run_figures.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "results/run_timeline.h"
#include "state/camera_requirements.h"

namespace {

constexpr int64_t kPauseAfterPopMs = 1000;

std::string Percent(double share) {
  char text[16];
  std::snprintf(text, sizeof text, "%.0f %%", share * 100);
  return text;
}

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
  std::snprintf(text, sizeof text, "%.0f s", static_cast<double>(ms) / 1000.0);
  return text;
}

// How the run ended, when that was not its time limit.
void AddEndWarnings(const RunRecordFigures& r, std::vector<std::string>* warnings) {
  const std::string after = r.duration_ms ? " after " + Seconds(*r.duration_ms) : "";
  const std::string limit =
      r.timelimit_s ? " (time limit " + std::to_string(*r.timelimit_s) + " s)" : "";
  if (r.end_reason == "escape") warnings->push_back("Ended early with Esc" + after + limit + ".");
  if (r.end_reason == "signal") {
    warnings->push_back("Ended early by a stop signal (logout, shutdown or kill)" + after + limit +
                        ".");
  }
  if (r.end_reason == "recovered") {
    warnings->push_back("The program stopped during the run (crash or kill); the files were "
                        "rebuilt from its journal.");
  }
  if (!r.sensor_stop_cause.empty()) {
    std::string text = "The body sensor stopped";
    if (r.sensor_stop_elapsed_ms) text += " " + Seconds(*r.sensor_stop_elapsed_ms) + " into the run";
    text += " (" + r.sensor_stop_cause;
    if (!r.sensor_stop_detail.empty()) text += ": " + r.sensor_stop_detail;
    warnings->push_back(text + "); nothing of the child was recorded after that.");
  }
}

// The camera check's own limits, applied to the whole run.
void AddCameraWarnings(const RunRecordFigures& r, std::vector<std::string>* warnings) {
  if (r.sensor_backend != "camera") return;
  char text[200];
  if (r.pictures_captured && r.duration_ms && *r.duration_ms > 0) {
    const double rate = static_cast<double>(*r.pictures_captured) * 1000.0 / *r.duration_ms;
    if (rate < kMinPicturesPerSecond) {
      std::snprintf(text, sizeof text,
                    "The camera delivered %.1f pictures a second; the camera check asks for at "
                    "least %.0f.",
                    rate, kMinPicturesPerSecond);
      warnings->push_back(text);
    }
  }
  if (r.capture_to_hit_test_ms && *r.capture_to_hit_test_ms > kMaxCaptureToBodyMs) {
    std::snprintf(text, sizeof text,
                  "Bodies came late: %.0f ms on average from a picture's capture to its hit test; "
                  "the camera check accepts up to %.0f ms.",
                  *r.capture_to_hit_test_ms, kMaxCaptureToBodyMs);
    warnings->push_back(text);
  }
  if (r.share_with_tracked_body && *r.share_with_tracked_body < kMinTrackedShare) {
    warnings->push_back("A body was tracked in only " + Percent(*r.share_with_tracked_body) +
                        " of the body frames; the camera check asks for " +
                        Percent(kMinTrackedShare) + ".");
  }
}

// Why the run is not to be trusted as a child's session; said before the rest.
void AddDistrust(const RunRecordFigures& r, std::vector<std::string>* warnings) {
  if (r.simulated)
    warnings->push_back("Simulated sensor: the bodies are the simulator's, not a child's data.");
  AddEndWarnings(r, warnings);
  AddCameraWarnings(r, warnings);
}

void AddRecordWarnings(const RunRecordFigures& r, std::vector<std::string>* warnings) {
  for (const std::string& note : r.condition_notes)
    warnings->push_back("Not run as set: " + note + ".");
  if (r.pictures_captured && r.pictures_shown && *r.pictures_captured > 0) {
    const int64_t dropped = *r.pictures_captured - *r.pictures_shown;
    const double share = static_cast<double>(dropped) / static_cast<double>(*r.pictures_captured);
    if (share > kDroppedPictureShareWarning) {
      warnings->push_back(std::to_string(dropped) + " of " + std::to_string(*r.pictures_captured) +
                          " camera pictures (" + Percent(share) +
                          ") were never shown: the computer did not keep up.");
    }
  }
  if (r.frame_interval_median_ms && r.frame_interval_p99_ms && *r.frame_interval_median_ms > 0 &&
      *r.frame_interval_p99_ms > kUnevenFrameIntervalFactor * *r.frame_interval_median_ms) {
    char text[160];
    std::snprintf(text, sizeof text,
                  "Frames came unevenly: 1 %% of the intervals were longer than %.0f ms "
                  "(median %.0f ms); frames were dropped.",
                  *r.frame_interval_p99_ms, *r.frame_interval_median_ms);
    warnings->push_back(text);
  }
  if (r.session_video) {
    const RunRecordFigures::SessionVideo& v = *r.session_video;
    if (!v.recorded && !v.problem.empty()) {
      warnings->push_back("The session video was not recorded: " + v.problem + ".");
    } else if (v.recorded && v.frames_dropped && *v.frames_dropped > 0) {
      warnings->push_back(std::to_string(*v.frames_dropped) +
                          " camera pictures are missing from the session video: the disk did "
                          "not keep up.");
    }
    if (v.recorded && !v.problem.empty())
      warnings->push_back("The session video stopped early: " + v.problem + ".");
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
    f.warnings.push_back("No body was tracked at all in this run: nothing was recorded of the child.");
  } else if (f.tracked_share && *f.tracked_share < kTrackedShareWarning) {
    f.warnings.push_back("The child was tracked in only " + Percent(*f.tracked_share) +
                         " of the frames (below " + Percent(kTrackedShareWarning) +
                         "): check the camera's view of the child.");
  }
  if (f.balloons_popped < 2) {
    f.warnings.push_back("No balloon was popped after the start balloon: there are no reaction times.");
  }
  if (record) AddRecordWarnings(*record, &f.warnings);
  return f;
}
