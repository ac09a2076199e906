#include "body/backends/backend_table.h"

// Each backend's folder defines its entry.
const SensorBackendDriver& CameraSensorDriver();
const SensorBackendDriver& SimSensorDriver();
const SensorBackendDriver& NoSensorDriver();

const std::vector<const SensorBackendDriver*>& SensorBackendTable() {
  static const std::vector<const SensorBackendDriver*> table = {
#ifdef TAVELIN_CAMERA_BACKEND
      &CameraSensorDriver(),
#endif
      &SimSensorDriver(),
      &NoSensorDriver(),
  };
  return table;
}
