#pragma once
// The run record "<subject>_YYYYMMDD_hhmmss_run.json": what a reader needs to
// trust and reproduce a run (program, settings, seed, sensor, how it ended, the
// frame counts and latencies). Its head is known when the run starts and goes
// into the journal then; the rest is added from the run's timing at the end,
// or from the journal when a killed run is recovered.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "body/sensor/sensor_device.h"
#include "results/latency_tests.h"
#include "state/experiment_settings.h"
#include "state/records.h"
#include "state/run_timing.h"
#include "state/sensor_stop.h"
#include "state/session_video_record.h"

inline constexpr const char* kRunRecordFormat = "tavelin2-run/1";

struct RunRecordHead {
  std::string subject;
  LocalDateTime start;
  int32_t utc_offset_minutes = 0;  // of the local time `start` is in
  ExperimentSettings settings;     // as the run started with them
  uint32_t random_seed_used = 0;
  uint32_t random_state_at_start = 0;  // the generator's state when the run began
  SensorDescription sensor;
  std::optional<LatencyTestRecord> latency_test;  // the newest made with this sensor
};

// The program's version: `git describe` of the source tree at configure time,
// else the project version.
const char* ProgramVersion();

// The head as the text of a JSON object (format, program, subject, start,
// settings, random seed, sensor, latency test).
std::string RunRecordHeadJson(const RunRecordHead& head);

// What the end of a run adds to the head.
struct RunRecordTail {
  RunEndReason end_reason = RunEndReason::kUnknown;
  int32_t duration_ms = 0;
  std::span<const TrialRecord> trials;
  std::span<const TrialTiming> timings;  // same length as trials
  int32_t body_samples = 0;
  const FrameTimingStats* frames = nullptr;       // null: no drawn pass is known
  const SensorStopRecord* sensor_stop = nullptr;  // null or kNone: the sensor did not stop
  // null: not known (a recovered run whose video was not found), and the record
  // says nothing of a video
  const SessionVideoRecord* session_video = nullptr;
  // The sensor as the run left it, for the camera's damaged pictures (the
  // head has the sensor as the run began); null: not known, and the record
  // says nothing of them.
  const SensorDescription* sensor_at_end = nullptr;
};

// The whole record, pretty-printed, ending in a line feed. A head that is not
// a JSON object (a damaged journal) is kept as far as it can be read.
std::string RunRecordJson(std::string_view head_json, const RunRecordTail& tail);

// ISO 8601 local time with its offset, e.g. "2016-03-05T09:07:02.123+09:00".
std::string Iso8601(const LocalDateTime& time, int32_t utc_offset_minutes);
