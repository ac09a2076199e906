#include "results/run_record.h"

#include "results/json_numbers.h"
#include "results/timing_format.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <nlohmann/json.hpp>

#include "state/setting_checks.h"

using Json = nlohmann::ordered_json;

namespace {

Json SettingsJson(const ExperimentSettings& s) {
  return Json{{"subject", s.subject},
              {"random_seed", s.random_seed},
              {"janken", s.janken},
              {"mirror", s.mirror},
              {"timelimit", s.timelimit},
              {"flag_head", s.flag_head},
              {"flag_shoulder", s.flag_shoulder},
              {"flag_elbow", s.flag_elbow},
              {"flag_hip", s.flag_hip},
              {"flag_knee", s.flag_knee},
              {"flag_foot", s.flag_foot},
              {"flag_mouse", s.flag_mouse},
              {"flag_single", s.flag_single}};
}

// What the run does with its settings where a value is outside its range.
Json AsRunJson(const ExperimentSettings& s) {
  return Json{{"janken", JankenModeName(s.janken)}, {"notes", RunConditionNotes(s)}};
}

Json SensorJson(const SensorDescription& d) {
  Json sensor{{"backend", d.backend}, {"device", d.device}};
  Json options = Json::object();
  for (const auto& [key, value] : d.options) options[key] = value;
  sensor["options"] = options;
  if (d.camera) {
    const SensorDescription::Camera& c = *d.camera;
    sensor["camera"] = Json{{"card", c.card},
                            {"bus", c.bus},
                            {"driver", c.driver},
                            {"pixel_format", c.pixel_format},
                            {"width", c.width},
                            {"height", c.height},
                            {"fps", std::round(c.fps * 1000.0) / 1000.0},
                            {"timestamp_source", c.timestamp_source}};
  }
  if (!d.camera_ini.empty()) {
    Json ini = Json::object();
    for (const auto& [key, value] : d.camera_ini) ini[key] = value;
    sensor["camera_ini"] = ini;
  }
  Json models = Json::array();
  for (const SensorDescription::ModelFile& m : d.models)
    models.push_back(Json{{"path", m.path}, {"sha256", m.sha256}});
  sensor["models"] = models;
  return sensor;
}

// The body that popped most balloons after the start balloon (the start
// balloon's when there was no other); nothing when no balloon was popped.
std::optional<int32_t> PoppingBody(std::span<const TrialRecord> trials) {
  std::map<int32_t, int> pops;
  for (size_t i = trials.size() > 1 ? 1 : 0; i < trials.size(); ++i) ++pops[trials[i].bodyid];
  if (pops.empty()) return std::nullopt;
  return std::max_element(pops.begin(), pops.end(),
                          [](const auto& a, const auto& b) { return a.second < b.second; })
      ->first;
}

double Share(uint64_t part, uint64_t whole) {
  return whole == 0 ? 0.0 : std::round(static_cast<double>(part) / whole * 10000.0) / 10000.0;
}

Json TrackingJson(const RunRecordTail& tail) {
  const FrameTimingStats* f = tail.frames;
  Json tracking{{"body_frames", f ? f->drawn_passes : 0},
                {"share_with_tracked_body", f ? Share(f->frames_with_body, f->drawn_passes) : 0.0}};
  const std::optional<int32_t> id = PoppingBody(tail.trials);
  const BodyTrackingCount* count = f && id ? f->Find(*id) : nullptr;
  if (!id) {
    tracking["popping_body"] = nullptr;
    return tracking;
  }
  tracking["popping_body"] =
      Json{{"id", *id},
           {"frames", count ? count->frames : 0},
           {"share_left_hand_tracked", count ? Share(count->left_hand, count->frames) : 0.0},
           {"share_right_hand_tracked", count ? Share(count->right_hand, count->frames) : 0.0}};
  return tracking;
}

Json OnsetToShownJson(std::span<const TrialTiming> timings) {
  TimeHistogram delays;
  for (const TrialTiming& t : timings) {
    if (t.onset_shown_ms != kUnknownMs && t.onset_ms != kUnknownMs)
      delays.Add(t.onset_shown_ms - t.onset_ms);
  }
  return Json{{"trials", delays.count()},
              {"mean", Tenth(delays.mean_ms())},
              {"sd", Tenth(delays.sd_ms())},
              {"p99", Tenth(delays.Percentile_ms(99))},
              {"max", Tenth(delays.max_ms())}};
}

// Off: {"recorded": false}. On: where the files went and how many pictures
// reached them; a recording that could not start says so with null paths.
Json SessionVideoJson(const SessionVideoRecord& v) {
  if (!v.on) return Json{{"recorded", false}};
  const auto path_or_null = [](const std::string& path) {
    return path.empty() ? Json(nullptr) : Json(path);
  };
  return Json{{"recorded", v.recorded()},
              {"video", path_or_null(v.video_path)},
              {"frame_table", path_or_null(v.table_path)},
              {"frames_written", v.frames_written},
              {"frames_dropped", v.frames_dropped},
              {"problem", v.problem}};
}

}  // namespace

