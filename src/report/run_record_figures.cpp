#include "report/run_record_figures.h"

#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "state/report_text.h"

namespace {

using nlohmann::json;

std::string ValueText(const json& value) {
  // A blank cell reads as a value lost in the layout: say that there is none.
  if (value.is_string()) {
    return value.get<std::string>().empty() ? ReportText(REPORT_NOOP("Report", "(empty)"))
                                            : value.get<std::string>();
  }
  if (value.is_array() && value.empty()) return ReportText(REPORT_NOOP("Report", "(none)"));
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

std::string Fixed1(double value) {
  char text[40];
  std::snprintf(text, sizeof text, "%.1f", value);
  return text;
}

std::string EndText(const std::string& reason) {
  if (reason == "time_limit") return ReportText(REPORT_NOOP("Report", "at the time limit"));
  if (reason == "escape") return ReportText(REPORT_NOOP("Report", "by Esc"));
  if (reason == "signal") return ReportText(REPORT_NOOP("Report", "by a stop signal"));
  if (reason == "trial_limit") return ReportText(REPORT_NOOP("Report", "with the trial table full"));
  if (reason == "recovered")
    return ReportText(REPORT_NOOP("Report", "rebuilt from the journal after a crash"));
  return reason.empty() ? ReportText(REPORT_NOOP("Report", "unknown")) : reason;
}

// The run record's counts, frames and latencies under plain labels, with units.
void AddTimingRows(const json& record, const RunRecordFigures& f,
                   std::vector<std::pair<std::string, std::string>>* rows) {
  const auto row = [rows](const char* label, std::string value) {
    rows->emplace_back(ReportText(label), std::move(value));
  };
  const std::string ended = EndText(f.end_reason);
  row(REPORT_NOOP("Report", "Run ended"),
      f.duration_ms ? ReportText(REPORT_NOOP("Report", "%1, after %2 s"),
                                 {ended, Fixed1(static_cast<double>(*f.duration_ms) / 1000.0)})
                    : ended);
  const auto trials = NumberAt<int64_t>(record, "/counts/trials");
  const auto body_rows = NumberAt<int64_t>(record, "/counts/body_samples");
  if (trials && body_rows) {
    row(REPORT_NOOP("Report", "Rows written"),
        ReportText(REPORT_NOOP("Report", "%1 trials, %2 body rows"),
                   {std::to_string(*trials), std::to_string(*body_rows)}));
  }
  if (f.pictures_captured && f.pictures_shown) {
    row(REPORT_NOOP("Report", "Camera pictures"),
        ReportText(REPORT_NOOP("Report", "%1 captured, %2 shown"),
                   {std::to_string(*f.pictures_captured), std::to_string(*f.pictures_shown)}));
  }
  if (f.body_frames) row(REPORT_NOOP("Report", "Body frames (whole run)"), std::to_string(*f.body_frames));
  if (f.frames_presented)
    row(REPORT_NOOP("Report", "Stage frames presented"), std::to_string(*f.frames_presented));
  if (f.frame_interval_median_ms && f.frame_interval_p99_ms) {
    row(REPORT_NOOP("Report", "Camera frame interval"),
        ReportText(REPORT_NOOP("Report", "median %1 ms, 99th percentile %2 ms"),
                   {Fixed1(*f.frame_interval_median_ms), Fixed1(*f.frame_interval_p99_ms)}));
  }
  // The parts a record has, each whole; `last_text` and `count_text` name the
  // record's 99th percentile (or longest) and its frames or trials.
  const auto latency = [&](const char* label, const char* base, const char* count_key,
                           const char* count_text, const char* last_key, const char* last_text) {
    const std::string b(base);
    const auto mean = NumberAt<double>(record, (b + "/mean").c_str());
    const auto sd = NumberAt<double>(record, (b + "/sd").c_str());
    const auto last = NumberAt<double>(record, (b + "/" + last_key).c_str());
    const auto count = NumberAt<int64_t>(record, (b + "/" + count_key).c_str());
    if (!mean) return;
    std::string text = ReportText(REPORT_NOOP("Report", "mean %1 ms"), {Fixed1(*mean)});
    if (sd) text += ReportText(REPORT_NOOP("Report", ", SD %1 ms"), {Fixed1(*sd)});
    if (last) text += ReportText(last_text, {Fixed1(*last)});
    if (count) text += ReportText(count_text, {std::to_string(*count)});
    row(label, text);
  };
  latency(REPORT_NOOP("Report", "Picture capture to hit test"), "/latency_ms/capture_to_hit_test",
          "frames", REPORT_NOOP("Report", " (%1 frames)"), "p99",
          REPORT_NOOP("Report", ", 99th percentile %1 ms"));
  // Records from before the 99th percentile was kept give the longest instead.
  const bool has_p99 = NumberAt<double>(record, "/latency_ms/onset_to_shown/p99").has_value();
  latency(REPORT_NOOP("Report", "Balloon placed to shown"), "/latency_ms/onset_to_shown", "trials",
          REPORT_NOOP("Report", " (%1 trials)"), has_p99 ? "p99" : "max",
          has_p99 ? REPORT_NOOP("Report", ", 99th percentile %1 ms")
                  : REPORT_NOOP("Report", ", longest %1 ms"));
}

void AddTrackingRows(const RunRecordFigures& f, std::vector<std::pair<std::string, std::string>>* rows) {
  const auto row = [rows](const char* label, std::string value) {
    rows->emplace_back(ReportText(label), std::move(value));
  };
  if (f.share_with_tracked_body) {
    const std::string share = PercentText(*f.share_with_tracked_body);
    row(REPORT_NOOP("Report", "Body frames with any body tracked"),
        f.tracking_body_frames ? ReportText(REPORT_NOOP("Report", "%1 of %2"),
                                            {share, std::to_string(*f.tracking_body_frames)})
                               : share);
  }
  if (!f.popping_body_id) return;
  const std::string body = std::to_string(*f.popping_body_id);
  row(REPORT_NOOP("Report", "Body that popped most balloons"),
      f.popping_body_frames
          ? ReportText(REPORT_NOOP("Report", "body %1, in %2 body frames (whole run)"),
                       {body, std::to_string(*f.popping_body_frames)})
          : ReportText(REPORT_NOOP("Report", "body %1"), {body}));
  if (f.popping_left_hand_share) {
    row(REPORT_NOOP("Report", "Its left hand tracked"),
        ReportText(REPORT_NOOP("Report", "%1 of its frames"), {PercentText(*f.popping_left_hand_share)}));
  }
  if (f.popping_right_hand_share) {
    row(REPORT_NOOP("Report", "Its right hand tracked"),
        ReportText(REPORT_NOOP("Report", "%1 of its frames"), {PercentText(*f.popping_right_hand_share)}));
  }
}

void AddSessionVideoRows(const RunRecordFigures& f,
                         std::vector<std::pair<std::string, std::string>>* rows) {
  if (!f.session_video) return;
  const RunRecordFigures::SessionVideo& v = *f.session_video;
  rows->emplace_back(ReportText(REPORT_NOOP("Report", "Session video")),
                     v.recorded ? v.video : ReportText(REPORT_NOOP("Report", "not recorded")));
  if (v.recorded && v.frames_written && v.frames_dropped) {
    rows->emplace_back(ReportText(REPORT_NOOP("Report", "Session video frames")),
                       ReportText(REPORT_NOOP("Report", "%1 written, %2 dropped"),
                                  {std::to_string(*v.frames_written),
                                   std::to_string(*v.frames_dropped)}));
  }
  if (!v.problem.empty())
    rows->emplace_back(ReportText(REPORT_NOOP("Report", "Session video problem")), v.problem);
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
