#include "body/sensor/sensor_handles.h"

#include <algorithm>
#include <cstring>

#include "body/sensor/color_conversion.h"

namespace {

template <class T>
Status Put(T* out, T value) {
  if (!out) return E_POINTER;
  *out = value;
  return S_OK;
}

template <class Data>
Status TimeOf(const Data& data, TIMESPAN* time) {
  return Put(time, data.relative_time);
}

// Pixels of a frame of `width` x `height`; 0 for a nonsensical size.
uint64_t PixelCount(int32_t width, int32_t height) {
  if (width <= 0 || height <= 0) return 0;
  return static_cast<uint64_t>(width) * static_cast<uint64_t>(height);
}

// Bytes the colour frame's format needs, or 0 when the frame cannot be read.
uint64_t ColorBytesNeeded(const ColorFrameData& data) {
  const int32_t bpp = ColorBytesPerPixel(data.format);
  if (data.format == ColorImageFormat_Yuy2 && data.width % 2 != 0) return 0;
  return PixelCount(data.width, data.height) * static_cast<uint64_t>(bpp);
}

template <class Value>
Status AccessBuffer(const std::vector<Value>& values, uint64_t needed, uint32_t* capacity,
                    const Value** buffer) {
  if (!capacity || !buffer) return E_POINTER;
  if (needed == 0 || values.size() < needed) return E_FAIL;
  *capacity = static_cast<uint32_t>(needed);
  *buffer = values.data();
  return S_OK;
}

template <class Value>
Status CopyValues(const std::vector<Value>& values, uint64_t needed, uint32_t capacity,
                  Value* buffer) {
  if (!buffer) return E_POINTER;
  if (needed == 0 || values.size() < needed) return E_FAIL;
  if (capacity < needed) return E_BUFFER_TOO_SMALL;
  std::memcpy(buffer, values.data(), needed * sizeof(Value));
  return S_OK;
}

template <class Data>
Status DescribeFrame(const Data& data, uint32_t bytes_per_pixel,
                     std::unique_ptr<IFrameDescription>* description) {
  if (!description) return E_POINTER;
  *description = std::make_unique<IFrameDescription>(data.width, data.height, bytes_per_pixel);
  return S_OK;
}

}  // namespace

// ---- IFrameDescription ----

Status IFrameDescription::get_Width(int32_t* width) const {
  return Put(width, width_);
}
Status IFrameDescription::get_Height(int32_t* height) const {
  return Put(height, height_);
}
Status IFrameDescription::get_BytesPerPixel(uint32_t* bytes_per_pixel) const {
  return Put(bytes_per_pixel, bytes_per_pixel_);
}
Status IFrameDescription::get_LengthInPixels(uint32_t* length) const {
  return Put(length, static_cast<uint32_t>(PixelCount(width_, height_)));
}

// ---- IColorFrame ----

Status IColorFrame::get_FrameDescription(std::unique_ptr<IFrameDescription>* description) const {
  return DescribeFrame(*data_, static_cast<uint32_t>(ColorBytesPerPixel(data_->format)),
                       description);
}

Status IColorFrame::get_RawColorImageFormat(ColorImageFormat* format) const {
  return Put(format, data_->format);
}

namespace {

// A BGRA frame without its pixels that can draw them.
bool DrawnOnRequest(const ColorFrameData& data) {
  return data.full_picture != nullptr && data.format == ColorImageFormat_Bgra &&
         data.pixels.size() < ColorBytesNeeded(data) && ColorBytesNeeded(data) != 0;
}

}  // namespace

Status IColorFrame::AccessRawUnderlyingBuffer(uint32_t* capacity, const uint8_t** buffer) const {
  if (DrawnOnRequest(*data_)) {
    if (!capacity || !buffer) return E_POINTER;
    const uint64_t needed = ColorBytesNeeded(*data_);
    if (drawn_.size() != needed) {
      drawn_.resize(needed);
      if (!data_->full_picture->DrawBgra(drawn_.data())) {
        drawn_.clear();
        return E_FAIL;
      }
    }
    return AccessBuffer(drawn_, needed, capacity, buffer);
  }
  return AccessBuffer(data_->pixels, ColorBytesNeeded(*data_), capacity, buffer);
}

