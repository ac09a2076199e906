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

  FlattenKey(record, "settings", &f.settings);
  FlattenKey(record, "random_seed_used", &f.settings);
  FlattenKey(record, "sensor", &f.sensor);
  FlattenKey(record, "program", &f.sensor);
  for (const char* key : {"counts", "frames", "latency_ms", "tracking", "end"})
    FlattenKey(record, key, &f.timing);
  return f;
}
