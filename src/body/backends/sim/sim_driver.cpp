// The "sim" backend's table entry and its command-line options.
#include <cstdint>

#include "body/backends/sim/sim_sensor.h"

namespace {

Status CreateSimSensor(const SimSensorOptions& options, std::shared_ptr<SensorDevice>* device) {
  *device = std::make_shared<SimSensor>(options);
  return S_OK;
}

}  // namespace

const BackendOptionTable<SimSensorOptions>& SimSensorOptionTable() {
  static const BackendOptionTable<SimSensorOptions> table = {
      NumberOption(&SimSensorOptions::body_count,
                   {"--sim-bodies", "N", "simulated children, 1 to 6 (default 2)"}, 1, BODY_COUNT),
      NumberOption(&SimSensorOptions::seed,
                   {"--sim-seed", "N", "seed of the simulated scene (default 1)"}, 0, UINT32_MAX),
      ChoiceOption(
          &SimSensorOptions::color_format,
          {"--sim-color", "yuy2|bgra", "raw colour format of the simulated camera (default yuy2)"},
          {{"yuy2", ColorImageFormat_Yuy2}, {"bgra", ColorImageFormat_Bgra}}),
      NumberOption(&SimSensorOptions::publish_latency_ms,
                   {"--sim-latency-ms", "N",
                    "publish each picture with its bodies N ms after its capture, like a slow "
                    "camera and model (default 0)"},
                   0, 1000),
      NumberOption(&SimSensorOptions::screen_delay_ms,
                   {"--sim-screen-delay-ms", "N",
                    "the camera sees the stage: each picture shows the screen as it was N ms "
                    "before its capture (for the latency test; default off)"},
                   0, 1000),
  };
  return table;
}

const SensorBackendDriver& SimSensorDriver() {
  static const SensorBackendDriver driver = MakeSensorBackendDriver(
      "sim",
      "simulated sensor: children drawn into a synthetic picture, child 0 pops the balloons "
      "(demos and tests; never for a real session)",
      BackendUse::kOnlyByName, SimSensorOptionTable(), CreateSimSensor);
  return driver;
}
