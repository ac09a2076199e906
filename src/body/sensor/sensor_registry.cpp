#include "body/sensor/sensor_registry.h"

#include <mutex>

#include "body/backends/backend_table.h"
#include "body/sensor/backend_options.h"
#include "body/sensor/sensor_handles.h"

namespace {

const SensorBackendDriver* FindDriver(const std::string& name) {
  for (const SensorBackendDriver* driver : SensorBackendTable())
    if (name == driver->name) return driver;
  return nullptr;
}

bool Owns(const SensorBackendDriver& driver, const std::string& flag) {
  for (const SensorBackendOptionInfo& option : driver.options)
    if (option.flag == flag) return true;
  return false;
}

const SensorBackendDriver* OwnerOf(const std::string& argument) {
  const std::string flag = SplitBackendArgument(argument).flag;
  for (const SensorBackendDriver* driver : SensorBackendTable())
    if (Owns(*driver, flag)) return driver;
  return nullptr;
}

const SensorBackendDriver& DefaultDriver() {
  for (const SensorBackendDriver* driver : SensorBackendTable())
    if (!driver->only_by_name) return *driver;
  return *SensorBackendTable().back();
}

struct Selection {
  std::mutex mutex;
  SensorSelection current;  // empty: the default
};

Selection& TheSelection() {
  static Selection selection;
  return selection;
}

}  // namespace

std::vector<SensorBackendInfo> ListSensorBackends() {
  std::vector<SensorBackendInfo> list;
  for (const SensorBackendDriver* driver : SensorBackendTable())
    list.push_back(
        {driver->name, driver->help, driver->only_by_name, driver->options, driver->settings_help});
  return list;
}

std::string DefaultSensorBackendName() {
  return DefaultDriver().name;
}

bool ParseSensorBackendOption(const std::string& argument, SensorBackendOptions* options,
                              std::string* error) {
  if (error) error->clear();
  const SensorBackendDriver* owner = OwnerOf(argument);
  if (!owner || !owner->configure({argument}, error)) return false;
  if (options) options->push_back(argument);
  return true;
}

bool SelectSensorBackend(const std::string& name, const SensorBackendOptions& options,
                         std::string* error) {
  const SensorBackendDriver* driver = FindDriver(name);
  if (!driver) {
    if (error) {
      *error = "unknown sensor \"" + name + "\"; choose one of:";
      for (const SensorBackendDriver* d : SensorBackendTable()) *error += " " + d->name;
    }
    return false;
  }
  SensorBackendOptions own;
  for (const std::string& argument : options) {
    const SensorBackendDriver* owner = OwnerOf(argument);
    if (!owner) {
      if (error) *error = argument + ": no sensor backend has this option";
      return false;
    }
    if (owner == driver) {
      own.push_back(argument);
    } else if (!owner->configure({argument}, error)) {
      return false;
    }
  }
  SensorFactory factory = driver->configure(own, error);
  if (!factory) return false;
  ExchangeSensorSelection({driver->name, std::move(factory)});
  return true;
}

std::string SelectedSensorBackendName() {
  Selection& selection = TheSelection();
  std::lock_guard<std::mutex> guard(selection.mutex);
  return selection.current.factory ? selection.current.name : DefaultSensorBackendName();
}

SensorSelection ExchangeSensorSelection(SensorSelection next) {
  Selection& selection = TheSelection();
  std::lock_guard<std::mutex> guard(selection.mutex);
  std::swap(selection.current, next);
  return next;
}

Status GetDefaultKinectSensor(std::unique_ptr<IKinectSensor>* sensor) {
  if (!sensor) return E_POINTER;
  sensor->reset();
  SensorFactory factory;
  {
    Selection& selection = TheSelection();
    std::lock_guard<std::mutex> guard(selection.mutex);
    factory = selection.current.factory;
  }
  if (!factory) factory = DefaultDriver().configure({}, nullptr);
  std::shared_ptr<SensorDevice> device;
  const Status status = factory(&device);
  if (Failed(status)) return status;
  if (device) *sensor = std::make_unique<IKinectSensor>(std::move(device));
  return status;
}
