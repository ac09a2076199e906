#pragma once
// The application object: start-up before the event loop, shut-down after it.

#include <memory>

class CMainFrame;

class CMyApp {
 public:
  CMyApp();
  ~CMyApp();
  CMyApp(const CMyApp&) = delete;
  CMyApp& operator=(const CMyApp&) = delete;

  // Start-up: the window class name, the main frame shown over the screen, the
  // clock check, the settings file, recovery of runs a crash left unfinished,
  // and the random generator. Returns true in every case.
  bool InitInstance();
  // Shut-down: stops the clock and writes the settings file. Returns the exit
  // code the event loop ended with.
  int ExitInstance();

  // InitInstance, the Qt event loop until the main frame is closed, ExitInstance.
  int Run();

  CMainFrame* MainFrame() const { return main_frame_.get(); }

 private:
  std::unique_ptr<CMainFrame> main_frame_;
  int loop_exit_code_ = 0;
};

extern CMyApp theApp;
