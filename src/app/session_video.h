#pragma once
// The run's session video (a camera that records, camera.ini's record_video):
// started with the run, finished before the result files are written, and
// what became of it, for the experimenter and the run's record.

#include <optional>

#include "body/sensor/session_recording.h"

// The run clock (ms since its last reset) at a capture time on
// CLOCK_MONOTONIC in 100 ns units; nothing while no run uses the clock.
// Safe on any thread.
std::optional<int64_t> RunClockAtCapture(TIMESPAN capture_time);

// Asks the open sensor to record this run (settings.subject, run_start_time;
// the working directory, else a rescue folder). When recording is on but
// cannot start, the experimenter is told before the run; the run goes on.
void BeginSessionVideo();
// Completes the video; a recording that stopped early is reported.
void EndSessionVideo();
// The run was abandoned before it began: its video files are removed.
void DiscardSessionVideo();

// What the last run recorded (off when it recorded nothing).
const SessionRecordingReport& LastSessionVideo();
