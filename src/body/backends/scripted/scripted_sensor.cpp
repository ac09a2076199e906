#include "body/backends/scripted/scripted_sensor.h"

#include <optional>

#include "body/sensor/color_conversion.h"
#include "body/sensor/sensor_registry.h"

namespace {

template <class Data>
std::shared_ptr<const Data> Share(Data&& data) {
  return std::make_shared<const Data>(std::move(data));
}

}  // namespace

ScriptedSensor::ScriptedSensor() {
  mapper_ = [camera = PinholeCamera{}](const CameraSpacePoint& p, ColorSpacePoint* c) {
    *c = camera.Project(p);
    return S_OK;
  };
}

void ScriptedSensor::FailOpen(Status status) {
  std::lock_guard<std::mutex> guard(mutex_);
  open_status_ = status;
}

void ScriptedSensor::SetOfferedStreams(SensorStreamFlags streams) {
  std::lock_guard<std::mutex> guard(mutex_);
  offered_streams_ = streams;
}

SensorStreamFlags ScriptedSensor::OfferedStreams() const {
  std::lock_guard<std::mutex> guard(mutex_);
  return offered_streams_;
}

void ScriptedSensor::SetMapper(Mapper mapper) {
  std::lock_guard<std::mutex> guard(mutex_);
  mapper_ = std::move(mapper);
}

void ScriptedSensor::SetAvailable(bool available) {
  std::lock_guard<std::mutex> guard(mutex_);
  available_ = available;
}

void ScriptedSensor::Push(ScriptedFrames frames) {
  SensorFrameSet set;
  if (frames.color) set.color = Share(std::move(*frames.color));
  if (frames.body) set.body = Share(std::move(*frames.body));
  if (frames.depth) set.depth = Share(std::move(*frames.depth));
  if (frames.body_index) set.body_index = Share(std::move(*frames.body_index));
  streams().pictures_captured.fetch_add(1);
  streams().PublishSet(std::move(set));
}

void ScriptedSensor::PushSet(std::optional<ColorFrameData> color, std::optional<BodyFrameData> body,
                             bool with_depth_and_index) {
  ScriptedFrames frames{std::move(color), std::move(body), std::nullopt, std::nullopt};
  if (with_depth_and_index) {
    frames.depth.emplace();
    frames.body_index.emplace();
  }
  Push(std::move(frames));
}

std::vector<std::string> ScriptedSensor::calls() const {
  std::lock_guard<std::mutex> guard(mutex_);
  return calls_;
}

bool ScriptedSensor::is_open() const {
  std::lock_guard<std::mutex> guard(mutex_);
  return open_;
}

void ScriptedSensor::SetOpenHook(std::function<void()> hook) {
  std::lock_guard<std::mutex> guard(mutex_);
  open_hook_ = std::move(hook);
}

Status ScriptedSensor::Open() {
  std::function<void()> hook;
  {
    std::lock_guard<std::mutex> guard(mutex_);
    hook = open_hook_;
  }
  if (hook) hook();
  std::lock_guard<std::mutex> guard(mutex_);
  calls_.push_back("Open");
  if (Succeeded(open_status_)) open_ = true;
  return open_status_;
}

Status ScriptedSensor::Close() {
  std::lock_guard<std::mutex> guard(mutex_);
  calls_.push_back("Close");
  open_ = false;
  return S_OK;
}

bool ScriptedSensor::IsAvailable() const {
  std::lock_guard<std::mutex> guard(mutex_);
  return available_;
}

Status ScriptedSensor::MapCameraPointToColorSpace(const CameraSpacePoint& point,
                                                  ColorSpacePoint* color) const {
  Mapper mapper;
  {
    std::lock_guard<std::mutex> guard(mutex_);
    mapper = mapper_;
  }
  return mapper(point, color);
}

void SetSensorFactoryForTesting(SensorFactory factory) {
  static std::mutex mutex;
  static std::optional<SensorSelection> replaced;  // what the program had selected
  std::lock_guard<std::mutex> guard(mutex);
  if (factory) {
    SensorSelection previous = ExchangeSensorSelection({"test", std::move(factory)});
    if (!replaced) replaced = std::move(previous);
  } else if (replaced) {
    ExchangeSensorSelection(std::move(*replaced));
    replaced.reset();
  }
}

std::shared_ptr<ScriptedSensor> InstallScriptedSensor() {
  auto sensor = std::make_shared<ScriptedSensor>();
  SetSensorFactoryForTesting([sensor](std::shared_ptr<SensorDevice>* device) {
    *device = sensor;
    return S_OK;
  });
  return sensor;
}

void InstallNoSensor(Status status) {
  SetSensorFactoryForTesting([status](std::shared_ptr<SensorDevice>* device) {
    device->reset();
    return status;
  });
}

void UninstallScriptedSensor() {
  SetSensorFactoryForTesting(nullptr);
}

ColorFrameData ScriptedColorFrame(int32_t width, int32_t height, ColorImageFormat format,
                                  uint32_t argb) {
  ColorFrameData frame;
  frame.width = width;
  frame.height = height;
  frame.format = format;
  const size_t pixels = static_cast<size_t>(width) * static_cast<size_t>(height);
  if (format == ColorImageFormat_Yuy2) {
    const YuvColor yuv = RgbToYuv(argb & 0xFFFFFF);
    frame.pixels.resize(pixels * 2);
    for (size_t i = 0; i + 3 < frame.pixels.size(); i += 4) {
      frame.pixels[i] = yuv.y;
      frame.pixels[i + 1] = yuv.u;
      frame.pixels[i + 2] = yuv.y;
      frame.pixels[i + 3] = yuv.v;
    }
  } else {
    frame.pixels.resize(pixels * 4);
    for (size_t i = 0; i < pixels; ++i) {
      frame.pixels[4 * i] = argb & 0xFF;
      frame.pixels[4 * i + 1] = (argb >> 8) & 0xFF;
      frame.pixels[4 * i + 2] = (argb >> 16) & 0xFF;
      frame.pixels[4 * i + 3] = (argb >> 24) & 0xFF;
    }
  }
  return frame;
}
