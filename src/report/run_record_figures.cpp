#include "report/run_record_figures.h"

#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>

namespace {

using nlohmann::json;

std::string ValueText(const json& value) {
  // A blank cell reads as a value lost in the layout: say that there is none.
  if (value.is_string()) return value.get<std::string>().empty() ? "(empty)" : value.get<std::string>();
  if (value.is_array() && value.empty()) return "(none)";
  if (value.is_number_float()) {
    const double v = value.get<double>();
    char text[32];
    // Whole numbers without decimals, others with up to three.
    std::snprintf(text, sizeof text, v == std::floor(v) ? "%.0f" : "%.3g", v);
    if (v != std::floor(v) && std::fabs(v) >= 100) std::snprintf(text, sizeof text, "%.1f", v);
    return text;
  }
  return value.dump();
}

// Leaves of `value` under `path` as rows; arrays stay one row.
void Flatten(const json& value, const std::string& path,
             std::vector<std::pair<std::string, std::string>>* rows) {
  if (value.is_object()) {
    for (const auto& [key, child] : value.items()) Flatten(child, path + "." + key, rows);
    return;
  }
  rows->emplace_back(path, ValueText(value));
}

void FlattenKey(const json& record, const char* key,
                std::vector<std::pair<std::string, std::string>>* rows) {
  if (record.contains(key)) Flatten(record.at(key), key, rows);
}

template <typename T>
std::optional<T> NumberAt(const json& record, const char* pointer) {
  const json::json_pointer p(pointer);
  if (!record.contains(p) || !record.at(p).is_number()) return std::nullopt;
  const double v = record.at(p).get<double>();
  if (!std::isfinite(v)) return std::nullopt;
  return static_cast<T>(v);
}

std::string TextAt(const json& record, const char* pointer) {
  const json::json_pointer p(pointer);
  return record.contains(p) && record.at(p).is_string() ? record.at(p).get<std::string>() : "";
}

std::string Percent(double share) {
  char text[16];
  std::snprintf(text, sizeof text, "%.0f %%", share * 100);
  return text;
}

void ReadTracking(const json& record, RunRecordFigures* f) {
  f->tracking_body_frames = NumberAt<int64_t>(record, "/tracking/body_frames");
  f->share_with_tracked_body = NumberAt<double>(record, "/tracking/share_with_tracked_body");
  f->popping_body_id = NumberAt<int64_t>(record, "/tracking/popping_body/id");
  f->popping_body_frames = NumberAt<int64_t>(record, "/tracking/popping_body/frames");
  f->popping_left_hand_share =
      NumberAt<double>(record, "/tracking/popping_body/share_left_hand_tracked");
  f->popping_right_hand_share =
      NumberAt<double>(record, "/tracking/popping_body/share_right_hand_tracked");
}

void ReadSessionVideo(const json& record, RunRecordFigures* f) {
  const json::json_pointer recorded("/session_video/recorded");
  if (!record.contains(recorded) || !record.at(recorded).is_boolean()) return;
  RunRecordFigures::SessionVideo v;
  v.recorded = record.at(recorded).get<bool>();
  v.video = TextAt(record, "/session_video/video");
  v.frames_written = NumberAt<int64_t>(record, "/session_video/frames_written");
  v.frames_dropped = NumberAt<int64_t>(record, "/session_video/frames_dropped");
  v.problem = TextAt(record, "/session_video/problem");
  f->session_video = v;
}

std::string Fixed1(double value, const char* unit) {
  char text[40];
  std::snprintf(text, sizeof text, "%.1f %s", value, unit);
  return text;
}

std::string Ms(double ms) {
  return Fixed1(ms, "ms");
}

std::string EndText(const std::string& reason) {
  if (reason == "time_limit") return "at the time limit";
  if (reason == "escape") return "by Esc";
  if (reason == "signal") return "by a stop signal";
  if (reason == "trial_limit") return "with the trial table full";
  if (reason == "recovered") return "rebuilt from the journal after a crash";
  return reason.empty() ? "unknown" : reason;
}

// The run record's counts, frames and latencies under plain labels, with units.
void AddTimingRows(const json& record, const RunRecordFigures& f,
                   std::vector<std::pair<std::string, std::string>>* rows) {
  std::string ended = EndText(f.end_reason);
  if (f.duration_ms) ended += ", after " + Fixed1(static_cast<double>(*f.duration_ms) / 1000.0, "s");
  rows->emplace_back("Run ended", ended);
  const auto trials = NumberAt<int64_t>(record, "/counts/trials");
  const auto body_rows = NumberAt<int64_t>(record, "/counts/body_samples");
  if (trials && body_rows)
    rows->emplace_back("Rows written", std::to_string(*trials) + " trials, " +
                                           std::to_string(*body_rows) + " body rows");
  if (f.pictures_captured && f.pictures_shown) {
    rows->emplace_back("Camera pictures", std::to_string(*f.pictures_captured) + " captured, " +
                                              std::to_string(*f.pictures_shown) + " shown");
  }
  if (f.body_frames) rows->emplace_back("Body frames (whole run)", std::to_string(*f.body_frames));
  if (f.frames_presented)
    rows->emplace_back("Stage frames presented", std::to_string(*f.frames_presented));
  if (f.frame_interval_median_ms && f.frame_interval_p99_ms) {
    rows->emplace_back("Camera frame interval", "median " + Ms(*f.frame_interval_median_ms) +
                                                    ", 99th percentile " +
                                                    Ms(*f.frame_interval_p99_ms));
  }
  const auto latency = [&](const char* label, const char* base, const char* count_key,
                           const char* last_key, const char* last_name) {
    const std::string b(base);
    const auto mean = NumberAt<double>(record, (b + "/mean").c_str());
    const auto sd = NumberAt<double>(record, (b + "/sd").c_str());
    const auto last = NumberAt<double>(record, (b + "/" + last_key).c_str());
    const auto count = NumberAt<int64_t>(record, (b + "/" + count_key).c_str());
    if (!mean) return;
    std::string text = "mean " + Ms(*mean);
    if (sd) text += ", SD " + Ms(*sd);
    if (last) text += std::string(", ") + last_name + " " + Ms(*last);
    if (count) text += " (" + std::to_string(*count) + " " + count_key + ")";
    rows->emplace_back(label, text);
  };
  latency("Picture capture to hit test", "/latency_ms/capture_to_hit_test", "frames", "p99",
          "99th percentile");
  // Records from before the 99th percentile was kept give the longest instead.
  const bool has_p99 = NumberAt<double>(record, "/latency_ms/onset_to_shown/p99").has_value();
  latency("Balloon placed to shown", "/latency_ms/onset_to_shown", "trials",
          has_p99 ? "p99" : "max", has_p99 ? "99th percentile" : "longest");
}

void AddTrackingRows(const RunRecordFigures& f, std::vector<std::pair<std::string, std::string>>* rows) {
  if (f.share_with_tracked_body) {
    std::string value = Percent(*f.share_with_tracked_body);
    if (f.tracking_body_frames) value += " of " + std::to_string(*f.tracking_body_frames);
    rows->emplace_back("Body frames with any body tracked", value);
  }
  if (!f.popping_body_id) return;
  std::string child = "body " + std::to_string(*f.popping_body_id);
  if (f.popping_body_frames)
    child += ", in " + std::to_string(*f.popping_body_frames) + " body frames (whole run)";
  rows->emplace_back("Body that popped most balloons", child);
  if (f.popping_left_hand_share)
    rows->emplace_back("Its left hand tracked", Percent(*f.popping_left_hand_share) + " of its frames");
  if (f.popping_right_hand_share)
    rows->emplace_back("Its right hand tracked", Percent(*f.popping_right_hand_share) + " of its frames");
}

void AddSessionVideoRows(const RunRecordFigures& f,
                         std::vector<std::pair<std::string, std::string>>* rows) {
  if (!f.session_video) return;
  const RunRecordFigures::SessionVideo& v = *f.session_video;
  rows->emplace_back("Session video", v.recorded ? v.video : "not recorded");
  if (v.recorded && v.frames_written && v.frames_dropped) {
    rows->emplace_back("Session video frames", std::to_string(*v.frames_written) + " written, " +
                                                   std::to_string(*v.frames_dropped) + " dropped");
  }
  if (!v.problem.empty()) rows->emplace_back("Session video problem", v.problem);
}

}  // namespace

