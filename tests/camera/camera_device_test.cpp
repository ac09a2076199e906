// The camera sensor device and its place in the sensor layer: frames from a
// short recorded clip through the mailboxes, the whole path from
// --sensor=camera to the body slots, a file that ends (the zombie device),
// and the messages when something the backend needs is missing.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <set>
#include <thread>

#include "app/program_body_update.h"
#include "body/backends/camera/camera_device.h"
#include "body/backends/camera/video/color_frame_geometry.h"
#include "body/sensor/sensor_handles.h"
#include "body/sensor/sensor_problem.h"
#include "body/sensor/sensor_registry.h"
#include "body/sensor_connection.h"
#include "body/sensor_watch.h"
#include "camera_layer_fixture.h"
#include "state/message_box.h"
#include "state/program_state.h"
#include "support/recording_stage.h"
#include "test_media.h"

namespace {

const std::string kMessi = std::string(T2_OPENCV_DOC_DIR) + "/examples/data/messi5.jpg";

// Where messi5.jpg goes on the clip's 640 x 360 canvas, and his head on the photo.
const cv::Point kPhotoAt(46, 9);
const cv::Point2f kHeadOnPhoto(240, 108);

// A 30 fps MJPEG clip of `frames` frames: the photo on a black 16:9 canvas.
std::string WriteClip(int frames) {
  const std::string path =
      ::testing::TempDir() + "camera_device_test_" + std::to_string(frames) + ".avi";
  const cv::Mat photo = ReadPictureFile(kMessi);
  if (photo.empty()) return "";
  cv::Mat canvas(360, 640, CV_8UC3, cv::Scalar::all(0));
  photo.copyTo(canvas(cv::Rect(kPhotoAt, photo.size())));
  if (WriteMjpegClip(path, std::vector<cv::Mat>(frames, canvas)).empty()) return "";
  return path;
}

#define REQUIRE_CLIP(var, frames)            \
  const std::string var = WriteClip(frames); \
  if (var.empty()) GTEST_SKIP() << kMessi << " missing (Debian package opencv-doc)"

class RecordedMessages {
 public:
  RecordedMessages() {
    previous_ = SetMessageBoxHandler(
        [this](const std::string& text, const std::string&, uint32_t) { texts.push_back(text); });
  }
  ~RecordedMessages() { SetMessageBoxHandler(previous_); }
  std::vector<std::string> texts;

