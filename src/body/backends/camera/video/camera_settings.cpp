#include "body/backends/camera/video/camera_settings.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <fstream>

#include "state/message_box.h"
#include "state/translate_noop.h"

namespace {

using S = CameraSettings;

std::string Trim(const std::string& s) {
  const size_t a = s.find_first_not_of(" \t\r\n");
  if (a == std::string::npos) return "";
  return s.substr(a, s.find_last_not_of(" \t\r\n") - a + 1);
}

// Text as it can go into a message: bytes that are no printable ASCII as \xNN.
std::string Printable(const std::string& text) {
  std::string out;
  for (unsigned char c : text) {
    if (c >= 0x20 && c < 0x7F) {
      out += char(c);
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
      out += escaped;
    }
  }
  return out;
}

template <class T>
bool ParseNumber(const std::string& text, double low, double high, T* out) {
  T v{};
  auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  // nan compares false with both ends: checked on its own.
  if (ec != std::errc() || ptr != text.data() + text.size() || !std::isfinite(double(v)) ||
      v < low || v > high)
    return false;
  *out = v;
  return true;
}

bool ParseFlag(const std::string& text, bool* out) {
  for (const char* on : {"1", "true", "on", "yes"})
    if (text == on) return *out = true, true;
  for (const char* off : {"0", "false", "off", "no"})
    if (text == off) return *out = false, true;
  return false;
}

std::string Number(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", v);
  return text;
}

}  // namespace

const std::vector<CameraSettingKey>& CameraSettingKeys() {
  static const std::vector<CameraSettingKey> keys = {
      {"device", &S::device, 0, 0, false,
       "camera (/dev/videoN) or video file; empty: the first camera (--camera overrides it)"},
      {"capture_width", &S::capture_width, 160, 3840, true, "picture width to ask the camera for"},
      {"capture_height", &S::capture_height, 120, 2160, true, "picture height to ask the camera for"},
      {"capture_fps", &S::capture_fps, 5, 120, true, "pictures a second to ask the camera for"},
      {"replay_realtime", &S::replay_realtime, 0, 0, true,
       "a video file plays at its own rate (off: as fast as it decodes)"},
      {"replay_every_frame", &S::replay_every_frame, 0, 0, true,
       "a video file: every picture analysed in order, however slow"},
      {"record_video", &S::record_video, 0, 0, false,
       "record each run's pictures as a session video (needs consent)"},
      {"pose_input_width", &S::pose_input_width, 192, 512, true,
       "pose model input width, multiple of 32 (larger: farther people, slower)"},
      {"person_threshold", &S::person_threshold, 0, 1, true, "a person counts from this score on"},
      {"person_hand_threshold", &S::person_hand_threshold, 0, 1, true,
       "...or from this one while a hand is seen at one of its wrists"},
      {"keypoint_threshold", &S::keypoint_threshold, 0, 1, true,
       "joints below this score are reported not tracked"},
      {"weak_wrist_threshold", &S::weak_wrist_threshold, 0, 1, true,
       "a wrist at least this counts when its forearm holds together"},
      {"pose_refine_model", &S::pose_refine_model, 0, 0, true,
       "a second look at each person with MoveNet SinglePose"},
      {"inference_threads", &S::inference_threads, 0, 16, false,
       "pose model threads (0: one on a two-core PC, else two)"},
      {"hand_shapes", &S::hand_shapes, 0, 0, true, "estimate hand shapes at all"},
      {"hand_model_full", &S::hand_model_full, 0, 0, true,
       "the larger hand model (off: the small one, faster, less sure)"},
      {"hand_crops_per_frame", &S::hand_crops_per_frame, 0, 12, true,
       "hands read per picture at most, taking turns (0: all)"},
      {"hand_budget_ms", &S::hand_budget_ms, 0, 1000, true,
       "hand models' time a picture may take on average, ms (0: no limit)"},
      {"hand_presence_threshold", &S::hand_presence_threshold, 0, 1, true,
       "below this the hand shape is unknown"},
      {"hand_wrist_threshold", &S::hand_wrist_threshold, 0, 1, true,
       "a hand is looked for at a wrist scored at least this"},
      {"hand_shape_confirm_frames", &S::hand_shape_confirm_frames, 1, 30, true,
       "pictures a new hand shape must last before it counts"},
      {"hand_shape_hold_frames", &S::hand_shape_hold_frames, 0, 60, true,
       "pictures a hand shape is kept while the hand is unreadable"},
      {"shoulder_width_m", &S::shoulder_width_m, 0.1, 0.6, true,
       "the children's shoulder width, metres (for the distance)"},
      {"horizontal_fov_deg", &S::horizontal_fov_deg, 30, 150, true,
       "the camera's horizontal field of view, degrees (for the distance)"},
      {"track_max_missed_frames", &S::track_max_missed_frames, 0, 300, true,
       "pictures a hidden person keeps its ID"},
  };
  return keys;
}

