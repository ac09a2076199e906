#pragma once
// A sensor backend's command-line options, as a table over the backend's own
// settings struct, one line per option:
//
//   const BackendOptionTable<SimSensorOptions> options = {
//       NumberOption(&SimSensorOptions::seed,
//                    {"--sim-seed", "N", "seed of the simulated scene (default 1)"}, 0,
//                    UINT32_MAX),
//   };
//   MakeSensorBackendDriver("sim", "...", BackendUse::kOnlyByName, options, CreateSimSensor);
//
// The value kinds below give the messages the command line prints, for
// example "--sim-seed=-1: needs a number from 0 to 4294967295".

#include <cstdint>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "body/sensor/backend_driver.h"

template <typename Settings>
struct BackendOption {
  SensorBackendOptionInfo info;
  // Stores the value (empty for a switch) in *settings; false with *problem.
  std::function<bool(const std::string& value, Settings* settings, std::string* problem)> apply;
};

template <typename Settings>
using BackendOptionTable = std::vector<BackendOption<Settings>>;

// "--flag=value" split at the first '='.
struct BackendArgument {
  std::string flag;
  std::string value;
  bool has_value = false;
};
BackendArgument SplitBackendArgument(const std::string& argument);

// A decimal integer from low to high, nothing else around it.
bool ParseBoundedInteger(const std::string& text, int64_t low, int64_t high, int64_t* value);

template <typename Settings, typename Number>
BackendOption<Settings> NumberOption(Number Settings::*field, SensorBackendOptionInfo info,
                                     int64_t low, int64_t high) {
  static_assert(std::is_integral_v<Number>);
  return {std::move(info),
          [field, low, high](const std::string& value, Settings* settings, std::string* problem) {
            int64_t number = 0;
            if (!ParseBoundedInteger(value, low, high, &number)) {
              *problem =
                  "needs a number from " + std::to_string(low) + " to " + std::to_string(high);
              return false;
            }
            settings->*field = static_cast<Number>(number);
            return true;
          }};
}

// Any text but an empty one; `problem_when_empty` says what is missing
// ("needs a device or file").
template <typename Settings>
BackendOption<Settings> TextOption(std::string Settings::*field, SensorBackendOptionInfo info,
                                   std::string problem_when_empty) {
  return {std::move(info), [field, problem_when_empty](const std::string& value, Settings* settings,
                                                       std::string* problem) {
            if (value.empty()) {
              *problem = problem_when_empty;
              return false;
            }
            settings->*field = value;
            return true;
          }};
}

// One of a few words, each standing for a value of the field.
template <typename Settings, typename Value>
BackendOption<Settings> ChoiceOption(Value Settings::*field, SensorBackendOptionInfo info,
                                     std::vector<std::pair<std::string, Value>> choices) {
  return {std::move(info),
          [field, choices](const std::string& value, Settings* settings, std::string* problem) {
            for (const auto& [word, choice] : choices) {
              if (word == value) {
                settings->*field = choice;
                return true;
              }
            }
            *problem = "needs";
            for (size_t i = 0; i < choices.size(); ++i)
              *problem += (i == 0 ? " " : " or ") + choices[i].first;
            return false;
          }};
}

// A bare "--flag" that turns the field on; info.value_name stays empty.
template <typename Settings>
BackendOption<Settings> SwitchOption(bool Settings::*field, SensorBackendOptionInfo info) {
  info.value_name.clear();
  return {std::move(info), [field](const std::string&, Settings* settings, std::string*) {
            settings->*field = true;
            return true;
          }};
}

// Applies `arguments` ("--flag=value" each) over *settings. False, with
// "<argument>: <problem>" in *error (may be null), at the first one the table
// does not hold or refuses; *settings may then be partly changed.
template <typename Settings>
bool ReadBackendOptions(const BackendOptionTable<Settings>& table,
                        const std::vector<std::string>& arguments, Settings* settings,
                        std::string* error) {
  for (const std::string& argument : arguments) {
    const BackendArgument split = SplitBackendArgument(argument);
    std::string problem = "is no option of this sensor backend";
    for (const BackendOption<Settings>& option : table) {
      if (option.info.flag != split.flag) continue;
      const bool is_switch = option.info.value_name.empty();
      if (is_switch && split.has_value) {
        problem = "takes no value";
      } else if (option.apply(split.value, settings, &problem)) {
        problem.clear();
      }
      break;
    }
    if (!problem.empty()) {
      if (error) *error = argument + ": " + problem;
      return false;
    }
  }
  return true;
}

// Whether a backend may be the default one, or is used only when asked for.
enum class BackendUse { kMayBeDefault, kOnlyByName };

// The table entry of a backend whose options fill a `Settings` and whose
// device `create` makes from them.
template <typename Settings>
SensorBackendDriver MakeSensorBackendDriver(
    std::string name, std::string help, BackendUse use, BackendOptionTable<Settings> options,
    Status (*create)(const Settings& settings, std::shared_ptr<SensorDevice>* device)) {
  SensorBackendDriver driver;
  driver.name = std::move(name);
  driver.help = std::move(help);
  driver.only_by_name = use == BackendUse::kOnlyByName;
  for (const BackendOption<Settings>& option : options) driver.options.push_back(option.info);
  driver.configure = [options = std::move(options), create](
                         const std::vector<std::string>& arguments,
                         std::string* error) -> SensorFactory {
    Settings settings{};
    if (!ReadBackendOptions(options, arguments, &settings, error)) return nullptr;
    return [settings, create](std::shared_ptr<SensorDevice>* device) {
      return create(settings, device);
    };
  };
  return driver;
}
