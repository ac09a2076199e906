#pragma once
// The main frame: the window the experimenter sees between runs. It covers the
// primary screen, shows one line of text on black (and under it the summary of
// the last run) and offers the menu commands Exit, Start, Camera check,
// Latency test, Open data folder and About, and a Language menu. Start and a left click into the
// client area both run one experiment (OnExperimentStart).

#include <QMainWindow>
#include <cstdint>

#include "app/language_choice.h"
#include "report/run_summary.h"

class QAction;

// Under the frame: how a run begins, and why the close box did nothing.
// Both in both languages when Japanese is chosen; English alone otherwise.
inline constexpr const char* kStartHint = QT_TRANSLATE_NOOP(
    "CMainFrame",
    "クリックで実験を開始します。  Click in this window (or Experiment > Start) to start a run.");
inline constexpr const char* kEndRunFirst = QT_TRANSLATE_NOOP(
    "CMainFrame",
    "実験中は閉じられません。Esc で実験を終えてから閉じてください。  "
    "A run is in progress: end it with Esc first, then close the program.");

class CMainFrame : public QMainWindow {
  Q_OBJECT
 public:
  // Sets screen_width / screen_height from the primary screen (physical
  // pixels) and builds the window; it is not shown yet.
  CMainFrame();
  ~CMainFrame() override;

  // Runs one experiment from the setup dialog to the result files. Refused
  // while a run is already in progress.
  virtual void OnExperimentStart();

  // The live camera check, modal; refused while a run is in progress.
  virtual void OnCameraCheck();
  // The screen-to-camera latency test on the stage, then its summary;
  // refused while a run is in progress.
  virtual void OnLatencyTest();
  // The working directory in the desktop's file manager.
  void OnOpenDataFolder();
  void OnFileExit();
  void OnHelpAbout();
  // Language menu: keeps the choice for the next start and turns the texts
  // shown from now on (this frame's hint line included) to it.
  void OnLanguage(UiLanguage language);
  void OnKeyDown(uint32_t key, uint32_t repeat_count, uint32_t flags);
  void OnLButtonDown(uint32_t flags, const QPoint& point);
  void OnPaint(class QPainter& painter, const QRect& client);

  // The menu command with the given ID (ID_FILE_EXIT, ...), or null.
  QAction* CommandAction(int32_t command_id) const;
  // The frame's rectangle when it covers the screen, in Qt's logical pixels.
  QRect ScreenRect() const;
  bool RunInProgress() const { return run_in_progress_; }

  // Shown under the frame's text until the next run ends.
  void ShowRunSummary(const RunSummary& summary);
  const RunSummary& LastRunSummary() const { return last_run_summary_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  // A close box during a run (this window's or the stage's) does nothing but say why.
  void SayEndRunFirst();

 private:
  void BuildMenu();
  void BuildLanguageMenu();
  void RetranslateUi();
  void PaintRunSummary(class QPainter& painter, const QRect& client);
  bool PrepareRun();

  bool run_in_progress_ = false;
  RunSummary last_run_summary_;
};
