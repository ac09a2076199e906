#include "state/sensor_stop.h"

const char* SensorStopCauseName(SensorStopCause cause) {
  switch (cause) {
    case SensorStopCause::kDeviceGone:
      return "device gone";
    case SensorStopCause::kNoFrames:
      return "no frames";
    case SensorStopCause::kNone:
      break;
  }
  return "";
}
