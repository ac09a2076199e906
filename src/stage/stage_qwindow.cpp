#include "stage/stage_qwindow.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTouchEvent>

StageQWindow::StageQWindow(StageWindowEvents& events) : events_(events) {
  setSurfaceType(QSurface::OpenGLSurface);
  setFlags(Qt::Window | Qt::FramelessWindowHint);
}

bool StageQWindow::event(QEvent* event) {
  switch (event->type()) {
    case QEvent::Close:
      // Only the program ends the stage window.
      event->ignore();
      events_.OnCloseRequested();
      return true;
    case QEvent::FocusIn:
      events_.OnWindowActivated(true);
      break;
    case QEvent::FocusOut:
      events_.OnWindowActivated(false);
      break;
    case QEvent::UpdateRequest:
      // Content is shown only by presenting frames.
      return true;
    default:
      break;
  }
  return QWindow::event(event);
}

void StageQWindow::exposeEvent(QExposeEvent*) {
  events_.OnWindowExposed();
}
void StageQWindow::resizeEvent(QResizeEvent*) {
  events_.OnWindowResized();
}
void StageQWindow::keyPressEvent(QKeyEvent* event) {
  events_.OnKeyEvent(event);
}
void StageQWindow::keyReleaseEvent(QKeyEvent* event) {
  events_.OnKeyEvent(event);
}
void StageQWindow::mousePressEvent(QMouseEvent* event) {
  events_.OnMouseEvent(event);
}
void StageQWindow::mouseReleaseEvent(QMouseEvent* event) {
  events_.OnMouseEvent(event);
}
void StageQWindow::mouseMoveEvent(QMouseEvent* event) {
  events_.OnMouseEvent(event);
}
void StageQWindow::touchEvent(QTouchEvent* event) {
  events_.OnTouchEvent(event);
}
