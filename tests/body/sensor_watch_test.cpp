// The watch that notices a sensor stopping mid-run: the device reported gone,
// or pictures that stop coming for two seconds; once, with the run clock, the
// time into the run and the backend's own words. Also through the real sensor
// layer with a scripted device.

#include <gtest/gtest.h>

#include "body/backends/scripted/scripted_sensor.h"
#include "body/sensor/sensor_problem.h"
#include "body/sensor_connection.h"
#include "body/sensor_watch.h"

namespace {

constexpr int64_t kMs = 1000000;  // ns
constexpr int64_t kStart = 1000 * kMs;

SensorHealth Health(bool available, int64_t newest_ns) {
  return SensorHealth{true, available, newest_ns};
}

TEST(SensorWatch, NoticesEachCauseAtTheRightMoment) {
  const struct {
    const char* name;
    SensorHealth health;
    int64_t now;
    SensorStopCause cause;
  } cases[] = {
      {"fresh pictures", Health(true, kStart + 5000 * kMs), kStart + 5100 * kMs,
       SensorStopCause::kNone},
      {"a gap of exactly the limit", Health(true, kStart + 100 * kMs), kStart + 2100 * kMs,
       SensorStopCause::kNone},
      {"a gap just past it", Health(true, kStart + 100 * kMs), kStart + 2101 * kMs,
       SensorStopCause::kNoFrames},
      {"no picture since the start", Health(true, 0), kStart + 2001 * kMs,
       SensorStopCause::kNoFrames},
      {"a picture from before the start counts from the start", Health(true, kStart - 5000 * kMs),
       kStart + 1500 * kMs, SensorStopCause::kNone},
      {"device gone, pictures fresh", Health(false, kStart + 10 * kMs), kStart + 20 * kMs,
       SensorStopCause::kDeviceGone},
      {"no sensor at all", SensorHealth{false, false, 0}, kStart + 60000 * kMs,
       SensorStopCause::kNone},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SensorWatch watch;
    watch.Start(kStart);
    SensorStopRecord record;
    EXPECT_EQ(watch.Check(c.health, c.now, 1234, &record), c.cause != SensorStopCause::kNone);
    EXPECT_EQ(record.cause, c.cause);
  }
}

TEST(SensorWatch, RecordsOnceWithClockTimeAndTheBackendsWords) {
  NoteSensorProblem("the video file a.mp4 ended");
  SensorWatch watch;
  watch.Start(kStart);
  SensorStopRecord record;
  EXPECT_TRUE(watch.Check(Health(false, kStart), kStart + 42500 * kMs, 41800, &record));
  EXPECT_EQ(record.cause, SensorStopCause::kDeviceGone);
  EXPECT_EQ(record.clock_ms, 41800);
  EXPECT_EQ(record.run_elapsed_ms, 42500);
  EXPECT_EQ(record.detail, "the video file a.mp4 ended");
  EXPECT_STREQ(SensorStopCauseName(record.cause), "device gone");

  // Later looks change nothing, whatever they see.
  EXPECT_FALSE(watch.Check(Health(true, 0), kStart + 90000 * kMs, 90000, &record));
  EXPECT_EQ(record.clock_ms, 41800);
  ClearSensorProblem();
}

// The health as the driver reads it from the open sensor.
TEST(SensorWatch, ReadsTheOpenSensor) {
  EXPECT_FALSE(ReadSensorHealth().has_sensor);  // nothing open
  auto sensor = InstallScriptedSensor();
  ASSERT_EQ(OpenSensor(), 1);
  SensorHealth health = ReadSensorHealth();
  EXPECT_TRUE(health.has_sensor);
  EXPECT_TRUE(health.available);
  EXPECT_EQ(health.newest_colour_frame_ns, 0);

  const int64_t before = MonotonicNow_ns();
  sensor->PushColor(ScriptedColorFrame(64, 36, ColorImageFormat_Bgra, 0xFF000000));
  health = ReadSensorHealth();
  EXPECT_GE(health.newest_colour_frame_ns, before);
  EXPECT_LE(health.newest_colour_frame_ns, MonotonicNow_ns());

  sensor->SetAvailable(false);  // unplugged
  EXPECT_FALSE(ReadSensorHealth().available);
  CloseSensor();
  UninstallScriptedSensor();
}

// A problem noted for one run does not follow the next one.
TEST(SensorWatch, OpeningTheSensorClearsTheLastProblem) {
  NoteSensorProblem("the camera /dev/video0 stopped delivering pictures");
  InstallScriptedSensor();
  OpenSensor();
  EXPECT_EQ(SensorProblem(), "");
  CloseSensor();
  UninstallScriptedSensor();
}

}  // namespace
