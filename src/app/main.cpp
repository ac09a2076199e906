// tavelin2: parses the command line, selects the body sensor backend, then
// hands over to the application object.

#include <QApplication>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/bids_app_command.h"
#include "app/command_line.h"
#include "app/latency_test_command.h"
#include "app/my_app.h"
#include "app/qt_message_box.h"
#include "app/reanalyse_command.h"
#include "app/report_command.h"
#include "app/sim_participant_wiring.h"
#include "app/language_choice.h"
#include "body/sensor/sensor_registry.h"
#include "export/bids_export.h"
#include "latency/flash_plan.h"

namespace {

std::vector<BackendDescription> DescribeBackends() {
  std::vector<BackendDescription> out;
  for (const SensorBackendInfo& info : ListSensorBackends()) {
    BackendDescription backend{info.name, info.help, {}, info.settings_help};
    for (const SensorBackendOptionInfo& o : info.options)
      backend.options.push_back({o.flag, o.value_name, o.help, o.in_usage_line});
    out.push_back(std::move(backend));
  }
  return out;
}

std::string BackendNames() {
  std::string names;
  for (const SensorBackendInfo& info : ListSensorBackends()) {
    if (!names.empty()) names += ", ";
    names += info.name;
  }
  return names;
}

bool IsKnownBackend(const std::string& name) {
  const auto backends = ListSensorBackends();
  return std::any_of(backends.begin(), backends.end(),
                     [&](const SensorBackendInfo& info) { return info.name == name; });
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv, argv + argc);
  // A batch conversion of result files: no window, no sensor.
  if (args.size() > 1 && args[1] == "--export-bids") {
    return RunBidsExportCommand({args.begin() + 1, args.end()});
  }
  if (args.size() > 1 && args[1] == "--report") {
    return RunReportCommand({args.begin() + 2, args.end()});
  }
  if (args.size() > 1 && args[1] == "--reanalyse") {
    return RunReanalyseCommand({args.begin() + 2, args.end()});
  }
  if (args.size() > 1 && args[1] == "--bids-app") {
    return RunBidsAppCommand({args.begin() + 2, args.end()});
  }
  CommandLine command_line;
  std::string error;
  const BackendOptionParser backend_option = [](const std::string& arg, std::string* e) {
    return ParseSensorBackendOption(arg, nullptr, e);
  };
  if (!ParseCommandLine(args, command_line, error, DescribeBackends(), backend_option)) {
    std::fprintf(stderr, "tavelin2: %s\nTry 'tavelin2 --help'.\n", error.c_str());
    return kExitUsage;
  }
  if (command_line.show_help) {
    std::fputs(CommandLineHelp("tavelin2", DescribeBackends(), DefaultSensorBackendName()).c_str(),
               stdout);
    return 0;
  }

  const std::string sensor =
      command_line.sensor_given ? command_line.sensor : DefaultSensorBackendName();
  if (!IsKnownBackend(sensor)) {
    std::fprintf(stderr, "tavelin2: unknown sensor backend '%s' (available: %s)\n", sensor.c_str(),
                 BackendNames().c_str());
    return kExitUsage;
  }
  if (!SelectSensorBackend(sensor, command_line.backend_options, &error)) {
    std::fprintf(stderr, "tavelin2: sensor backend '%s' cannot be used: %s\n", sensor.c_str(),
                 error.c_str());
    return kExitUsage;
  }

  // QApplication keeps references to argc/argv: they must outlive it.
  std::vector<std::string> qt_args = command_line.qt_args;
  std::vector<char*> qt_argv;
  for (std::string& a : qt_args) qt_argv.push_back(a.data());
  qt_argv.push_back(nullptr);
  int qt_argc = static_cast<int>(qt_args.size());
  QApplication application(qt_argc, qt_argv.data());
  InstallQtMessageBoxHandler();
  const UiLanguage language =
      command_line.language.empty() ? StoredUiLanguage() : *ParseUiLanguage(command_line.language);
  if (!ApplyUiLanguage(language))
    std::fprintf(stderr, "tavelin2: the English texts could not be loaded; Japanese is used\n");
  ConnectSimulatedParticipant();
  if (command_line.latency_test) {
    return RunLatencyTestCommand(command_line.flashes != 0 ? command_line.flashes
                                                           : kDefaultFlashes);
  }
  return theApp.Run();
}
