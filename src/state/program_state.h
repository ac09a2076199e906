#pragma once
// Program-wide state: single instances that live from program start to program
// end and that several parts of the program read and write. A run resets what it
// uses instead of creating new objects.

#include <cstdint>
#include <memory>
#include <string>

#include "state/experiment_settings.h"
#include "state/sensor_stop.h"
#include "state/session_video_record.h"
#include "state/settings_file.h"
#include "state/tracked_body.h"
#include "state/records.h"
#include "state/run_timing.h"

class CTouchWnd;  // the stage window (src/stage); defined by the Qt front end

extern ExperimentSettings settings;
extern SettingsFile settings_file;
extern std::string window_class;
extern int32_t screen_width;  // primary screen, physical pixels
extern int32_t screen_height;

extern TrialRecord trial_records[kTrialRecordCapacity];
extern int32_t trial_count;
extern BodySample body_samples[kBodySampleCapacity];
extern int32_t sample_count;
extern LocalDateTime run_start_time;
// The timing of the current (or last) run: the timing file and the run record.
extern RunTiming run_timing;

// One BGRA colour picture of 1920 x 1080: 8,294,400 bytes while a run has the
// sensor open, null otherwise.
inline constexpr size_t kColorBufferBytes = 1920u * 1080u * 4u;
extern std::unique_ptr<uint8_t[]> color_buffer;

extern TrackedBody tracked_bodies[kBodySlotCount];
extern int32_t show_markers;

// Texture indexes into the stage's texture table, set by the experiment driver.
extern int32_t body_texture;
extern int32_t balloon_textures[4];
extern int32_t burst_texture;

// The one stage window object; its window exists only during a run.
extern CTouchWnd experiment_window;

// How the sensor stopped during the last run (cause kNone: it did not).
extern SensorStopRecord sensor_stop;
// The last run's session video (off: the run recorded none).
extern SessionVideoRecord session_video;

// Back to the values at program start (tests use this between cases).
void ResetProgramState();
