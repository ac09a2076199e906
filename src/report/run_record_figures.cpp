#include "report/run_record_figures.h"

#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>

namespace {

using nlohmann::json;

std::string ValueText(const json& value) {
  if (value.is_string()) return value.get<std::string>();
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

void AddTrackingRows(const RunRecordFigures& f, std::vector<std::pair<std::string, std::string>>* rows) {
  if (f.share_with_tracked_body) {
    std::string value = Percent(*f.share_with_tracked_body);
    if (f.tracking_body_frames) value += " of " + std::to_string(*f.tracking_body_frames);
    rows->emplace_back("Body frames with a tracked body", value);
  }
  if (!f.popping_body_id) return;
  std::string child = "body " + std::to_string(*f.popping_body_id);
  if (f.popping_body_frames) child += ", in " + std::to_string(*f.popping_body_frames) + " frames";
  rows->emplace_back("Popping child", child);
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
  for (const char* key : {"counts", "frames", "latency_ms", "end"}) FlattenKey(record, key, &f.timing);
  AddTrackingRows(f, &f.timing);
  AddSessionVideoRows(f, &f.timing);
  return f;
}
