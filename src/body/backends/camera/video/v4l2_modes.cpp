#include "body/backends/camera/video/v4l2_modes.h"

#include <linux/videodev2.h>
#include <sys/ioctl.h>

#include <cerrno>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <tuple>

namespace {

int Ioctl(int fd, unsigned long request, void* arg) {
  int r;
  do r = ioctl(fd, request, arg);
  while (r == -1 && errno == EINTR);
  return r;
}

// Enumerations are capped: a broken driver must not keep us listing forever.
constexpr uint32_t kMaxListed = 64;

double FastestRate(int fd, uint32_t pixel_format, uint32_t width, uint32_t height) {
  double fastest = 0;
  for (uint32_t i = 0; i < kMaxListed; ++i) {
    v4l2_frmivalenum interval{};
    interval.index = i;
    interval.pixel_format = pixel_format;
    interval.width = width;
    interval.height = height;
    if (Ioctl(fd, VIDIOC_ENUM_FRAMEINTERVALS, &interval) < 0) break;
    // Stepwise and continuous ranges: their shortest interval.
    const v4l2_fract f = interval.type == V4L2_FRMIVAL_TYPE_DISCRETE ? interval.discrete
                                                                     : interval.stepwise.min;
    if (f.numerator > 0) fastest = std::max(fastest, double(f.denominator) / f.numerator);
    if (interval.type != V4L2_FRMIVAL_TYPE_DISCRETE) break;
  }
  return fastest;
}

}  // namespace

std::vector<CameraMode> ListCameraModes(int fd) {
  std::vector<CameraMode> modes;
  for (uint32_t f = 0; f < kMaxListed; ++f) {
    v4l2_fmtdesc format{};
    format.index = f;
    format.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    if (Ioctl(fd, VIDIOC_ENUM_FMT, &format) < 0) break;
    if (format.pixelformat != V4L2_PIX_FMT_MJPEG && format.pixelformat != V4L2_PIX_FMT_YUYV)
      continue;
    for (uint32_t s = 0; s < kMaxListed; ++s) {
      v4l2_frmsizeenum size{};
      size.index = s;
      size.pixel_format = format.pixelformat;
      if (Ioctl(fd, VIDIOC_ENUM_FRAMESIZES, &size) < 0) break;
      // Stepwise sizes: the largest (the driver scales nothing down for us).
      const bool discrete = size.type == V4L2_FRMSIZE_TYPE_DISCRETE;
      const uint32_t w = discrete ? size.discrete.width : size.stepwise.max_width;
      const uint32_t h = discrete ? size.discrete.height : size.stepwise.max_height;
      modes.push_back(
          {format.pixelformat, int(w), int(h), FastestRate(fd, format.pixelformat, w, h)});
      if (!discrete) break;
    }
  }
  return modes;
}

bool ChooseCameraMode(const std::vector<CameraMode>& modes, int width, int height, int fps,
                      CameraMode* chosen) {
  if (modes.empty()) return false;
  const double wanted_area = double(width) * height;
  // Smaller is better in every place of the tuple.
  auto rank = [&](const CameraMode& m) {
    const bool reaches = m.fps + 0.5 >= fps;
    const double size_off = std::fabs(std::log(double(m.width) * m.height / wanted_area));
    return std::make_tuple(reaches ? 0 : 1, reaches ? 0.0 : -m.fps, size_off,
                           m.pixel_format == V4L2_PIX_FMT_MJPEG ? 0 : 1);
  };
  const CameraMode* best = &modes.front();
  for (const CameraMode& m : modes)
    if (rank(m) < rank(*best)) best = &m;
  *chosen = *best;
  return true;
}

std::string DriverText(const uint8_t* text, size_t size) {
  size_t n = 0;
  while (n < size && text[n]) ++n;
  return std::string(reinterpret_cast<const char*>(text), n);
}

std::string FourCcText(uint32_t f) {
  return {char(f & 0xFF), char((f >> 8) & 0xFF), char((f >> 16) & 0xFF), char((f >> 24) & 0xFF)};
}

std::string CameraModeText(const CameraMode& m) {
  char text[64];
  std::snprintf(text, sizeof text, "%s %dx%d %g fps", FourCcText(m.pixel_format).c_str(), m.width,
                m.height, m.fps);
  return text;
}
