// The camera check: its figures over the last seconds, the picture and bodies
// it takes from a scripted sensor into buffers of its own, and its window,
// which closes with Esc and leaves no file and no open sensor behind.

#include <gtest/gtest.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QTest>
#include <filesystem>
#include <fstream>

#include "app/camera_check_meter.h"
#include "app/camera_check_sensor.h"
#include "app/camera_check_window.h"
#include "app/camera_chooser.h"
#include "app/label_colour.h"
#include "app/label_placement.h"
#include "app/language_choice.h"
#include "body/backends/scripted/scripted_sensor.h"
#include "body/sensor/pinhole_camera.h"
#include "body/sensor_connection.h"
#include "state/program_state.h"

namespace fs = std::filesystem;

namespace {

constexpr int64_t kMs = 1'000'000;

// The window's title once it reads `wanted`, or as it reads after 3 s. (QTRY_COMPARE
// would not fail a GoogleTest test: it only returns from it.)
std::string TitleWithin3s(const QWidget& window, const std::string& wanted) {
  QElapsedTimer waited;
  waited.start();
  while (window.windowTitle().toStdString() != wanted && waited.elapsed() < 3000) QTest::qWait(10);
  return window.windowTitle().toStdString();
}

TEST(LabelPlacement, ALabelMovesDownPastTheOnesItWouldCover) {
  const QRectF left_hand(100, 100, 60, 20);
  struct Case {
    const char* what;
    QRectF wanted;
    std::vector<QRectF> taken;
    QRectF placed;
  };
  const Case cases[] = {
      {"nothing drawn yet", {105, 110, 60, 20}, {}, {105, 110, 60, 20}},
      {"clear of the other", {300, 100, 60, 20}, {left_hand}, {300, 100, 60, 20}},
      {"over the other: just below it", {105, 110, 60, 20}, {left_hand}, {105, 121, 60, 20}},
      // Below the first it would cover the second: below that one too.
      {"a stack of two", {105, 95, 60, 20}, {left_hand, {110, 125, 60, 20}}, {105, 146, 60, 20}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const QRectF placed = PlaceLabel(c.wanted, c.taken);
    EXPECT_EQ(placed, c.placed);
    for (const QRectF& other : c.taken) EXPECT_FALSE(placed.intersects(other));
  }
}

// The hand labels' words on their dark boxes: the blue of "unknown" was hard to read.
TEST(LabelColour, EveryShapeColourIsReadableOnBlack) {
  for (const QColor marker : {QColor(0, 64, 255), QColor(255, 0, 0), QColor(0, 255, 0),
                              QColor(255, 255, 0), QColor(0, 0, 0)}) {
    SCOPED_TRACE(marker.name().toStdString());
    const QColor text = ReadableOnBlack(marker);
    EXPECT_GE(ContrastOnBlack(text), 4.5);
    // Already readable: unchanged; otherwise the same hue, lighter.
    if (ContrastOnBlack(marker) >= 4.5) EXPECT_EQ(text, marker);
    if (marker != Qt::black && text != marker) EXPECT_NEAR(text.hsvHueF(), marker.hsvHueF(), 0.01);
  }
  EXPECT_LT(ContrastOnBlack(QColor(0, 64, 255)), 4.5);  // the marker blue itself is not
}

TEST(CameraCheckMeter, FiguresAndWhatStandsAgainstASession) {
  struct Case {
    const char* name;
    int picture_every_ms, body_every_ms, delay_ms;
    int tracked_every;  // every n-th body frame has a body
    std::vector<std::string> problems;  // starts of the sentences
  };
  const Case cases[] = {
      {"webcam that keeps up", 33, 33, 45, 1, {}},
      {"slow inference", 33, 125, 45, 1, {"体のフレームが毎秒 8.0 回"}},
      {"dark room", 100, 100, 45, 1, {"カメラの画像が毎秒 10.0 枚"}},
      {"late bodies", 33, 33, 220, 1, {"体が画像の 220 ms 後"}},
      {"child out of view", 33, 33, 45, 2, {"体を追跡できたフレームは 50 % だけ"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CameraCheckMeter meter;
    meter.Start(0);
    int bodies = 0;
    for (int64_t t = 1; t <= 8000; ++t) {  // 8 s; only the last 5 count
      if (t % c.picture_every_ms == 0) meter.OnPicture(t * kMs);
      if (t % c.body_every_ms == 0)
        meter.OnBodyFrame(t * kMs, c.delay_ms * kMs, ++bodies % c.tracked_every == 0 ? 2 : 0);
    }
    const CameraCheckFigures f = meter.Figures(8000 * kMs);
    EXPECT_DOUBLE_EQ(f.seconds, 5);
    EXPECT_NEAR(f.pictures_per_second, 1000.0 / c.picture_every_ms, 0.3);
    EXPECT_NEAR(f.body_frames_per_second, 1000.0 / c.body_every_ms, 0.3);
    ASSERT_TRUE(f.capture_to_body_ms);
    EXPECT_DOUBLE_EQ(*f.capture_to_body_ms, c.delay_ms);
    ASSERT_EQ(f.problems.size(), c.problems.size());
    for (size_t i = 0; i < c.problems.size(); ++i)
      EXPECT_EQ(f.problems[i].rfind(c.problems[i], 0), 0u) << f.problems[i];
  }

  CameraCheckMeter fresh;
  EXPECT_EQ(fresh.Figures(0).problems, std::vector<std::string>{"カメラの画像がまだ来ていません。"});
  fresh.Start(0);
  fresh.OnPicture(500 * kMs);
  EXPECT_EQ(fresh.Figures(1000 * kMs).problems, std::vector<std::string>{"測定中 ..."});
}

class CameraCheckTest : public testing::Test {
 protected:
  void SetUp() override {
    ResetProgramState();
    char pattern[] = "/tmp/t2-camera-check-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    old_dir_ = fs::current_path();
    fs::current_path(dir_);
    sensor_ = InstallScriptedSensor();
  }
  void TearDown() override {
    CloseSensor();
    UninstallScriptedSensor();
    fs::current_path(old_dir_);
    fs::remove_all(dir_);
  }

  // A frame set with `bodies` tracked children, captured `delay_ms` before now.
  void Push(int bodies, uint32_t colour, int delay_ms = 40) {
    const TIMESPAN captured = (CameraCheckSensor::Now_ns() - delay_ms * kMs) / 100;
    ColorFrameData picture = ScriptedColorFrame(1920, 1080, ColorImageFormat_Bgra, colour);
    picture.relative_time = captured;
    BodyFrameData frame;
    frame.relative_time = captured;
    for (int b = 0; b < bodies; ++b) {
      BodyData& body = frame.bodies[b];
      body.is_tracked = true;
      body.tracking_id = 100 + b;
      for (int j = 0; j < JointType_Count; ++j) {
        body.joints[j].Position = PinholeCamera{}.Unproject(600.0f + 400 * b, 300.0f + 20 * j, 2.0f);
        body.joints[j].TrackingState = TrackingState_Tracked;
      }
      body.hand_left = HandState_Closed;
      body.hand_right = HandState_Lasso;
      body.hand_left_confidence = 0.9f - 0.1f * b;
      body.hand_right_confidence = 0.6f;
    }
    sensor_->PushSet(picture, frame);
  }

  fs::path dir_, old_dir_;
  std::shared_ptr<ScriptedSensor> sensor_;
};

TEST_F(CameraCheckTest, PictureAndBodiesGoIntoTheChecksOwnBuffers) {
  {
    CameraCheckSensor check;
    ASSERT_TRUE(check.open());
    EXPECT_TRUE(sensor_->is_open());
    EXPECT_FALSE(check.Poll(CameraCheckSensor::Now_ns())) << "nothing has come yet";
    EXPECT_FALSE(check.has_picture());

    Push(2, 0xFF336699);
    EXPECT_TRUE(check.Poll(CameraCheckSensor::Now_ns()));
    ASSERT_TRUE(check.has_picture());
    EXPECT_EQ(check.picture()[270 * 960 + 480] | 0xFF000000u, 0xFF336699u);
    int tracked = 0;
    for (const TrackedBody& b : check.bodies()) tracked += b.tracked;
    EXPECT_EQ(tracked, 2);
    EXPECT_EQ(check.bodies()[1].id, 101);
    EXPECT_EQ(check.bodies()[0].hand_l, kHandRock);
    EXPECT_EQ(check.bodies()[0].hand_r, kHandScissors);
    // Each body's hand confidences, found by its id.
    const std::array<float, 2> second = check.HandConfidence(check.bodies()[1].id);
    EXPECT_FLOAT_EQ(second[0], 0.8f);
    EXPECT_FLOAT_EQ(second[1], 0.6f);
    EXPECT_FLOAT_EQ(check.HandConfidence(12345)[0], 0) << "a body it has not reported";
    EXPECT_NEAR(check.bodies()[0].head_dist, 2.0, 0.3);

    const CameraCheckFigures f = check.Figures(CameraCheckSensor::Now_ns());
    ASSERT_TRUE(f.capture_to_body_ms);
    EXPECT_GE(*f.capture_to_body_ms, 40);
    EXPECT_LT(*f.capture_to_body_ms, 1000);
    ASSERT_TRUE(f.tracked_share);
    EXPECT_DOUBLE_EQ(*f.tracked_share, 1.0);
    EXPECT_EQ(f.pictures_dropped, 0u);
    sensor_->streams().pictures_dropped = 3;  // as a camera leaving out damaged pictures
    EXPECT_EQ(check.Figures(CameraCheckSensor::Now_ns()).pictures_dropped, 3u);

    // A run's state is not touched.
    for (const TrackedBody& b : tracked_bodies) EXPECT_EQ(b.tracked, 0);
  }
  EXPECT_FALSE(sensor_->is_open()) << "the check closes the sensor";
  EXPECT_EQ(sensor_connection.sensor, nullptr);
}

TEST_F(CameraCheckTest, WithoutASensorTheCheckSaysSo) {
  InstallNoSensor();
  CameraCheckSensor check;
  EXPECT_FALSE(check.open());
  EXPECT_NE(check.Problem().find("体のセンサーを使っていません"), std::string::npos) << check.Problem();
  EXPECT_FALSE(check.Poll(CameraCheckSensor::Now_ns()));
}

TEST_F(CameraCheckTest, WindowCountsBodiesInItsTitleAndClosesWithEsc) {
  CameraCheckWindow window(nullptr);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  Push(2, 0xFF808080);
  EXPECT_EQ(TitleWithin3s(window, "カメラの確認: 追跡中の体 2 人"), "カメラの確認: 追跡中の体 2 人");
  Push(1, 0xFF808080);
  EXPECT_EQ(TitleWithin3s(window, "カメラの確認: 追跡中の体 1 人"), "カメラの確認: 追跡中の体 1 人");
  const QImage shown = window.grab().toImage();
  EXPECT_FALSE(shown.isNull());

  QTest::keyClick(&window, Qt::Key_Escape);
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(window.result(), QDialog::Rejected);
  EXPECT_TRUE(fs::is_empty(dir_)) << "the camera check writes no file";
}

// What the check says, in either language: the window's title, the camera
// chooser, why there is no picture and what stands against a session.
TEST_F(CameraCheckTest, TheCheckInEitherLanguage) {
  std::ofstream("camera.ini") << "device = /dev/video7\n";
  const struct {
    UiLanguage language;
    const char *title, *chooser, *tooltip;
    std::vector<std::string> problems, waiting;
  } cases[] = {
      {UiLanguage::kEnglish, "Camera check: 2 bodies tracked",
       "/dev/video7 (not found: not connected, or a video file)",
       "The camera of the check and of every later run (kept in camera.ini)",
       {"Camera pictures come 10.0 times a second; a session needs 20 or more.",
        "Body frames come 8.0 times a second; a session needs 10 or more.",
        "Bodies come 220 ms after their picture; more than 150 ms delays every reaction.",
        "A body is tracked in only 50 % of the frames; place the camera and the child so that it "
        "is tracked in 80 % or more."},
       {"No camera picture has arrived yet.", "Measuring ..."}},
      {UiLanguage::kJapanese, "カメラの確認: 追跡中の体 2 人",
       "/dev/video7（見つかりません。つながっていないか、動画ファイルです）",
       "この確認とこの後のすべての実験で使うカメラ（camera.ini に記録します）",
       {"カメラの画像が毎秒 10.0 枚しか来ません。実験には毎秒 20 枚以上必要です。",
        "体のフレームが毎秒 8.0 回しか来ません。実験には毎秒 10 回以上必要です。",
        "体が画像の 220 ms 後に来ます。150 ms を超えると、すべての反応が遅れます。",
        "体を追跡できたフレームは 50 % だけです。80 % 以上で追跡できるように、カメラと子どもの"
        "位置を直してください。"},
       {"カメラの画像がまだ来ていません。", "測定中 ..."}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(UiLanguageCode(c.language));
    ASSERT_TRUE(ApplyUiLanguage(c.language));
    {
      CameraCheckWindow window(nullptr);
      window.show();
      ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
      Push(2, 0xFF808080);
      EXPECT_EQ(TitleWithin3s(window, c.title), c.title);
    }
    CloseSensor();
    const CameraChooser chooser(nullptr);
    EXPECT_EQ(chooser.currentText(), QString::fromUtf8(c.chooser));
    EXPECT_EQ(chooser.toolTip(), QString::fromUtf8(c.tooltip));

    CameraCheckMeter meter;  // a dark room, slow and late bodies, the child half out of view
    meter.Start(0);
    for (int64_t t = 1; t <= 8000; ++t) {
      if (t % 100 == 0) meter.OnPicture(t * kMs);
      if (t % 125 == 0) meter.OnBodyFrame(t * kMs, 220 * kMs, t % 250 == 0 ? 1 : 0);
    }
    EXPECT_EQ(meter.Figures(8000 * kMs).problems, c.problems);
    CameraCheckMeter fresh;
    std::vector<std::string> waiting = fresh.Figures(0).problems;
    fresh.Start(0);
    fresh.OnPicture(500 * kMs);
    waiting.push_back(fresh.Figures(1000 * kMs).problems.at(0));
    EXPECT_EQ(waiting, c.waiting);
  }
  ApplyUiLanguage(UiLanguage::kJapanese);
}

}  // namespace
