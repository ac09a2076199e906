#pragma once
// The kinds of OpenGL context the stage tries, in this order.

#include <cstdint>

enum DeviceKind : int32_t {
  kDeviceNone = -1,
  kDeviceDesktopGL = 0,  // desktop OpenGL 2.1 or later
  kDeviceGLES2 = 1,      // OpenGL ES 2.0
  kDeviceAnyGL = 2,      // whatever context the platform offers
};
