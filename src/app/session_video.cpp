#include "app/session_video.h"

#include <unistd.h>

#include <cstdio>

#include "app/qt_message_box.h"
#include "body/sensor_connection.h"
#include "body/sensor_watch.h"
#include "results/posix_file.h"
#include "results/result_file_names.h"
#include "results/result_file_writer.h"
#include "state/message_box.h"
#include "state/program_state.h"
#include "state/translate_noop.h"
#include "trial/ms_timer.h"

namespace {

SessionRecordingReport last_report;

// The report as the run record takes it (the results layer knows no sensor types).
SessionVideoRecord RecordOf(const SessionRecordingReport& report) {
  return SessionVideoRecord{report.on,           report.video_path,     report.table_path,
                            report.frames_written, report.frames_dropped, report.problem};
}

}  // namespace

std::optional<int64_t> RunClockAtCapture(TIMESPAN capture_time) {
  // The run installs its tick hook when it starts the clock and removes it at the end.
  if (MsTimer::tick_hook.load() == nullptr) return std::nullopt;
  const int64_t ticks = MsTimer::tick_count.load();
  const int64_t age_ms = (MonotonicNow_ns() / 100 - capture_time) / 10000;
  return ticks - age_ms;
}

void BeginSessionVideo() {
  SessionRecordingPlan plan;
  plan.video_name = VideoFileName(settings.subject, run_start_time);
  plan.table_name = VideoTableFileName(settings.subject, run_start_time);
  plan.directories.push_back(CurrentDirectory());
  for (const std::string& rescue : DefaultRescueDirectories()) plan.directories.push_back(rescue);
  plan.run_clock_ms_at = RunClockAtCapture;
  last_report = StartSessionRecording(plan);
  session_video = RecordOf(last_report);
  if (!last_report.on) return;
  if (!last_report.problem.empty()) {
    AfxMessageBox(MessageText(QT_TRANSLATE_NOOP("Message",
                                                "録画を開始できません（%1）。録画なしで実験を続けます。"),
                              {last_report.problem}),
                  kMbIconExclamation);
    return;
  }
  std::fprintf(stderr, "tavelin2: recording the session video to %s\n",
               last_report.video_path.c_str());
}

void EndSessionVideo() {
  const bool was_on = last_report.on;
  const std::string problem_at_start = last_report.problem;
  last_report = FinishSessionRecording();
  session_video = RecordOf(last_report);
  // A recorder that never started leaves nothing to finish: the reason it
  // gave at the start is the one the run record keeps.
  if (session_video.on && session_video.video_path.empty() && session_video.problem.empty())
    session_video.problem = problem_at_start;
  if (!was_on || !last_report.on) return;
  if (!last_report.video_path.empty()) {
    std::fprintf(stderr, "tavelin2: session video %s: %llu frames, %llu dropped\n",
                 last_report.video_path.c_str(),
                 static_cast<unsigned long long>(last_report.frames_written),
                 static_cast<unsigned long long>(last_report.frames_dropped));
  }
  // A recording that could not start was reported before the run.
  if (!last_report.problem.empty() && last_report.problem != problem_at_start) {
    AfxMessageBox(MessageText(QT_TRANSLATE_NOOP("Message",
                                                "録画が途中で止まりました（%2）。次の録画は不完全です。"
                                                "結果ファイルには影響しません。\n%1"),
                              {last_report.video_path, last_report.problem}),
                  kMbIconExclamation);
  }
}

void DiscardSessionVideo() {
  last_report = FinishSessionRecording();
  for (const std::string& path : {last_report.video_path, last_report.table_path})
    if (!path.empty()) ::unlink(path.c_str());
  last_report = SessionRecordingReport{};
  session_video = SessionVideoRecord{};
}

const SessionRecordingReport& LastSessionVideo() {
  return last_report;
}
