#pragma once
// "&Experiment" > "&Camera check": the live camera picture with every tracked
// body (joints, ID, hand shapes, distance) and the figures that decide whether
// a session can start. For placing the camera and the child; writes no file.
// Closes with Esc or its close box; the sensor is closed again then. With the
// camera backend it lists the cameras found and lets the experimenter choose
// one (kept in camera.ini); the check then shows that camera.

#include <QDialog>
#include <QTimer>
#include <memory>

#include "app/camera_check_sensor.h"

class CameraChooser;

class CameraCheckWindow : public QDialog {
  Q_OBJECT
 public:
  explicit CameraCheckWindow(QWidget* owner);
  ~CameraCheckWindow() override;

  // Bodies tracked in the newest body frame (also in the window title).
  int TrackedBodyCount() const;
  const CameraCheckFigures& figures() const { return figures_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Tick();
  void StartSensor();
  void PlaceChooser();

  std::unique_ptr<CameraCheckSensor> sensor_;
  CameraChooser* chooser_ = nullptr;  // null unless the camera backend is in use
  QTimer poll_timer_;
  CameraCheckFigures figures_;
  QString latency_note_;  // the latency test kept for this camera, or that there is none
  int64_t last_figures_ns_ = 0;
};
