// The video side's logic: the colour picture's geometry, and camera.ini
// (reading, writing, the keys' help and the README's table of them).

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <opencv2/core.hpp>

#include "body/backends/camera/video/camera_settings.h"
#include "body/backends/camera/video/color_frame_geometry.h"

namespace {

// ---------------------------------------------------------------- picture

TEST(ColorFrameGeometry, CropsToSixteenNinthsAndScalesTo1920) {
  const struct {
    int w, h;
    cv::Rect crop;
  } cases[] = {
      {1280, 720, {0, 0, 1280, 720}},      // already 16:9
      {640, 480, {0, 60, 640, 360}},       // 4:3: strips off top and bottom
      {2560, 1080, {320, 0, 1920, 1080}},  // wider: strips off the sides
      {1920, 1080, {0, 0, 1920, 1080}},
  };
  for (const auto& c : cases) {
    const ColorFrameGeometry g = ColorFrameGeometry::For({c.w, c.h});
    EXPECT_EQ(g.crop, c.crop) << c.w << "x" << c.h;
    EXPECT_FLOAT_EQ(g.scale, 1920.0f / c.crop.width);
    const cv::Point2f corner = g.ToColor(cv::Point2f(float(c.crop.br().x), float(c.crop.br().y)));
    EXPECT_NEAR(corner.x, 1920, 1e-2);
    EXPECT_NEAR(corner.y, 1080, 1e-2);
  }
}

TEST(ColorFrameGeometry, PictureShowsTheCroppedPartInBgra) {
  // 640 x 480: top strip red, middle green, bottom strip blue.
  cv::Mat bgr(480, 640, CV_8UC3, cv::Scalar(0, 255, 0));
  bgr(cv::Rect(0, 0, 640, 60)).setTo(cv::Scalar(0, 0, 255));
  bgr(cv::Rect(0, 420, 640, 60)).setTo(cv::Scalar(255, 0, 0));
  bgr(cv::Rect(318, 238, 5, 5)).setTo(cv::Scalar(10, 20, 30));  // around camera (320, 240)
  std::vector<uint8_t> out(1920 * 1080 * 4, 0);
  ConvertToColorPicture(bgr, ColorFrameGeometry::For(bgr.size()), out.data());
  auto px = [&](int x, int y) { return cv::Vec4b(&out[(size_t(y) * 1920 + x) * 4]); };
  EXPECT_EQ(px(0, 0), cv::Vec4b(0, 255, 0, 255));        // the red strip is cut off
  EXPECT_EQ(px(1919, 1079), cv::Vec4b(0, 255, 0, 255));  // and the blue one
  EXPECT_EQ(px(961, 541), cv::Vec4b(10, 20, 30, 255));   // colour (960, 540) and on
}

// ---------------------------------------------------------------- settings

TEST(CameraSettings, FileOverridesKnownKeysAndReportsBadLines) {
  const std::string path = ::testing::TempDir() + "camera_settings_test.ini";
  {
    std::ofstream f(path);
    f << "# thresholds for small children\n"
         "keypoint_threshold = 0.25\n"
         "shoulder_width_m=0.22   # measured\n"
         "hand_shapes=off\n"
         "pose_input_width=9999\n"
         "colour=blue\n"
         "no equals sign\n";
  }
  CameraSettings s;
  std::string warnings;
  ASSERT_TRUE(LoadCameraSettings(path, &s, &warnings));
  EXPECT_FLOAT_EQ(s.keypoint_threshold, 0.25f);
  EXPECT_FLOAT_EQ(s.shoulder_width_m, 0.22f);
  EXPECT_FALSE(s.hand_shapes);
  EXPECT_EQ(s.pose_input_width, CameraSettings{}.pose_input_width);  // out of range: kept
  EXPECT_NE(warnings.find(":5: value out of range"), std::string::npos) << warnings;
  EXPECT_NE(warnings.find(":6: unknown key"), std::string::npos) << warnings;
  EXPECT_NE(warnings.find(":7: no '='"), std::string::npos) << warnings;
  std::remove(path.c_str());
}

// 0 (the default) chooses the pose model's threads for the machine; a number
// set in camera.ini is taken as it is.
TEST(CameraSettings, PoseThreadsFollowTheCoresUnlessSet) {
  struct Case {
    int setting, cores, threads;
  };
  for (const Case c : {Case{0, 1, 1}, Case{0, 2, 1}, Case{0, 4, 2}, Case{0, 0, 1}, Case{3, 2, 3},
                       Case{1, 16, 1}}) {
    CameraSettings s;
    s.inference_threads = c.setting;
    EXPECT_EQ(PoseThreadsFor(s, c.cores), c.threads) << c.setting << " on " << c.cores;
  }
  EXPECT_EQ(CameraSettings{}.inference_threads, 0);
}

// Values camera.ini cannot take are named with what is used instead, and the
// run goes on with it; text that is no text is not echoed raw to the terminal.
TEST(CameraSettings, UnusableValuesAreNamedWithTheValueUsed) {
  struct Case {
    std::string line;
    const char* said;  // in the warning; null: taken
    std::string key, value;  // the key's value afterwards, as camera.ini writes it
  };
  const Case cases[] = {
      {"person_threshold = nan", "person_threshold = nan (takes 0 to 1); 0.2 is used",
       "person_threshold", "0.2"},
      {"shoulder_width_m = inf", "(takes 0.1 to 0.6); 0.25 is used", "shoulder_width_m", "0.25"},
      {"capture_fps = 1000", "capture_fps = 1000 (takes 5 to 120); 30 is used", "capture_fps",
       "30"},
      {"record_video = yes", nullptr, "record_video", "on"},
      {"hand_shapes = no", nullptr, "hand_shapes", "off"},
      {"hand_model_full = maybe", "(takes on or off); on is used", "hand_model_full", "on"},
      {"pose_refine_model = Thunder", "(takes off, lightning or thunder); off is used",
       "pose_refine_model", "off"},
      {"keypoint_threshold = 0.3\x1b[2J\xff", "keypoint_threshold = 0.3\\x1B[2J\\xFF",
       "keypoint_threshold", "0.3"},
  };
  const std::string path = ::testing::TempDir() + "camera_settings_values.ini";
  for (const Case& c : cases) {
    std::ofstream(path) << c.line << "\n";
    CameraSettings s;
    std::string warnings;
    ASSERT_TRUE(LoadCameraSettings(path, &s, &warnings));
    if (c.said) EXPECT_NE(warnings.find(c.said), std::string::npos) << warnings;
    else EXPECT_EQ(warnings, "") << c.line;
    for (char ch : warnings) EXPECT_TRUE(ch == '\n' || (ch >= 0x20 && ch < 0x7F)) << warnings;
    for (const CameraSettingKey& key : CameraSettingKeys()) {
      if (key.name == c.key) {
        EXPECT_EQ(CameraSettingText(s, key), c.value) << c.line;
      }
    }
  }
  std::remove(path.c_str());
}

// The README's camera.ini table lists exactly the keys the program takes,
// each with its default.
TEST(CameraSettings, TheReadmeListsEveryKeyWithItsDefault) {
  const char* source = std::getenv("T2_SOURCE_DIR");
  ASSERT_NE(source, nullptr) << "run by ctest, which names the source folder";
  std::ifstream in(std::string(source) + "/README.md");
  ASSERT_TRUE(in);
  const std::string readme{std::istreambuf_iterator<char>(in), {}};
  const size_t head = readme.find("| key | default | what it does |");
  ASSERT_NE(head, std::string::npos);
  const std::string table = readme.substr(head, readme.find("\n\n", head) - head);
  const CameraSettings defaults;
  for (const CameraSettingKey& key : CameraSettingKeys()) {
    const std::string row = "| `" + std::string(key.name) + "` | " +
                            CameraSettingText(defaults, key) + " |";
    EXPECT_NE(table.find(row), std::string::npos) << "README lacks the row " << row;
  }
  // Every key the table names is one the program takes.
  for (size_t at = 0; (at = table.find("\n| `", at)) != std::string::npos; ++at) {
    const std::string name = table.substr(at + 4, table.find('`', at + 4) - at - 4);
    CameraSettings s;
    const char* problem = SetCameraSetting(name, "x", &s);
    EXPECT_NE(std::string(problem ? problem : ""), "unknown key") << name;
  }
}

// --help names every key with its default and what it takes.
TEST(CameraSettings, HelpNamesEveryKeyWithItsDefaultAndRange) {
  const std::string help = CameraSettingsHelp();
  const CameraSettings defaults;
  for (const CameraSettingKey& key : CameraSettingKeys()) {
    const size_t at = help.find("\n  " + std::string(key.name) + " ");
    ASSERT_NE(at, std::string::npos) << key.name << "\n" << help;
    const std::string line = help.substr(at + 1, help.find('\n', at + 1) - at - 1);
    EXPECT_NE(line.find(" " + CameraSettingText(defaults, key) + " "), std::string::npos) << line;
    EXPECT_NE(line.find("(" + CameraSettingRange(key) + ")"), std::string::npos) << line;
  }
}

TEST(CameraSettings, MissingFileKeepsTheDefaults) {
  CameraSettings s;
  std::string warnings;
  EXPECT_TRUE(LoadCameraSettings("/nonexistent/camera.ini", &s, &warnings));
  EXPECT_TRUE(warnings.empty());
  EXPECT_FLOAT_EQ(s.keypoint_threshold, CameraSettings{}.keypoint_threshold);
}

// The camera chosen in the camera check goes into camera.ini without
// disturbing what the lab wrote there, and wins over older lines for it.
TEST(CameraSettings, WritingOneKeyKeepsTheOtherLines) {
  struct Case {
    const char* name;
    const char* before;  // null: no file yet
    const char* key;
    const char* value;
    const char* after;  // null: refused, the file unchanged
  };
  const Case cases[] = {
      {"no file yet", nullptr, "device", "/dev/video2", "device = /dev/video2\n"},
      {"added after the rest", "# lab 3\nkeypoint_threshold = 0.25\n", "device", "/dev/video2",
       "# lab 3\nkeypoint_threshold = 0.25\ndevice = /dev/video2\n"},
      {"replaced where it was, later ones dropped",
       "device=/dev/video0 # old\nhand_shapes = no\n  device = /dev/video1\n", "device",
       "/dev/video2", "device = /dev/video2\nhand_shapes = no\n"},
      {"a commented-out line stays", "# device = /dev/video0\n", "device", "",
       "# device = /dev/video0\ndevice = \n"},
      {"a value the key does not take", "hand_shapes = no\n", "keypoint_threshold", "2", nullptr},
      {"an unknown key", "hand_shapes = no\n", "camera", "/dev/video2", nullptr},
      {"a value that would read back cut", "hand_shapes = no\n", "device", "/dev/video2#x",
       nullptr},
  };
  const std::string path = ::testing::TempDir() + "camera_settings_written.ini";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::remove(path.c_str());
    if (c.before) std::ofstream(path) << c.before;
    std::string error;
    EXPECT_EQ(WriteCameraSetting(path, c.key, c.value, &error), c.after != nullptr) << error;
    std::ifstream in(path);
    const std::string now{std::istreambuf_iterator<char>(in), {}};
    EXPECT_EQ(now, c.after ? c.after : c.before ? c.before : "");
    if (!c.after) EXPECT_NE(error.find(c.key), std::string::npos) << error;
    CameraSettings read;
    std::string warnings;
    LoadCameraSettings(path, &read, &warnings);
    EXPECT_EQ(warnings, "");
    if (c.after && std::string(c.key) == "device") EXPECT_EQ(read.device, c.value);
  }
  std::remove(path.c_str());
}

}  // namespace
