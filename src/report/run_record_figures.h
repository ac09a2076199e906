#pragma once
// The figures of a run record ("X_run.json") that the summary and the report
// show. Every key is optional: a record of an older or newer program version
// gives what it has, and a key of an unexpected type counts as missing.

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

struct RunRecordFigures {
  std::optional<int64_t> pictures_captured;  // frames.pictures_captured
  std::optional<int64_t> pictures_shown;     // frames.pictures_shown
  std::optional<int64_t> body_frames;        // frames.body_frames
  std::optional<int64_t> frames_presented;   // frames.frames_presented
  std::optional<double> frame_interval_median_ms;
  std::optional<double> frame_interval_p99_ms;
  std::optional<int32_t> timelimit_s;  // settings.timelimit
  std::string end_reason;              // end.reason, "" unknown
  std::optional<int64_t> duration_ms;  // end.duration_ms
  bool simulated = false;              // simulated, or sensor.backend "sim" in older records
  std::string sensor_backend;          // sensor.backend
  std::optional<double> capture_to_hit_test_ms;  // latency_ms.capture_to_hit_test.mean
  // sensor_stop.*: cause "" when the sensor did not stop
  std::string sensor_stop_cause;
  std::string sensor_stop_detail;
  std::optional<int64_t> sensor_stop_elapsed_ms;
  // as_run.notes: settings values the run did not follow as written, and
  // what it did instead
  std::vector<std::string> condition_notes;

  // tracking.*: body frames, the share of them with a tracked body, and the
  // body that popped most balloons with the shares of its frames in which
  // each hand was tracked.
  std::optional<int64_t> tracking_body_frames;
  std::optional<double> share_with_tracked_body;
  std::optional<int64_t> popping_body_id;
  std::optional<int64_t> popping_body_frames;
  std::optional<double> popping_left_hand_share;
  std::optional<double> popping_right_hand_share;

  // session_video.*: nothing when the record does not say (older versions,
  // recovered runs).
  struct SessionVideo {
    bool recorded = false;
    std::string video;  // "" none
    std::optional<int64_t> frames_written;
    std::optional<int64_t> frames_dropped;
    std::string problem;
  };
  std::optional<SessionVideo> session_video;

  // "key = value" rows for the report, keys as dotted paths:
  std::vector<std::pair<std::string, std::string>> settings;  // settings.*, random_seed_used
  std::vector<std::pair<std::string, std::string>> sensor;    // sensor.*, program.*
  // counts.*, frames.*, latency_ms.*, end.*, then tracking and session video
  // under plain labels
  std::vector<std::pair<std::string, std::string>> timing;
};

// Nothing when `json_text` is not a JSON object.
std::optional<RunRecordFigures> ReadRunRecordFigures(const std::string& json_text);
