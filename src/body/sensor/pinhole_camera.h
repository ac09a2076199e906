#pragma once
// A pinhole model of the colour camera: camera space (metres) to colour pixels
// and back. Backends that invent camera-space positions from a picture use it
// so that MapCameraPointToColorSpace lands where the picture shows the joint.

#include <cmath>
#include <limits>

#include "body/sensor/sensor_types.h"

struct PinholeCamera {
  // Focal lengths and principal point in colour pixels; the defaults are those
  // of a 1920 x 1080 camera with about 84 x 54 degrees field of view.
  float fx = 1060.0f;
  float fy = 1060.0f;
  float cx = 959.5f;
  float cy = 539.5f;

  // u = cx + fx X / Z, v = cy - fy Y / Z (Y is up, picture y is down). Points
  // at or behind the camera give -infinity, as the sensor SDK's mapper does.
  ColorSpacePoint Project(const CameraSpacePoint& p) const {
    if (!(p.Z > 0.0f)) {
      const float inf = -std::numeric_limits<float>::infinity();
      return {inf, inf};
    }
    return {cx + fx * p.X / p.Z, cy - fy * p.Y / p.Z};
  }

  // The camera-space point at depth z (metres) that projects to colour pixel (u, v).
  CameraSpacePoint Unproject(float u, float v, float z) const {
    return {(u - cx) * z / fx, (cy - v) * z / fy, z};
  }
};
