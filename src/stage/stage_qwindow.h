#pragma once
// The native window of the stage: a QWindow with an OpenGL surface that hands
// its events to the stage object (CDXWnd / CTouchWnd), which lives longer than
// any one window. The user cannot close it; it ends when the stage destroys it.

#include <QWindow>

class QKeyEvent;
class QMouseEvent;
class QTouchEvent;

// What the stage object does with the window's events.
class StageWindowEvents {
 public:
  virtual ~StageWindowEvents() = default;
  virtual void OnWindowResized() {}
  virtual void OnWindowExposed() {}
  virtual void OnWindowActivated(bool /*active*/) {}
  virtual void OnKeyEvent(QKeyEvent* /*event*/) {}
  virtual void OnMouseEvent(QMouseEvent* /*event*/) {}
  virtual void OnTouchEvent(QTouchEvent* /*event*/) {}
  // The user asked to close the window (Alt+F4, the window manager); it stays.
  virtual void OnCloseRequested() {}
};

class StageQWindow : public QWindow {
 public:
  explicit StageQWindow(StageWindowEvents& events);

 protected:
  bool event(QEvent* event) override;
  void exposeEvent(QExposeEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void touchEvent(QTouchEvent* event) override;

 private:
  StageWindowEvents& events_;
};
