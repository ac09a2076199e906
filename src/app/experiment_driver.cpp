// The experiment driver: one whole run on the UI thread, from the setup dialog
// to the result files, then back to the idle main frame.

#include <QGuiApplication>
#include <QInputMethod>
#include <chrono>
#include <cstdio>
#include <ctime>

#include "app/after_run.h"
#include "app/main_frame.h"
#include "app/pop_sound.h"
#include "app/program_body_update.h"
#include "app/qt_message_box.h"
#include "app/qt_trial_ports.h"
#include "app/resource_ids.h"
#include "app/result_files.h"
#include "app/run_checks.h"
#include "app/sensor_stop_report.h"
#include "app/session_video.h"
#include "app/signal_stop.h"
#include "app/stimulus_files.h"
#include "app/subject_dialog.h"
#include "body/sensor_connection.h"
#include "platform/data_paths.h"
#include "results/run_journal.h"
#include "stage/touch_wnd.h"
#include "state/body_vocabulary.h"
#include "state/message_box.h"
#include "state/program_state.h"
#include "state/setting_checks.h"
#include "state/settings_io.h"
#include "state/translate_noop.h"
#include "trial/ms_timer_clock.h"
#include "trial/trial_loop.h"

namespace {

constexpr const char* kStageWindowTitle = "Experiment Window";

// Told to the experimenter when the stage cannot be put up; no child has seen
// anything yet and nothing has been recorded.
constexpr const char* kStageFailedMessage = QT_TRANSLATE_NOOP(
    "Message",
    "実験画面（ウィンドウか OpenGL の描画）を作れないため、実験を中止しました。データは書き出して"
    "いません。");

LocalDateTime CurrentLocalTime() {
  const auto now = std::chrono::system_clock::now();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  std::tm local{};
  localtime_r(&seconds, &local);
  const auto ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  return LocalDateTime{local.tm_year + 1900,    local.tm_mon + 1, local.tm_mday,
                       local.tm_hour,           local.tm_min,     local.tm_sec,
                       static_cast<int32_t>(ms)};
}

template <typename Settings, typename Dialog>
void CopySettings(const Settings& from, Dialog& to) {
  to.subject = from.subject;
  to.random_seed = from.random_seed;
  to.mirror = from.mirror;
  to.janken = from.janken;
  to.timelimit = from.timelimit;
  to.flag_head = from.flag_head;
  to.flag_shoulder = from.flag_shoulder;
  to.flag_elbow = from.flag_elbow;
  to.flag_hip = from.flag_hip;
  to.flag_knee = from.flag_knee;
  to.flag_foot = from.flag_foot;
  to.flag_mouse = from.flag_mouse;
  to.flag_single = from.flag_single;
}

// The run's view of the program-wide state: the tables WriteResultFiles writes
// out afterwards, and the textures just created on the stage.
RunState ProgramRunState() {
  const RunTextures textures{
      body_texture,
      {balloon_textures[0], balloon_textures[1], balloon_textures[2], balloon_textures[3]},
      burst_texture};
  RunState run{settings,     tracked_bodies, trial_records, trial_count,
               body_samples, sample_count,   show_markers,  textures};
  run.timing = &run_timing;
  return run;
}

// Says on stderr when stimuli come from the installed data folder, so that a
// lab expecting its own stim/ sees that it was not there.
void NoteInstalledStimuli() {
  const char* stimuli[std::size(kStimulusFiles)];
  for (size_t i = 0; i < std::size(kStimulusFiles); ++i) stimuli[i] = kStimulusFiles[i].path;
  const std::string note = InstalledCopiesNote(stimuli, InstalledDataDir());
  if (!note.empty()) std::fprintf(stderr, "tavelin2: %s\n", note.c_str());
}

// The stage is not usable: nothing of the run may remain, and the experimenter
// learns why before a child sits in front of a black screen.
void AbandonRun() {
  experiment_window.DestroyWindow();
  DiscardSessionVideo();
  CloseSensor();
  color_buffer.reset();
  run_journal.Discard();
  AfxMessageBox(MessageText(kStageFailedMessage), MB_ICONHAND);
}

}  // namespace

