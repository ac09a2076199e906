#include "stage/cursor_control.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <cmath>

namespace {

bool hidden_for_run = false;

QScreen* PrimaryScreen() {
  return QGuiApplication::instance() != nullptr ? QGuiApplication::primaryScreen() : nullptr;
}

}  // namespace

void HideCursorForRun() {
  if (hidden_for_run || QGuiApplication::instance() == nullptr) return;
  QGuiApplication::setOverrideCursor(QCursor(Qt::BlankCursor));
  hidden_for_run = true;
}

void ShowCursorAfterRun() {
  if (!hidden_for_run) return;
  QGuiApplication::restoreOverrideCursor();
  hidden_for_run = false;
}

bool CursorHiddenForRun() {
  return hidden_for_run;
}

void SetCursorScreenPos(int32_t x, int32_t y) {
  QScreen* screen = PrimaryScreen();
  if (screen == nullptr) return;
  const double ratio = screen->devicePixelRatio();
  QCursor::setPos(screen, static_cast<int>(std::lround(x / ratio)),
                  static_cast<int>(std::lround(y / ratio)));
}

bool GetCursorScreenPos(int32_t& x, int32_t& y) {
  QScreen* screen = PrimaryScreen();
  if (screen == nullptr) return false;
  const double ratio = screen->devicePixelRatio();
  const QPoint p = QCursor::pos(screen);
  x = static_cast<int32_t>(std::trunc(p.x() * ratio));
  y = static_cast<int32_t>(std::trunc(p.y() * ratio));
  return true;
}
