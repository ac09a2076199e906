#include "app/camera_check_meter.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr int64_t kSecond_ns = 1'000'000'000;
constexpr double kMinMeasuredSeconds = 2;

std::string Sentence(const char* format, double a, double b) {
  char text[200];
  std::snprintf(text, sizeof text, format, a, b);
  return text;
}

}  // namespace

void CameraCheckMeter::OnPicture(int64_t now_ns) {
  if (!start_ns_) start_ns_ = now_ns;
  pictures_.push_back(now_ns);
  Forget(now_ns);
}

void CameraCheckMeter::OnBodyFrame(int64_t now_ns, int64_t capture_to_body_ns, int tracked_bodies) {
  if (!start_ns_) start_ns_ = now_ns;
  bodies_.push_back({now_ns, capture_to_body_ns, tracked_bodies > 0});
  Forget(now_ns);
}

void CameraCheckMeter::Forget(int64_t now_ns) {
  while (!pictures_.empty() && pictures_.front() <= now_ns - window_ns_) pictures_.pop_front();
  while (!bodies_.empty() && bodies_.front().at_ns <= now_ns - window_ns_) bodies_.pop_front();
}

CameraCheckFigures CameraCheckMeter::Figures(int64_t now_ns) {
  Forget(now_ns);
  CameraCheckFigures f;
  if (!start_ns_) {
    f.problems.push_back("No camera picture has arrived yet.");
    return f;
  }
  f.seconds = static_cast<double>(std::min(window_ns_, now_ns - *start_ns_)) / kSecond_ns;
  if (f.seconds > 0) {
    f.pictures_per_second = static_cast<double>(pictures_.size()) / f.seconds;
    f.body_frames_per_second = static_cast<double>(bodies_.size()) / f.seconds;
  }
  std::vector<double> latencies;
  size_t tracked = 0;
  for (const BodyFrame& b : bodies_) {
    if (b.capture_to_body_ns >= 0)
      latencies.push_back(static_cast<double>(b.capture_to_body_ns) / 1e6);
    if (b.tracked) ++tracked;
  }
  if (!latencies.empty()) {
    const auto mid = latencies.begin() + static_cast<std::ptrdiff_t>(latencies.size() / 2);
    std::nth_element(latencies.begin(), mid, latencies.end());
    f.capture_to_body_ms = *mid;
  }
  if (!bodies_.empty())
    f.tracked_share = static_cast<double>(tracked) / static_cast<double>(bodies_.size());

  if (f.seconds < kMinMeasuredSeconds) {
    f.problems.push_back("Measuring ...");
    return f;
  }
  if (f.pictures_per_second < kMinPicturesPerSecond)
    f.problems.push_back(
        Sentence("Camera pictures come %.1f times a second; a session needs %.0f or more.",
                 f.pictures_per_second, kMinPicturesPerSecond));
  if (f.body_frames_per_second < kMinBodyFramesPerSecond)
    f.problems.push_back(
        Sentence("Body frames come %.1f times a second; a session needs %.0f or more.",
                 f.body_frames_per_second, kMinBodyFramesPerSecond));
  if (f.capture_to_body_ms && *f.capture_to_body_ms > kMaxCaptureToBodyMs)
    f.problems.push_back(Sentence(
        "Bodies come %.0f ms after their picture; more than %.0f ms delays every reaction.",
        *f.capture_to_body_ms, kMaxCaptureToBodyMs));
  if (!f.tracked_share || *f.tracked_share < kMinTrackedShare)
    f.problems.push_back(
        Sentence("A body is tracked in only %.0f %% of the frames; place the camera and the "
                 "child so that it is tracked in %.0f %% or more.",
                 f.tracked_share.value_or(0) * 100, kMinTrackedShare * 100));
  return f;
}
