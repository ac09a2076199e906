#include "body/backends/camera/video/camera_list.h"

#include <fcntl.h>
#include <linux/videodev2.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "state/message_box.h"
#include "state/translate_noop.h"

namespace {

constexpr int kMaxVideoNodes = 64;

}  // namespace

bool IsCharDevice(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISCHR(st.st_mode);
}

std::vector<std::string> VideoDeviceNodes() {
  std::vector<std::string> nodes;
  for (int i = 0; i < kMaxVideoNodes; ++i) {
    const std::string path = "/dev/video" + std::to_string(i);
    if (IsCharDevice(path)) nodes.push_back(path);
  }
  return nodes;
}

std::vector<CameraListing> ListCameras(const CameraSettings& settings) {
  std::vector<CameraListing> cameras;
  for (const std::string& path : VideoDeviceNodes()) {
    CameraListing camera;
    camera.path = path;
    // Asking a camera what it is and offers works while another program streams from it.
    const int fd = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
      camera.problem =
          errno == EACCES
              ? MessageText(QT_TRANSLATE_NOOP("Message", "このユーザーには使えません"))
              : std::string(std::strerror(errno));
      cameras.push_back(camera);
      continue;
    }
    v4l2_capability cap{};
    int r;
    do r = ioctl(fd, VIDIOC_QUERYCAP, &cap);
    while (r < 0 && errno == EINTR);
    const uint32_t caps =
        (cap.capabilities & V4L2_CAP_DEVICE_CAPS) ? cap.device_caps : cap.capabilities;
    if (r == 0 && (caps & V4L2_CAP_VIDEO_CAPTURE) && (caps & V4L2_CAP_STREAMING)) {
      camera.card = DriverText(cap.card, sizeof cap.card);
      camera.bus = DriverText(cap.bus_info, sizeof cap.bus_info);
      CameraMode best;
      if (ChooseCameraMode(ListCameraModes(fd), settings.capture_width, settings.capture_height,
                           settings.capture_fps, &best))
        camera.best = best;
      cameras.push_back(camera);
    }
    ::close(fd);
  }
  return cameras;
}

std::string CameraListingText(const CameraListing& c) {
  if (!c.problem.empty()) return c.path + ": " + c.problem;
  const std::string card =
      c.card.empty() ? MessageText(QT_TRANSLATE_NOOP("Message", "カメラ")) : c.card;
  return card + " (" + (c.bus.empty() ? "" : c.bus + ", ") + c.path + "): " +
         (c.best ? CameraModeText(*c.best)
                 : MessageText(QT_TRANSLATE_NOOP("Message", "MJPEG も YUYV も出せません")));
}
