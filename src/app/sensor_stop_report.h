#pragma once
// A sensor that stops during a run: watched while the trial loop runs (a timer
// served by the loop's message pump, four times a second), recorded in
// sensor_stop (state/program_state.h), and told to the experimenter once the
// score box is closed. The run itself goes on without new frames.

#include <QTimer>
#include <string>

#include "body/sensor_watch.h"

class RunSensorWatch {
 public:
  // Clears sensor_stop and starts watching the open sensor.
  RunSensorWatch();
  RunSensorWatch(const RunSensorWatch&) = delete;
  RunSensorWatch& operator=(const RunSensorWatch&) = delete;

  // One look now (the timer does the same).
  void Check();

 private:
  SensorWatch watch_;
  QTimer timer_;
};

// The experimenter's message for a stop; empty when the sensor did not stop.
std::string SensorStopMessage(const SensorStopRecord& stop);
// Shows SensorStopMessage(sensor_stop), if any.
void ReportSensorStop();