const char* ProgramVersion() {
#ifdef TAVELIN2_VERSION
  return TAVELIN2_VERSION;
#else
  return "unknown";
#endif
}

std::string Iso8601(const LocalDateTime& t, int32_t utc_offset_minutes) {
  const int32_t offset = std::abs(utc_offset_minutes);
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d%c%02d:%02d", t.year, t.month,
                t.day, t.hour, t.minute, t.second, t.millisecond,
                utc_offset_minutes < 0 ? '-' : '+', offset / 60, offset % 60);
  return text;
}

std::string RunRecordHeadJson(const RunRecordHead& head) {
  const Json json{{"format", kRunRecordFormat},
                  {"program", Json{{"name", "tavelin2"}, {"version", ProgramVersion()}}},
                  // Bodies from the simulator are not a child's: said where no reader misses it.
                  {"simulated", head.sensor.backend == "sim"},
                  {"timing_file_format", kTimingFileVersion},
                  {"subject", head.subject},
                  {"start", Iso8601(head.start, head.utc_offset_minutes)},
                  {"settings", SettingsJson(head.settings)},
                  {"as_run", AsRunJson(head.settings)},
                  {"random_seed_used", head.random_seed_used},
                  {"random_state_at_start", head.random_state_at_start},
                  {"sensor", SensorJson(head.sensor)},
                  {"latency_test", head.latency_test
                                       ? Json::parse(LatencyTestJson(*head.latency_test))
                                       : Json(nullptr)}};
  return json.dump(-1, ' ', false, Json::error_handler_t::replace);
}

std::string RunRecordJson(std::string_view head_json, const RunRecordTail& tail) {
  Json record = Json::parse(head_json, nullptr, false);
  if (!record.is_object()) record = Json{{"format", kRunRecordFormat}};
  const FrameTimingStats empty_frames;
  const FrameTimingStats& f = tail.frames ? *tail.frames : empty_frames;

  record["end"] =
      Json{{"reason", RunEndReasonName(tail.end_reason)}, {"duration_ms", tail.duration_ms}};
  record["counts"] = Json{{"trials", tail.trials.size()},
                          {"body_samples", tail.body_samples},
                          {"drawn_passes", f.drawn_passes}};
  record["frames"] =
      Json{{"pictures_captured", f.last.pictures_captured},
           {"pictures_shown", f.last.pictures_shown},
           {"body_frames", f.last.body_frames},
           {"frames_presented", f.last.frames_presented},
           {"frame_interval_ms", Json{{"median", Tenth(f.frame_interval.Percentile_ms(50))},
                                      {"p99", Tenth(f.frame_interval.Percentile_ms(99))}}}};
  const TimeHistogram& latency = f.capture_to_test;
  record["latency_ms"] =
      Json{{"capture_to_hit_test", Json{{"frames", latency.count()},
                                        {"mean", Tenth(latency.mean_ms())},
                                        {"sd", Tenth(latency.sd_ms())},
                                        {"p99", Tenth(latency.Percentile_ms(99))}}},
           {"onset_to_shown", OnsetToShownJson(tail.timings)}};
  record["tracking"] = TrackingJson(tail);
  if (const SensorStopRecord* stop = tail.sensor_stop; stop != nullptr && stop->stopped()) {
    record["sensor_stop"] = Json{{"cause", SensorStopCauseName(stop->cause)},
                                 {"clock_ms", stop->clock_ms},
                                 {"run_elapsed_ms", stop->run_elapsed_ms},
                                 {"detail", stop->detail}};
  }
  if (tail.session_video != nullptr) record["session_video"] = SessionVideoJson(*tail.session_video);
  // Counted through the whole run, so known only at its end.
  if (const SensorDescription* end = tail.sensor_at_end;
      end != nullptr && end->camera && record.contains("sensor") && record["sensor"].is_object() &&
      record["sensor"].contains("camera") && record["sensor"]["camera"].is_object()) {
    Json& camera = record["sensor"]["camera"];
    camera["pictures_dropped"] = end->camera->pictures_dropped;
    Json reasons = Json::object();
    for (const auto& [reason, count] : end->camera->pictures_dropped_by_reason)
      reasons[reason] = count;
    camera["pictures_dropped_by_reason"] = reasons;
  }
  return record.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}
