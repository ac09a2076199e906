#include "state/program_state.h"

ExperimentSettings settings;
SettingsFile settings_file;
std::string window_class;
int32_t screen_width = 0;
int32_t screen_height = 0;

TrialRecord trial_records[kTrialRecordCapacity];
int32_t trial_count = 0;
BodySample body_samples[kBodySampleCapacity];
int32_t sample_count = 0;
LocalDateTime run_start_time;
RunTiming run_timing;

std::unique_ptr<uint8_t[]> color_buffer;

TrackedBody tracked_bodies[kBodySlotCount];
int32_t show_markers = 0;

int32_t body_texture = 0;
int32_t balloon_textures[4] = {0, 0, 0, 0};
int32_t burst_texture = 0;

SensorStopRecord sensor_stop;
SessionVideoRecord session_video;

void ResetProgramState() {
  settings = ExperimentSettings{};
  settings_file = SettingsFile{};
  window_class.clear();
  screen_width = 0;
  screen_height = 0;
  for (auto& r : trial_records) r = TrialRecord{};
  trial_count = 0;
  for (auto& s : body_samples) s = BodySample{};
  sample_count = 0;
  run_start_time = LocalDateTime{};
  for (auto& t : run_timing.trials) t = TrialTiming{};
  run_timing.Clear();
  color_buffer.reset();
  for (auto& b : tracked_bodies) b = TrackedBody{};
  show_markers = 0;
  body_texture = 0;
  for (auto& t : balloon_textures) t = 0;
  burst_texture = 0;
  sensor_stop = SensorStopRecord{};
  session_video = SessionVideoRecord{};
}
