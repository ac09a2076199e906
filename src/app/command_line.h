#pragma once
// The program's command line. The experiment settings live in the settings
// file; the command line only chooses the body sensor backend.
//
//   --help                 lists the options and the sensor backends
//   --sensor=NAME          the body sensor backend (sim, none, camera, ...)
//   --camera=DEVICE|FILE   the camera device or a video file for the camera backend
//
// Options with a single dash (-platform xcb, -style ...) belong to Qt and are
// handed to QApplication unchanged. Anything else is an error.

#include <functional>
#include <string>
#include <vector>

struct CommandLine {
  bool show_help = false;
  std::string sensor;  // empty: the default backend
  bool sensor_given = false;
  std::string camera;
  std::vector<std::string> qt_args;  // argv[0] first, then Qt's own options
};

inline constexpr int kExitUsage = 2;  // bad option or unknown sensor name

// Options of the sensor backends (--sim-bodies=2, ...): true when `arg` was one
// and is valid; false with *error set when its value is bad; false with *error
// empty when `arg` is no such option.
using BackendOptionParser = std::function<bool(const std::string& arg, std::string* error)>;

// False with a message in `error` when an option is unknown or lacks its value.
bool ParseCommandLine(const std::vector<std::string>& args, CommandLine& out, std::string& error,
                      const BackendOptionParser& backend_option = {});

struct BackendDescription {
  std::string name;
  std::string help;
};
// `backend_options_help`: lines describing the backends' own options.
std::string CommandLineHelp(const std::string& program,
                            const std::vector<BackendDescription>& backends,
                            const std::string& default_backend,
                            const std::string& backend_options_help = {});
