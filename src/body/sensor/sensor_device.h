#pragma once
// The interface a sensor backend implements (one folder per backend under
// src/body/backends/, one entry per backend in backends/backend_table.cpp).
//
// A backend is a SensorDevice subclass plus a SensorBackendDriver entry
// (backend_driver.h) that owns the backend's command-line options and makes
// the device when the program asks for the default sensor (at the start of
// each run). Everything above this interface (the IKinectSensor handles,
// readers, frames, the colour conversion) is shared code in src/body/sensor/
// and is the same for every backend.
//
// Threads
// - The UI thread calls Open, Close, IsAvailable and
//   MapCameraPointToColorSpace, and reads the mailboxes.
// - A backend produces frames on threads of its own and publishes them with
//   streams().PublishSet(...) (any thread; see frame_mailbox.h). Open
//   starts those threads, Close stops and joins them; after Close returns no
//   Publish may happen. The subclass destructor must stop them as well (call
//   its own Close): readers and handles may keep the device alive after
//   CloseSensor, and are then simply quiet.
// - MapCameraPointToColorSpace may be called while the producer runs; it must
//   not block on the producer and must be safe against it.
//
// Frame sets: a backend publishes each picture with the frames made from it
// as one SensorFrameSet (PublishSet), when the last of them is ready; the body
// update takes the newest set as a whole, so the bodies are tested and drawn
// over the picture they came from.
//
// Lost devices: a backend whose device disappears (unplugged camera, ended
// file) stops publishing and reports IsAvailable() false. Every call stays safe
// and the readers just get no new frames; it never throws or aborts.
//
// Ownership: frames are shared_ptr<const ...>; see frame_data.h for the layout
// and units of each stream. Colour frames are 1920 x 1080, YUY2 or BGRA
// (ColorFrameData). Body frames carry six bodies; joint positions in camera
// space (metres) consistent with MapCameraPointToColorSpace, so that a joint
// mapped into colour space lands on the person in the colour picture. Depth and
// body-index frames are 512 x 424; a backend says which streams it fills
// (OfferedStreams), and the body update expects in each set only those.

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "body/sensor/frame_data.h"
#include "body/sensor/frame_mailbox.h"
#include "body/sensor/sensor_types.h"
#include "body/sensor/session_recording.h"

// The four streams of a sensor, in the order OpenSensor opens their readers.
enum class SensorStream : int { kColor = 0, kDepth = 1, kBody = 2, kBodyIndex = 3 };
inline constexpr int kSensorStreamCount = 4;

// A set of streams, one bit per SensorStream.
using SensorStreamFlags = unsigned;
constexpr SensorStreamFlags StreamFlag(SensorStream stream) {
  return 1u << static_cast<int>(stream);
}
inline constexpr SensorStreamFlags kAllSensorStreams = (1u << kSensorStreamCount) - 1;

struct SensorStreams {
  FrameMailbox<ColorFrameData> color;
  FrameMailbox<DepthFrameData> depth;
  FrameMailbox<BodyFrameData> body;
  FrameMailbox<BodyIndexFrameData> body_index;
  FrameMailbox<SensorFrameSet> sets;
  // Pictures the device captured, also those never published (a camera whose
  // pictures arrive faster than they are analysed). Any thread.
  std::atomic<uint64_t> pictures_captured{0};
  // Pictures the device left out because they came damaged (a camera's
  // broken transfers), since it was opened. Any thread.
  std::atomic<uint64_t> pictures_dropped{0};

  // Publishes each frame of the set on its own stream, then the set itself.
  void PublishSet(SensorFrameSet set) {
    if (set.body) body.Publish(set.body);
    if (set.depth) depth.Publish(set.depth);
    if (set.body_index) body_index.Publish(set.body_index);
    if (set.color) color.Publish(set.color);
    sets.Publish(std::make_shared<const SensorFrameSet>(std::move(set)));
  }
};

// What a run record says about the sensor of a run.
struct SensorDescription {
  std::string backend;  // the --sensor name: "sim", "camera", "none" (or a test's "scripted")
  std::string device;   // the camera device or video file; empty for other backends
  std::vector<std::pair<std::string, std::string>> options;  // the backend's own settings
  // The camera backend: the camera as its driver names it (card, bus, driver;
  // empty for a video file), the mode in use and how its pictures are timed
  // ("driver_start_of_exposure", "driver_end_of_frame", "read_time", "file"),
  // and the damaged pictures left out so far, in all and by why.
  struct Camera {
    std::string card, bus, driver, pixel_format;
    int width = 0, height = 0;
    double fps = 0;
    std::string timestamp_source;
    uint64_t pictures_dropped = 0;
    std::vector<std::pair<std::string, uint64_t>> pictures_dropped_by_reason;
  };
  std::optional<Camera> camera;
  // The camera backend: camera.ini's values that shape the data.
  std::vector<std::pair<std::string, std::string>> camera_ini;
  struct ModelFile {
    std::string path;
    std::string sha256;  // lower-case hex; empty when the file could not be read
  };
  std::vector<ModelFile> models;
};

class SensorDevice {
 public:
  SensorDevice() = default;
  virtual ~SensorDevice() = default;
  SensorDevice(const SensorDevice&) = delete;
  SensorDevice& operator=(const SensorDevice&) = delete;

  // Starts the device and its producer threads. Calling it again while open
  // succeeds and does nothing.
  virtual Status Open() = 0;
  // Stops and joins the producer threads. Safe when never opened and when
  // called twice; always succeeds for a device that is gone.
  virtual Status Close() = 0;
  // False once the device has disappeared (and before a device that needs
  // opening first was opened, if the backend cannot tell yet).
  virtual bool IsAvailable() const { return true; }

  // The streams whose frames the device's sets carry; a camera without depth
  // leaves out the depth and body-index frames. Fixed for the device's life.
  virtual SensorStreamFlags OfferedStreams() const { return kAllSensorStreams; }

  // Colour-space pixel (1920 x 1080 picture) of a camera-space point in metres.
  // A point that cannot be projected (behind the camera, Z <= 0) gives S_OK
  // with -infinity coordinates, as the depth sensor's SDK does.
  virtual Status MapCameraPointToColorSpace(const CameraSpacePoint& point,
                                            ColorSpacePoint* color) const = 0;

  // Recording of the run (session_recording.h), UI thread. Start begins with
  // the next picture; Finish stops, closes the files and says what was written.
  // A backend that does not record reports it off.
  virtual SessionRecordingReport StartSessionRecording(const SessionRecordingPlan& /*plan*/) {
    return {};
  }
  virtual SessionRecordingReport FinishSessionRecording() { return {}; }
  // Adds what the backend knows of itself (device, options, models).
  virtual void Describe(SensorDescription* /*description*/) const {}

  SensorStreams& streams() { return streams_; }

 private:
  SensorStreams streams_;
};
