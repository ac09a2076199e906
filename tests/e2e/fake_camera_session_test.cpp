// Whole runs of the real program on the fake UVC camera (tests/camera/
// fake_camera), preloaded into it: the program finds, negotiates and reads
// the "camera" through its own V4L2 calls. A run on it writes complete files
// and a run record naming the camera chosen (camera.ini's device, which
// --camera overrides), the mode it granted and the damaged pictures it left
// out, by why; a camera unplugged mid-run stops the sensor within 2 s and
// every row recorded until then is in the files.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <thread>

#include "e2e/real_program_test.h"
#include "fake_camera/fake_camera_files.h"
#include "test_media.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

const std::string kPhoto = std::string(T2_OPENCV_DOC_DIR) + "/examples/data/messi5.jpg";

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

class FakeCameraSessionTest : public RealProgramTest {
 protected:
  FakeCameraSessionTest() : RealProgramTest("tavelin2-e2e-camera") {}

  void SetUp() override {
    RealProgramTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    // A person on the pictures, so that the body file has rows.
    const cv::Mat photo = ReadPictureFile(kPhoto);
    ASSERT_FALSE(photo.empty()) << kPhoto << " missing (Debian package opencv-doc)";
    cv::Mat canvas(480, 640, CV_8UC3, cv::Scalar::all(30));
    photo.copyTo(canvas(cv::Rect(cv::Point(46, 60), photo.size())));
    ASSERT_TRUE(WriteFakeCameraFrames((dir_ / "frames.mjpeg").string(),
                                      std::vector<cv::Mat>(6, canvas)));
    unplug_cue_ = dir_ / "unplug-now";
    // Two cameras. The second, asked for 1280 x 720 at 30 (camera.ini's
    // defaults), grants 640 x 480 at 25.
    std::ofstream(dir_ / "camera.txt") << "camera /dev/video60\n"
                                          "card Other Camera\n"
                                          "mode YUYV 640 480 30\n"
                                          "camera /dev/video61\n"
                                          "card Fake Lab Camera\n"
                                          "bus usb-0000:00:14.0-2\n"
                                          "driver uvcvideo\n"
                                          "mode MJPG 1280 720 30\n"
                                          "grant 640 480 25\n"
                                          "timestamps monotonic soe\n"
                                          "frames " << (dir_ / "frames.mjpeg").string() << "\n"
                                       << "unplug_when " << unplug_cue_.string() << "\n";
  }

  // One run on the camera, ended with Esc after `run_for` (no one pops the
  // balloons, so the time limit never starts), unplugged `unplug_after` into
  // it when given; the run record, once the files are written.
  nlohmann::json Run(const std::vector<std::string>& args, std::chrono::milliseconds run_for,
                     std::optional<std::chrono::milliseconds> unplug_after) {
    ProgramProcess app(program_.string(), args,
                       dir_.string(),
                       {std::string("LD_PRELOAD=") + T2_FAKE_CAMERA_PRELOAD,
                        std::string(kFakeCameraScriptVariable) + "=" +
                            (dir_ / "camera.txt").string()});
    const auto frame = WaitForWindow("^DirectDraw Application$", 60s);
    EXPECT_TRUE(frame) << "no main frame";
    if (!frame) return {};
    std::string why;
    const auto stage = StartRunFromMainFrame(SetupEntry{"CAM01", 60}, &why);
    EXPECT_TRUE(stage) << why;
    if (!stage) return {};
    const auto started = std::chrono::steady_clock::now();
    if (unplug_after) {
      std::this_thread::sleep_for(*unplug_after);
      std::ofstream(unplug_cue_) << "now\n";
    }
    std::this_thread::sleep_until(started + run_for);
    // On a busy machine the stage may not have the keyboard yet when the
    // first Esc comes: press it again until the score box is up.
    std::optional<std::string> score;
    for (int attempt = 0; attempt < 6 && !score; ++attempt) {
      Xdo("windowfocus --sync " + *stage);
      Xdo("key Escape");
      score = WaitForWindow("^Score$", 5s);
    }
    EXPECT_TRUE(score) << "Esc did not end the run; windows up: "
                       << RunCommand("xdotool search --onlyvisible --name . getwindowname %@")
                              .value_or("(none)");
    if (!score) return {};
    std::this_thread::sleep_for(300ms);
    Xdo("windowfocus --sync " + *score);
    Xdo("key Return");
    if (unplug_after) {
      // The message that the sensor stopped comes before the files are written.
      const auto box = WaitForWindow("^tavelin2$", 20s);
      EXPECT_TRUE(box) << "no message about the stopped camera";
      if (box) {
        std::this_thread::sleep_for(300ms);
        Xdo("windowfocus --sync " + *box);
        Xdo("key Return");
      }
    }
    EXPECT_TRUE(WaitForWindowGone("^Experiment Window$", 30s)) << "the stage stayed up";
    for (auto deadline = std::chrono::steady_clock::now() + 20s;
         FindOne("_run.json").empty() && std::chrono::steady_clock::now() < deadline;)
      std::this_thread::sleep_for(100ms);
    Xdo("windowfocus --sync " + *frame);
    Xdo("key --delay 200 alt+f x");
    EXPECT_TRUE(app.WaitForExit(30s)) << "the program did not end";
    const fs::path written = FindOne("_run.json");
    EXPECT_FALSE(written.empty()) << "no run record";
    return written.empty() ? nlohmann::json{} : nlohmann::json::parse(ReadAll(written));
  }

