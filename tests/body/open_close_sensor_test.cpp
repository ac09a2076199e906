// OpenSensor / CloseSensor against a scripted sensor: the order of steps, what
// each failure leaves behind, and a second run after a failed one.

#include <gtest/gtest.h>

#include "state/program_state.h"
#include "body/backends/scripted/scripted_sensor.h"
#include "body/body_update.h"
#include "body/sensor_connection.h"
#include "support/recording_stage.h"

namespace {

const std::vector<std::string> kAllSteps = {
    "Open",        "CoordinateMapper", "ColorSource", "ColorReader",     "DepthSource",
    "DepthReader", "BodySource",       "BodyReader",  "BodyIndexSource", "BodyIndexReader"};

class OpenCloseSensorTest : public ::testing::Test {
 protected:
  void TearDown() override {
    CloseSensor();
    UninstallScriptedSensor();
  }
};

// Which handles exist after OpenSensor, in the order sensor, mapper, colour,
// depth, body, body index.
std::vector<bool> Handles() {
  const SensorConnection& c = sensor_connection;
  return {c.sensor != nullptr,       c.coordinate_mapper != nullptr,
          c.color_reader != nullptr, c.depth_reader != nullptr,
          c.body_reader != nullptr,  c.body_index_reader != nullptr};
}

TEST_F(OpenCloseSensorTest, AllStepsSucceedInOrder) {
  auto sensor = InstallScriptedSensor();
  EXPECT_EQ(OpenSensor(), 1);
  EXPECT_EQ(sensor->calls(), kAllSteps);
  EXPECT_TRUE(sensor->is_open());
  EXPECT_EQ(Handles(), std::vector<bool>(6, true));
}

TEST_F(OpenCloseSensorTest, NoSensorGivesZeroAndNoHandles) {
  InstallNoSensor();
  EXPECT_EQ(OpenSensor(), 0);
  EXPECT_EQ(Handles(), std::vector<bool>(6, false));
  RecordingStage stage;
  EXPECT_EQ(UpdateBodies(stage), 0);
}

TEST_F(OpenCloseSensorTest, RuntimeFailurePassesItsStatusOn) {
  InstallNoSensor(E_FAIL);
  EXPECT_EQ(OpenSensor(), E_FAIL);
  EXPECT_EQ(Handles(), std::vector<bool>(6, false));
}

TEST_F(OpenCloseSensorTest, AFailingStepStopsTheRestAndKeepsWhatWasOpened) {
  // step that fails -> handles present afterwards
  struct Case {
    ScriptedStep step;
    std::vector<bool> handles;
  };
  const Case cases[] = {
      {ScriptedStep::kOpen, {true, false, false, false, false, false}},
      {ScriptedStep::kCoordinateMapper, {true, false, false, false, false, false}},
      {ScriptedStep::kColorSource, {true, true, false, false, false, false}},
      {ScriptedStep::kColorReader, {true, true, false, false, false, false}},
      {ScriptedStep::kDepthSource, {true, true, true, false, false, false}},
      {ScriptedStep::kDepthReader, {true, true, true, false, false, false}},
      {ScriptedStep::kBodySource, {true, true, true, true, false, false}},
      {ScriptedStep::kBodyReader, {true, true, true, true, false, false}},
      {ScriptedStep::kBodyIndexSource, {true, true, true, true, true, false}},
      {ScriptedStep::kBodyIndexReader, {true, true, true, true, true, false}},
  };
  RecordingStage stage;
  for (const Case& c : cases) {
    SCOPED_TRACE(ScriptedStepName(c.step));
    auto sensor = InstallScriptedSensor();
    sensor->FailStep(c.step, E_FAIL);
    EXPECT_EQ(OpenSensor(), 0);
    EXPECT_EQ(Handles(), c.handles);
    // Nothing after the failing step was attempted.
    const std::vector<std::string> calls = sensor->calls();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back(), ScriptedStepName(c.step));
    EXPECT_EQ(calls.size(), static_cast<size_t>(c.step) + 1);
    // Without all four readers the update does nothing.
    EXPECT_EQ(UpdateBodies(stage), 0);
    EXPECT_EQ(CloseSensor(), 1);
  }
}

TEST_F(OpenCloseSensorTest, PublishTimeOfTheNewestColourFrame) {
  EXPECT_EQ(NewestColourFramePublishedAt_ns(), 0);  // no sensor
  auto sensor = InstallScriptedSensor();
  ASSERT_EQ(OpenSensor(), 1);
  EXPECT_EQ(NewestColourFramePublishedAt_ns(), 0);  // nothing published yet
  sensor->PushColor(ScriptedColorFrame(2, 2, ColorImageFormat_Bgra, 0));
  EXPECT_GT(NewestColourFramePublishedAt_ns(), 0);
}

TEST_F(OpenCloseSensorTest, CloseWithoutSensorDoesNothing) {
  EXPECT_EQ(CloseSensor(), 1);
  EXPECT_EQ(CloseSensor(), 1);
  EXPECT_EQ(Handles(), std::vector<bool>(6, false));
}

TEST_F(OpenCloseSensorTest, CloseStopsTheDeviceAndDropsEveryHandle) {
  auto sensor = InstallScriptedSensor();
  ASSERT_EQ(OpenSensor(), 1);
  EXPECT_EQ(CloseSensor(), 1);
  EXPECT_FALSE(sensor->is_open());
  EXPECT_EQ(sensor->calls().back(), "Close");
  EXPECT_EQ(Handles(), std::vector<bool>(6, false));
  // Nothing but the test holds the device any more.
  EXPECT_EQ(sensor.use_count(), 2);  // this copy and the installed factory
}

TEST_F(OpenCloseSensorTest, ASecondRunNeverPollsReadersOfTheFirst) {
  auto first = InstallScriptedSensor();
  ASSERT_EQ(OpenSensor(), 1);
  // The first run's end is skipped on purpose: the next open must not keep
  // its body readers when its own opening fails at the depth reader.
  auto second = InstallScriptedSensor();
  second->FailStep(ScriptedStep::kDepthReader, E_FAIL);
  EXPECT_EQ(OpenSensor(), 0);
  EXPECT_FALSE(first->is_open());
  EXPECT_EQ(Handles(), (std::vector<bool>{true, true, true, false, false, false}));
  // And the second device's frames are not mixed with the first one's.
  first->PushColor(ScriptedColorFrame(1920, 1080, ColorImageFormat_Bgra, 0xFF112233));
  RecordingStage stage;
  EXPECT_EQ(UpdateBodies(stage), 0);
}

TEST_F(OpenCloseSensorTest, ZombieDeviceStaysQuiet) {
  auto sensor = InstallScriptedSensor();
  ASSERT_EQ(OpenSensor(), 1);
  sensor->SetAvailable(false);
  bool available = true;
  EXPECT_EQ(sensor_connection.sensor->get_IsAvailable(&available), S_OK);
  EXPECT_FALSE(available);
  RecordingStage stage;
  for (int pass = 0; pass < 100; ++pass) EXPECT_EQ(UpdateBodies(stage), 0);
  EXPECT_EQ(CloseSensor(), 1);
}

}  // namespace
