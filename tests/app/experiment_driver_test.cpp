// The experiment driver around the run itself: a cancelled setup changes
// nothing, a second Start is refused, and a stage that cannot be put up
// abandons the run with a message and leaves nothing behind.

#include <gtest/gtest.h>

#include <unistd.h>
#include <QLineEdit>
#include <QPushButton>
#include <filesystem>

#include "app/dialog_template.h"
#include "app/main_frame.h"
#include "state/message_box.h"
#include "state/program_state.h"
#include "state/settings_io.h"
#include "app/resource_ids.h"
#include "body/backends/scripted/scripted_sensor.h"
#include "body/sensor_connection.h"
#include "modal_helper.h"
#include "stage/touch_wnd.h"

namespace fs = std::filesystem;

namespace {

// Runs the test in a fresh working directory, where results and journals land.
class ExperimentDriverTest : public testing::Test {
 protected:
  void SetUp() override {
    ResetProgramState();
    char dir_template[] = "/tmp/tavelin2-driver-XXXXXX";
    ASSERT_NE(mkdtemp(dir_template), nullptr);
    dir_ = dir_template;
    old_dir_ = fs::current_path();
    fs::current_path(dir_);
    previous_ =
        SetMessageBoxHandler([this](const std::string& text, const std::string&, uint32_t style) {
          messages.push_back(text);
          styles.push_back(style);
        });
    sensor = InstallScriptedSensor();
    frame = std::make_unique<CMainFrame>();
    frame->show();
  }
  void TearDown() override {
    frame.reset();
    UninstallScriptedSensor();
    SetMessageBoxHandler(previous_);
    fs::current_path(old_dir_);
    fs::remove_all(dir_);
  }

  // Every file and folder the run left in the working directory.
  std::vector<std::string> Leftovers() const {
    std::vector<std::string> out;
    for (const auto& e : fs::recursive_directory_iterator(dir_)) {
      out.push_back(fs::relative(e.path(), dir_).string());
    }
    return out;
  }

  fs::path dir_, old_dir_;
  MessageBoxHandler previous_;
  std::vector<std::string> messages;
  std::vector<uint32_t> styles;
  std::shared_ptr<ScriptedSensor> sensor;
  std::unique_ptr<CMainFrame> frame;
};

QPushButton* Button(QWidget* dialog, int32_t id) {
  return qobject_cast<QPushButton*>(FindControl(*dialog, id));
}

TEST_F(ExperimentDriverTest, CancelledSetupChangesNothing) {
  settings.subject = "K01";
  settings.timelimit = 45;
  trial_records[0].trial = 77;
  trial_records[0].rt = 123;
  trial_count = 5;
  run_start_time = LocalDateTime{2016, 3, 5, 9, 7, 2, 0};

  WhenModalShown([](QWidget* d) {
    qobject_cast<QLineEdit*>(FindControl(*d, IDC_SUBJECT))->setText("changed");
    qobject_cast<QLineEdit*>(FindControl(*d, IDC_TIMELIMIT))->setText("10");
    Button(d, IDCANCEL)->click();
  });
  frame->OnExperimentStart();

  EXPECT_EQ(settings.subject, "K01");
  EXPECT_EQ(settings.timelimit, 45);
  EXPECT_EQ(trial_records[0].trial, 77);
  EXPECT_EQ(trial_records[0].rt, 123);
  EXPECT_EQ(trial_count, 5);
  EXPECT_EQ(run_start_time.year, 2016);
  EXPECT_EQ(run_start_time.second, 2);
  EXPECT_FALSE(experiment_window.HasWindow());
  EXPECT_EQ(color_buffer, nullptr);
  EXPECT_TRUE(sensor->calls().empty()) << "the sensor was opened";
  EXPECT_TRUE(Leftovers().empty());
  EXPECT_TRUE(messages.empty());
  EXPECT_FALSE(frame->RunInProgress());
}

// The confirmed values are on disk before the stage goes up: a crash mid-run
// cannot give the next child the previous condition.
TEST_F(ExperimentDriverTest, ConfirmedSettingsAreSavedBeforeTheStage) {
  LoadProgramSettings();  // as at start-up: no file yet
  ASSERT_TRUE(experiment_window.CreateFullScreen("occupied"));  // the stage then fails
  WhenModalShown([](QWidget* d) {
    qobject_cast<QLineEdit*>(FindControl(*d, IDC_SUBJECT))->setText("K03");
    qobject_cast<QLineEdit*>(FindControl(*d, IDC_TIMELIMIT))->setText("75");
    Button(d, IDOK)->click();
  });
  frame->OnExperimentStart();
  experiment_window.DestroyWindow();

  ResetProgramState();
  LoadProgramSettings();
  EXPECT_EQ(settings.subject, "K03");
  EXPECT_EQ(settings.timelimit, 75);
}

TEST_F(ExperimentDriverTest, StartWhileARunIsUnderWayIsRefused) {
  QWidget* first_dialog = nullptr;
  QWidget* modal_after_second_start = nullptr;
  bool in_progress = false;
  WhenModalShown([&](QWidget* d) {
    first_dialog = d;
    in_progress = frame->RunInProgress();
    frame->OnExperimentStart();  // returns at once: no second dialog
    frame->CommandAction(ID_EXPERIMENT_START)->trigger();
    modal_after_second_start = QApplication::activeModalWidget();
    Button(d, IDCANCEL)->click();
  });
  frame->OnExperimentStart();
  EXPECT_TRUE(in_progress);
  EXPECT_EQ(modal_after_second_start, first_dialog);
  EXPECT_FALSE(frame->RunInProgress());  // and a new run may start now
}

TEST_F(ExperimentDriverTest, AStageThatCannotBeCreatedAbandonsTheRun) {
  // A stage window already up makes the driver's CreateEx fail.
  ASSERT_TRUE(experiment_window.CreateFullScreen("occupied"));
  WhenModalShown([](QWidget* d) {
    qobject_cast<QLineEdit*>(FindControl(*d, IDC_SUBJECT))->setText("K02");
    Button(d, IDOK)->click();
  });
  frame->OnExperimentStart();

  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].find("実験を中止しました"), std::string::npos) << messages[0];
  EXPECT_EQ(styles[0] & 0xF0u, MB_ICONHAND);
  EXPECT_FALSE(experiment_window.HasWindow());
  EXPECT_EQ(color_buffer, nullptr);
  EXPECT_EQ(sensor_connection.sensor, nullptr);
  EXPECT_FALSE(sensor->is_open()) << "the sensor was left open";
  EXPECT_TRUE(Leftovers().empty()) << "files or a journal were left: " << Leftovers().front();
  EXPECT_EQ(settings.subject, "K02");  // the confirmed setup stays
  EXPECT_FALSE(frame->RunInProgress());
}

}  // namespace
