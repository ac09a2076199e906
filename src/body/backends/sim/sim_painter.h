#pragma once
// Draws the simulated scene: the colour picture (a room with the children as
// simple figures: head, torso and limbs as thick strokes, placed exactly where
// their joints map) and the depth and body-index pictures. Kept cheap: the
// room is drawn once and copied, figures are filled row spans.

#include <cstdint>
#include <vector>

#include "body/backends/sim/sim_scene.h"
#include "body/sensor/frame_data.h"
#include "body/sensor/pinhole_camera.h"

class SimPainter {
 public:
  SimPainter(const PinholeCamera& colour_camera, ColorImageFormat format, float floor_y_m);

  // Fills frame->pixels (and size and format) with the scene.
  void PaintColour(const SimScene& scene, ColorFrameData* frame) const;
  void PaintDepth(const SimScene& scene, DepthFrameData* depth, BodyIndexFrameData* index) const;
  // Paints the stage's screen as the camera turned to it sees it: a grey
  // rectangle over the middle of the picture (kScreenShare of each side),
  // `brightness` 0 black .. 1 white.
  void PaintScreen(float brightness, ColorFrameData* frame) const;
  static constexpr float kScreenShare = 0.6f;

  // The depth camera shares the colour camera's position, with its own lens.
  static PinholeCamera DepthCamera() { return PinholeCamera{365.0f, 365.0f, 255.5f, 211.5f}; }

 private:
  PinholeCamera camera_;
  ColorImageFormat format_;
  std::vector<uint8_t> room_;         // the empty room in the colour format
  std::vector<uint16_t> room_depth_;  // the empty room's depth, mm
};
