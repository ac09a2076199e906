// The experiment driver around the run itself: a cancelled setup changes
// nothing, a second Start is refused, the checks before the stage refuse a run
// that would go blind (a sensor that delivers nothing, a missing stimulus, no
// sensor unless confirmed), and a stage that cannot be put up abandons the run
// with a message and leaves nothing behind.

#include <gtest/gtest.h>

#include <unistd.h>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "app/dialog_template.h"
#include "app/main_frame.h"
#include "state/message_box.h"
#include "state/program_state.h"
#include "state/settings_io.h"
#include "app/resource_ids.h"
#include "app/run_checks.h"
#include "app/signal_stop.h"
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
    dir = dir_template;
    old_dir = fs::current_path();
    fs::current_path(dir);
    previous_handler =
        SetMessageBoxHandler([this](const std::string& text, const std::string&, uint32_t style) {
          messages.push_back(text);
          styles.push_back(style);
        });
    sensor = InstallScriptedSensor();
    SetFirstFramesTimeoutForTesting(300);
    frame = std::make_unique<CMainFrame>();
    frame->show();
  }
  void TearDown() override {
    frame.reset();
    SetFirstFramesTimeoutForTesting(0);
    UninstallScriptedSensor();
    SetMessageBoxHandler(previous_handler);
    fs::current_path(old_dir);
    fs::remove_all(dir);
  }

  // Every file and folder the run left in the working directory, besides the stimuli.
  std::vector<std::string> Leftovers() const {
    std::vector<std::string> out;
    for (const auto& e : fs::recursive_directory_iterator(dir)) {
      const std::string name = fs::relative(e.path(), dir).string();
      if (name != "stim" && name.rfind("stim/", 0) != 0) out.push_back(name);
    }
    return out;
  }

  // The program's stimuli in the working directory, as an installed program has them.
  void CopyStimuli() {
    const char* source = std::getenv("T2_SOURCE_DIR");
    ASSERT_NE(source, nullptr);
    fs::copy(fs::path(source) / "stim", dir / "stim");
  }

  // The sensor delivers a picture and a body frame every 20 ms while the test runs.
  void DeliverFrames() {
    feeder.callOnTimeout([this] {
      sensor->PushSet(ScriptedColorFrame(1920, 1080, ColorImageFormat_Bgra, 0xFF202020),
                      BodyFrameData{}, false);
    });
    feeder.start(20);
  }

  // The stage window cannot be created (one is already up), so a run that got
  // past the checks ends in the driver's abandon message.
  void OccupyTheStage() { ASSERT_TRUE(experiment_window.CreateFullScreen("occupied")); }

  // Types `subject` and presses OK in the setup dialog.
  static void ConfirmSetup(const QString& subject) {
    WhenModalShown([subject](QWidget* d) {
      qobject_cast<QLineEdit*>(FindControl(*d, IDC_SUBJECT))->setText(subject);
      qobject_cast<QPushButton*>(FindControl(*d, IDOK))->click();
    });
  }

  // Nothing of a run happened: no window, no records touched, no file.
  void ExpectNoRun() {
    EXPECT_FALSE(experiment_window.HasWindow());
    EXPECT_EQ(color_buffer, nullptr);
    EXPECT_EQ(trial_records[0].trial, 77) << "the records were reset";
    EXPECT_EQ(sensor_connection.sensor, nullptr);
    EXPECT_FALSE(sensor->is_open()) << "the sensor was left open";
    EXPECT_TRUE(Leftovers().empty()) << "left behind: " << Leftovers().front();
    EXPECT_FALSE(frame->RunInProgress());
  }

  fs::path dir, old_dir;
  QTimer feeder;
  MessageBoxHandler previous_handler;
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
  CopyStimuli();
  DeliverFrames();  // the checks before the stage pass
  OccupyTheStage();  // the stage then fails
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
  CopyStimuli();
  DeliverFrames();
  OccupyTheStage();
  ConfirmSetup("K02");
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

TEST_F(ExperimentDriverTest, ASensorThatNeverDeliversRefusesTheRunWithOneMessage) {
  CopyStimuli();
  trial_records[0].trial = 77;
  ConfirmSetup("K03");
  frame->OnExperimentStart();

  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].find("0.3 秒たってもカメラの画像が来ませんでした"), std::string::npos)
      << messages[0];
  EXPECT_NE(messages[0].find("--sensor=none"), std::string::npos) << "no way out named";
  EXPECT_EQ(messages[0].find("刺激ファイル"), std::string::npos) << "the stimuli are all there";
  EXPECT_EQ(styles[0] & 0xF0u, MB_ICONHAND);
  ExpectNoRun();
  EXPECT_EQ(settings.subject, "K03") << "the values entered are kept for the next Start";
}

