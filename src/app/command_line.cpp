#include "app/command_line.h"

#include <sstream>

namespace {

// Matches "--name=value" and "--name value"; advances `i` past a separate value.
bool TakeValue(const std::vector<std::string>& args, size_t& i, const std::string& name,
               std::string& value, std::string& error, bool& matched) {
  const std::string& arg = args[i];
  const std::string flag = "--" + name;
  matched = false;
  if (arg == flag) {
    matched = true;
    if (i + 1 >= args.size()) {
      error = "option " + flag + " needs a value";
      return false;
    }
    value = args[++i];
    return true;
  }
  if (arg.rfind(flag + "=", 0) == 0) {
    matched = true;
    value = arg.substr(flag.size() + 1);
    return true;
  }
  return true;
}

}  // namespace

bool ParseCommandLine(const std::vector<std::string>& args, CommandLine& out, std::string& error,
                      const BackendOptionParser& backend_option) {
  out = CommandLine{};
  out.qt_args.push_back(args.empty() ? std::string("tavelin2") : args[0]);
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--help" || arg == "-h" || arg == "-?") {
      out.show_help = true;
      continue;
    }
    bool matched = false;
    if (!TakeValue(args, i, "sensor", out.sensor, error, matched)) return false;
    if (matched) {
      out.sensor_given = true;
      if (out.sensor.empty()) {
        error = "option --sensor needs a backend name";
        return false;
      }
      continue;
    }
    if (!TakeValue(args, i, "camera", out.camera, error, matched)) return false;
    if (matched) continue;
    if (backend_option && arg.rfind("--", 0) == 0) {
      std::string option_error;
      if (backend_option(arg, &option_error)) continue;
      if (!option_error.empty()) {
        error = option_error;
        return false;
      }
    }
    if (arg.size() > 1 && arg[0] == '-' && arg[1] != '-') {
      // Qt's own option; its value (if any) follows as the next plain argument.
      out.qt_args.push_back(arg);
      if (i + 1 < args.size() && !args[i + 1].empty() && args[i + 1][0] != '-') {
        out.qt_args.push_back(args[++i]);
      }
      continue;
    }
    error = "unknown argument: " + arg;
    return false;
  }
  return true;
}

std::string CommandLineHelp(const std::string& program,
                            const std::vector<BackendDescription>& backends,
                            const std::string& default_backend,
                            const std::string& backend_options_help) {
  std::ostringstream out;
  out << "Usage: " << program << " [--sensor=NAME] [--camera=DEVICE|FILE]\n"
      << "\n"
      << "Runs the balloon task. The experiment settings (subject, time limit, modes)\n"
      << "are entered in the setup dialog and kept in Tavelin2.ini in the working\n"
      << "directory; the result files are written there too.\n"
      << "\n"
      << "Options:\n"
      << "  --help                 show this text and exit\n"
      << "  --sensor=NAME          body sensor backend (default: " << default_backend << ")\n"
      << "  --camera=DEVICE|FILE   camera device (e.g. /dev/video0) or a video file\n"
      << "                         for the camera backend\n"
      << "  -platform NAME, ...    Qt's own options are passed on to Qt\n"
      << "\n"
      << "Sensor backends:\n";
  for (const BackendDescription& b : backends) {
    out << "  " << b.name;
    if (!b.help.empty()) {
      out << std::string(b.name.size() < 10 ? 10 - b.name.size() : 1, ' ') << b.help;
    }
    out << "\n";
  }
  // --camera is listed above already.
  std::istringstream backend_lines(backend_options_help);
  std::string extra;
  for (std::string line; std::getline(backend_lines, line);) {
    if (line.find("--camera") == std::string::npos) extra += line + "\n";
  }
  if (!extra.empty()) out << "\nSensor backend options:\n" << extra;
  out << "\n"
      << "Keys during a run: Esc ends the run, M toggles the mirror display,\n"
      << "space toggles the joint markers.\n";
  return out.str();
}
