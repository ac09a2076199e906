// Session video through the camera device and the sensor layer: the street
// video recorded as a session (recording turned on in camera.ini) holds every
// picture the camera captured, and its replay runs through the sensor layer
// into the body slots; a recording replayed with every picture analysed
// gives the same bodies twice.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <opencv2/imgproc.hpp>
#include <thread>

#include "app/program_body_update.h"
#include "body/backends/camera/camera_device.h"
#include "body/backends/camera/recording/mjpeg_avi_writer.h"
#include "body/backends/camera/video/picture_scaler.h"
#include "body/backends/camera/video/recorded_frame_times.h"
#include "body/backends/camera/video/video_file_reader.h"
#include "body/backends/camera/video/video_source.h"
#include "body/sensor/sensor_registry.h"
#include "body/sensor_connection.h"
#include "camera_layer_fixture.h"
#include "state/program_state.h"
#include "support/recording_stage.h"
#include "test_media.h"

namespace fs = std::filesystem;

namespace {

const std::string kStreet = std::string(T2_OPENCV_DOC_DIR) + "/examples/data/vtest.avi";

#define REQUIRE_STREET() \
  if (!fs::exists(kStreet)) GTEST_SKIP() << kStreet << " missing (Debian package opencv-doc)"

std::string NewFolder(const std::string& name) {
  const fs::path dir = fs::path(::testing::TempDir()) / ("camera_session_video_test_" + name);
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir.string();
}

// The test runs in a folder of its own, as the program runs in its data folder.
class InFolder {
 public:
  explicit InFolder(const std::string& dir) : previous_(fs::current_path()) {
    fs::current_path(dir);
  }
  ~InFolder() { fs::current_path(previous_); }

 private:
  fs::path previous_;
};

int64_t PacketCount(const std::string& path) {
  VideoFileReader reader;
  std::string error;
  EXPECT_TRUE(reader.Open(path, &error)) << error;
  AVPacket* packet = av_packet_alloc();
  int64_t count = 0;
  while (reader.Read(packet, &error) == PacketReader::Result::kPacket) ++count;
  av_packet_free(&packet);
  return count;
}

// The street video's first `frames` pictures as an MJPEG clip.
std::string StreetClip(const std::string& dir, int frames) {
  const std::vector<cv::Mat> pictures = VideoPictures(kStreet, frames);
  const std::string path = dir + "/street.avi";
  ClipOptions options;
  options.time_base = {1, 10};
  return WriteMjpegClip(path, pictures, options).size() == size_t(frames) ? path : "";
}

// The street video's first `frames` pictures, then as many more at 640 x 360
// (another shape too), as a camera that switches size mid-run sends them: one
// MJPEG AVI whose header gives the first size.
std::string SizeChangingClip(const std::string& dir, int frames) {
  const std::vector<cv::Mat> pictures = VideoPictures(kStreet, 2 * frames);
  if (pictures.size() != size_t(2 * frames)) return "";
  const std::vector<cv::Mat> first(pictures.begin(), pictures.begin() + frames);
  std::vector<cv::Mat> then;
  for (size_t i = size_t(frames); i < pictures.size(); ++i) {
    then.emplace_back();
    cv::resize(pictures[i], then.back(), {640, 360}, 0, 0, cv::INTER_AREA);
  }
  ClipOptions options;
  options.time_base = {1, 10};
  std::vector<std::vector<uint8_t>> jpegs = WriteMjpegClip(dir + "/first.avi", first, options);
  const std::vector<std::vector<uint8_t>> later = WriteMjpegClip(dir + "/then.avi", then, options);
  jpegs.insert(jpegs.end(), later.begin(), later.end());
  if (jpegs.size() != pictures.size()) return "";
  const std::string path = dir + "/switching.avi";
  MjpegAviWriter writer;
  std::string error;
  bool ok = writer.Create(UniqueFd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600)), path,
                          first[0].cols, first[0].rows, {10, 1}, &error);
  for (const std::vector<uint8_t>& jpeg : jpegs) ok = ok && writer.WriteFrame(jpeg, &error);
  ok = ok && writer.Finish(&error);
  EXPECT_TRUE(ok) << error;
  return ok ? path : "";
}

// What a body frame says, for comparing replays.
struct BodyRow {
  TIMESPAN time_from_first = 0;
  std::vector<uint64_t> ids;
  std::vector<float> joints;  // x, y, z and tracking state of every joint of every tracked body
  std::vector<int> hands;

