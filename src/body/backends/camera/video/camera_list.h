#pragma once
// The cameras this computer has: its /dev/video* nodes that give video (a
// UVC camera's second node carries only metadata), each with the names its
// driver gives it and the mode the program would ask it for.

#include <optional>
#include <string>
#include <vector>

#include "body/backends/camera/video/camera_settings.h"
#include "body/backends/camera/video/v4l2_modes.h"

struct CameraListing {
  std::string path;                // "/dev/video0"
  std::string card, bus;           // V4L2's card and bus_info
  std::optional<CameraMode> best;  // ChooseCameraMode's pick; none: no MJPEG or YUYV mode listed
  std::string problem;             // why it could not be asked ("" when it could)
};

bool IsCharDevice(const std::string& path);
// The /dev/videoN character devices, by number.
std::vector<std::string> VideoDeviceNodes();

// The capture devices among them, with the mode each offers for the
// settings' size and rate. A node that cannot be opened is listed with its
// problem (it may be a camera this user may not use).
std::vector<CameraListing> ListCameras(const CameraSettings& settings);

// "Fake HD Camera (usb-0000:00:14.0-3, /dev/video60): MJPG 1280x720 30 fps"
std::string CameraListingText(const CameraListing& camera);
