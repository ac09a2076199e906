// The "camera" backend's table entry and its command-line options.
#include "body/backends/camera/camera_device.h"
#include "body/sensor/backend_options.h"

const SensorBackendDriver& CameraSensorDriver() {
  static const SensorBackendDriver driver = MakeSensorBackendDriver<CameraOptions>(
      "camera",
      "webcam (--camera=/dev/videoN, default the first) or video file (--camera=FILE); "
      "pose and hand shapes estimated on the CPU",
      BackendUse::kMayBeDefault,
      {
          TextOption(&CameraOptions::device,
                     {"--camera", "DEVICE|FILE",
                      "camera device (e.g. /dev/video0) or a video file\nfor the camera backend",
                      /*in_usage_line=*/true},
                     "needs a device or file"),
      },
      CreateCameraSensor);
  return driver;
}
