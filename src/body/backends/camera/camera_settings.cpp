#include "body/backends/camera/camera_settings.h"

#include <charconv>
#include <fstream>
#include <functional>
#include <map>

namespace {

std::string Trim(const std::string& s) {
  const size_t a = s.find_first_not_of(" \t\r\n");
  if (a == std::string::npos) return "";
  return s.substr(a, s.find_last_not_of(" \t\r\n") - a + 1);
}

template <class T>
bool ParseNumber(const std::string& text, T low, T high, T* out) {
  T v{};
  auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || ptr != text.data() + text.size() || v < low || v > high) return false;
  *out = v;
  return true;
}

bool ParseBool(const std::string& text, bool* out) {
  if (text == "1" || text == "true" || text == "on") return *out = true, true;
  if (text == "0" || text == "false" || text == "off") return *out = false, true;
  return false;
}

}  // namespace

const char* SetCameraSetting(const std::string& key, const std::string& value, CameraSettings* s) {
  using Setter = std::function<bool(const std::string&)>;
  auto integer = [](int* field, int lo, int hi) -> Setter {
    return [=](const std::string& v) { return ParseNumber(v, lo, hi, field); };
  };
  auto real = [](float* field, float lo, float hi) -> Setter {
    return [=](const std::string& v) { return ParseNumber(v, lo, hi, field); };
  };
  auto flag = [](bool* field) -> Setter {
    return [=](const std::string& v) { return ParseBool(v, field); };
  };
  auto refine_model = [](PoseRefineModel* field) -> Setter {
    return [=](const std::string& v) {
      for (int i = 0; i < 3; ++i)
        if (v == kPoseRefineModelNames[i]) return *field = static_cast<PoseRefineModel>(i), true;
      return false;
    };
  };
  const std::map<std::string, Setter> keys = {
      {"capture_width", integer(&s->capture_width, 160, 3840)},
      {"capture_height", integer(&s->capture_height, 120, 2160)},
      {"capture_fps", integer(&s->capture_fps, 5, 120)},
      {"replay_realtime", flag(&s->replay_realtime)},
      {"replay_every_frame", flag(&s->replay_every_frame)},
      {"record_video", flag(&s->record_video)},
      {"pose_input_width", integer(&s->pose_input_width, 192, 512)},
      {"person_threshold", real(&s->person_threshold, 0.0f, 1.0f)},
      {"person_hand_threshold", real(&s->person_hand_threshold, 0.0f, 1.0f)},
      {"keypoint_threshold", real(&s->keypoint_threshold, 0.0f, 1.0f)},
      {"weak_wrist_threshold", real(&s->weak_wrist_threshold, 0.0f, 1.0f)},
      {"pose_refine_model", refine_model(&s->pose_refine_model)},
      {"inference_threads", integer(&s->inference_threads, 0, 16)},
      {"hand_shapes", flag(&s->hand_shapes)},
      {"hand_model_full", flag(&s->hand_model_full)},
      {"hand_crops_per_frame", integer(&s->hand_crops_per_frame, 0, 12)},
      {"hand_budget_ms", real(&s->hand_budget_ms, 0.0f, 1000.0f)},
      {"hand_presence_threshold", real(&s->hand_presence_threshold, 0.0f, 1.0f)},
      {"hand_wrist_threshold", real(&s->hand_wrist_threshold, 0.0f, 1.0f)},
      {"hand_shape_confirm_frames", integer(&s->hand_shape_confirm_frames, 1, 30)},
      {"hand_shape_hold_frames", integer(&s->hand_shape_hold_frames, 0, 60)},
      {"shoulder_width_m", real(&s->shoulder_width_m, 0.1f, 0.6f)},
      {"horizontal_fov_deg", real(&s->horizontal_fov_deg, 30.0f, 150.0f)},
      {"track_max_missed_frames", integer(&s->track_max_missed_frames, 0, 300)},
  };
  const auto it = keys.find(key);
  if (it == keys.end()) return "unknown key";
  if (!it->second(value)) return "value out of range or not a number";
  return nullptr;
}

bool LoadCameraSettings(const std::string& path, CameraSettings* s, std::string* warnings) {
  std::ifstream in(path);
  if (!in) return true;
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    const std::string text = Trim(line.substr(0, line.find('#')));
    if (text.empty()) continue;
    const size_t eq = text.find('=');
    const char* problem = eq == std::string::npos ? "no '='"
                                                  : SetCameraSetting(Trim(text.substr(0, eq)),
                                                                     Trim(text.substr(eq + 1)), s);
    if (problem && warnings)
      *warnings += path + ":" + std::to_string(number) + ": " + problem + ": " + text + "\n";
  }
  return true;
}

int PoseThreadsFor(const CameraSettings& settings, int cores) {
  if (settings.inference_threads > 0) return settings.inference_threads;
  return cores > 2 ? 2 : 1;
}