TEST_F(ExperimentDriverTest, MissingOrBrokenStimuliAreNamedAndNoRunStarts) {
  CopyStimuli();
  fs::remove(dir / "stim" / "bomb.wav");
  std::ofstream(dir / "stim" / "balloon2.png") << "not a picture";
  DeliverFrames();
  trial_records[0].trial = 77;
  ConfirmSetup("K04");
  frame->OnExperimentStart();

  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].find("stim/bomb.wav: ありません"), std::string::npos) << messages[0];
  EXPECT_NE(messages[0].find("stim/balloon2.png: 画像として読めません"), std::string::npos);
  EXPECT_EQ(messages[0].find("stim/balloon1.png"), std::string::npos) << "a good file named";
  EXPECT_NE(messages[0].find("balloon0.png〜balloon3.png、bomb.png、bomb.wav"),
            std::string::npos);
  EXPECT_EQ(messages[0].find("体のセンサー"), std::string::npos) << "the sensor delivered";
  ExpectNoRun();
}

TEST_F(ExperimentDriverTest, SensorAndStimulusProblemsComeInOneMessage) {
  trial_records[0].trial = 77;  // no stim folder at all, and a sensor that fails to open
  sensor->FailOpen(E_FAIL);
  ConfirmSetup("K05");
  frame->OnExperimentStart();

  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].find("）を開けませんでした。"), std::string::npos)
      << messages[0];
  for (const char* name : {"balloon0.png", "balloon3.png", "bomb.png", "bomb.wav"})
    EXPECT_NE(messages[0].find(std::string("stim/") + name + ": ありません"), std::string::npos);
  ExpectNoRun();
}

TEST_F(ExperimentDriverTest, ACommaInTheSubjectIsRefusedBeforeAnythingHappens) {
  CopyStimuli();
  trial_records[0].trial = 77;
  QString shown_after_refusal;
  WhenModalShown([&](QWidget* d) {
    auto* subject = qobject_cast<QLineEdit*>(FindControl(*d, IDC_SUBJECT));
    subject->setText("P1,A");
    Button(d, IDOK)->click();  // refused: the dialog stays
    shown_after_refusal = QApplication::activeModalWidget() == d ? subject->text() : QString();
    Button(d, IDCANCEL)->click();
  });
  frame->OnExperimentStart();

  EXPECT_EQ(shown_after_refusal, "P1,A");
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].find("被験者IDの 3 文字目にカンマ"), std::string::npos) << messages[0];
  EXPECT_TRUE(sensor->calls().empty()) << "the sensor was opened";
  ExpectNoRun();
}

// A stop signal while the checks wait for the sensor ends the wait at once,
// quietly: the program is about to quit.
TEST_F(ExperimentDriverTest, AStopSignalDuringTheChecksEndsThemWithoutARun) {
  CopyStimuli();
  SetFirstFramesTimeoutForTesting(5000);
  trial_records[0].trial = 77;
  ConfirmSetup("K06");
  QTimer::singleShot(200, [] { SetStopRequestedForTesting(true); });
  QElapsedTimer waited;
  waited.start();
  frame->OnExperimentStart();
  SetStopRequestedForTesting(false);
  EXPECT_LT(waited.elapsed(), 3000);
  EXPECT_TRUE(messages.empty()) << messages.front();
  ExpectNoRun();
}

// Without a sensor the experimenter is asked; No ends it there, Yes goes on
// to the stage (here an occupied one, so the run is abandoned right after).
TEST_F(ExperimentDriverTest, ARunWithoutSensorNeedsTheExperimentersYes) {
  CopyStimuli();
  InstallNoSensor();
  trial_records[0].trial = 77;
  for (const QMessageBox::StandardButton answer : {QMessageBox::No, QMessageBox::Yes}) {
    SCOPED_TRACE(answer == QMessageBox::Yes ? "Yes" : "No");
    messages.clear();
    if (answer == QMessageBox::Yes) OccupyTheStage();
    QString question;
    WhenModalShown([&](QWidget* d) {
      qobject_cast<QPushButton*>(FindControl(*d, IDOK))->click();
      WhenModalShown([&](QWidget* box) {
        auto* message_box = qobject_cast<QMessageBox*>(box);
        ASSERT_NE(message_box, nullptr);
        question = message_box->text();
        message_box->button(answer)->click();
      });
    });
    frame->OnExperimentStart();
    EXPECT_NE(question.indexOf("--sensor=none"), -1) << question.toStdString();
    if (answer == QMessageBox::No) {
      EXPECT_TRUE(messages.empty());
      ExpectNoRun();
    } else {
      ASSERT_EQ(messages.size(), 1u);
      EXPECT_NE(messages[0].find("実験を中止しました"), std::string::npos) << messages[0];
    }
  }
}

}  // namespace
