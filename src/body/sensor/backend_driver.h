#pragma once
// One entry of the sensor backend table (src/body/backends/backend_table.cpp):
// the name --sensor= takes, the backend's --help line, the command-line options
// it owns and how it makes its device. Backends build their entry with
// MakeSensorBackendDriver (backend_options.h) from a table of their options.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "body/sensor/sensor_device.h"

// Makes the device for one run. No device present: S_OK with *device null.
// A negative status is a failure of the sensor runtime itself (OpenSensor
// passes it on). Called on the UI thread; must not block for long.
using SensorFactory = std::function<Status(std::shared_ptr<SensorDevice>* device)>;

// A command-line option a backend owns: "--flag=VALUE" or "--flag VALUE", or
// a bare "--flag" for a switch.
struct SensorBackendOptionInfo {
  std::string flag;            // "--sim-bodies"
  std::string value_name;      // "N" in --help; empty for a switch
  std::string help;            // its --help text; '\n' starts another line
  bool in_usage_line = false;  // shown in the usage line, with the program's own options
};

struct SensorBackendDriver {
  std::string name;  // what --sensor= takes
  std::string help;  // one line for --help
  // Lines --help adds after the options: a settings file the backend reads.
  std::string settings_help;
  // Used only when --sensor= names it, never as the default.
  bool only_by_name = false;
  std::vector<SensorBackendOptionInfo> options;
  // Reads the backend's own options ("--flag=value" each, "--flag" for a
  // switch; only flags of `options`) over their defaults and returns the
  // factory for runs with them. Null, with "<argument>: <problem>" in *error
  // (may be null), when it refuses one.
  std::function<SensorFactory(const std::vector<std::string>& arguments, std::string* error)>
      configure;
};
