#pragma once
// A sensor whose every answer a test states beforehand: whether opening
// fails, which frame sets arrive (and when none is ready), which streams it
// offers, what the mapper returns. It goes through the same handles, readers
// and mailboxes as a live device.
//
//   auto sensor = InstallScriptedSensor();      // GetDefaultKinectSensor gives it
//   sensor->FailOpen(E_FAIL);
//   OpenSensor();                               // 0
//   sensor->PushSet(ScriptedColorFrame(...), BodyFrameData{});  // the next update takes it

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "body/sensor/backend_driver.h"
#include "body/sensor/pinhole_camera.h"
#include "body/sensor/sensor_device.h"

// The frames of one scripted set; a member left empty is not in the set.
// (The initializers let a test name only the members it fills.)
struct ScriptedFrames {
  std::optional<ColorFrameData> color = std::nullopt;
  std::optional<BodyFrameData> body = std::nullopt;
  std::optional<DepthFrameData> depth = std::nullopt;
  std::optional<BodyIndexFrameData> body_index = std::nullopt;
};

class ScriptedSensor : public SensorDevice {
 public:
  using Mapper = std::function<Status(const CameraSpacePoint&, ColorSpacePoint*)>;

  ScriptedSensor();

  // What Open reports from now on (S_OK to let it succeed again).
  void FailOpen(Status status);
  // The streams OfferedStreams reports (all four unless set).
  void SetOfferedStreams(SensorStreamFlags streams);
  // Replaces the mapper; the default is the pinhole model of PinholeCamera.
  void SetMapper(Mapper mapper);
  // A device that disappeared: IsAvailable false. Pushing still works, so a
  // test can also show that a zombie that publishes nothing stays quiet.
  void SetAvailable(bool available);
  // Called at each Open, before it succeeds (a device slow to open).
  void SetOpenHook(std::function<void()> hook);

  // Publishes one frame set now, as a live device does once all of it is
  // ready: each frame on its own stream, then the set.
  void Push(ScriptedFrames frames);
  // A picture with its bodies (a null member left out) and, unless told
  // otherwise, empty depth and body-index frames.
  void PushSet(std::optional<ColorFrameData> color, std::optional<BodyFrameData> body,
               bool with_depth_and_index = true);
  // A picture alone, without bodies.
  void PushColor(ColorFrameData frame) { Push({.color = std::move(frame)}); }

  // Every Open and Close call reached, in order ("Open", "Close", ...).
  std::vector<std::string> calls() const;
  bool is_open() const;

  Status Open() override;
  Status Close() override;
  bool IsAvailable() const override;
  SensorStreamFlags OfferedStreams() const override;
  Status MapCameraPointToColorSpace(const CameraSpacePoint& point,
                                    ColorSpacePoint* color) const override;

 private:
  mutable std::mutex mutex_;
  Status open_status_ = S_OK;
  SensorStreamFlags offered_streams_ = kAllSensorStreams;
  std::vector<std::string> calls_;
  Mapper mapper_;
  bool available_ = true;
  bool open_ = false;
  std::function<void()> open_hook_;
};

// Makes GetDefaultKinectSensor call `factory` (for example one that gives a
// ScriptedSensor) instead of the selected backend. A null factory puts back the
// selection that was there before the first non-null one.
void SetSensorFactoryForTesting(SensorFactory factory);

// Makes GetDefaultKinectSensor hand out a new ScriptedSensor, returned here.
std::shared_ptr<ScriptedSensor> InstallScriptedSensor();
// Makes GetDefaultKinectSensor report `status` and give no sensor; with S_OK
// it is the "no sensor attached" case.
void InstallNoSensor(Status status = S_OK);
// Back to the selected backend.
void UninstallScriptedSensor();

// A colour frame of the given size and format filled with one BGRA colour
// (0xAARRGGBB; for YUY2 the nearest YUV value).
ColorFrameData ScriptedColorFrame(int32_t width, int32_t height, ColorImageFormat format,
                                  uint32_t argb);