  fs::path FindOne(const std::string& suffix) const {
    for (const auto& e : fs::directory_iterator(dir_)) {
      const std::string name = e.path().filename().string();
      if (name.rfind("CAM01_", 0) == 0 && name.size() > suffix.size() &&
          name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
        return e.path();
    }
    return {};
  }

  // The body file's rows: Count is 1, 2, ... and matches the run record.
  std::vector<int> BodyRowClocks(const nlohmann::json& record) const {
    const fs::path body = FindOne("_B.csv");
    EXPECT_FALSE(body.empty());
    const auto lines = Lines(ReadAll(body));
    EXPECT_GE(lines.size(), 1u);
    std::vector<int> clocks;
    for (size_t i = 1; i < lines.size(); ++i) {
      const size_t comma = lines[i].find(',');
      EXPECT_EQ(std::stoi(lines[i].substr(0, comma)), int(i)) << lines[i];
      clocks.push_back(std::stoi(lines[i].substr(comma + 1)));
    }
    EXPECT_EQ(record["counts"]["body_samples"], clocks.size());
    return clocks;
  }

  fs::path unplug_cue_;
};

TEST_F(FakeCameraSessionTest, ARunRecordNamesTheChosenCameraTheModeItGrantedAndItsDamagedPictures) {
  std::ofstream(dir_ / "camera.ini") << "device = /dev/video61\n"
                                        "keypoint_threshold = 0.25\nhand_shapes = no\n";
  // The chosen camera (the script's last) sends a damaged picture of each
  // kind, from 4 s after it started: pictures of the first seconds pass while
  // the models load (a driver too overwrites the ones nobody takes).
  std::ofstream(dir_ / "camera.txt", std::ios::app)
      << "fault 100 error_flag\nfault 105 empty\nfault 110 truncate\nfault 115 eio\n"
         "fault 120 corrupt\nfault 125 truncate\n";
  const nlohmann::json record = Run({"--sensor=camera"}, 6s, std::nullopt);
  ASSERT_FALSE(record.is_null());
  const nlohmann::json& sensor = record["sensor"];
  EXPECT_EQ(sensor["backend"], "camera");
  EXPECT_EQ(sensor["device"], "/dev/video61") << "camera.ini's choice of the two";
  EXPECT_EQ(sensor["camera"],
            (nlohmann::json{{"card", "Fake Lab Camera"},
                            {"bus", "usb-0000:00:14.0-2"},
                            {"driver", "uvcvideo"},
                            {"pixel_format", "MJPG"},
                            {"width", 640},
                            {"height", 480},
                            {"fps", 25.0},
                            {"timestamp_source", "driver_start_of_exposure"},
                            {"pictures_dropped", 6},
                            {"pictures_dropped_by_reason",
                             {{"error_flag", 1},
                              {"read_error", 1},
                              {"empty", 1},
                              {"incomplete", 2},
                              {"undecodable", 1}}}}));
  EXPECT_EQ(sensor["camera_ini"]["keypoint_threshold"], "0.25");
  EXPECT_EQ(sensor["camera_ini"]["hand_shapes"], "off");
  EXPECT_EQ(sensor["camera_ini"]["shoulder_width_m"], "0.25");
  EXPECT_EQ(record["end"]["reason"], "escape");
  EXPECT_FALSE(record.contains("sensor_stop"));
  const std::vector<int> clocks = BodyRowClocks(record);
  EXPECT_GT(clocks.size(), 50u) << "the person on the pictures, tracked through the run";
  EXPECT_FALSE(FindOne(".csv").empty());
}

TEST_F(FakeCameraSessionTest, AnUnpluggedCameraStopsTheSensorAndKeepsEveryRow) {
  std::ofstream(dir_ / "camera.ini") << "device = /dev/video60\n";
  const nlohmann::json record = Run({"--sensor=camera", "--camera=/dev/video61"}, 7s, 3s);
  ASSERT_FALSE(record.is_null());
  EXPECT_EQ(record["sensor"]["device"], "/dev/video61") << "--camera over camera.ini";
  ASSERT_TRUE(record.contains("sensor_stop")) << record.dump(1);
  const nlohmann::json& stop = record["sensor_stop"];
  EXPECT_EQ(stop["cause"], "device gone");
  EXPECT_NE(stop["detail"].get<std::string>().find("/dev/video61"), std::string::npos);
  const std::vector<int> clocks = BodyRowClocks(record);
  ASSERT_FALSE(clocks.empty());
  const int stopped = stop["clock_ms"];
  // Rows up to the unplug, none after the stop; the stop within 2 s of the last picture.
  EXPECT_GT(clocks.back(), 1500) << "rows until the camera went";
  EXPECT_LE(clocks.back(), stopped);
  EXPECT_LE(stopped - clocks.back(), 2000 + 300) << "noticed within 2 s (watched every 250 ms)";
  EXPECT_EQ(record["end"]["reason"], "escape");
}

}  // namespace
