#include "app/run_checks.h"

#include "platform/data_paths.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QThread>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "app/signal_stop.h"
#include "app/stimulus_files.h"
#include "app/wave_file_check.h"
#include "body/sensor/sensor_problem.h"
#include "body/sensor/sensor_registry.h"
#include "body/sensor_connection.h"
#include "body/sensor_watch.h"
#include "stage/image_decoder.h"
#include "state/message_box.h"
#include "state/translate_noop.h"

namespace fs = std::filesystem;

namespace {

int first_frames_timeout_ms = 0;

constexpr const char* kCannotStart = QT_TRANSLATE_NOOP(
    "Message",
    "実験を開始できません。\n\n%1\n何も記録していません。入力した値は次の開始のために残してあります。");
constexpr const char* kStimulusProblems = QT_TRANSLATE_NOOP(
    "Message",
    "刺激ファイルがないか、読めません（%1 の中）:\n%2"
    "プログラムの stim フォルダ（balloon0.png〜balloon3.png、bomb.png、bomb.wav）を、tavelin2 "
    "を起動するフォルダに置いてください。\n");
constexpr const char* kRunWithoutBodiesQuestion = QT_TRANSLATE_NOOP(
    "Message",
    "体のセンサーを使っていません（--sensor=none。カメラなしで作ったプログラムの既定です）。\n\n"
    "この実験ではカメラの画像を表示せず、体を記録せず、Esc でしか終えられません。\n"
    "体なしで実験を始めますか？");

// Empty when the file is there and readable as a file.
std::string PresenceProblem(const std::string& path) {
  std::error_code ec;
  const fs::file_status status = fs::status(path, ec);
  if (!fs::exists(status)) return MessageText(QT_TRANSLATE_NOOP("Message", "ありません"));
  if (!fs::is_regular_file(status))
    return MessageText(QT_TRANSLATE_NOOP("Message", "ファイルではありません"));
  return {};
}

// The copy the run would use: the working directory's, else the installed one.
std::string StimulusProblem(const StimulusFile& file) {
  const std::string path = FindDataFile(file.path).path;
  std::string problem = PresenceProblem(path);
  if (!problem.empty()) return problem;
  if (file.kind == StimulusKind::kSound) {
    IsPlayableWaveFile(path, &problem);
    return problem;
  }
  int32_t width = 0, height = 0;
  std::vector<uint32_t> argb;
  return DecodeImageFile(path, width, height, argb)
             ? std::string()
             : MessageText(QT_TRANSLATE_NOOP("Message", "画像として読めません"));
}

int FirstFramesTimeout_ms() {
  return first_frames_timeout_ms > 0 ? first_frames_timeout_ms : kFirstFramesTimeout_ms;
}

// How to get the selected backend going.
std::string SensorFix() {
  if (SelectedSensorBackendName() == "camera") {
    return MessageText(QT_TRANSLATE_NOOP(
               "Message",
               "カメラをつないでください（カメラか動画ファイルを --camera=/dev/videoN または "
               "--camera=ファイル で指定することもできます）。体なしで実験するには、tavelin2 を "
               "--sensor=none で起動してください。")) +
           "\n";
  }
  return MessageText(QT_TRANSLATE_NOOP("Message",
                                       "tavelin2 を別の --sensor で起動してください。体なしで"
                                       "実験するには --sensor=none で起動してください。")) +
         "\n";
}

}  // namespace

std::string StimulusProblems() {
  std::string lines;
  for (const StimulusFile& file : kStimulusFiles) {
    const std::string problem = StimulusProblem(file);
    if (!problem.empty()) lines += std::string("  ") + file.path + ": " + problem + "\n";
  }
  return lines;
}

SensorReadiness OpenSensorAndAwaitFrames(int timeout_ms, std::string* problem) {
  const int64_t opened_at_ns = MonotonicNow_ns();
  const int status = OpenSensor();
  if (status == 0 && !sensor_connection.sensor) return SensorReadiness::kNoSensor;
  if (status != 1) {
    // The backend's own words when it gave them.
    const std::string note = SensorProblem();
    *problem = MessageText(note.empty()
                               ? QT_TRANSLATE_NOOP("Message", "体のセンサー（%1）を開けませんでした。")
                               : QT_TRANSLATE_NOOP("Message", "体のセンサー（%1）: %2"),
                           {SelectedSensorBackendName(), note}) +
               "\n" + SensorFix();
    CloseSensor();
    return SensorReadiness::kFailed;
  }
  // The wait starts once the sensor is open: loading its models can take
  // long on a slow PC, and is not what this check is about.
  const int64_t deadline_ns = MonotonicNow_ns() + int64_t{timeout_ms} * 1000000;
  for (;;) {
    if (NewestColourFramePublishedAt_ns() > opened_at_ns &&
        NewestBodyFramePublishedAt_ns() > opened_at_ns)
      return SensorReadiness::kDelivering;
    if (StopRequested()) {
      CloseSensor();
      return SensorReadiness::kStopped;
    }
    if (MonotonicNow_ns() > deadline_ns) break;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(5);
  }
  const bool pictures = NewestColourFramePublishedAt_ns() > opened_at_ns;
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.1f", timeout_ms / 1000.0);
  const std::string late =
      pictures ? MessageText(QT_TRANSLATE_NOOP("Message",
                                               "体のセンサー（%1）は開きましたが、%2 秒たっても"
                                               "体のフレームが来ませんでした。"),
                             {SelectedSensorBackendName(), seconds})
               : MessageText(QT_TRANSLATE_NOOP("Message",
                                               "体のセンサー（%1）は開きましたが、%2 秒たっても"
                                               "カメラの画像が来ませんでした。"),
                             {SelectedSensorBackendName(), seconds});
  const std::string note = SensorProblem();
  *problem = late + (note.empty() ? "" : "\n" + note) + "\n" + SensorFix();
  CloseSensor();
  return SensorReadiness::kFailed;
}

bool CheckBeforeRun(QWidget* owner) {
  const std::string stimuli = StimulusProblems();
  std::string sensor_problem;
  const SensorReadiness sensor = OpenSensorAndAwaitFrames(FirstFramesTimeout_ms(), &sensor_problem);
  if (sensor == SensorReadiness::kStopped) return false;
  if (sensor == SensorReadiness::kFailed || !stimuli.empty()) {
    CloseSensor();
    std::string problems = sensor_problem;
    if (!stimuli.empty()) {
      if (!sensor_problem.empty()) problems += "\n";
      problems += MessageText(kStimulusProblems, {fs::current_path().string(), stimuli});
    }
    AfxMessageBox(MessageText(kCannotStart, {problems}), MB_ICONHAND);
    return false;
  }
  if (sensor == SensorReadiness::kNoSensor) {
    const auto answer = QMessageBox::question(owner, QString::fromUtf8(kApplicationName),
                                              QString::fromStdString(MessageText(kRunWithoutBodiesQuestion)),
                                              QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    if (answer != QMessageBox::Yes || StopRequested()) {
      CloseSensor();
      return false;
    }
  }
  return true;
}

void SetFirstFramesTimeoutForTesting(int timeout_ms) {
  first_frames_timeout_ms = timeout_ms;
}