 private:
  MessageBoxHandler previous_;
};

TEST(CameraSensor, CountsEveryPictureAndShowsTheAnalysedOnesWithTheirBodies) {
  REQUIRE_CLIP(clip, 15);
  CameraSettings settings;  // real-time replay: 30 fps, half a second
  CameraSensor sensor(clip, settings);
  ASSERT_EQ(sensor.Open(), S_OK) << sensor.last_error();
  EXPECT_TRUE(sensor.IsAvailable());

  std::vector<std::shared_ptr<const SensorFrameSet>> sets;
  uint64_t sets_seen = 0;
  ASSERT_TRUE(WaitFor(
      [&] {
        if (auto set = sensor.streams().sets.TakeNewerThan(&sets_seen)) sets.push_back(set);
        return !sensor.IsAvailable();
      },
      10.0));
  // The clip is over: a zombie from now on. Nothing more arrives.
  const CameraSensorStats at_end = sensor.stats();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(sensor.streams().pictures_captured.load(), 15u);
  const uint64_t set_count = sensor.streams().sets.published_count();
  EXPECT_EQ(sensor.stats().body_frames, at_end.body_frames) << "published after the end";
  EXPECT_GE(set_count, 1u);
  EXPECT_LE(set_count, 15u);
  // The picture and its bodies were published with each set, and only then;
  // the depth streams the camera does not offer stay empty.
  EXPECT_EQ(sensor.OfferedStreams(),
            StreamFlag(SensorStream::kColor) | StreamFlag(SensorStream::kBody));
  EXPECT_EQ(sensor.streams().color.published_count(), set_count);
  EXPECT_EQ(sensor.streams().body.published_count(), set_count);
  EXPECT_EQ(sensor.streams().depth.published_count(), 0u);
  EXPECT_EQ(sensor.streams().body_index.published_count(), 0u);
  ASSERT_FALSE(sets.empty());
  for (const auto& set : sets) {
    ASSERT_TRUE(set->color && set->body);
    EXPECT_FALSE(set->depth || set->body_index);
    EXPECT_EQ(set->color->format, ColorImageFormat_Bgra);
    // The stage's half-size picture comes with every frame; the full one is
    // drawn when read.
    EXPECT_EQ(set->color->half_pixels.size(), size_t(960) * 540 * 4);
    IColorFrame frame(set->color);
    uint32_t capacity = 0;
    const uint8_t* full = nullptr;
    ASSERT_EQ(frame.AccessRawUnderlyingBuffer(&capacity, &full), S_OK);
    EXPECT_EQ(capacity, uint32_t(1920) * 1080 * 4);
    EXPECT_EQ(set->body->relative_time, set->color->relative_time)
        << "bodies travel with the picture they were found in";
    EXPECT_TRUE(set->body->bodies[0].is_tracked);
  }
  // Calls on the zombie stay safe.
  ColorSpacePoint p;
  EXPECT_EQ(sensor.MapCameraPointToColorSpace({0.1f, 0.2f, 2.0f}, &p), S_OK);
  EXPECT_EQ(sensor.Close(), S_OK);
  EXPECT_EQ(sensor.Close(), S_OK);
}

TEST(CameraSensor, MapperIsThePinholeTheJointsWereMadeWith) {
  REQUIRE_CLIP(clip, 3);
  CameraSensor sensor(clip, CameraSettings{});
  ASSERT_EQ(sensor.Open(), S_OK) << sensor.last_error();
  uint64_t seen = 0;
  std::shared_ptr<const BodyFrameData> frame;
  ASSERT_TRUE(
      WaitFor([&] { return (frame = sensor.streams().body.TakeNewerThan(&seen)) != nullptr; }, 10));
  // The head joint maps to the head on the clip's canvas, in colour pixels.
  const ColorFrameGeometry g = ColorFrameGeometry::For({640, 360});
  const cv::Point2f head = g.ToColor(kHeadOnPhoto + cv::Point2f(kPhotoAt));
  ColorSpacePoint c;
  ASSERT_EQ(sensor.MapCameraPointToColorSpace(frame->bodies[0].joints[JointType_Head].Position, &c),
            S_OK);
  EXPECT_NEAR(c.X, head.x, 20 * g.scale);
  EXPECT_NEAR(c.Y, head.y, 20 * g.scale);
  sensor.Close();
}

TEST_F(CameraThroughSensorLayer, CameraIsTheDefaultAndFillsTheBodySlots) {
  REQUIRE_CLIP(clip, 30);
  EXPECT_EQ(DefaultSensorBackendName(), "camera");
  const SensorBackendOptions options = {"--camera=" + clip};
  std::string error;
  ASSERT_TRUE(SelectSensorBackend("camera", options, &error)) << error;
  ASSERT_EQ(OpenSensor(), 1);
  // The trial loop's passes: poll about once a millisecond until a whole frame is there.
  ASSERT_TRUE(WaitFor([&] { return UpdateBodies(stage_) == 1; }, 10.0));
  const TrackedBody& body = tracked_bodies[0];
  EXPECT_EQ(body.tracked, 1);
  EXPECT_NE(body.id, 0);
  // Picture space: colour pixels halved.
  const ColorFrameGeometry g = ColorFrameGeometry::For({640, 360});
  const cv::Point2f head = g.ToColor(kHeadOnPhoto + cv::Point2f(kPhotoAt)) * 0.5f;
  EXPECT_NEAR(body.head_x, head.x, 10 * g.scale);
  EXPECT_NEAR(body.head_y, head.y, 10 * g.scale);
  EXPECT_GT(body.head_dist, 0.3);
  for (int i = 1; i < kBodySlotCount; ++i) EXPECT_EQ(tracked_bodies[i].tracked, 0);
  // The picture reached the body texture: black margins, the photo in the middle.
  EXPECT_EQ(stage_.Pixel(body_texture, 5, 270) & 0xFFFFFF, 0u);
  EXPECT_NE(stage_.Pixel(body_texture, 480, 270) & 0xFFFFFF, 0u);
}

// What cannot be opened is noted for the checks before the run (which show it
// in their one message), named as what it is: a file or a camera device.
TEST_F(CameraThroughSensorLayer, WhatCannotBeOpenedIsNotedByName) {
  struct Case {
    const char* device;
    const char* named;
  };
  const Case cases[] = {
      {"/nonexistent/session.avi", "動画ファイル /nonexistent/session.avi"},
      {"/dev/video97", "カメラ /dev/video97 "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.device);
    RecordedMessages messages;
    const SensorBackendOptions options = {std::string("--camera=") + c.device};
    ASSERT_TRUE(SelectSensorBackend("camera", options, nullptr));
    EXPECT_EQ(OpenSensor(), 0);
    EXPECT_NE(SensorProblem().find(c.named), std::string::npos) << SensorProblem();
    EXPECT_TRUE(messages.texts.empty()) << "the backend showed a box of its own";
    for (int pass = 0; pass < 5; ++pass) EXPECT_EQ(UpdateBodies(stage_), 0);
    CloseSensor();
  }
}

TEST_F(CameraThroughSensorLayer, TheCameraOptionNeedsADeviceOrFile) {
  struct Case {
    const char* argument;
    bool accepted;
    const char* error;
  };
  const Case cases[] = {
      {"--camera=/dev/video2", true, ""},
      {"--camera=", false, "--camera=: needs a device or file"},
      {"--camera", false, "--camera: needs a device or file"},
  };
  for (const Case& c : cases) {
    std::string error = "stale";
    EXPECT_EQ(ParseSensorBackendOption(c.argument, nullptr, &error), c.accepted) << c.argument;
    EXPECT_EQ(error, c.error);
  }
}

TEST_F(CameraThroughSensorLayer, MissingModelsNameTheSetUpCommandAndNeverFallBack) {
  RecordedMessages messages;
  ASSERT_EQ(setenv("TAVELIN_CAMERA_ASSETS", "/nonexistent/downloads", 1), 0);
  ASSERT_TRUE(SelectSensorBackend("camera", SensorBackendOptions{}, nullptr));
  const int opened = OpenSensor();
  unsetenv("TAVELIN_CAMERA_ASSETS");
  EXPECT_LT(opened, 0);
  const std::string problem = SensorProblem();
  EXPECT_NE(problem.find("tools/setup-extra.sh"), std::string::npos) << problem;
  EXPECT_NE(problem.find("movenet-multipose.onnx"), std::string::npos) << problem;
  EXPECT_TRUE(messages.texts.empty());
  EXPECT_EQ(sensor_connection.sensor, nullptr);  // no other sensor took its place
  EXPECT_EQ(UpdateBodies(stage_), 0);
}

// A clip that ends mid-run leaves a device that says so, and the note names the file.
TEST_F(CameraThroughSensorLayer, AFileThatEndsIsNotedAsEnded) {
  REQUIRE_CLIP(clip, 3);
  const SensorBackendOptions options = {"--camera=" + clip};
  ASSERT_TRUE(SelectSensorBackend("camera", options, nullptr));
  ASSERT_EQ(OpenSensor(), 1);
  EXPECT_TRUE(SensorProblem().empty());
  ASSERT_TRUE(WaitFor([] { return !ReadSensorHealth().available; }, 10.0));
  EXPECT_EQ(SensorProblem(), "動画ファイル " + clip + " が終わりました");
}

}  // namespace
