#pragma once
// Shared by the camera tests that go through the sensor layer: a wait that
// polls like the trial loop, and a fixture with the recording stage, its body
// texture and the colour buffer, which puts the default backend back after.

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

#include "body/sensor/sensor_registry.h"
#include "body/sensor_connection.h"
#include "state/program_state.h"
#include "support/recording_stage.h"

// Polls `done` about once a millisecond; false when `seconds` pass first.
template <class Pred>
bool WaitFor(Pred done, double seconds) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

class CameraThroughSensorLayer : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetProgramState();
    stage_.InitLikeDevice();
    body_texture = stage_.AddTexture(960, 540, D3DFMT_X8R8G8B8);
    color_buffer = std::make_unique<uint8_t[]>(kColorBufferBytes);
  }
  void TearDown() override {
    CloseSensor();
    SelectSensorBackend(DefaultSensorBackendName(), SensorBackendOptions{}, nullptr);
    ResetProgramState();
  }
  RecordingStage stage_;
};
