// The "none" backend: no sensor attached. Runs go on without bodies.
#include "body/sensor/backend_options.h"

namespace {

struct NoSensorSettings {};

Status CreateNoSensor(const NoSensorSettings& /*settings*/, std::shared_ptr<SensorDevice>* device) {
  device->reset();
  return S_OK;
}

}  // namespace

const SensorBackendDriver& NoSensorDriver() {
  static const SensorBackendDriver driver = MakeSensorBackendDriver<NoSensorSettings>(
      "none", "no body sensor: runs show no camera picture and record no bodies",
      BackendUse::kMayBeDefault, {}, CreateNoSensor);
  return driver;
}
