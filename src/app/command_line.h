#pragma once
// The program's command line. The experiment settings live in the settings
// file; the command line only chooses the body sensor backend.
//
//   --help                 lists the options and the sensor backends
//   --sensor=NAME          the body sensor backend (sim, none, camera, ...)
//   --FLAG=VALUE           an option a sensor backend owns (--camera=..., --sim-bodies=...)
//   --latency-test         the screen-to-camera latency test instead of the task
//   --flashes=N            its number of flashes
//   --language=en|ja       the language of the texts for this start
//
// Options with a single dash (-platform xcb, -style ...) belong to Qt and are
// handed to QApplication unchanged. Anything else is an error.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct CommandLine {
  bool show_help = false;
  std::string sensor;  // empty: the default backend
  bool sensor_given = false;
  bool latency_test = false;
  int32_t flashes = 0;  // 0: the test's default
  std::string language;  // "en" or "ja"; empty: the one chosen in the Language menu
  std::vector<std::string> backend_options;  // "--flag=value" ("--flag" for a switch), in order
  std::vector<std::string> qt_args;          // argv[0] first, then Qt's own options
};

inline constexpr int kExitUsage = 2;  // bad option or unknown sensor name

// An option a sensor backend owns: "--flag=VALUE" or "--flag VALUE", or a bare
// "--flag" when it takes no value.
struct BackendOptionDescription {
  std::string flag;            // "--sim-bodies"
  std::string value_name;      // "N"; empty: a switch without a value
  std::string help;            // '\n' starts another line
  bool in_usage_line = false;  // shown in the usage line with the program's own options
};

struct BackendDescription {
  std::string name;
  std::string help;
  std::vector<BackendOptionDescription> options;
  std::string settings_help;  // lines after the options (a settings file it reads)
};

// Checks a backend option, given as "--flag=value" (or "--flag"): true when it
// is valid; false with *error set when its value is bad; false with *error
// empty when it is no such option.
using BackendOptionParser = std::function<bool(const std::string& arg, std::string* error)>;

// The message for a --language value other than en and ja.
std::string BadLanguageError(const std::string& value);

// False with a message in `error` when an option is unknown, lacks its value
// or `backend_option` refuses it. Options the `backends` own are collected in
// out.backend_options; `backend_option` (may be empty) checks each first.
bool ParseCommandLine(const std::vector<std::string>& args, CommandLine& out, std::string& error,
                      const std::vector<BackendDescription>& backends = {},
                      const BackendOptionParser& backend_option = {});

std::string CommandLineHelp(const std::string& program,
                            const std::vector<BackendDescription>& backends,
                            const std::string& default_backend);
