#pragma once
// The camera backend's tunable values. Defaults suit one or two children
// standing 1.5 to 3 m from an ordinary webcam; an experimenter can override
// any of them in "camera.ini" in the program's working directory (one
// "key=value" a line, '#' starts a comment; unknown keys are reported).
// Each key is declared once, in CameraSettingKeys(): its name, field, range
// and help; the default is the field's initial value below.

#include <string>
#include <utility>
#include <variant>
#include <vector>

// The single-pose model that takes a second look at each person (see
// PoseRefiner), by name as in camera.ini.
enum class PoseRefineModel { kOff, kLightning, kThunder };
inline constexpr const char* kPoseRefineModelNames[] = {"off", "lightning", "thunder"};

struct CameraSettings {
  // The camera (a /dev/video* device) or video file; empty: the first camera
  // that gives pictures. --camera overrides it.
  std::string device;
  // Capture (cameras only; a file plays at its own size and rate).
  int capture_width = 1280;  // pixels requested from the camera
  int capture_height = 720;
  int capture_fps = 30;
  bool replay_realtime = true;  // a video file plays at its frame rate (false: as fast as possible)
  // A video file: every picture is analysed, in order, however long the
  // models take (the capture waits for them), so that replays of one
  // recording give the same bodies on every machine.
  bool replay_every_frame = false;

  // Recording: each run's pictures as <subject>_<date>_<time>_V.avi with its
  // frame table. Off unless a lab turns it on: video of children needs consent.
  bool record_video = false;

  // Pose.
  int pose_input_width =
      256;  // MoveNet input width, multiple of 32 (larger: farther people, slower)
  float person_threshold = 0.20f;  // a person counts when its score reaches this
  // ...or this, while the hand model sees a hand at one of its wrists.
  float person_hand_threshold = 0.05f;
  float keypoint_threshold = 0.30f;  // a joint below this is reported not tracked
  // A wrist scored at least this (below keypoint_threshold) is tracked when
  // its forearm holds together with the elbow and shoulders.
  float weak_wrist_threshold = 0.15f;
  // A second look at each person with MoveNet SinglePose in a square around
  // it; its joints replace those it scores higher. Lightning (192 px) or
  // Thunder (256 px: slower, more exact).
  PoseRefineModel pose_refine_model = PoseRefineModel::kOff;
  // ONNX Runtime intra-op threads of the pose model; 0 chooses for the cores
  // (one on a two-core PC, where a second thread costs CPU the stage needs
  // and gains no time while the other core is busy; else two).
  int inference_threads = 0;

  // Hands.
  bool hand_shapes = true;       // estimate hand shapes at all
  bool hand_model_full = true;   // the larger hand model (off: the small one, faster, less sure)
  int hand_crops_per_frame = 2;  // hands read per frame, taking turns (0: all, every frame)
  // Hand model time a picture may take on average, milliseconds (estimated
  // from each step's known cost, so that replays read the same hands); what
  // a picture does not use is saved for the next few. 0: no limit.
  float hand_budget_ms = 8.0f;
  float hand_presence_threshold = 0.5f;  // below this the hand shape is unknown
  // A hand is looked for at a wrist scored at least this (below the joint
  // threshold: the hand model itself then confirms or rejects the hand).
  float hand_wrist_threshold = 0.02f;
  int hand_shape_confirm_frames = 2;  // frames a new shape must persist before it is reported
  int hand_shape_hold_frames = 4;     // frames a shape is kept while the hand is not readable

  // Distance.
  float shoulder_width_m = 0.25f;    // a 3-6 year old's shoulder width
  float horizontal_fov_deg = 70.0f;  // the camera's horizontal field of view

  // Tracking.
  int track_max_missed_frames = 15;  // frames a person may go unseen and keep its ID
};

struct CameraSettingKey {
  const char* name;
  std::variant<int CameraSettings::*, float CameraSettings::*, bool CameraSettings::*,
               PoseRefineModel CameraSettings::*, std::string CameraSettings::*>
      field;
  double low = 0, high = 0;  // numbers: the range taken
  bool shapes_data = true;   // written in the run record (sensor.camera_ini)
  const char* help = "";
};
const std::vector<CameraSettingKey>& CameraSettingKeys();

// A key's value in `settings` as camera.ini writes it ("0.3", "on", "thunder").
std::string CameraSettingText(const CameraSettings& settings, const CameraSettingKey& key);
// What camera.ini takes for a key: "0 to 1", "on or off", "off, lightning or thunder".
std::string CameraSettingRange(const CameraSettingKey& key);
// The keys that shape the data, with their values, for the run record.
std::vector<std::pair<std::string, std::string>> CameraSettingsRecord(const CameraSettings& s);
// camera.ini's keys with their defaults, ranges and help, for --help.
std::string CameraSettingsHelp();

// Sets one key to a value given as text (as in camera.ini). Null when taken,
// else what is wrong ("unknown key", ...); *settings is then unchanged.
const char* SetCameraSetting(const std::string& key, const std::string& value,
                             CameraSettings* settings);

// Where the program reads them: camera.ini in the working folder.
inline constexpr const char* kCameraSettingsFile = "camera.ini";

// Sets `key` to `value` in the settings file at `path`, keeping its other
// lines; made when missing. Later lines for the key, which would override
// it, are dropped. False with *error when the key does not take the value
// (or it holds '#' or a line break) or the file cannot be written.
bool WriteCameraSetting(const std::string& path, const std::string& key, const std::string& value,
                        std::string* error);

// Reads overrides from `path` into *settings. Missing file: true, nothing
// changes. Bad lines are skipped and described in *warnings (one a line,
// with the value used instead; bytes that are no printable text escaped).
bool LoadCameraSettings(const std::string& path, CameraSettings* settings, std::string* warnings);

// The pose model's intra-op threads for these settings on a machine with
// `cores` cores.
int PoseThreadsFor(const CameraSettings& settings, int cores);
