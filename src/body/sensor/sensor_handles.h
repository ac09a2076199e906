#pragma once
// The handles the program works with: the default sensor, its coordinate
// mapper, the four frame sources and readers, frames and bodies. They follow
// the depth sensor SDK's calls one to one (same names, same status rules) but
// own what they refer to: every handle is a std::unique_ptr, and dropping it is
// the SDK's Release. A frame handle keeps its frame's pixels alive, a reader
// keeps its device alive, so no handle ever dangles, whatever the order of
// release.
//
// All of these are used on one thread (the UI thread); only the mailboxes
// inside are shared with the backend's producer threads.

#include <cstdint>
#include <memory>
#include <vector>

#include "body/sensor/frame_data.h"
#include "body/sensor/sensor_device.h"
#include "body/sensor/sensor_types.h"

class IFrameDescription {
 public:
  IFrameDescription(int32_t width, int32_t height, uint32_t bytes_per_pixel)
      : width_(width), height_(height), bytes_per_pixel_(bytes_per_pixel) {}
  Status get_Width(int32_t* width) const;
  Status get_Height(int32_t* height) const;
  Status get_BytesPerPixel(uint32_t* bytes_per_pixel) const;
  Status get_LengthInPixels(uint32_t* length) const;

 private:
  int32_t width_, height_;
  uint32_t bytes_per_pixel_;
};

class IColorFrame {
 public:
  using Data = ColorFrameData;
  explicit IColorFrame(std::shared_ptr<const ColorFrameData> data) : data_(std::move(data)) {}

  Status get_FrameDescription(std::unique_ptr<IFrameDescription>* description) const;
  Status get_RawColorImageFormat(ColorImageFormat* format) const;
  // The frame's own pixels in its raw format; valid while this frame handle
  // lives. Fails when the frame's buffer is shorter than its format needs.
  Status AccessRawUnderlyingBuffer(uint32_t* capacity, const uint8_t** buffer) const;
  // The picture converted to `format` (only ColorImageFormat_Bgra) into the
  // caller's buffer of `capacity` bytes; E_BUFFER_TOO_SMALL when it does not
  // fit, E_INVALIDARG for another target format, E_FAIL for a raw format that
  // cannot be read. Nothing is written on failure.
  Status CopyConvertedFrameDataToArray(uint32_t capacity, uint8_t* buffer,
                                       ColorImageFormat format) const;
  Status get_RelativeTime(TIMESPAN* time) const;
  // The backend's half-size BGRA picture (rows packed, *width * 4 bytes a
  // row), valid while this frame handle lives; E_FAIL when it made none.
  Status AccessHalfPicture(int32_t* width, int32_t* height, const uint8_t** bgra) const;

 private:
  std::shared_ptr<const ColorFrameData> data_;
  // The full picture, drawn at the first raw access of a frame that holds
  // only a way to draw it.
  mutable std::vector<uint8_t> drawn_;
};

// A frame of one value per pixel: depth in millimetres, or body index.
// `Values` names the member of the frame data that holds its width * height values.
template <class FrameData, class Value, std::vector<Value> FrameData::*Values>
class PixelValueFrame {
 public:
  using Data = FrameData;
  explicit PixelValueFrame(std::shared_ptr<const FrameData> data) : data_(std::move(data)) {}
  Status get_FrameDescription(std::unique_ptr<IFrameDescription>* description) const;
  Status AccessUnderlyingBuffer(uint32_t* capacity, const Value** buffer) const;
  Status CopyFrameDataToArray(uint32_t capacity, Value* buffer) const;  // capacity in values
  Status get_RelativeTime(TIMESPAN* time) const;

 private:
  std::shared_ptr<const FrameData> data_;
};

using IDepthFrame = PixelValueFrame<DepthFrameData, uint16_t, &DepthFrameData::depth_mm>;
using IBodyIndexFrame =
    PixelValueFrame<BodyIndexFrameData, uint8_t, &BodyIndexFrameData::body_index>;

class IBody {
 public:
  // `frame` keeps the body's data alive; `slot` is 0 .. BODY_COUNT - 1.
  IBody(std::shared_ptr<const BodyFrameData> frame, int slot)
      : frame_(std::move(frame)), slot_(slot) {}
  Status get_IsTracked(bool* tracked) const;
  Status get_TrackingId(uint64_t* tracking_id) const;
  // The 25 joints, joints[i] for JointType i; capacity must be JointType_Count.
  Status GetJoints(uint32_t capacity, Joint* joints) const;
  Status get_HandLeftState(HandState* state) const;
  Status get_HandRightState(HandState* state) const;
  // 0..1: how sure the sensor is of the hand's shape.
  Status get_HandLeftConfidence(float* confidence) const;
  Status get_HandRightConfidence(float* confidence) const;

 private:
  const BodyData& body() const { return frame_->bodies[slot_]; }
  std::shared_ptr<const BodyFrameData> frame_;
  int slot_;
};

class IBodyFrame {
 public:
  using Data = BodyFrameData;
  explicit IBodyFrame(std::shared_ptr<const BodyFrameData> data) : data_(std::move(data)) {}
  // Fills bodies[0 .. capacity - 1] with handles to bodies 0 .. capacity - 1
  // (replacing what they held); capacity at most BODY_COUNT.
  Status GetAndRefreshBodyData(uint32_t capacity, std::unique_ptr<IBody>* bodies) const;
  Status get_RelativeTime(TIMESPAN* time) const;

 private:
  std::shared_ptr<const BodyFrameData> data_;
};