void CMainFrame::OnExperimentStart() {
  // One run at a time: a Start arriving while a run (or its setup dialog) is
  // up is ignored, without a box in front of the child.
  if (run_in_progress_) return;
  run_in_progress_ = true;
  struct RunFlag {
    bool& flag;
    ~RunFlag() { flag = false; }
  } run_flag{run_in_progress_};

  if (!PrepareRun()) return;

  if (!experiment_window.CreateEx(kStageWindowTitle, 0, 0, screen_width, screen_height,
                                  windowHandle()) ||
      !experiment_window.InitDevice()) {
    AbandonRun();
    return;
  }
  body_texture = experiment_window.AddTexture(kPictureWidth, kPictureHeight, D3DFMT_X8R8G8B8);
  for (int i = 0; i < 4; ++i)
    balloon_textures[i] =
        experiment_window.LoadTexture(FindDataFile(kBalloonImagePaths[i]).path.c_str());
  burst_texture = experiment_window.LoadTexture(FindDataFile(kBurstImagePath).path.c_str());
  NoteInstalledStimuli();

  {
    MsTimerClock clock;
    QtCursorPort cursor;
    QtSoundPort sound;
    sound.Preload(FindDataFile(kPopSoundPath).path);
    QtHostPort host;
    TrialPorts ports{experiment_window,
                     [] { return UpdateBodies(experiment_window); },
                     clock,
                     cursor,
                     sound,
                     host,
                     &run_journal};
    ports.frame_ready_source = NewestColourFramePublishedAt_ns;
    ProgramFrameInfo frame_info;
    ports.frame_info = &frame_info;
    RunSensorWatch sensor_watch;
    RunTask(ports, ProgramRunState());
  }
  if (!StopRequested()) ReportSensorStop();
  // The signal ended the loop the way Esc does; the record tells them apart.
  if (StopRequested() && run_timing.end_reason == RunEndReason::kEscape)
    run_timing.end_reason = RunEndReason::kSignal;

  experiment_window.ReleaseTextures();
  EndSessionVideo();
  WriteResultFiles();
  run_journal.Finish();
  experiment_window.DestroyWindow();
  // A stop signal (logout, shutdown) wants the program gone soon: the report
  // can be made later with --report.
  if (!StopRequested()) ShowRunSummary(AfterRun());

  // Idle again: the frame in front, ready for the next run.
  raise();
  activateWindow();
  update();
}

bool CMainFrame::PrepareRun() {
  CSubject dialog(this);
  CopySettings(settings, dialog);
  if (dialog.DoModal() != IDOK) return false;
  CopySettings(dialog, settings);
  // A value the dialog hands back as it is but the run cannot follow (janken 5,
  // a time limit of 0): the experimenter hears what will be run instead.
  if (const std::string note = RunConditionMessage(settings); !note.empty())
    AfxMessageBox(note, kMbIconExclamation);
  // Nothing of the run is touched before the sensor and the stimuli are known
  // to work; a refusal keeps the values just confirmed for the next Start.
  if (!CheckBeforeRun(this)) return false;

  // Input method off, so that M and space reach the stage as keys rather than
  // as composition input.
  setAttribute(Qt::WA_InputMethodEnabled, false);
  if (QInputMethod* input_method = QGuiApplication::inputMethod()) {
    input_method->reset();
    input_method->hide();
  }

  for (int32_t p = 0; p < kTrialRecordCapacity; ++p) {
    trial_records[p].trial = p + 1;
    trial_records[p].resp.clear();
    trial_records[p].rt = 0;
  }
  trial_count = 0;
  color_buffer = std::make_unique_for_overwrite<uint8_t[]>(kColorBufferBytes);
  run_start_time = CurrentLocalTime();
  SaveConfirmedSettings();  // a crash mid-run must not cost the next child the condition
  // From here on every record reaches the disk within a second, so a crash
  // mid-run loses nothing the next start cannot recover.
  BeginRunJournal(run_journal);
  if (const std::string warning = run_journal.StartWarning(); !warning.empty()) {
    AfxMessageBox(warning, kMbIconExclamation);
  }
  BeginSessionVideo();
  return true;
}
