// Video in on FFmpeg: MJPEG clips made here go through VideoSource (the path
// cameras take after their driver) with every compressed frame and its time
// intact; decoded pictures land in the colour picture where the geometry
// says; the driver's timestamps are used only when they can be; a device that
// cannot be opened is named as one.

#include <gtest/gtest.h>
#include <linux/videodev2.h>

#include <opencv2/imgproc.hpp>

#include "body/backends/camera/camera_color_frame.h"
#include "body/backends/camera/video/capture_clock.h"
#include "body/backends/camera/video/picture_scaler.h"
#include "body/backends/camera/video/v4l2_camera.h"
#include "body/sensor/sensor_handles.h"
#include "body/backends/camera/video/video_source.h"
#include "test_media.h"

namespace {

// Frame i: grey, with a white square that moves 20 px a frame.
std::vector<cv::Mat> MovingSquare(int frames, cv::Size size = {320, 240}) {
  std::vector<cv::Mat> pictures;
  for (int i = 0; i < frames; ++i) {
    cv::Mat p(size, CV_8UC3, cv::Scalar::all(60));
    p(cv::Rect(20 * i, 40, 40, 40)).setTo(cv::Scalar::all(250));
    pictures.push_back(p);
  }
  return pictures;
}

struct ReadBack {
  std::vector<CameraPicture> pictures;
  VideoSource::Read end = VideoSource::Read::kFrame;
};

ReadBack ReadAll(const std::string& path, bool realtime = false) {
  CameraSettings settings;
  settings.replay_realtime = realtime;
  VideoSource source;
  std::string error;
  ReadBack out;
  EXPECT_TRUE(source.Open(path, settings, &error)) << error;
  EXPECT_TRUE(source.keeps_compressed());
  EXPECT_EQ(source.capture_clock(), CaptureClock::kFile);
  for (int guard = 0; guard < 100; ++guard) {
    CameraPicture picture;
    out.end = source.Next(&picture);
    if (out.end != VideoSource::Read::kFrame) break;
    out.pictures.push_back(std::move(picture));
  }
  CameraPicture after;
  EXPECT_EQ(source.Next(&after), out.end) << "an ended file stays ended";
  return out;
}

struct ClipCase {
  const char* name;
  const char* extension;
  AVRational time_base;
  std::vector<int64_t> pts;
  bool chroma_422;
  int garbage_at;  // this frame cannot be decoded; the others must come through
};

void PrintTo(const ClipCase& c, std::ostream* os) {
  *os << c.name;
}

class MjpegClip : public ::testing::TestWithParam<ClipCase> {};

TEST_P(MjpegClip, EveryCompressedFrameComesThroughWithItsFileTime) {
  const ClipCase& c = GetParam();
  const std::string path = ::testing::TempDir() + "camera_video_test_" + c.name + c.extension;
  ClipOptions options;
  options.time_base = c.time_base;
  options.pts = c.pts;
  options.chroma_422 = c.chroma_422;
  options.garbage_at = c.garbage_at;
  const auto written = WriteMjpegClip(path, MovingSquare(int(c.pts.size())), options);
  ASSERT_EQ(written.size(), c.pts.size());

  const ReadBack back = ReadAll(path);
  EXPECT_EQ(back.end, VideoSource::Read::kEnded);
  std::vector<size_t> expected;  // indices of the frames that must come out
  for (size_t i = 0; i < written.size(); ++i)
    if (int(i) != c.garbage_at) expected.push_back(i);
  ASSERT_EQ(back.pictures.size(), expected.size());
  const double units_per_tick = 1e7 * c.time_base.num / c.time_base.den;  // 100 ns units
  for (size_t k = 0; k < expected.size(); ++k) {
    const size_t i = expected[k];
    const CameraPicture& p = back.pictures[k];
    ASSERT_TRUE(p.compressed) << "frame " << i;
    EXPECT_TRUE(*p.compressed == written[i]) << "frame " << i << " differs from what was written";
    EXPECT_EQ(p.clock, CaptureClock::kFile);
    EXPECT_EQ(p.width(), 320);
    EXPECT_EQ(p.height(), 240);
    const double want = (c.pts[i] - c.pts[expected[0]]) * units_per_tick;
    EXPECT_NEAR(double(p.capture_time - back.pictures[0].capture_time), want, 1.0) << "frame " << i;
  }
  // The pictures are the frames, in order: the square where frame i put it.
  PictureScaler scaler;
  for (size_t k = 0; k < expected.size(); ++k) {
    cv::Mat bgr;
    ASSERT_TRUE(scaler.ToBgr(*back.pictures[k].frame, &bgr));
    const int x = 20 * int(expected[k]) + 20;
    EXPECT_GT(bgr.at<cv::Vec3b>(60, x)[1], 220) << "frame " << expected[k];
    EXPECT_LT(bgr.at<cv::Vec3b>(60, x + 40)[1], 90) << "frame " << expected[k];
  }
  std::remove(path.c_str());
}

INSTANTIATE_TEST_SUITE_P(
    Clips, MjpegClip,
    ::testing::Values(
        // The recording format: AVI at a fixed rate, 4:2:2 like a USB camera.
        ClipCase{"avi30", ".avi", {1, 30}, {0, 1, 2, 3, 4, 5, 6, 7}, true, -1},
        // Irregular times (a camera that skipped frames), in milliseconds.
        ClipCase{
            "mkv_irregular", ".mkv", {1, 1000}, {0, 33, 70, 100, 180, 181, 250, 400}, false, -1},
        // A damaged frame: dropped, and its neighbours keep their own data and time.
        ClipCase{"avi_damaged", ".avi", {1, 30}, {0, 1, 2, 3, 4, 5, 6, 7}, false, 3}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MjpegClipRealTime, EachPictureIsHandedOutAtItsTimeOnTheReplayClock) {
  const std::string path = ::testing::TempDir() + "camera_video_test_realtime.mkv";
  ClipOptions options;
  options.time_base = {1, 1000};
  options.pts = {0, 40, 120, 160};
  ASSERT_EQ(WriteMjpegClip(path, MovingSquare(4), options).size(), 4u);
  CameraSettings settings;  // real time
  VideoSource source;
  std::string error;
  ASSERT_TRUE(source.Open(path, settings, &error)) << error;
  const TIMESPAN before_first = MonotonicNow100ns();
  TIMESPAN first = 0;
  for (int i = 0; i < 4; ++i) {
    CameraPicture p;
    ASSERT_EQ(source.Next(&p), VideoSource::Read::kFrame);
    if (i == 0) {
      first = p.capture_time;
      EXPECT_GE(first, before_first) << "the replay clock starts at the first picture";
    }
    EXPECT_EQ(p.capture_time - first, options.pts[i] * 10000);
    EXPECT_GE(MonotonicNow100ns(), p.capture_time) << "handed out before its time";
  }
  std::remove(path.c_str());
}

// ----------------------------------------------------------- colour picture

// Camera pictures of several shapes: a strip of another colour at each edge
// the 16:9 crop cuts off, and a dark block at the picture's centre.
struct ShapeCase {
  cv::Size size;
  bool chroma_422;
};

void PrintTo(const ShapeCase& c, std::ostream* os) {
  *os << c.size.width << " x " << c.size.height << (c.chroma_422 ? " 4:2:2" : " 4:2:0");
}

class ColorPictureFromDecoded : public ::testing::TestWithParam<ShapeCase> {};

TEST_P(ColorPictureFromDecoded, ShowsTheCentred16By9PartAtFullSize) {
  const ShapeCase& c = GetParam();
  const ColorFrameGeometry g = ColorFrameGeometry::For(c.size);
  cv::Mat picture(c.size, CV_8UC3, cv::Scalar(0, 200, 0));  // green: the shown part
  const cv::Scalar red(0, 0, 255), blue(255, 0, 0), dark(40, 40, 40);
  if (g.crop.y > 0) {
    picture(cv::Rect(0, 0, c.size.width, g.crop.y)).setTo(red);
    picture(cv::Rect(0, g.crop.br().y, c.size.width, c.size.height - g.crop.br().y)).setTo(blue);
  }
  if (g.crop.x > 0) {
    picture(cv::Rect(0, 0, g.crop.x, c.size.height)).setTo(red);
    picture(cv::Rect(g.crop.br().x, 0, c.size.width - g.crop.br().x, c.size.height)).setTo(blue);
  }
  const int block = std::max(16, c.size.width / 10);
  picture(cv::Rect(c.size.width / 2 - block / 2, c.size.height / 2 - block / 2, block, block))
      .setTo(dark);
  const std::string path = ::testing::TempDir() + "camera_video_test_shape.avi";
  ClipOptions options;
  options.quality = 2;
  options.chroma_422 = c.chroma_422;
  ASSERT_EQ(WriteMjpegClip(path, {picture}, options).size(), 1u);
  const ReadBack back = ReadAll(path);
  ASSERT_EQ(back.pictures.size(), 1u);

  auto near = [](cv::Vec4b got, cv::Scalar want) {
    for (int k = 0; k < 3; ++k)
      if (std::abs(got[k] - want[k]) > 24) return false;
    return got[3] == 255;
  };
  const cv::Scalar green(0, 200, 0);
  // The colour frame the capture thread makes: the stage's half-size
  // picture and the full one (drawn on request unless the shown part is
  // 1920 x 1080 camera pixels) show the same part at the same place.
  PictureScaler scaler;
  auto color = std::make_shared<ColorFrameData>();
  ASSERT_TRUE(MakeCameraColorFrame(scaler, *back.pictures[0].frame, g, color.get()));
  EXPECT_EQ(color->pixels.empty(), g.crop.size() != cv::Size(kColorWidth, kColorHeight));
  const IColorFrame frame(color);
  for (const int divisor : {1, 2}) {
    SCOPED_TRACE(divisor == 1 ? "full size" : "half size");
    const int w = kColorWidth / divisor, h = kColorHeight / divisor;
    const uint8_t* bgra = nullptr;
    if (divisor == 1) {
      uint32_t capacity = 0;
      ASSERT_EQ(frame.AccessRawUnderlyingBuffer(&capacity, &bgra), S_OK);
      ASSERT_EQ(capacity, uint32_t(w) * h * 4);
    } else {
      int32_t half_w = 0, half_h = 0;
      ASSERT_EQ(frame.AccessHalfPicture(&half_w, &half_h, &bgra), S_OK);
      ASSERT_EQ(half_w, w);
      ASSERT_EQ(half_h, h);
    }
    auto at = [&](int x, int y) { return cv::Vec4b(&bgra[(size_t(y) * w + x) * 4]); };
    // Corners: inside the shown part (a few pixels in, past JPEG's edge blur).
    const int in = 8 / divisor;
    for (const cv::Point p : {cv::Point(in, in), cv::Point(w - 1 - in, in),
                              cv::Point(in, h - 1 - in), cv::Point(w - 1 - in, h - 1 - in)})
      EXPECT_TRUE(near(at(p.x, p.y), green)) << p << " " << at(p.x, p.y);
    EXPECT_TRUE(near(at(w / 2, h / 2), dark)) << at(w / 2, h / 2);
  }
  std::remove(path.c_str());
}

INSTANTIATE_TEST_SUITE_P(Shapes, ColorPictureFromDecoded,
                         ::testing::Values(ShapeCase{{640, 480}, false},   // 4:3, rows cut
                                           ShapeCase{{1280, 720}, true},   // upscaled
                                           ShapeCase{{1920, 1080}, true},  // same size
                                           ShapeCase{{480, 854}, false},   // portrait, odd crop
                                           ShapeCase{{2560, 1080}, false}  // wide, columns cut
                                           ));

// ------------------------------------------------------------- driver times

struct StampCase {
  const char* what;
  uint32_t flags;
  TIMESPAN driver_before_read;  // 100 ns
  CaptureClock want;
};

void PrintTo(const StampCase& c, std::ostream* os) {
  *os << c.what;
}

class DriverTimestamp : public ::testing::TestWithParam<StampCase> {};

TEST_P(DriverTimestamp, IsUsedOnlyWhenMonotonicAndPlausible) {
  const StampCase& c = GetParam();
  const TIMESPAN read = 5000000000;  // 500 s after boot
  CaptureClock clock = CaptureClock::kFile;
  const TIMESPAN t = ChooseCaptureTime(c.flags, read - c.driver_before_read, read, &clock);
  EXPECT_EQ(clock, c.want) << c.what;
  EXPECT_EQ(t, c.want == CaptureClock::kDriver ? read - c.driver_before_read : read) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Buffers, DriverTimestamp,
    ::testing::Values(StampCase{"monotonic, 40 ms before the read",
                                V4L2_BUF_FLAG_TIMESTAMP_MONOTONIC, 400000, CaptureClock::kDriver},
                      StampCase{"monotonic, start of exposure, key frame",
                                V4L2_BUF_FLAG_TIMESTAMP_MONOTONIC | V4L2_BUF_FLAG_TSTAMP_SRC_SOE |
                                    V4L2_BUF_FLAG_KEYFRAME,
                                300000, CaptureClock::kDriver},
                      StampCase{"clock unknown", V4L2_BUF_FLAG_TIMESTAMP_UNKNOWN, 400000,
                                CaptureClock::kReadTime},
                      StampCase{"copied from elsewhere", V4L2_BUF_FLAG_TIMESTAMP_COPY, 400000,
                                CaptureClock::kReadTime},
                      StampCase{"after the read", V4L2_BUF_FLAG_TIMESTAMP_MONOTONIC, -10000,
                                CaptureClock::kReadTime},
                      StampCase{"two seconds old", V4L2_BUF_FLAG_TIMESTAMP_MONOTONIC, 20000000,
                                CaptureClock::kReadTime},
                      StampCase{"zero", V4L2_BUF_FLAG_TIMESTAMP_MONOTONIC, 5000000000,
                                CaptureClock::kReadTime}));

// ----------------------------------------------------------------- messages

struct OpenCase {
  const char* given;
  std::vector<const char*> said;
};

void PrintTo(const OpenCase& c, std::ostream* os) {
  *os << c.given;
}

class OpenFailure : public ::testing::TestWithParam<OpenCase> {};

TEST_P(OpenFailure, NamesWhatCouldNotBeOpenedAndWhatToDoNext) {
  const OpenCase& c = GetParam();
  VideoSource source;
  std::string error;
  ASSERT_FALSE(source.Open(c.given, CameraSettings{}, &error));
  for (const char* text : c.said) EXPECT_NE(error.find(text), std::string::npos) << error;
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, OpenFailure,
    ::testing::Values(
        OpenCase{"97", {"カメラ /dev/video97 はつながっていません", "Camera check",
                        "v4l2-ctl --list-devices", "v4l-utils"}},
        OpenCase{"/dev/video-none",
                 {"カメラ /dev/video-none はつながっていません", "Camera check"}},
        OpenCase{"/dev/null", {"/dev/null は V4L2 のカメラではありません", "v4l2-ctl --list-devices"}},
        OpenCase{"/nonexistent/clip.avi", {"動画ファイル /nonexistent/clip.avi"}}));

}  // namespace