std::string CameraSettingText(const CameraSettings& s, const CameraSettingKey& key) {
  return std::visit(
      [&](auto field) -> std::string {
        const auto value = s.*field;
        using T = std::decay_t<decltype(value)>;
        if constexpr (std::is_same_v<T, bool>) return value ? "on" : "off";
        else if constexpr (std::is_same_v<T, std::string>) return value;
        else if constexpr (std::is_same_v<T, PoseRefineModel>)
          return kPoseRefineModelNames[static_cast<int>(value)];
        else return Number(double(value));
      },
      key.field);
}

std::string CameraSettingRange(const CameraSettingKey& key) {
  if (std::holds_alternative<bool CameraSettings::*>(key.field)) return "on or off";
  if (std::holds_alternative<std::string CameraSettings::*>(key.field))
    return "a device such as /dev/video0, or a video file";
  if (std::holds_alternative<PoseRefineModel CameraSettings::*>(key.field))
    return std::string(kPoseRefineModelNames[0]) + ", " + kPoseRefineModelNames[1] + " or " +
           kPoseRefineModelNames[2];
  return Number(key.low) + " to " + Number(key.high);
}

std::vector<std::pair<std::string, std::string>> CameraSettingsRecord(const CameraSettings& s) {
  std::vector<std::pair<std::string, std::string>> record;
  for (const CameraSettingKey& key : CameraSettingKeys())
    if (key.shapes_data) record.emplace_back(key.name, CameraSettingText(s, key));
  return record;
}

std::string CameraSettingsHelp() {
  std::string help = "camera.ini (in the working folder; key = value lines) takes:\n";
  const CameraSettings defaults;
  for (const CameraSettingKey& key : CameraSettingKeys()) {
    char line[200];
    std::snprintf(line, sizeof line, "  %-26s %-8s %s (%s)\n", key.name,
                  CameraSettingText(defaults, key).c_str(), key.help,
                  CameraSettingRange(key).c_str());
    help += line;
  }
  return help;
}

const char* SetCameraSetting(const std::string& name, const std::string& value,
                             CameraSettings* s) {
  for (const CameraSettingKey& key : CameraSettingKeys()) {
    if (name != key.name) continue;
    const bool taken = std::visit(
        [&](auto field) {
          auto& target = s->*field;
          using T = std::decay_t<decltype(target)>;
          if constexpr (std::is_same_v<T, bool>) return ParseFlag(value, &target);
          else if constexpr (std::is_same_v<T, std::string>) return target = value, true;
          else if constexpr (std::is_same_v<T, PoseRefineModel>) {
            for (int i = 0; i < 3; ++i)
              if (value == kPoseRefineModelNames[i])
                return target = static_cast<PoseRefineModel>(i), true;
            return false;
          } else return ParseNumber(value, key.low, key.high, &target);
        },
        key.field);
    return taken ? nullptr : "value out of range or not readable";
  }
  return "unknown key";
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
    const std::string where = path + ":" + std::to_string(number) + ": ";
    if (eq == std::string::npos) {
      if (warnings) *warnings += where + "no '=': " + Printable(text) + "\n";
      continue;
    }
    const std::string name = Trim(text.substr(0, eq)), value = Trim(text.substr(eq + 1));
    const char* problem = SetCameraSetting(name, value, s);
    if (!problem || !warnings) continue;
    *warnings += where + problem + ": " + Printable(name) + " = " + Printable(value);
    for (const CameraSettingKey& key : CameraSettingKeys())
      if (name == key.name)
        *warnings += " (takes " + CameraSettingRange(key) + "); " + CameraSettingText(*s, key) +
                     " is used";
    *warnings += "\n";
  }
  return true;
}

bool WriteCameraSetting(const std::string& path, const std::string& key, const std::string& value,
                        std::string* error) {
  CameraSettings check;
  const char* problem = value.find_first_of("#\r\n") != std::string::npos
                            ? "no '#' or line break in a value"
                            : SetCameraSetting(key, value, &check);
  if (problem) {
    if (error) *error = path + ": " + problem + ": " + Printable(key) + " = " + Printable(value);
    return false;
  }
  const std::string line = key + " = " + value;
  std::string text;
  bool written = false;
  std::ifstream in(path);
  for (std::string old; std::getline(in, old);) {
    const std::string setting = old.substr(0, old.find('#'));
    const size_t eq = setting.find('=');
    if (eq != std::string::npos && Trim(setting.substr(0, eq)) == key) {
      if (written) continue;
      old = line;
      written = true;
    }
    text += old + "\n";
  }
  if (!written) text += line + "\n";
  // Written beside it and renamed over it: a crash leaves the old file or the new one.
  const std::string temporary = path + ".new";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out.flush()) {
      if (error)
        *error = MessageText(QT_TRANSLATE_NOOP("Message", "%1 に書き込めません。"), {temporary});
      std::remove(temporary.c_str());
      return false;
    }
  }
  if (std::rename(temporary.c_str(), path.c_str()) != 0) {
    if (error) *error = MessageText(QT_TRANSLATE_NOOP("Message", "%1 を置き換えられません。"), {path});
    std::remove(temporary.c_str());
    return false;
  }
  return true;
}

int PoseThreadsFor(const CameraSettings& settings, int cores) {
  if (settings.inference_threads > 0) return settings.inference_threads;
  return cores > 2 ? 2 : 1;
}
