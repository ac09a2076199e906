#include "app/qt_trial_ports.h"

#include <cerrno>
#include <ctime>

#include "app/program_body_update.h"
#include "app/qt_message_box.h"
#include "app/signal_stop.h"
#include "body/sensor_connection.h"
#include "stage/cursor_control.h"
#include "stage/message_pump.h"
#include "stage/touch_wnd.h"
#include "state/message_box.h"
#include "state/program_state.h"

void QtCursorPort::Hide() {
  HideCursorForRun();
}
void QtCursorPort::Show() {
  ShowCursorAfterRun();
}
void QtCursorPort::SetPos(int32_t x, int32_t y) {
  SetCursorScreenPos(x, y);
}

ScreenPoint QtCursorPort::GetPos() const {
  ScreenPoint p;
  GetCursorScreenPos(p.x, p.y);
  return p;
}

void QtHostPort::PumpMessages() {
  ::PumpMessages();
  // A stop signal ends the run as Esc does; the latch is set after every pump,
  // so a key release served in between cannot undo it.
  if (StopRequested()) experiment_window.m_input.key = VK_ESCAPE;
}
void QtHostPort::FlushInput() {
  ::FlushInput();
}

void QtHostPort::Sleep(int32_t duration_ms) {
  timespec duration{duration_ms / 1000, (duration_ms % 1000) * 1000000L};
  // Interrupted by a signal: sleep the rest.
  while (nanosleep(&duration, &duration) != 0 && errno == EINTR) {
  }
}

void QtHostPort::ShowScore(const std::string& text, const std::string& caption) {
  if (StopRequested()) return;  // the program is ending: nobody is there to close it
  ShowMessageBox(text, caption, MB_OK | kMbLargeText);
}

int64_t ProgramFrameInfo::PictureCaptured_ns() const {
  return body_update_report.picture_captured_ns;
}

uint64_t ProgramFrameInfo::PicturesCaptured() const {
  const auto& reader = sensor_connection.frame_set_reader;
  return reader ? reader->PicturesCaptured() : 0;
}

uint64_t ProgramFrameInfo::PicturesShown() const {
  return body_update_report.pictures_taken;
}

uint64_t ProgramFrameInfo::BodyFramesTaken() const {
  return body_update_report.body_frames_taken;
}
