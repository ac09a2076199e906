#pragma once
// The program's connection to the body sensor: opened at the start of each
// run, polled by the body update once per pass, closed before the result files
// are written. All calls on the UI thread.

#include <cstdint>
#include <memory>

#include "body/sensor/sensor_handles.h"

struct SensorConnection {
  std::unique_ptr<IKinectSensor> sensor;  // null when closed
  std::unique_ptr<ICoordinateMapper> coordinate_mapper;
  std::unique_ptr<IColorFrameReader> color_reader;
  std::unique_ptr<IDepthFrameReader> depth_reader;
  std::unique_ptr<IBodyFrameReader> body_reader;
  std::unique_ptr<IBodyIndexFrameReader> body_index_reader;
  // Whole frame sets of a device that publishes them; opened with the readers.
  std::unique_ptr<FrameSetReader> frame_set_reader;
};

extern SensorConnection sensor_connection;

// 1 when the sensor, its mapper and all four readers are open; 0 when there is
// no sensor or a step failed (what was opened before that step stays open);
// the negative status of GetDefaultKinectSensor when that call failed. Drops
// whatever an earlier run left in sensor_connection first, and the sensor
// problem noted for it (sensor/sensor_problem.h); a backend that fails notes why.
int OpenSensor();

// CLOCK_MONOTONIC time (ns) at which the open sensor published its newest
// colour frame; 0 when no sensor is open or none has come yet. For measuring
// how soon the trial loop takes frames up.
int64_t NewestColourFramePublishedAt_ns();
// The same for the newest body frame.
int64_t NewestBodyFramePublishedAt_ns();

// The run's recording on the open sensor (sensor/session_recording.h); "off"
// when no sensor is open. Finish before CloseSensor.
SessionRecordingReport StartSessionRecording(const SessionRecordingPlan& plan);
SessionRecordingReport FinishSessionRecording();
// The open sensor for the run record: the selected backend's name ("none"
// when no sensor is open) and what the device says of itself.
SensorDescription DescribeOpenSensor();

// Releases the mapper and the readers, closes and releases the sensor. Always 1;
// nothing happens when no sensor is open.
int CloseSensor();
