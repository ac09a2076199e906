#pragma once
// A sensor whose every answer a test states beforehand: which connecting step
// fails, which frames arrive (and when none is ready), what the mapper returns.
// It goes through the same handles, readers and mailboxes as a live device.
//
//   auto sensor = InstallScriptedSensor();      // GetDefaultKinectSensor gives it
//   sensor->FailStep(ScriptedStep::kDepthReader, E_FAIL);
//   OpenSensor();                               // 0
//   sensor->PushColor(ScriptedColorFrame(...)); // next AcquireLatestFrame gets it

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "body/sensor/backend_driver.h"
#include "body/sensor/pinhole_camera.h"
#include "body/sensor/sensor_device.h"

// The steps of OpenSensor in their order.
enum class ScriptedStep {
  kOpen,
  kCoordinateMapper,
  kColorSource,
  kColorReader,
  kDepthSource,
  kDepthReader,
  kBodySource,
  kBodyReader,
  kBodyIndexSource,
  kBodyIndexReader,
};
inline constexpr int kScriptedStepCount = 10;
const char* ScriptedStepName(ScriptedStep step);

class ScriptedSensor : public SensorDevice {
 public:
  using Mapper = std::function<Status(const CameraSpacePoint&, ColorSpacePoint*)>;

  ScriptedSensor();

  // The status `step` reports from now on (S_OK to let it succeed again).
  void FailStep(ScriptedStep step, Status status);
  // Replaces the mapper; the default is the pinhole model of PinholeCamera.
  void SetMapper(Mapper mapper);
  // A device that disappeared: IsAvailable false. Pushing still works, so a
  // test can also show that a zombie that publishes nothing stays quiet.
  void SetAvailable(bool available);
  // Called at each Open, before it succeeds (a device slow to open).
  void SetOpenHook(std::function<void()> hook);

  // Publish a frame now; the next AcquireLatestFrame of each reader gets it.
  void PushColor(ColorFrameData frame);
  void PushDepth(DepthFrameData frame);
  void PushBody(BodyFrameData frame);
  void PushBodyIndex(BodyIndexFrameData frame);
  // Publish a picture with its frames as one set (a camera that shows a picture
  // once its bodies are known); a null member is left out of the set.
  void PushSet(std::optional<ColorFrameData> color, std::optional<BodyFrameData> body,
               bool with_depth_and_index = true);

  // Every connecting step and Open/Close call reached, in order ("Open",
  // "DepthReader", "Close", ...).
  std::vector<std::string> calls() const;
  bool is_open() const;

  Status Open() override;
  Status Close() override;
  bool IsAvailable() const override;
  Status OpenCoordinateMapper() override;
  Status OpenFrameSource(SensorStream stream) override;
  Status OpenFrameReader(SensorStream stream) override;
  Status MapCameraPointToColorSpace(const CameraSpacePoint& point,
                                    ColorSpacePoint* color) const override;

 private:
  Status Step(ScriptedStep step);

  mutable std::mutex mutex_;
  Status step_status_[kScriptedStepCount] = {};
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
