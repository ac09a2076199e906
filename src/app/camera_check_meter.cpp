#include "app/camera_check_meter.h"

#include <algorithm>
#include <cstdio>

#include "state/message_box.h"
#include "state/translate_noop.h"

namespace {

constexpr int64_t kSecond_ns = 1'000'000'000;
constexpr double kMinMeasuredSeconds = 2;

// `value` with `decimals` digits after the point.
std::string Number(double value, int decimals) {
  char text[32];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
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
    f.problems.push_back(MessageText(QT_TRANSLATE_NOOP("Message", "カメラの画像がまだ来ていません。")));
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
    f.problems.push_back(MessageText(QT_TRANSLATE_NOOP("Message", "測定中 ...")));
    return f;
  }
  if (f.pictures_per_second < kMinPicturesPerSecond)
    f.problems.push_back(MessageText(
        QT_TRANSLATE_NOOP("Message",
                          "カメラの画像が毎秒 %1 枚しか来ません。実験には毎秒 %2 枚以上必要です。"),
        {Number(f.pictures_per_second, 1), Number(kMinPicturesPerSecond, 0)}));
  if (f.body_frames_per_second < kMinBodyFramesPerSecond)
    f.problems.push_back(MessageText(
        QT_TRANSLATE_NOOP("Message",
                          "体のフレームが毎秒 %1 回しか来ません。実験には毎秒 %2 回以上必要です。"),
        {Number(f.body_frames_per_second, 1), Number(kMinBodyFramesPerSecond, 0)}));
  if (f.capture_to_body_ms && *f.capture_to_body_ms > kMaxCaptureToBodyMs)
    f.problems.push_back(MessageText(
        QT_TRANSLATE_NOOP("Message",
                          "体が画像の %1 ms 後に来ます。%2 ms を超えると、すべての反応が遅れます。"),
        {Number(*f.capture_to_body_ms, 0), Number(kMaxCaptureToBodyMs, 0)}));
  if (!f.tracked_share || *f.tracked_share < kMinTrackedShare)
    // The percent signs go with the numbers: the texts keep no bare %.
    f.problems.push_back(MessageText(
        QT_TRANSLATE_NOOP("Message",
                          "体を追跡できたフレームは %1 だけです。%2 以上で追跡できるように、"
                          "カメラと子どもの位置を直してください。"),
        {Number(f.tracked_share.value_or(0) * 100, 0) + " %", Number(kMinTrackedShare * 100, 0) + " %"}));
  return f;
}
