// OpenSensor / CloseSensor against a scripted sensor: the handles opened, what
// a failed open leaves behind, and a second run after a failed one.

#include <gtest/gtest.h>

#include "app/program_body_update.h"
#include "body/backends/scripted/scripted_sensor.h"
#include "body/sensor_connection.h"
#include "state/program_state.h"
#include "support/recording_stage.h"

namespace {

class OpenCloseSensorTest : public ::testing::Test {
 protected:
  void TearDown() override {
    CloseSensor();
    UninstallScriptedSensor();
  }
};

// Which handles exist after OpenSensor, in the order sensor, mapper, colour,
// depth, body, body index, frame sets.
constexpr size_t kHandleCount = 7;
std::vector<bool> Handles() {
  const SensorConnection& c = sensor_connection;
  return {c.sensor != nullptr,       c.coordinate_mapper != nullptr,
          c.color_reader != nullptr, c.depth_reader != nullptr,
          c.body_reader != nullptr,  c.body_index_reader != nullptr,
          c.frame_set_reader != nullptr};
}
const std::vector<bool> kOnlyTheSensor = {true, false, false, false, false, false, false};

TEST_F(OpenCloseSensorTest, OpeningOpensTheDeviceAndEveryHandle) {
  auto sensor = InstallScriptedSensor();
  EXPECT_EQ(OpenSensor(), 1);
  EXPECT_EQ(sensor->calls(), std::vector<std::string>{"Open"});
  EXPECT_TRUE(sensor->is_open());
  EXPECT_EQ(Handles(), std::vector<bool>(kHandleCount, true));
}

TEST_F(OpenCloseSensorTest, NoSensorGivesZeroAndNoHandles) {
  InstallNoSensor();
  EXPECT_EQ(OpenSensor(), 0);
  EXPECT_EQ(Handles(), std::vector<bool>(kHandleCount, false));
  RecordingStage stage;
  EXPECT_EQ(UpdateBodies(stage), 0);
}

TEST_F(OpenCloseSensorTest, RuntimeFailurePassesItsStatusOn) {
  InstallNoSensor(E_FAIL);
  EXPECT_EQ(OpenSensor(), E_FAIL);
  EXPECT_EQ(Handles(), std::vector<bool>(kHandleCount, false));
}

TEST_F(OpenCloseSensorTest, AFailedOpenKeepsOnlyTheSensorAndTheUpdateDoesNothing) {
  auto sensor = InstallScriptedSensor();
  sensor->FailOpen(E_FAIL);
  EXPECT_EQ(OpenSensor(), 0);
  EXPECT_EQ(Handles(), kOnlyTheSensor);
  EXPECT_FALSE(sensor->is_open());
  sensor->PushSet(ScriptedColorFrame(1920, 1080, ColorImageFormat_Bgra, 0xFF112233),
                  BodyFrameData{});
  RecordingStage stage;
  EXPECT_EQ(UpdateBodies(stage), 0);
  EXPECT_EQ(CloseSensor(), 1);
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
  EXPECT_EQ(Handles(), std::vector<bool>(kHandleCount, false));
}

TEST_F(OpenCloseSensorTest, CloseStopsTheDeviceAndDropsEveryHandle) {
  auto sensor = InstallScriptedSensor();
  ASSERT_EQ(OpenSensor(), 1);
  EXPECT_EQ(CloseSensor(), 1);
  EXPECT_FALSE(sensor->is_open());
  EXPECT_EQ(sensor->calls().back(), "Close");
  EXPECT_EQ(Handles(), std::vector<bool>(kHandleCount, false));
  // Nothing but the test holds the device any more.
  EXPECT_EQ(sensor.use_count(), 2);  // this copy and the installed factory
}

TEST_F(OpenCloseSensorTest, ASecondRunNeverPollsReadersOfTheFirst) {
  auto first = InstallScriptedSensor();
  ASSERT_EQ(OpenSensor(), 1);
  // The first run's end is skipped on purpose: the next open must not keep
  // its readers when its own opening fails.
  auto second = InstallScriptedSensor();
  second->FailOpen(E_FAIL);
  EXPECT_EQ(OpenSensor(), 0);
  EXPECT_FALSE(first->is_open());
  EXPECT_EQ(Handles(), kOnlyTheSensor);
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