std::optional<RunRecordFigures> ReadRunRecordFigures(const std::string& json_text) {
  const json record = json::parse(json_text, nullptr, false);
  if (record.is_discarded() || !record.is_object()) return std::nullopt;
  RunRecordFigures f;
  f.pictures_captured = NumberAt<int64_t>(record, "/frames/pictures_captured");
  f.pictures_shown = NumberAt<int64_t>(record, "/frames/pictures_shown");
  f.body_frames = NumberAt<int64_t>(record, "/frames/body_frames");
  f.frames_presented = NumberAt<int64_t>(record, "/frames/frames_presented");
  f.frame_interval_median_ms = NumberAt<double>(record, "/frames/frame_interval_ms/median");
  f.frame_interval_p99_ms = NumberAt<double>(record, "/frames/frame_interval_ms/p99");
  f.timelimit_s = NumberAt<int32_t>(record, "/settings/timelimit");
  if (const json::json_pointer p("/end/reason"); record.contains(p) && record.at(p).is_string())
    f.end_reason = record.at(p).get<std::string>();
  f.duration_ms = NumberAt<int64_t>(record, "/end/duration_ms");
  f.sensor_backend = TextAt(record, "/sensor/backend");
  const json::json_pointer simulated("/simulated");
  f.simulated = (record.contains(simulated) && record.at(simulated).is_boolean() &&
                 record.at(simulated).get<bool>()) ||
                f.sensor_backend == "sim";
  f.capture_to_hit_test_ms = NumberAt<double>(record, "/latency_ms/capture_to_hit_test/mean");
  f.sensor_stop_cause = TextAt(record, "/sensor_stop/cause");
  f.sensor_stop_detail = TextAt(record, "/sensor_stop/detail");
  f.sensor_stop_elapsed_ms = NumberAt<int64_t>(record, "/sensor_stop/run_elapsed_ms");
  ReadTracking(record, &f);
  ReadSessionVideo(record, &f);
  if (const json::json_pointer p("/as_run/notes"); record.contains(p) && record.at(p).is_array()) {
    for (const json& note : record.at(p))
      if (note.is_string()) f.condition_notes.push_back(note.get<std::string>());
  }

  FlattenKey(record, "settings", &f.settings);
  FlattenKey(record, "as_run", &f.settings);
  FlattenKey(record, "random_seed_used", &f.settings);
  FlattenKey(record, "sensor", &f.sensor);
  FlattenKey(record, "program", &f.sensor);
  AddTimingRows(record, f, &f.timing);
  AddTrackingRows(f, &f.timing);
  AddSessionVideoRows(f, &f.timing);
  return f;
}