  bool operator==(const BodyRow&) const = default;
};

// Every body frame of one replay, by its number in the stream.
std::map<uint64_t, BodyRow> ReplayEveryFrame(const std::string& clip, uint64_t* published) {
  CameraSettings settings;
  settings.replay_every_frame = true;
  settings.replay_realtime = false;
  CameraSensor sensor(clip, settings);
  std::map<uint64_t, BodyRow> rows;
  if (sensor.Open() != S_OK) {
    ADD_FAILURE() << sensor.last_error();
    return rows;
  }
  uint64_t seen = 0;
  TIMESPAN first = -1;
  EXPECT_TRUE(WaitFor(
      [&] {
        const bool over = !sensor.IsAvailable();
        if (auto frame = sensor.streams().body.TakeNewerThan(&seen)) {
          if (first < 0 && seen == 1) first = frame->relative_time;
          BodyRow& row = rows[seen];
          row.time_from_first = frame->relative_time;
          for (const BodyData& body : frame->bodies) {
            if (!body.is_tracked) continue;
            row.ids.push_back(body.tracking_id);
            row.hands.push_back(int(body.hand_left));
            row.hands.push_back(int(body.hand_right));
            for (const Joint& joint : body.joints)
              row.joints.insert(row.joints.end(), {joint.Position.X, joint.Position.Y,
                                                   joint.Position.Z, float(joint.TrackingState)});
          }
        }
        return over;
      },
      300));
  for (auto& [number, row] : rows) row.time_from_first -= first;
  if (first < 0) rows.clear();  // the first frame was not seen: no times to compare
  *published = sensor.streams().body.published_count();
  sensor.Close();
  return rows;
}

TEST(SessionVideoReplay, EveryFrameAnalysedTwiceGivesIdenticalBodies) {
  REQUIRE_STREET();
  const std::string clip = StreetClip(NewFolder("every_frame"), 30);
  ASSERT_FALSE(clip.empty());
  uint64_t published_a = 0, published_b = 0;
  const auto a = ReplayEveryFrame(clip, &published_a);
  const auto b = ReplayEveryFrame(clip, &published_b);
  EXPECT_EQ(published_a, 30u) << "a picture was not analysed";
  EXPECT_EQ(published_b, 30u) << "a picture was not analysed";
  // This thread polls; it may miss a frame on a busy machine, never most.
  ASSERT_GE(a.size(), 25u);
  ASSERT_GE(b.size(), 25u);
  int compared = 0, with_people = 0;
  for (const auto& [number, row] : a) {
    const auto other = b.find(number);
    if (other == b.end()) continue;
    ++compared;
    with_people += !row.ids.empty();
    EXPECT_TRUE(row == other->second) << "body frame " << number << " differs between replays";
  }
  EXPECT_GE(compared, 20);
  EXPECT_GE(with_people, compared / 2) << "the street's walkers were not found";
}

// A camera that switches to another picture size mid-run: the pictures after
// the switch are scaled to the size the run began with, analysed, and
// recorded, each with its row in the frame table.
TEST(SessionVideoReplay, PicturesOfAnotherSizeAreScaledIntoTheRunsVideo) {
  REQUIRE_STREET();
  const std::string dir = NewFolder("size_change");
  const std::string clip = SizeChangingClip(dir, 12);
  ASSERT_FALSE(clip.empty());
  CameraSettings settings;
  settings.record_video = true;
  settings.replay_every_frame = true;
  settings.replay_realtime = false;
  settings.hand_shapes = false;
  CameraSensor sensor(clip, settings);
  SessionRecordingPlan plan;
  plan.video_name = "P1_20240102_030405_V.avi";
  plan.table_name = "P1_20240102_030405_V.csv";
  plan.directories = {dir};
  EXPECT_TRUE(sensor.StartSessionRecording(plan).on);
  ASSERT_EQ(sensor.Open(), S_OK) << sensor.last_error();
  ASSERT_TRUE(WaitFor([&] { return !sensor.IsAvailable(); }, 300));
  const SessionRecordingReport report = sensor.FinishSessionRecording();
  const CameraSensorStats stats = sensor.stats();
  const uint64_t published = sensor.streams().body.published_count();
  sensor.Close();

  EXPECT_EQ(stats.color_frames, 24u);
  EXPECT_EQ(stats.scaled_frames, 12u);
  EXPECT_EQ(published, 24u) << "a picture after the switch was not analysed";
  EXPECT_EQ(report.problem, "");
  EXPECT_EQ(report.frames_written, 24u);
  EXPECT_EQ(report.frames_dropped, 0u);
  const auto times = ReadRecordedFrameTimes(report.table_path, nullptr);
  ASSERT_TRUE(times);
  EXPECT_EQ(times->size(), 24u);
  // Every picture of the video at the run's size, the last ones the scaled street.
  const std::vector<cv::Mat> recorded = VideoPictures(report.video_path, 30);
  ASSERT_EQ(recorded.size(), 24u);
  for (const cv::Mat& picture : recorded) EXPECT_EQ(picture.size(), cv::Size(768, 576));
  const std::vector<cv::Mat> street = VideoPictures(kStreet, 24);
  cv::Mat small, expected;
  cv::resize(street[23], small, {640, 360}, 0, 0, cv::INTER_AREA);
  cv::resize(small, expected, street[23].size(), 0, 0, cv::INTER_LINEAR);
  const auto differs = [&](const cv::Mat& other) {  // mean of |B| + |G| + |R| differences
    return cv::norm(recorded[23], other, cv::NORM_L1) / double(recorded[23].total());
  };
  // 9.5 measured (two JPEG generations); the neighbouring picture gives 22.
  EXPECT_LT(differs(expected), 13.0) << "the last picture is not the street's, scaled back";
}

