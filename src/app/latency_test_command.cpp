#include "app/latency_test_command.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <memory>
#include <random>

#include "app/qt_trial_ports.h"
#include "app/signal_stop.h"
#include "body/backends/sim/screen_probe.h"
#include "body/sensor/sensor_problem.h"
#include "body/sensor_connection.h"
#include "latency/flash_plan.h"
#include "latency/latency_file.h"
#include "latency/latency_test_loop.h"
#include "latency/screen_timeline.h"
#include "latency/sensor_pictures.h"
#include "platform/thread_scheduling.h"
#include "results/latency_tests.h"
#include "results/posix_file.h"
#include "results/result_file_names.h"
#include "results/run_record.h"
#include "stage/touch_wnd.h"
#include "state/path_names.h"
#include "state/program_state.h"
#include "state/message_box.h"
#include "state/settings_io.h"
#include "state/translate_noop.h"

namespace {

constexpr double kMissedWarningShare = 0.1;

// A figure in ms as the summary shows it, to a tenth.
std::string Tenth(double ms) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", ms);
  return text;
}

// The test's start in local time, with the offset of that time zone.
std::pair<LocalDateTime, int32_t> LocalNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return {LocalDateTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                        local.tm_min, local.tm_sec, 0},
          static_cast<int32_t>(local.tm_gmtoff / 60)};
}

int64_t MonotonicNow_ns() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

// The flashes on the stage, with the simulated camera (when it is the sensor
// and turned to the screen) seeing what the stage shows.
LatencyTestRecording FlashOnStage(int32_t flashes) {
  SensorPictures pictures;
  QtHostPort host;
  auto screen = std::make_shared<ScreenTimeline>();
  SetSimScreenProbe([screen](int64_t at_ns) { return screen->Look(at_ns); });
  LatencyTestPorts ports{experiment_window, pictures, host, MonotonicNow_ns, screen.get()};
  const int texture = AddFlashTexture(experiment_window);
  const std::vector<PlannedFlash> plan = PlanFlashes(flashes, std::random_device{}());
  QtCursorPort cursor;
  cursor.Hide();
  RequestShortTimeSlice();  // the loop sleeps a millisecond a pass and must wake on time
  LatencyTestRecording recording = RunLatencyTest(ports, texture, plan);
  cursor.Show();
  SetSimScreenProbe({});
  return recording;
}

}  // namespace

LatencyTestOutcome RunLatencyTestOnStage(QWindow* owner, int32_t flashes) {
  LatencyTestOutcome out;
  const auto [start, utc_offset] = LocalNow();
  out.date = Iso8601(start, utc_offset);
  if (OpenSensor() != 1) {
    const std::string why = SensorProblem();
    out.problem = why.empty()
                      ? MessageText(QT_TRANSLATE_NOOP("Message", "体のセンサーを開けませんでした。"))
                      : MessageText(QT_TRANSLATE_NOOP("Message", "体のセンサーを開けませんでした: %1"),
                                    {why});
    CloseSensor();
    return out;
  }
  out.device = LatencyDeviceName(DescribeOpenSensor());
  const std::string title = MessageText(QT_TRANSLATE_NOOP("Message", "遅延テスト"));
  if (!experiment_window.CreateFullScreen(title, owner) || !experiment_window.InitDevice()) {
    experiment_window.DestroyWindow();
    CloseSensor();
    out.problem = MessageText(
        QT_TRANSLATE_NOOP("Message", "実験画面（ウィンドウか OpenGL の描画）を作れませんでした。"));
    return out;
  }
  const LatencyTestRecording recording = FlashOnStage(flashes);
  CloseSensor();
  experiment_window.ReleaseTextures();
  experiment_window.DestroyWindow();

  out.ran = true;
  out.stopped = recording.stopped;
  const std::vector<FlashResult> results =
      FindFlashesInPictures(recording.flashes, recording.pictures, recording.start_ns);
  out.summary = SummariseFlashes(results);
  out.file = WriteLatencyFile(CurrentDirectory(), LatencyFileName(start),
                              LatencyFileRows(results, recording.start_ns), &out.problem);
  // A test cut short, or one that saw nothing, says nothing of the device.
  if (out.file.empty() || out.stopped || out.summary.seen == 0) return out;
  const LatencyTestRecord record{out.date,
                                 out.device,
                                 BaseName(out.file),
                                 out.summary.seen,
                                 out.summary.missed(),
                                 out.summary.mean_ms,
                                 out.summary.median_ms,
                                 out.summary.min_ms,
                                 out.summary.sd_ms};
  out.kept =
      KeepLatencyTest(JoinPath(CurrentDirectory(), kLatencyTestsFileName), record, &out.problem);
  return out;
}

