#include "app/camera_check_sensor.h"

#include <time.h>

#include "body/body_update.h"
#include "body/sensor/sensor_problem.h"
#include "body/sensor_connection.h"
#include "stage/memory_surface.h"
#include "state/body_vocabulary.h"
#include "state/message_box.h"
#include "state/program_state.h"
#include "state/translate_noop.h"

namespace {

template <class Source, class Reader>
std::unique_ptr<Reader> OpenCounter(Status (IKinectSensor::*get_source)(std::unique_ptr<Source>*)) {
  IKinectSensor* sensor = sensor_connection.sensor.get();
  std::unique_ptr<Source> source;
  std::unique_ptr<Reader> reader;
  if (sensor == nullptr || Failed((sensor->*get_source)(&source)) ||
      Failed(source->OpenReader(&reader))) {
    return nullptr;
  }
  return reader;
}

constexpr int64_t kTimespanUnit_ns = 100;

}  // namespace

CameraCheckSensor::CameraCheckSensor()
    : surface_(std::make_unique<MemorySurface>()),
      colour_buffer_(std::make_unique_for_overwrite<uint8_t[]>(kColorBufferBytes)) {
  texture_ = surface_->AddTexture(kPictureWidth, kPictureHeight, D3DFMT_X8R8G8B8);
  open_ = OpenSensor() == 1;
  if (open_) {
    picture_counter_ =
        OpenCounter<IColorFrameSource, IColorFrameReader>(&IKinectSensor::get_ColorFrameSource);
    body_counter_ =
        OpenCounter<IBodyFrameSource, IBodyFrameReader>(&IKinectSensor::get_BodyFrameSource);
  }
  meter_.Start(Now_ns());
}

CameraCheckSensor::~CameraCheckSensor() {
  picture_counter_.reset();
  body_counter_.reset();
  CloseSensor();
}

std::string CameraCheckSensor::Problem() const {
  const std::string noted = SensorProblem();
  if (!noted.empty()) return noted;
  if (!sensor_connection.sensor)
    return MessageText(QT_TRANSLATE_NOOP(
        "Message", "体のセンサーを使っていません（--sensor=none で起動しました）。"));
  if (!open_) return MessageText(QT_TRANSLATE_NOOP("Message", "体のセンサーを開けませんでした。"));
  return {};
}

int64_t CameraCheckSensor::Now_ns() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

const uint32_t* CameraCheckSensor::picture() const {
  return surface_->IsValidIndex(texture_) ? surface_->m_textures[texture_].pixels.data() : nullptr;
}

std::array<float, 2> CameraCheckSensor::HandConfidence(int32_t id) const {
  for (const HandConfidences& c : hand_confidence_)
    if (c.id == id && id != 0) return c.confidence;
  return {};
}

CameraCheckFigures CameraCheckSensor::Figures(int64_t now_ns) {
  CameraCheckFigures f = meter_.Figures(now_ns);
  if (open_ && sensor_connection.frame_set_reader)
    f.pictures_dropped = sensor_connection.frame_set_reader->PicturesDropped();
  return f;
}

bool CameraCheckSensor::Poll(int64_t now_ns) {
  if (!open_) return false;
  bool changed = false;
  std::unique_ptr<IColorFrame> picture;
  if (picture_counter_ && Succeeded(picture_counter_->AcquireLatestFrame(&picture))) {
    meter_.OnPicture(now_ns);
  }
  std::unique_ptr<IBodyFrame> frame;
  if (body_counter_ && Succeeded(body_counter_->AcquireLatestFrame(&frame))) {
    std::unique_ptr<IBody> bodies[BODY_COUNT];
    int tracked = 0;
    if (Succeeded(frame->GetAndRefreshBodyData(BODY_COUNT, bodies))) {
      hand_confidence_ = {};
      for (int i = 0; i < BODY_COUNT; ++i) {
        const auto& body = bodies[i];
        bool is_tracked = false;
        if (!body || Failed(body->get_IsTracked(&is_tracked)) || !is_tracked) continue;
        ++tracked;
        uint64_t id = 0;
        HandConfidences& c = hand_confidence_[i];
        if (Succeeded(body->get_TrackingId(&id))) c.id = static_cast<int32_t>(id);
        if (Failed(body->get_HandLeftConfidence(&c.confidence[0]))) c.confidence[0] = 0;
        if (Failed(body->get_HandRightConfidence(&c.confidence[1]))) c.confidence[1] = 0;
      }
    }
    TIMESPAN captured = 0;
    int64_t delay_ns = -1;
    if (Succeeded(frame->get_RelativeTime(&captured)) && captured > 0) {
      delay_ns = body_counter_->NewestFramePublishedAt_ns() - captured * kTimespanUnit_ns;
      if (delay_ns < 0) delay_ns = -1;
    }
    meter_.OnBodyFrame(now_ns, delay_ns, tracked);
  }

  // The picture and slots through the body update, into the check's own buffers.
  const BodyUpdateTarget target{
      *surface_, texture_, bodies_, {colour_buffer_.get(), kColorBufferBytes}, false};
  if (UpdateBodies(target) == 1) changed = true;
  if (picture) {
    has_picture_ = true;
    changed = true;
  }
  return changed;
}