Status IColorFrame::AccessHalfPicture(int32_t* width, int32_t* height, const uint8_t** bgra) const {
  if (!width || !height || !bgra) return E_POINTER;
  const uint64_t needed = PixelCount(data_->half_width, data_->half_height) * 4u;
  if (needed == 0 || data_->half_pixels.size() < needed) return E_FAIL;
  *width = data_->half_width;
  *height = data_->half_height;
  *bgra = data_->half_pixels.data();
  return S_OK;
}

Status IColorFrame::CopyConvertedFrameDataToArray(uint32_t capacity, uint8_t* buffer,
                                                  ColorImageFormat format) const {
  if (!buffer) return E_POINTER;
  if (format != ColorImageFormat_Bgra) return E_INVALIDARG;
  const uint64_t needed = ColorBytesNeeded(*data_);
  if (DrawnOnRequest(*data_)) {
    if (capacity < needed) return E_BUFFER_TOO_SMALL;
    if (drawn_.size() == needed) {
      std::memcpy(buffer, drawn_.data(), needed);
      return S_OK;
    }
    return data_->full_picture->DrawBgra(buffer) ? S_OK : E_FAIL;
  }
  if (needed == 0 || data_->pixels.size() < needed) return E_FAIL;
  const uint64_t out_bytes = PixelCount(data_->width, data_->height) * 4u;
  if (capacity < out_bytes) return E_BUFFER_TOO_SMALL;
  const uint8_t* src = data_->pixels.data();
  switch (data_->format) {
    case ColorImageFormat_Bgra:
      std::memcpy(buffer, src, out_bytes);
      return S_OK;
    case ColorImageFormat_Yuy2:
      ConvertYuy2ToBgra(src, data_->width, data_->height, buffer);
      return S_OK;
    case ColorImageFormat_Rgba:
      for (uint64_t i = 0; i < out_bytes; i += 4) {
        buffer[i] = src[i + 2];
        buffer[i + 1] = src[i + 1];
        buffer[i + 2] = src[i];
        buffer[i + 3] = src[i + 3];
      }
      return S_OK;
    default:
      return E_FAIL;
  }
}

Status IColorFrame::get_RelativeTime(TIMESPAN* time) const {
  return TimeOf(*data_, time);
}

// ---- depth and body-index frames ----

template <class FrameData, class Value, std::vector<Value> FrameData::*Values>
Status PixelValueFrame<FrameData, Value, Values>::get_FrameDescription(
    std::unique_ptr<IFrameDescription>* description) const {
  return DescribeFrame(*data_, sizeof(Value), description);
}

template <class FrameData, class Value, std::vector<Value> FrameData::*Values>
Status PixelValueFrame<FrameData, Value, Values>::AccessUnderlyingBuffer(
    uint32_t* capacity, const Value** buffer) const {
  return AccessBuffer((*data_).*Values, PixelCount(data_->width, data_->height), capacity, buffer);
}

template <class FrameData, class Value, std::vector<Value> FrameData::*Values>
Status PixelValueFrame<FrameData, Value, Values>::CopyFrameDataToArray(uint32_t capacity,
                                                                       Value* buffer) const {
  return CopyValues((*data_).*Values, PixelCount(data_->width, data_->height), capacity, buffer);
}

template <class FrameData, class Value, std::vector<Value> FrameData::*Values>
Status PixelValueFrame<FrameData, Value, Values>::get_RelativeTime(TIMESPAN* time) const {
  return TimeOf(*data_, time);
}

template class PixelValueFrame<DepthFrameData, uint16_t, &DepthFrameData::depth_mm>;
template class PixelValueFrame<BodyIndexFrameData, uint8_t, &BodyIndexFrameData::body_index>;

// ---- IBody / IBodyFrame ----

Status IBody::get_IsTracked(bool* tracked) const {
  if (Failed(body().is_tracked_status)) return body().is_tracked_status;
  return Put(tracked, body().is_tracked);
}

