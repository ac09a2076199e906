#pragma once
// Which sensor backend GetDefaultKinectSensor uses, chosen on the command line
// (--sensor=NAME plus the options the backends own). The backends are listed
// in one table (src/body/backends/backend_table.cpp); the default is the first
// one there that may be a default (the simulator never is).
//
// Adding a backend: a folder src/body/backends/<name>/ with a SensorDevice
// subclass, its option table and its SensorBackendDriver (backend_options.h),
// a CMakeLists that adds its sources to t2_body, and one line in the table.

#include <string>
#include <vector>

#include "body/sensor/backend_driver.h"

struct SensorBackendInfo {
  std::string name;
  std::string help;
  bool only_by_name = false;
  std::vector<SensorBackendOptionInfo> options;
  std::string settings_help;  // as SensorBackendDriver's
};

// Every backend that --sensor= accepts, in the order --help lists them.
std::vector<SensorBackendInfo> ListSensorBackends();

// The backends' own options as given on the command line, "--flag=value" each
// (a bare "--flag" for a switch), in their order.
using SensorBackendOptions = std::vector<std::string>;

// Checks one backend option against the backend that owns its flag and, when
// valid, adds it to *options (may be null: only check). True when it is valid;
// false with *error set when its value is bad; false with *error empty when no
// backend owns it.
bool ParseSensorBackendOption(const std::string& argument, SensorBackendOptions* options,
                              std::string* error);

// Makes `name` the backend of every later GetDefaultKinectSensor, with the
// options of `options` it owns (those of other backends are checked, then left
// alone). False, with a message in *error (may be null), for an unknown name,
// an option no backend owns or one its backend refuses; the selection is then
// unchanged.
bool SelectSensorBackend(const std::string& name, const SensorBackendOptions& options,
                         std::string* error);

// The first backend of the table that may be a default ("camera" when the
// camera backend is built, otherwise "none").
std::string DefaultSensorBackendName();
// Name of the selected backend (the default until SelectSensorBackend succeeds).
std::string SelectedSensorBackendName();

// What GetDefaultKinectSensor uses: a backend's name and the factory made for
// it. An empty factory stands for the default backend with default options.
struct SensorSelection {
  std::string name;
  SensorFactory factory;
};
// Makes `selection` the one GetDefaultKinectSensor uses and returns the one it
// replaces. SelectSensorBackend goes through here; tests put a sensor of their
// own in the same way and the old selection back afterwards.
SensorSelection ExchangeSensorSelection(SensorSelection selection);
