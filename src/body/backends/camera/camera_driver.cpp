// The "camera" backend's table entry and its command-line options.
#include "body/backends/camera/camera_device.h"
#include "body/backends/camera/video/camera_settings.h"
#include "body/sensor/backend_options.h"

const SensorBackendDriver& CameraSensorDriver() {
  static const SensorBackendDriver driver = [] {
    SensorBackendDriver d = MakeSensorBackendDriver<CameraOptions>(
      "camera",
      "webcam (--camera=/dev/videoN; default camera.ini's device, else the first) or video "
      "file (--camera=FILE); "
      "pose and hand shapes estimated on the CPU",
      BackendUse::kMayBeDefault,
      {
          TextOption(&CameraOptions::device,
                     {"--camera", "DEVICE|FILE",
                      "camera device (e.g. /dev/video0) or a video file\nfor the camera backend",
                      /*in_usage_line=*/true},
                     "needs a device or file"),
          SwitchOption(&CameraOptions::replay_every_frame,
                       {"--replay-every-frame", "",
                        "analyse every picture of a video file in order,\nhowever slow "
                        "(replays give the same bodies)"}),
      },
      CreateCameraSensor);
    d.settings_help = CameraSettingsHelp();
    return d;
  }();
  return driver;
}