Status IBody::get_TrackingId(uint64_t* tracking_id) const {
  if (Failed(body().tracking_id_status)) return body().tracking_id_status;
  return Put(tracking_id, body().tracking_id);
}

Status IBody::GetJoints(uint32_t capacity, Joint* joints) const {
  if (!joints) return E_POINTER;
  if (capacity != JointType_Count) return E_INVALIDARG;
  if (Failed(body().joints_status)) return body().joints_status;
  std::copy(body().joints.begin(), body().joints.end(), joints);
  return S_OK;
}

Status IBody::get_HandLeftState(HandState* state) const {
  if (Failed(body().hand_left_status)) return body().hand_left_status;
  return Put(state, body().hand_left);
}

Status IBody::get_HandRightState(HandState* state) const {
  if (Failed(body().hand_right_status)) return body().hand_right_status;
  return Put(state, body().hand_right);
}

Status IBody::get_HandLeftConfidence(float* confidence) const {
  if (Failed(body().hand_left_status)) return body().hand_left_status;
  return Put(confidence, body().hand_left_confidence);
}

Status IBody::get_HandRightConfidence(float* confidence) const {
  if (Failed(body().hand_right_status)) return body().hand_right_status;
  return Put(confidence, body().hand_right_confidence);
}

Status IBodyFrame::GetAndRefreshBodyData(uint32_t capacity, std::unique_ptr<IBody>* bodies) const {
  if (!bodies) return E_POINTER;
  if (capacity == 0 || capacity > BODY_COUNT) return E_INVALIDARG;
  if (Failed(data_->refresh_status)) return data_->refresh_status;
  for (uint32_t i = 0; i < capacity; ++i)
    bodies[i] = std::make_unique<IBody>(data_, static_cast<int>(i));
  return S_OK;
}

Status IBodyFrame::get_RelativeTime(TIMESPAN* time) const {
  return TimeOf(*data_, time);
}

// ---- ICoordinateMapper ----

Status ICoordinateMapper::MapCameraPointToColorSpace(CameraSpacePoint point,
                                                     ColorSpacePoint* color) const {
  if (!color) return E_POINTER;
  return device_->MapCameraPointToColorSpace(point, color);
}

// ---- IKinectSensor ----

IKinectSensor::~IKinectSensor() = default;

Status IKinectSensor::Open() {
  return device_->Open();
}
Status IKinectSensor::Close() {
  return device_->Close();
}

SessionRecordingReport IKinectSensor::StartSessionRecording(const SessionRecordingPlan& plan) {
  return device_->StartSessionRecording(plan);
}
SessionRecordingReport IKinectSensor::FinishSessionRecording() {
  return device_->FinishSessionRecording();
}

Status IKinectSensor::get_IsAvailable(bool* available) const {
  return Put(available, device_->IsAvailable());
}

Status IKinectSensor::get_CoordinateMapper(std::unique_ptr<ICoordinateMapper>* mapper) {
  if (!mapper) return E_POINTER;
  *mapper = std::make_unique<ICoordinateMapper>(device_);
  return S_OK;
}

namespace {

template <class Source, class Data>
Status MakeSource(const std::shared_ptr<SensorDevice>& device, FrameMailbox<Data>* mailbox,
                  std::unique_ptr<Source>* source) {
  if (!source) return E_POINTER;
  *source = std::make_unique<Source>(device, mailbox);
  return S_OK;
}

}  // namespace

Status IKinectSensor::get_ColorFrameSource(std::unique_ptr<IColorFrameSource>* source) {
  return MakeSource(device_, &device_->streams().color, source);
}
Status IKinectSensor::get_DepthFrameSource(std::unique_ptr<IDepthFrameSource>* source) {
  return MakeSource(device_, &device_->streams().depth, source);
}
Status IKinectSensor::get_BodyFrameSource(std::unique_ptr<IBodyFrameSource>* source) {
  return MakeSource(device_, &device_->streams().body, source);
}
Status IKinectSensor::get_BodyIndexFrameSource(std::unique_ptr<IBodyIndexFrameSource>* source) {
  return MakeSource(device_, &device_->streams().body_index, source);
}