std::vector<std::string> LatencyOutcomeLines(const LatencyTestOutcome& o) {
  if (!o.ran)
    return {MessageText(QT_TRANSLATE_NOOP("Message", "遅延テストを実行できませんでした。%1"),
                        {o.problem}),
            LatencySummaryLine(o.summary)};
  const LatencySummary& s = o.summary;
  std::vector<std::string> lines;
  lines.push_back(
      MessageText(QT_TRANSLATE_NOOP("Message", "画面からカメラまで（%1、%2）"), {o.device, o.date}));
  if (o.stopped)
    lines.push_back(MessageText(QT_TRANSLATE_NOOP("Message", "最後のフラッシュの前に止めました。")));
  char missed[16];
  std::snprintf(missed, sizeof missed, "%.0f", s.MissedShare() * 100);
  lines.push_back(MessageText(
      QT_TRANSLATE_NOOP("Message", "見えたフラッシュ: %2 回中 %1 回（見えなかった割合: %3 %）"),
      {std::to_string(s.seen), std::to_string(s.flashes), missed}));
  if (s.seen > 0) {
    lines.push_back(MessageText(
        QT_TRANSLATE_NOOP("Message",
                          "画面の切り替えから最初の明るい画像まで: 平均 %1 ms、SD %2 ms"),
        {Tenth(s.mean_ms), Tenth(s.sd_ms)}));
    lines.push_back(MessageText(QT_TRANSLATE_NOOP("Message", "中央値 %1 ms、最小 %2 ms"),
                                {Tenth(s.median_ms), Tenth(s.min_ms)}));
  }
  if (s.flashes > 0 && s.MissedShare() > kMissedWarningShare)
    lines.push_back(MessageText(QT_TRANSLATE_NOOP(
        "Message",
        "見えなかったフラッシュが多すぎます。画面が画像の大部分を占めるようにカメラを画面に"
        "向けて、もう一度テストしてください。")));
  if (!o.file.empty())
    lines.push_back(MessageText(QT_TRANSLATE_NOOP("Message", "ファイル: %1"), {o.file}));
  if (o.kept)
    lines.push_back(MessageText(QT_TRANSLATE_NOOP(
        "Message", "記録しました: このデバイスでのこの後の実験記録には、すべてこのテストが記されます。")));
  if (!o.problem.empty()) lines.push_back(o.problem);
  lines.push_back(LatencySummaryLine(s));
  return lines;
}

std::string LatencyTestNote() {
  const std::string device = LatencyDeviceName(DescribeOpenSensor());
  std::string problem;
  const std::optional<LatencyTestRecord> test =
      FindLatencyTest(JoinPath(CurrentDirectory(), kLatencyTestsFileName), device, &problem);
  if (!test) {
    return problem.empty()
               ? MessageText(QT_TRANSLATE_NOOP("Message",
                                               "遅延テスト: このカメラではまだしていません"
                                               "（Experiment > Latency test）。"))
               : MessageText(QT_TRANSLATE_NOOP("Message",
                                               "遅延テスト: このカメラではまだしていません"
                                               "（Experiment > Latency test）。%1"),
                             {problem});
  }
  return MessageText(QT_TRANSLATE_NOOP("Message",
                                       "%1 の遅延テスト: 平均 %2 ms、最小 %3 ms（フラッシュ %4 回）"),
                     {test->date.substr(0, 10), Tenth(test->mean_ms), Tenth(test->min_ms),
                      std::to_string(test->n)});
}

int RunLatencyTestCommand(int32_t flashes) {
  InstallSignalStop();
  LoadProgramSettings();  // the lab's share group for the file
  const LatencyTestOutcome outcome = RunLatencyTestOnStage(nullptr, flashes);
  for (const std::string& line : LatencyOutcomeLines(outcome)) std::printf("%s\n", line.c_str());
  std::fflush(stdout);
  return outcome.ran && !outcome.stopped && !outcome.file.empty() ? 0 : 1;
}
