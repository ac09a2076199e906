// The "none" backend: no sensor attached. Runs go on without bodies.
#include "body/sensor/sensor_device.h"

namespace {

Status CreateNoSensor(const SensorBackendOptions& /*options*/,
                      std::shared_ptr<SensorDevice>* device) {
  device->reset();
  return S_OK;
}

}  // namespace

extern const SensorBackendDriver none_sensor_driver = {
    "none", "no body sensor: runs show no camera picture and record no bodies", CreateNoSensor};
