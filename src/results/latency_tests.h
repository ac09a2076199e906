#pragma once
// The screen-to-camera latency tests kept for later runs: the newest test of
// each device, in "Tavelin2_latency.json" in the working directory (beside
// Tavelin2.ini). A run record names the newest test made with its own device,
// and the camera check says when there is none.

#include <cstdint>
#include <optional>
#include <string>

#include "body/sensor/sensor_device.h"

inline constexpr const char* kLatencyTestsFileName = "Tavelin2_latency.json";
inline constexpr const char* kLatencyTestsFormat = "tavelin2-latency-tests/1";

struct LatencyTestRecord {
  std::string date;    // ISO 8601 local time the test began
  std::string device;  // LatencyDeviceName of its sensor
  std::string file;    // the test's latency_<yyyymmdd>_<hhmmss>.csv
  int32_t n = 0;       // flashes seen
  int32_t missed = 0;  // flashes not seen
  double mean_ms = 0, median_ms = 0, min_ms = 0, sd_ms = 0;
};

// The device a test belongs to: the camera device or video file, else the
// sensor backend's name ("sim").
std::string LatencyDeviceName(const SensorDescription& sensor);

// The record as a compact JSON object (times to a tenth of a millisecond).
std::string LatencyTestJson(const LatencyTestRecord& record);

// The newest test made with `device` kept in the file at `path`; nothing when
// there is none, or when the file is missing or cannot be read (*problem then
// says why; it stays empty for a missing file).
std::optional<LatencyTestRecord> FindLatencyTest(const std::string& path, const std::string& device,
                                                 std::string* problem = nullptr);

// Keeps `record` in the file at `path` as its device's newest test; the file
// is replaced whole (never left half written) and readable by the user alone.
// False with *problem when it could not be written.
bool KeepLatencyTest(const std::string& path, const LatencyTestRecord& record,
                     std::string* problem);
