#include "body/sensor/sensor_registry.h"

#include <charconv>
#include <mutex>

#include "body/sensor/sensor_handles.h"

extern const SensorBackendDriver none_sensor_driver;
extern const SensorBackendDriver sim_sensor_driver;
#ifdef TAVELIN_CAMERA_BACKEND
extern const SensorBackendDriver camera_sensor_driver;
#endif

namespace {

// The backend table, in the order --help lists it.
const SensorBackendDriver* const kDrivers[] = {
#ifdef TAVELIN_CAMERA_BACKEND
    &camera_sensor_driver,
#endif
    &sim_sensor_driver,
    &none_sensor_driver,
};

const SensorBackendDriver* FindDriver(const std::string& name) {
  for (const SensorBackendDriver* driver : kDrivers)
    if (name == driver->name) return driver;
  return nullptr;
}

struct Selection {
  std::mutex mutex;
  const SensorBackendDriver* driver = nullptr;  // null: the default
  SensorBackendOptions options;
  SensorFactory test_factory;
};

Selection& TheSelection() {
  static Selection selection;
  return selection;
}

bool ParseInt(const std::string& text, int64_t low, int64_t high, int64_t* value) {
  int64_t v = 0;
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, v);
  if (ec != std::errc() || ptr != end || v < low || v > high) return false;
  *value = v;
  return true;
}

}  // namespace

std::vector<SensorBackendInfo> ListSensorBackends() {
  std::vector<SensorBackendInfo> list;
  for (const SensorBackendDriver* driver : kDrivers) list.push_back({driver->name, driver->help});
  return list;
}

std::string DefaultSensorBackendName() {
#ifdef TAVELIN_CAMERA_BACKEND
  return camera_sensor_driver.name;
#else
  return none_sensor_driver.name;
#endif
}

bool SelectSensorBackend(const std::string& name, const SensorBackendOptions& options,
                         std::string* error) {
  const SensorBackendDriver* driver = FindDriver(name);
  if (!driver) {
    if (error) {
      *error = "unknown sensor \"" + name + "\"; choose one of:";
      for (const SensorBackendDriver* d : kDrivers) *error += std::string(" ") + d->name;
    }
    return false;
  }
  if (options.sim_bodies < 1 || options.sim_bodies > BODY_COUNT) {
    if (error) *error = "the number of simulated children must be 1 to 6";
    return false;
  }
  Selection& selection = TheSelection();
  std::lock_guard<std::mutex> guard(selection.mutex);
  selection.driver = driver;
  selection.options = options;
  return true;
}

std::string SelectedSensorBackendName() {
  Selection& selection = TheSelection();
  std::lock_guard<std::mutex> guard(selection.mutex);
  return selection.driver ? selection.driver->name : DefaultSensorBackendName();
}

bool ParseSensorBackendOption(const std::string& argument, SensorBackendOptions* options,
                              std::string* error) {
  if (error) error->clear();
  const size_t eq = argument.find('=');
  const std::string key = argument.substr(0, eq);
  const std::string value = eq == std::string::npos ? std::string() : argument.substr(eq + 1);
  auto fail = [&](const std::string& message) {
    if (error) *error = argument + ": " + message;
    return false;
  };
  int64_t number = 0;
  if (key == "--camera") {
    if (eq == std::string::npos || value.empty()) return fail("needs a device or file");
    options->camera_device = value;
  } else if (key == "--sim-bodies") {
    if (!ParseInt(value, 1, BODY_COUNT, &number)) return fail("needs a number from 1 to 6");
    options->sim_bodies = static_cast<int32_t>(number);
  } else if (key == "--sim-seed") {
    if (!ParseInt(value, 0, UINT32_MAX, &number))
      return fail("needs a number from 0 to 4294967295");
    options->sim_seed = static_cast<uint32_t>(number);
  } else if (key == "--sim-color") {
    if (value != "yuy2" && value != "bgra") return fail("needs yuy2 or bgra");
    options->sim_bgra = value == "bgra";
  } else if (key == "--sim-latency-ms") {
    if (!ParseInt(value, 0, 1000, &number)) return fail("needs a number from 0 to 1000");
    options->sim_latency_ms = static_cast<int32_t>(number);
  } else {
    return false;
  }
  return true;
}

std::string SensorBackendOptionsHelp() {
  return "  --camera=DEVICE_OR_FILE  camera device (/dev/videoN) or video file for "
         "--sensor=camera\n"
         "  --sim-bodies=N           simulated children, 1 to 6 (default 2)\n"
         "  --sim-seed=N             seed of the simulated scene (default 1)\n"
         "  --sim-color=yuy2|bgra    raw colour format of the simulated camera (default yuy2)\n"
         "  --sim-latency-ms=N       the simulator publishes each picture with its bodies N ms\n"
         "                           after capture, like a slow camera and model (default 0)\n";
}

void SetSensorFactoryForTesting(SensorFactory factory) {
  Selection& selection = TheSelection();
  std::lock_guard<std::mutex> guard(selection.mutex);
  selection.test_factory = std::move(factory);
}

Status GetDefaultKinectSensor(std::unique_ptr<IKinectSensor>* sensor) {
  if (!sensor) return E_POINTER;
  sensor->reset();
  SensorFactory factory;
  const SensorBackendDriver* driver = nullptr;
  SensorBackendOptions options;
  {
    Selection& selection = TheSelection();
    std::lock_guard<std::mutex> guard(selection.mutex);
    factory = selection.test_factory;
    driver = selection.driver ? selection.driver : FindDriver(DefaultSensorBackendName());
    options = selection.options;
  }
  std::shared_ptr<SensorDevice> device;
  const Status status = factory ? factory(&device) : driver->create(options, &device);
  if (Failed(status)) return status;
  if (device) *sensor = std::make_unique<IKinectSensor>(std::move(device));
  return status;
}
