// Choosing the camera in the camera check, on two fake UVC cameras
// (fake_camera/, linked in): the check lists them by card, bus and device
// with the mode it would take, selects camera.ini's choice, and a camera
// picked there is kept in camera.ini and opened by the check and the next run.

#include <gtest/gtest.h>
#include <unistd.h>

#include <QComboBox>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/camera_check_window.h"
#include "body/sensor/sensor_registry.h"
#include "body/sensor_connection.h"
#include "fake_camera/fake_camera_files.h"
#include "state/program_state.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kFirst = "Fake HD Camera (usb-0000:00:14.0-3, /dev/video60): YUYV 640x480 30 fps";
constexpr const char* kSecond =
    "Second Camera (usb-0000:00:14.0-4, /dev/video61): YUYV 1280x720 30 fps";

class CameraChoiceTest : public testing::Test {
 protected:
  void SetUp() override {
    ResetProgramState();
    char pattern[] = "/tmp/t2-camera-choice-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    old_dir_ = fs::current_path();
    fs::current_path(dir_);
    // Two cameras; the second offers the size camera.ini asks for by default.
    std::ofstream(dir_ / "cameras.txt") << "camera /dev/video60\ncard Fake HD Camera\n"
                                           "bus usb-0000:00:14.0-3\nmode YUYV 640 480 30\n"
                                           "camera /dev/video61\ncard Second Camera\n"
                                           "bus usb-0000:00:14.0-4\nmode YUYV 640 480 30\n"
                                           "mode YUYV 1280 720 30 15\n";
    setenv(kFakeCameraScriptVariable, (dir_ / "cameras.txt").c_str(), 1);
    std::string error;
    ASSERT_TRUE(SelectSensorBackend("camera", SensorBackendOptions{}, &error)) << error;
  }
  void TearDown() override {
    CloseSensor();
    SelectSensorBackend(DefaultSensorBackendName(), SensorBackendOptions{}, nullptr);
    unsetenv(kFakeCameraScriptVariable);
    fs::current_path(old_dir_);
    fs::remove_all(dir_);
  }

  std::string CameraIni() const {
    std::ifstream in(dir_ / "camera.ini");
    return {std::istreambuf_iterator<char>(in), {}};
  }

  // The card of the camera the sensor layer has open.
  static std::string OpenCard() {
    const SensorDescription d = DescribeOpenSensor();
    return d.camera ? d.camera->card : "(no camera: " + d.device + ")";
  }

  fs::path dir_, old_dir_;
};

TEST_F(CameraChoiceTest, TheCheckListsTheCamerasAndTheOnePickedIsKeptForTheNextRun) {
  std::ofstream(dir_ / "camera.ini") << "device = /dev/video60\nhand_shapes = no\n";
  {
    CameraCheckWindow window(nullptr);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    auto* choice = window.findChild<QComboBox*>(QStringLiteral("CameraChoice"));
    ASSERT_NE(choice, nullptr);
    const int first = choice->findText(kFirst), second = choice->findText(kSecond);
    ASSERT_GE(first, 0) << choice->itemText(0).toStdString();
    ASSERT_GE(second, 0) << choice->itemText(1).toStdString();
    EXPECT_EQ(choice->currentIndex(), first) << "camera.ini's choice";
    EXPECT_EQ(OpenCard(), "Fake HD Camera");

    // Picked as the experimenter does: the check shows it at once.
    choice->setCurrentIndex(second);
    emit choice->activated(second);
    EXPECT_EQ(CameraIni(), "device = /dev/video61\nhand_shapes = no\n");
    EXPECT_EQ(choice->currentText().toStdString(), kSecond);
    EXPECT_EQ(OpenCard(), "Second Camera");
    QTest::keyClick(&window, Qt::Key_Escape);
  }
  EXPECT_EQ(sensor_connection.sensor, nullptr) << "the check closes its sensor";

  // The next run's sensor.
  ASSERT_EQ(OpenSensor(), 1);
  EXPECT_EQ(OpenCard(), "Second Camera");
  EXPECT_EQ(DescribeOpenSensor().device, "/dev/video61");
}

TEST_F(CameraChoiceTest, ACameraIniChoiceNotConnectedIsShownAsSuch) {
  std::ofstream(dir_ / "camera.ini") << "device = /dev/video7\n";
  CameraCheckWindow window(nullptr);
  auto* choice = window.findChild<QComboBox*>(QStringLiteral("CameraChoice"));
  ASSERT_NE(choice, nullptr);
  EXPECT_EQ(choice->currentText().toStdString(),
            "/dev/video7（見つかりません。つながっていないか、動画ファイルです）");
  EXPECT_GE(choice->findText(kFirst), 0);
  EXPECT_GE(choice->findText(kSecond), 0);
}

}  // namespace
