#include "app/camera_chooser.h"

#include <QSignalBlocker>
#include <algorithm>
#include <cstdio>
#include <string>

#include "body/backends/camera/video/camera_list.h"
#include "body/backends/camera/video/camera_settings.h"

CameraChooser::CameraChooser(QWidget* parent) : QComboBox(parent) {
  setObjectName(QStringLiteral("CameraChoice"));
  setSizeAdjustPolicy(QComboBox::AdjustToContents);
  setToolTip(tr("この確認とこの後のすべての実験で使うカメラ（camera.ini に記録します）"));
  connect(this, &QComboBox::activated, this, &CameraChooser::Choose);
  Refresh();
}

void CameraChooser::Refresh() {
  const QSignalBlocker quiet(this);
  clear();
  CameraSettings settings;
  LoadCameraSettings(kCameraSettingsFile, &settings, nullptr);
  const std::vector<CameraListing> cameras = ListCameras(settings);
  const std::string& chosen = settings.device;
  // What camera.ini names but is not found here: shown, so that nothing is chosen behind the
  // experimenter's back.
  const bool found = std::any_of(cameras.begin(), cameras.end(),
                                 [&](const CameraListing& c) { return c.path == chosen; });
  if (chosen.empty())
    addItem(tr("画像を出す最初のカメラ"), QString());
  else if (!found)
    addItem(tr("%1（見つかりません。つながっていないか、動画ファイルです）")
                .arg(QString::fromStdString(chosen)),
            QString::fromStdString(chosen));
  for (const CameraListing& c : cameras)
    addItem(QString::fromStdString(CameraListingText(c)), QString::fromStdString(c.path));
  setCurrentIndex(std::max(0, findData(QString::fromStdString(chosen))));
}

void CameraChooser::Choose(int index) {
  const QString device = itemData(index).toString();
  std::string error;
  if (!WriteCameraSetting(kCameraSettingsFile, "device", device.toStdString(), &error)) {
    problem_ = QString::fromStdString(error);
    std::fprintf(stderr, "tavelin2: %s\n", error.c_str());
    Refresh();
    return;
  }
  problem_.clear();
  Refresh();
  emit Chosen(device);
}
