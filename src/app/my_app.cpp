#include "app/my_app.h"

#include <QApplication>
#include <ctime>

#include "app/main_frame.h"
#include "app/signal_stop.h"
#include "state/program_state.h"
#include "state/settings_io.h"
#include "results/run_recovery.h"
#include "trial/ms_timer.h"

// Constructed before main() like every program-wide object; it touches no Qt
// object until InitInstance.
CMyApp theApp;

namespace {
// Name under which the stage and the frame are known; Qt has no window classes
// to register, so the name is all that is kept.
constexpr const char* kWindowClassName = "Tavelin2Stage";
}  // namespace

CMyApp::CMyApp() = default;
CMyApp::~CMyApp() = default;

bool CMyApp::InitInstance() {
  window_class = kWindowClassName;
  main_frame_ = std::make_unique<CMainFrame>();
  main_frame_->showMaximized();
  main_frame_->repaint();
  MsTimer::CheckCapability();  // start-up goes on whatever it finds
  LoadProgramSettings();
  RecoverUnfinishedRuns();
  SeedProgramRandom(static_cast<int64_t>(std::time(nullptr)));
  return true;
}

int CMyApp::ExitInstance() {
  MsTimer::Stop();
  MsTimer::tick_hook = nullptr;
  StoreProgramSettings();
  main_frame_.reset();
  return loop_exit_code_;
}

int CMyApp::Run() {
  InstallSignalStop();
  InitInstance();
  // A stop signal during start-up came before any event loop could end.
  loop_exit_code_ = StopRequested() ? 0 : QApplication::exec();
  return ExitInstance();
}