// Reader of one stream. Each reader keeps its own place: it gets every frame
// published after it was opened, newest first, at most once.
template <class FrameHandle>
class FrameReader {
 public:
  using Data = typename FrameHandle::Data;
  FrameReader(std::shared_ptr<SensorDevice> device, FrameMailbox<Data>* mailbox)
      : device_(std::move(device)), mailbox_(mailbox), last_taken_(mailbox->published_count()) {}

  // The newest frame not yet taken by this reader; E_PENDING when there is
  // none. Never waits for the producer.
  Status AcquireLatestFrame(std::unique_ptr<FrameHandle>* frame) {
    if (!frame) return E_POINTER;
    std::shared_ptr<const Data> data = mailbox_->TakeNewerThan(&last_taken_);
    if (!data) return E_PENDING;
    *frame = std::make_unique<FrameHandle>(std::move(data));
    return S_OK;
  }

  // When the stream's newest frame was published (CLOCK_MONOTONIC ns, 0: none yet).
  int64_t NewestFramePublishedAt_ns() const { return mailbox_->newest_published_at_ns(); }

 private:
  std::shared_ptr<SensorDevice> device_;  // keeps the mailbox alive
  FrameMailbox<Data>* mailbox_;
  uint64_t last_taken_;
};

// Reader of whole frame sets (sensor_device.h): the newest set not yet taken,
// so that a picture and its bodies are taken together or not at all.
class FrameSetReader {
 public:
  explicit FrameSetReader(std::shared_ptr<SensorDevice> device)
      : device_(std::move(device)), last_taken_(device_->streams().sets.published_count()) {}

  // The streams the device's sets carry (SensorDevice::OfferedStreams).
  SensorStreamFlags OfferedStreams() const { return device_->OfferedStreams(); }
  // The newest set not yet taken by this reader; null when there is none.
  std::shared_ptr<const SensorFrameSet> AcquireLatestSet() {
    return device_->streams().sets.TakeNewerThan(&last_taken_);
  }
  // Pictures the device has captured so far (published or not).
  uint64_t PicturesCaptured() const { return device_->streams().pictures_captured.load(); }
  // Pictures the device left out because they came damaged, since it was opened.
  uint64_t PicturesDropped() const { return device_->streams().pictures_dropped.load(); }

 private:
  std::shared_ptr<SensorDevice> device_;
  uint64_t last_taken_;
};

using IColorFrameReader = FrameReader<IColorFrame>;
using IDepthFrameReader = FrameReader<IDepthFrame>;
using IBodyFrameReader = FrameReader<IBodyFrame>;
using IBodyIndexFrameReader = FrameReader<IBodyIndexFrame>;

// Source of one stream: only needed to open its reader.
template <class FrameHandle>
class FrameSource {
 public:
  using Reader = FrameReader<FrameHandle>;
  using Data = typename FrameHandle::Data;
  FrameSource(std::shared_ptr<SensorDevice> device, FrameMailbox<Data>* mailbox)
      : device_(std::move(device)), mailbox_(mailbox) {}

  Status OpenReader(std::unique_ptr<Reader>* reader) {
    if (!reader) return E_POINTER;
    *reader = std::make_unique<Reader>(device_, mailbox_);
    return S_OK;
  }

 private:
  std::shared_ptr<SensorDevice> device_;
  FrameMailbox<Data>* mailbox_;
};

using IColorFrameSource = FrameSource<IColorFrame>;
using IDepthFrameSource = FrameSource<IDepthFrame>;
using IBodyFrameSource = FrameSource<IBodyFrame>;
using IBodyIndexFrameSource = FrameSource<IBodyIndexFrame>;

class ICoordinateMapper {
 public:
  explicit ICoordinateMapper(std::shared_ptr<SensorDevice> device) : device_(std::move(device)) {}
  // Colour pixel of a camera-space point; see SensorDevice. The result can be
  // non-finite even when the status is S_OK.
  Status MapCameraPointToColorSpace(CameraSpacePoint point, ColorSpacePoint* color) const;

 private:
  std::shared_ptr<SensorDevice> device_;
};

class IKinectSensor {
 public:
  explicit IKinectSensor(std::shared_ptr<SensorDevice> device) : device_(std::move(device)) {}
  ~IKinectSensor();  // does not close the device: CloseSensor does that explicitly

  Status Open();
  Status Close();
  Status get_IsAvailable(bool* available) const;
  Status get_CoordinateMapper(std::unique_ptr<ICoordinateMapper>* mapper);
  Status get_ColorFrameSource(std::unique_ptr<IColorFrameSource>* source);
  Status get_DepthFrameSource(std::unique_ptr<IDepthFrameSource>* source);
  Status get_BodyFrameSource(std::unique_ptr<IBodyFrameSource>* source);
  Status get_BodyIndexFrameSource(std::unique_ptr<IBodyIndexFrameSource>* source);
  // The run's recording (SensorDevice).
  SessionRecordingReport StartSessionRecording(const SessionRecordingPlan& plan);
  SessionRecordingReport FinishSessionRecording();
  void Describe(SensorDescription* description) const { device_->Describe(description); }
  std::unique_ptr<FrameSetReader> OpenFrameSetReader() {
    return std::make_unique<FrameSetReader>(device_);
  }

 private:
  std::shared_ptr<SensorDevice> device_;
};

// The sensor of the backend chosen with SelectSensorBackend (sensor_registry.h).
// No sensor: S_OK with *sensor null. A negative status when the backend itself
// failed; *sensor is null then as well.
Status GetDefaultKinectSensor(std::unique_ptr<IKinectSensor>* sensor);
