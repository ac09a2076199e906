#pragma once
// The run journal's entries for the timing file and the run record: the run
// record's head (once, at the start), each trial's timing, each drawn pass and
// a sensor that stopped mid-run.
// Frames as in journal_format.h; the payload starts with its kind byte.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "state/run_timing.h"
#include "state/sensor_stop.h"

// What recovery needs of them.
struct JournalTimingContents {
  std::string run_head;              // JSON text; empty when the journal has none
  std::vector<TrialTiming> timings;  // same positions as the trial records
  FrameTimingStats frames;           // rebuilt from the journalled drawn passes
  SensorStopRecord sensor_stop;      // cause kNone: the sensor did not stop
};

// Unchecksummed record frames, appended on the UI thread (see journal_format.h).
void AppendTrialTimingFrame(std::vector<char>& out, int32_t index, const TrialTiming& timing);
void AppendDrawnPassFrame(std::vector<char>& out, const DrawnPassFacts& facts);
void AppendRunHeadFrame(std::vector<char>& out, std::string_view head_json);
void AppendSensorStopFrame(std::vector<char>& out, const SensorStopRecord& stop);

// Takes one of these entries into *out; true for a kind it does not know (a
// later program's entry is skipped), false for a malformed one.
bool ParseTimingEntry(std::string_view payload, JournalTimingContents* out);
