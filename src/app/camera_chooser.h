#pragma once
// The camera check's choice of camera: every camera found (card, bus, device
// and the mode the program would take), the one camera.ini names selected.
// Choosing another keeps it in camera.ini as its device, which the check and
// every later run open (--camera, given at start, still overrides it).

#include <QComboBox>
#include <QString>

class CameraChooser : public QComboBox {
  Q_OBJECT
 public:
  explicit CameraChooser(QWidget* parent);

  // Lists the cameras again, camera.ini's choice selected.
  void Refresh();
  // Why the last choice could not be kept; empty when it was.
  const QString& problem() const { return problem_; }

 signals:
  // A camera was chosen and kept in camera.ini.
  void Chosen(const QString& device);

 private:
  void Choose(int index);

  QString problem_;
};
