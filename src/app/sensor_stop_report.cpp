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
  char when[96];
  std::snprintf(when, sizeof when, "%lld:%02lld into the run (Clock %d ms)",
                static_cast<long long>(seconds / 60), static_cast<long long>(seconds % 60),
                stop.clock_ms);
  std::string why = stop.cause == SensorStopCause::kDeviceGone
                        ? "the sensor reported its device gone"
                        : "no camera picture came for " +
                              std::to_string(kSensorSilenceLimit_ms / 1000) + " seconds";
  if (!stop.detail.empty()) why += " (" + stop.detail + ")";
  return QT_TRANSLATE_NOOP("Message", "体のセンサーが実験中に止まりました。") "\n"
         "The body sensor stopped " +
         std::string(when) + ": " + why +
         ".\n\nFrom then on the run recorded no bodies and no pops. The files hold everything "
         "recorded before. Check the camera or the file before the next run.";
}

void ReportSensorStop() {
  const std::string text = SensorStopMessage(sensor_stop);
  if (!text.empty()) AfxMessageBox(text, MB_ICONHAND);
}
