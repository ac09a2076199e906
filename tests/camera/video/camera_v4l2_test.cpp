// The V4L2 capture path on a fake UVC camera (fake_camera/): the fake is
// linked into this test, so the backend's own open, ioctl, poll and close
// reach it exactly as they reach a driver. Each case describes a camera and
// what the backend must make of it: the mode it takes, the clock of its
// times, the pictures it keeps or leaves out, and when it gives up.

#include <gtest/gtest.h>
#include <linux/videodev2.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>

#include "body/backends/camera/video/v4l2_camera.h"
#include "body/backends/camera/video/video_source.h"
#include "fake_camera/fake_camera_files.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// Pictures of each size the cases' cameras grant, written once.
const std::string& FramesOf(const char* size) {
  static std::map<std::string, std::string> files;
  auto& path = files[size];
  if (path.empty()) {
    int w = 0, h = 0;
    std::sscanf(size, "%dx%d", &w, &h);
    path = (fs::path(::testing::TempDir()) / ("fake_camera_" + std::string(size) + ".mjpeg")).string();
    EXPECT_TRUE(WriteFakeCameraFrames(path, {w, h}, 12)) << path;
  }
  return path;
}

// Writes `text` as the fake's script ("@WxH" stands for that size's pictures).
void UseScript(std::string text) {
  for (size_t at; (at = text.find('@')) != std::string::npos;) {
    const size_t end = text.find_first_of(" \n", at);
    text.replace(at, end - at, FramesOf(text.substr(at + 1, end - at - 1).c_str()));
  }
  static int count = 0;
  const std::string path = ::testing::TempDir() + "fake_camera_" + std::to_string(++count) + ".txt";
  std::ofstream(path) << text;
  setenv(kFakeCameraScriptVariable, path.c_str(), 1);
}

const char* kMjpeg720 = "camera /dev/video60\ncard Fake HD Camera\nbus usb-0000:00:14.0-3\n"
                        "mode MJPG 1280 720 30 15\nframes @1280x720\n";

struct FakeCase {
  const char* name;
  std::string script;
  const char* open_error = nullptr;  // a text the refusal must hold; null: it opens
  const char* mode = "MJPG 1280x720 30 fps";
  const char* timestamps = "driver_end_of_frame";
  int pictures = 8;     // that must come
  bool lost = false;    // then: the camera is given up
  int dropped = 0;      // pictures left out on the way
  const char* dropped_as = "";  // ... all for this reason (as the run record names it)
};

void PrintTo(const FakeCase& c, std::ostream* os) {
  *os << c.name;
}

class FakeCamera : public ::testing::TestWithParam<FakeCase> {};

TEST_P(FakeCamera, TheBackendMakesOfItWhatItShould) {
  const FakeCase& c = GetParam();
  UseScript(c.script);
  VideoSource source;
  std::string error;
  const auto opening = Clock::now();
  const bool opened = source.Open("/dev/video60", CameraSettings{}, &error);
  if (c.open_error) {
    ASSERT_FALSE(opened);
    EXPECT_NE(error.find(c.open_error), std::string::npos) << error;
    EXPECT_LT(Clock::now() - opening, std::chrono::milliseconds(6500)) << "refused in time";
    return;
  }
  ASSERT_TRUE(opened) << error;
  ASSERT_NE(source.camera(), nullptr);
  EXPECT_EQ(CameraModeText(source.camera()->mode), c.mode);
  EXPECT_EQ(source.size(), cv::Size(source.camera()->mode.width, source.camera()->mode.height));

  std::vector<TIMESPAN> times;
  CameraPicture picture;
  VideoSource::Read read = VideoSource::Read::kFrame;
  auto last = Clock::now();
  while (int(times.size()) < c.pictures + (c.lost ? 1 : 0)) {
    last = Clock::now();
    read = source.Next(&picture);
    if (read != VideoSource::Read::kFrame) break;
    EXPECT_EQ(picture.width(), source.size().width);
    EXPECT_EQ(picture.height(), source.size().height);
    times.push_back(picture.capture_time);
  }
  ASSERT_EQ(int(times.size()), c.pictures);
  if (c.lost) {
    EXPECT_EQ(read, VideoSource::Read::kLost);
    EXPECT_LT(Clock::now() - last, std::chrono::milliseconds(2500)) << "given up within 2 s";
  }
  const DroppedPictures dropped = source.pictures_dropped();
  EXPECT_EQ(dropped.total(), uint64_t(c.dropped));
  for (int i = 0; i < kDropReasonCount; ++i)
    EXPECT_EQ(dropped.by_reason[i], uint64_t(kDropReasonNames[i] == std::string(c.dropped_as) ? c.dropped : 0))
        << kDropReasonNames[i];
  EXPECT_STREQ(source.timestamp_source(), c.timestamps);
  for (size_t i = 1; i < times.size(); ++i) EXPECT_GT(times[i], times[i - 1]) << i;
  // The driver's times step by whole frame intervals (more than one where a
  // picture was left out); read times jitter.
  if (std::string(c.timestamps).rfind("driver", 0) == 0) {
    for (size_t i = 1; i < times.size(); ++i)
      EXPECT_NEAR(std::remainder(double(times[i] - times[i - 1]), 1e7 / source.fps()), 0, 20.0)
          << i;
  }
}

