#pragma once
// Which sensor backend GetDefaultKinectSensor uses, chosen on the command line
// (--sensor=NAME). The backends are listed in one table (sensor_registry.cpp);
// the simulated sensor is only ever used when it is asked for by name.
//
// Adding a backend: a folder src/body/backends/<name>/ with a SensorDevice
// subclass and a `const SensorBackendDriver <name>_sensor_driver` (see
// sensor_device.h), and one line in the table. The camera backend is compiled
// in when its folder's CMakeLists adds its sources to t2_body and defines
// TAVELIN_CAMERA_BACKEND on it; it then becomes the default.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "body/sensor/sensor_device.h"

struct SensorBackendOptions {
  std::string camera_device;   // --camera=DEVICE_OR_FILE; empty: the first camera
  int32_t sim_bodies = 2;      // --sim-bodies=N, 1 to 6 simulated children
  uint32_t sim_seed = 1;       // --sim-seed=N
  bool sim_bgra = false;       // --sim-color=bgra: BGRA colour frames instead of YUY2
  int32_t sim_latency_ms = 0;  // --sim-latency-ms=N: each frame set published N ms after capture
};

struct SensorBackendInfo {
  std::string name;
  std::string help;
};

// Every backend that --sensor= accepts, in the order --help lists them.
std::vector<SensorBackendInfo> ListSensorBackends();

// Makes `name` the backend of every later GetDefaultKinectSensor. False, with
// a message in *error (may be null), for an unknown name or invalid options;
// the selection is then unchanged.
bool SelectSensorBackend(const std::string& name, const SensorBackendOptions& options,
                         std::string* error);

// "camera" when the camera backend is built, otherwise "none".
std::string DefaultSensorBackendName();
// Name of the selected backend (the default until SelectSensorBackend succeeds).
std::string SelectedSensorBackendName();

// Takes one backend option from the command line ("--sim-bodies=2" etc.; not
// --sensor itself). True when `argument` was one of them and is valid; false
// with *error set when it was one of them but its value is bad; false with
// *error empty when it is no backend option at all.
bool ParseSensorBackendOption(const std::string& argument, SensorBackendOptions* options,
                              std::string* error);
// Lines for --help describing the backend options.
std::string SensorBackendOptionsHelp();

// Tests: makes GetDefaultKinectSensor call `factory` instead of a named backend
// (for example a ScriptedSensor). A null factory restores the default backend.
using SensorFactory = std::function<Status(std::shared_ptr<SensorDevice>* device)>;
void SetSensorFactoryForTesting(SensorFactory factory);
