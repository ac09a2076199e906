#pragma once
// Shared set-up of the body update tests: a scripted sensor opened through
// OpenSensor, a recording stage with the 960 x 540 body texture, the colour
// buffer, and helpers that build frames whose joints land on chosen pixels.

#include <gtest/gtest.h>

#include <memory>

#include "app/program_body_update.h"
#include "body/backends/scripted/scripted_sensor.h"
#include "body/sensor_connection.h"
#include "state/program_state.h"
#include "support/recording_stage.h"

class BodyUpdateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetProgramState();
    stage_.InitLikeDevice();
    body_texture = stage_.AddTexture(960, 540, D3DFMT_X8R8G8B8);
    color_buffer = std::make_unique<uint8_t[]>(kColorBufferBytes);
    sensor_ = InstallScriptedSensor();
    ASSERT_EQ(OpenSensor(), 1);
  }
  void TearDown() override {
    CloseSensor();
    UninstallScriptedSensor();
    ResetProgramState();
  }

  // Camera-space point that the pinhole mapper puts on picture pixel (x, y).
  static CameraSpacePoint AtPicture(int32_t x, int32_t y, float z_m = 2.0f) {
    return PinholeCamera{}.Unproject(2.0f * x + 1.0f, 2.0f * y + 1.0f, z_m);
  }

  // A tracked body with every joint tracked, joint j on picture pixel
  // (100 + 20 j, 50 + 10 j), both hands open.
  static BodyData TrackedBody(uint64_t tracking_id) {
    BodyData body;
    body.is_tracked = true;
    body.tracking_id = tracking_id;
    for (int j = 0; j < JointType_Count; ++j) {
      body.joints[j].Position = AtPicture(JointX(j), JointY(j));
      body.joints[j].TrackingState = TrackingState_Tracked;
    }
    body.hand_left = HandState_Open;
    body.hand_right = HandState_Open;
    return body;
  }
  static int32_t JointX(int j) { return 100 + 20 * j; }
  static int32_t JointY(int j) { return 50 + 10 * j; }

  static BodyFrameData FrameWith(const BodyData& body, int slot = 0) {
    BodyFrameData frame;
    frame.bodies[slot] = body;
    return frame;
  }

  // One whole sensor frame: colour, body, depth and body index.
  void PushAll(uint32_t colour_argb, const BodyFrameData& bodies) {
    sensor_->PushSet(ScriptedColorFrame(1920, 1080, ColorImageFormat_Bgra, colour_argb), bodies);
  }

  uint32_t Texel(int32_t x, int32_t y) const {
    return stage_.Pixel(body_texture, x, y) | 0xFF000000u;
  }

  RecordingStage stage_;
  std::shared_ptr<ScriptedSensor> sensor_;
};
