#pragma once
// What a V4L2 camera offers (formats, sizes, rates) and which of it we take.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct CameraMode {
  uint32_t pixel_format = 0;  // V4L2_PIX_FMT_MJPEG or V4L2_PIX_FMT_YUYV
  int width = 0, height = 0;
  double fps = 0;  // the fastest rate offered at this size

  bool operator==(const CameraMode&) const = default;
};

// The MJPEG and YUYV modes the open device `fd` lists (ENUM_FMT,
// ENUM_FRAMESIZES, ENUM_FRAMEINTERVALS); empty when it lists none.
std::vector<CameraMode> ListCameraModes(int fd);

// The mode to ask for, given the size and rate wanted:
//  1. one that reaches the rate (a slower camera shows the stage's balloons
//     popped late, and the hit test's time resolution is one picture);
//  2. of those, the size nearest the one wanted (by area; the pose model
//     works on 256 px, more pixels only cost decoding);
//  3. MJPEG before YUYV at the same size and rate (a quarter of the USB
//     bandwidth, and the session video keeps its frames as they came).
// With no mode reaching the rate, the fastest of them by the same order.
// False when `modes` is empty.
bool ChooseCameraMode(const std::vector<CameraMode>& modes, int width, int height, int fps,
                      CameraMode* chosen);

// A name from a V4L2 structure: up to `size` bytes, ending at the first NUL.
std::string DriverText(const uint8_t* text, size_t size);
// "MJPG", "YUYV", ...
std::string FourCcText(uint32_t pixel_format);
// "MJPG 1280x720 30 fps"
std::string CameraModeText(const CameraMode& mode);
