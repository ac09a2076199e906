#include "app/sensor_stop_report.h"

#include <cstdio>

#include "results/run_journal.h"
#include "state/message_box.h"
#include "state/program_state.h"
#include "state/translate_noop.h"
#include "trial/ms_timer.h"

namespace {
constexpr int kWatchInterval_ms = 250;
}  // namespace

RunSensorWatch::RunSensorWatch() {
  sensor_stop = SensorStopRecord{};
  watch_.Start(MonotonicNow_ns());
  timer_.setInterval(kWatchInterval_ms);
  QObject::connect(&timer_, &QTimer::timeout, [this] { Check(); });
  timer_.start();
}

void RunSensorWatch::Check() {
  if (!watch_.Check(ReadSensorHealth(), MonotonicNow_ns(), MsTimer::tick_count.load(),
                    &sensor_stop))
    return;
  // Journalled too, so that the run record of a run cut short still says so.
  if (RunJournal* journal = RunJournal::Active(); journal != nullptr)
    journal->RecordSensorStop(sensor_stop);
  std::fprintf(stderr, "tavelin2: the body sensor stopped at clock %d ms (%s)%s%s\n",
               sensor_stop.clock_ms, SensorStopCauseName(sensor_stop.cause),
               sensor_stop.detail.empty() ? "" : ": ", sensor_stop.detail.c_str());
  timer_.stop();
}

std::string SensorStopMessage(const SensorStopRecord& stop) {
  if (!stop.stopped()) return {};
  const int64_t seconds = stop.run_elapsed_ms / 1000;
  char second_of_minute[8];
  std::snprintf(second_of_minute, sizeof second_of_minute, "%02lld",
                static_cast<long long>(seconds % 60));
  const std::string when =
      MessageText(QT_TRANSLATE_NOOP("Message", "実験開始から %1:%2（Clock %3 ms）"),
                  {std::to_string(seconds / 60), second_of_minute, std::to_string(stop.clock_ms)});
  std::string why =
      stop.cause == SensorStopCause::kDeviceGone
          ? MessageText(QT_TRANSLATE_NOOP("Message", "センサーが装置の切断を伝えました"))
          : MessageText(QT_TRANSLATE_NOOP("Message", "カメラの画像が %1 秒来ませんでした"),
                        {std::to_string(kSensorSilenceLimit_ms / 1000)});
  if (!stop.detail.empty()) why += " (" + stop.detail + ")";
  return MessageText(QT_TRANSLATE_NOOP("Message",
                                       "体のセンサーが実験中に止まりました。%1、%2。\n\n"
                                       "それ以降、体と風船割りは記録されていません。ファイルには"
                                       "それまでの記録がすべて残っています。次の実験の前にカメラか"
                                       "ファイルを確かめてください。"),
                     {when, why});
}

void ReportSensorStop() {
  const std::string text = SensorStopMessage(sensor_stop);
  if (!text.empty()) AfxMessageBox(text, MB_ICONHAND);
}