// The street video (795 pictures, 10 fps) as the camera of a session with
// recording on: every picture in the video, each in the frame table; then
// the recording as the camera of the next session.
TEST_F(CameraThroughSensorLayer, RecordedStreetVideoHoldsEveryPictureAndReplays) {
  REQUIRE_STREET();
  const std::string dir = NewFolder("street");
  InFolder in(dir);
  std::ofstream("camera.ini") << "record_video = on\n"
                                 "replay_every_frame = on  # the capture keeps the models' pace\n"
                                 "replay_realtime = off\n"
                                 "hand_shapes = off\n";
  std::shared_ptr<SensorDevice> device;
  ASSERT_EQ(CreateCameraSensor(CameraOptions{kStreet}, &device), S_OK);
  auto* camera = dynamic_cast<CameraSensor*>(device.get());
  ASSERT_NE(camera, nullptr);
  SessionRecordingPlan plan;
  plan.video_name = "P1_20240102_030405_V.avi";
  plan.table_name = "P1_20240102_030405_V.csv";
  plan.directories = {dir};
  EXPECT_TRUE(camera->StartSessionRecording(plan).on);
  ASSERT_EQ(camera->Open(), S_OK) << camera->last_error();
  ASSERT_TRUE(WaitFor([&] { return !camera->IsAvailable(); }, 500));
  const SessionRecordingReport report = camera->FinishSessionRecording();
  const uint64_t captured = camera->stats().color_frames;
  camera->Close();

  EXPECT_EQ(captured, 795u);
  EXPECT_EQ(report.problem, "");
  EXPECT_EQ(report.video_path, dir + "/P1_20240102_030405_V.avi");
  EXPECT_EQ(report.frames_written, captured);
  EXPECT_EQ(report.frames_dropped, 0u);
  EXPECT_EQ(PacketCount(report.video_path), int64_t(captured));
  const auto times = ReadRecordedFrameTimes(report.table_path, nullptr);
  ASSERT_TRUE(times);
  ASSERT_EQ(times->size(), captured);
  EXPECT_EQ(times->back() - times->front(), 794 * 1000000) << "the file's own 10 fps";

  // The recording replayed as the camera, through OpenSensor into the slots.
  std::ofstream("camera.ini") << "hand_shapes = off\n";
  const SensorBackendOptions options = {"--camera=" + report.video_path, "--replay-every-frame"};
  std::string error;
  ASSERT_TRUE(SelectSensorBackend("camera", options, &error)) << error;
  ASSERT_EQ(OpenSensor(), 1);
  int body_frames = 0, with_people = 0;
  ASSERT_TRUE(WaitFor(
      [&] {
        if (UpdateBodies(stage_) == 1) {
          ++body_frames;
          for (const TrackedBody& body : tracked_bodies) with_people += body.tracked == 1;
        }
        return body_frames >= 20;
      },
      120));
  EXPECT_GT(with_people, 10) << "the walkers did not reach the body slots";
  EXPECT_NE(stage_.Pixel(body_texture, 480, 270) & 0xFFFFFF, 0u) << "no picture on the stage";
}

}  // namespace