std::string With(const char* lines) {
  return kMjpeg720 + std::string(lines);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FakeCamera,
    ::testing::Values(
        // Negotiation: the rate first, then the size, then MJPEG.
        FakeCase{"mjpeg_over_slow_yuyv",
                 "camera /dev/video60\nmode YUYV 1280 720 10 5\nmode MJPG 1280 720 30 15\n"
                 "frames @1280x720\n"},
        FakeCase{"yuyv_only", "camera /dev/video60\nmode YUYV 640 480 30 15\n", nullptr,
                 "YUYV 640x480 30 fps"},
        FakeCase{"rate_before_size",
                 "camera /dev/video60\nmode MJPG 1280 720 15\nmode YUYV 640 480 30\n", nullptr,
                 "YUYV 640x480 30 fps"},
        FakeCase{"nearest_size_in_mjpeg",
                 "camera /dev/video60\nmode MJPG 1920 1080 30\nmode MJPG 1280 720 30\n"
                 "mode MJPG 640 480 30\nmode YUYV 1280 720 30\nframes @1280x720\n"},
        FakeCase{"granted_other_than_asked", With("grant 800 600 15\nframes @800x600\n"), nullptr,
                 "MJPG 800x600 15 fps", "driver_end_of_frame", 5},
        // Timestamps: the driver's when monotonic and plausible.
        FakeCase{"start_of_exposure", With("timestamps monotonic soe\n"), nullptr,
                 "MJPG 1280x720 30 fps", "driver_start_of_exposure"},
        FakeCase{"wall_clock_stamps", With("timestamps unknown eof\n"), nullptr,
                 "MJPG 1280x720 30 fps", "read_time"},
        FakeCase{"stale_stamps", With("timestamps stale eof\n"), nullptr, "MJPG 1280x720 30 fps",
                 "read_time"},
        FakeCase{"stamps_going_back", With("timestamps backwards eof\n"), nullptr,
                 "MJPG 1280x720 30 fps", "read_time"},
        // Faults: damaged pictures left out and counted, the run goes on.
        FakeCase{"eio", With("fault 3 eio\n"), nullptr, "MJPG 1280x720 30 fps",
                 "driver_end_of_frame", 8, false, 1, "read_error"},
        FakeCase{"eagain_storm", With("fault 3 eagain 500\n")},
        FakeCase{"empty_buffer", With("fault 2 empty\n"), nullptr, "MJPG 1280x720 30 fps",
                 "driver_end_of_frame", 8, false, 1, "empty"},
        FakeCase{"truncated_jpeg", With("fault 3 truncate\nfault 5 truncate\n"), nullptr,
                 "MJPG 1280x720 30 fps", "driver_end_of_frame", 8, false, 2, "incomplete"},
        FakeCase{"corrupt_jpeg", With("fault 4 corrupt\n"), nullptr, "MJPG 1280x720 30 fps",
                 "driver_end_of_frame", 8, false, 1, "undecodable"},
        FakeCase{"error_flag", With("fault 1 error_flag\nfault 6 error_flag\n"), nullptr,
                 "MJPG 1280x720 30 fps", "driver_end_of_frame", 8, false, 2, "error_flag"},
        // Gone: unplugged, silent, or only damaged pictures.
        FakeCase{"unplugged", With("fault 5 unplug\n"), nullptr, "MJPG 1280x720 30 fps",
                 "driver_end_of_frame", 5, true},
        FakeCase{"silent_mid_run", With("fault 4 silence\n"), nullptr, "MJPG 1280x720 30 fps",
                 "driver_end_of_frame", 4, true},
        FakeCase{"eio_then_unplugged",
                 With("fault 3 eio\nfault 4 eio\nfault 5 eio\nfault 6 unplug\n"), nullptr,
                 "MJPG 1280x720 30 fps", "driver_end_of_frame", 3, true, 3, "read_error"},
        // Refused before the run.
        FakeCase{"nothing_after_streamon", With("fault 0 silence\n"), "開始後に使える画像を送ってきませんでした"},
        FakeCase{"busy", With("busy\n"), "ほかのプログラムが使っています"},
        FakeCase{"no_usable_format", "camera /dev/video60\nmode GREY 640 480 30\n",
                 "MJPEG の画像も YUYV の画像も出せません"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FakeCameras, TheChosenOfTwoIsUsed) {
  UseScript(std::string(kMjpeg720) +
            "camera /dev/video61\ncard Second Camera\nbus usb-0000:00:14.0-4\n"
            "mode YUYV 640 480 30\n");
  for (const auto& [path, card] : {std::pair{"/dev/video61", "Second Camera"},
                                   std::pair{"/dev/video60", "Fake HD Camera"}}) {
    VideoSource source;
    std::string error;
    ASSERT_TRUE(source.Open(path, CameraSettings{}, &error)) << error;
    EXPECT_EQ(source.camera()->card, card);
    CameraPicture picture;
    EXPECT_EQ(source.Next(&picture), VideoSource::Read::kFrame);
  }
}

}  // namespace
