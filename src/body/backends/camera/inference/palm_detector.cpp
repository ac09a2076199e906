#include "body/backends/camera/inference/palm_detector.h"

#include <algorithm>
#include <cmath>
#include <opencv2/imgproc.hpp>

#include "body/backends/camera/inference/camera_assets.h"
#include "state/message_box.h"
#include "state/translate_noop.h"

namespace {

constexpr int kInput = 256;
constexpr int kValuesPerAnchor = 5 + 2 * kPalmKeypointCount;  // score, box, keypoints
constexpr float kLogitLimit = 100;  // the model's scores are clipped there before the sigmoid

float Sigmoid(float logit) {
  return 1.0f / (1.0f + std::exp(-std::clamp(logit, -kLogitLimit, kLogitLimit)));
}

float Overlap(const cv::Rect2f& a, const cv::Rect2f& b) {
  const float inter = (a & b).area();
  const float uni = a.area() + b.area() - inter;
  return uni > 0 ? inter / uni : 0;
}

// The direction and hand square of a palm whose box and keypoints are set.
void SetDirection(Palm* palm) {
  cv::Point2f up = palm->keypoints[kPalmMiddleFingerBase] - palm->keypoints[kPalmWrist];
  const float len = std::hypot(up.x, up.y);
  palm->up = len > 1e-6f ? up / len : cv::Point2f(0, -1);
  palm->hand = HandRegionFromPalm(palm->box, palm->up);
}

}  // namespace

HandRegion HandRegionFromPalm(const cv::Rect2f& box, cv::Point2f up) {
  constexpr float kScale = 2.6f;  // hand square side over the palm box's longer side
  constexpr float kShift = 0.5f;  // towards the fingers, of the palm box's height
  HandRegion r;
  r.up = up;
  r.center =
      cv::Point2f(box.x + box.width / 2, box.y + box.height / 2) + up * (kShift * box.height);
  r.side = kScale * std::max(box.width, box.height);
  return r;
}

const std::vector<cv::Point2f>& PalmAnchors() {
  static const std::vector<cv::Point2f> anchors = [] {
    std::vector<cv::Point2f> a;
    for (const auto& [stride, per_cell] : {std::pair{8, 2}, std::pair{16, 2}, std::pair{32, 6}}) {
      const int cells = kInput / stride;
      for (int y = 0; y < cells; ++y)
        for (int x = 0; x < cells; ++x)
          for (int i = 0; i < per_cell; ++i) a.emplace_back((x + 0.5f) / cells, (y + 0.5f) / cells);
    }
    return a;
  }();
  return anchors;
}

std::vector<Palm> DecodePalms(const float* rows, size_t anchors,
                              const PalmDetectorOptions& options) {
  const auto& anchor = PalmAnchors();
  std::vector<Palm> found;
  for (size_t i = 0; i < std::min(anchors, anchor.size()); ++i) {
    const float* r = rows + i * kValuesPerAnchor;
    const float score = Sigmoid(r[0]);
    if (!(score >= options.min_score)) continue;
    Palm p;
    p.score = score;
    const cv::Point2f c = anchor[i] + cv::Point2f(r[1], r[2]) / kInput;
    const float w = r[3] / kInput, h = r[4] / kInput;
    p.box = cv::Rect2f(c.x - w / 2, c.y - h / 2, w, h);
    for (int k = 0; k < kPalmKeypointCount; ++k)
      p.keypoints[k] = anchor[i] + cv::Point2f(r[5 + 2 * k], r[6 + 2 * k]) / kInput;
    found.push_back(p);
  }
  std::stable_sort(found.begin(), found.end(),
                   [](const Palm& a, const Palm& b) { return a.score > b.score; });

  // Non-maximum suppression: the best detection takes all that overlap it;
  // with weighted_merge its box and keypoints become their score-weighted mean.
  std::vector<Palm> palms;
  std::vector<bool> taken(found.size(), false);
  for (size_t i = 0; i < found.size(); ++i) {
    if (taken[i]) continue;
    Palm best = found[i];
    float weight = 0;
    cv::Point2f tl(0, 0), br(0, 0);
    std::array<cv::Point2f, kPalmKeypointCount> kp{};
    for (size_t j = i; j < found.size(); ++j) {
      if (taken[j] || Overlap(found[i].box, found[j].box) <= options.overlap) continue;
      taken[j] = true;
      const float s = found[j].score;
      weight += s;
      tl += found[j].box.tl() * s;
      br += found[j].box.br() * s;
      for (int k = 0; k < kPalmKeypointCount; ++k) kp[k] += found[j].keypoints[k] * s;
    }
    taken[i] = true;
    if (options.weighted_merge && weight > 0) {
      best.box = cv::Rect2f(tl / weight, br / weight);
      for (int k = 0; k < kPalmKeypointCount; ++k) best.keypoints[k] = kp[k] / weight;
    }
    SetDirection(&best);
    palms.push_back(best);
    if (options.max_palms > 0 && int(palms.size()) == options.max_palms) break;
  }
  return palms;
}

bool PalmDetector::Load(const std::string& model_path, int threads, std::string* error) {
  if (!model_.Load(model_path, threads, error)) return false;
  detections_ = model_.OutputIndex("detections");
  if (detections_ < 0) {
    if (error)
      *error = MessageText(QT_TRANSLATE_NOOP("Message", "%1 に手のひら検出の出力がありません。%2"),
                           {model_path, CameraAssetsFix()});
    return false;
  }
  return true;
}

bool PalmDetector::Detect(const cv::Mat& bgr, cv::Point2f center, float side,
                          std::vector<Palm>* palms, std::string* error) {
  palms->clear();
  if (bgr.empty() || !(side >= 1.0f)) return true;
  // Pixel edges (pixel i spans [i, i + 1]) from here on; OpenCV's pixel
  // centres, which the caller uses, are at i.
  const float left = center.x + 0.5f - side / 2, top = center.y + 0.5f - side / 2;
  const float k = side / kInput;  // picture pixels per input pixel
  const int x0 = std::max(0, int(std::floor(left))),
            x1 = std::min(bgr.cols, int(std::ceil(left + side)));
  const int y0 = std::max(0, int(std::floor(top))),
            y1 = std::min(bgr.rows, int(std::ceil(top + side)));
  if (x1 <= x0 || y1 <= y0) return true;
  const auto to_input = [&](float v) { return std::clamp(int(std::lround(v / k)), 0, kInput); };
  const int dx0 = to_input(x0 - left), dx1 = to_input(x1 - left);
  const int dy0 = to_input(y0 - top), dy1 = to_input(y1 - top);
  if (dx1 <= dx0 || dy1 <= dy0) return true;

  // The visible part scaled into its place on a black input; averaging when
  // shrinking, so that a whole picture's fine detail does not alias.
  scaled_.create(kInput, kInput, CV_8UC3);
  scaled_.setTo(cv::Scalar::all(0));
  cv::Mat into = scaled_(cv::Rect(dx0, dy0, dx1 - dx0, dy1 - dy0));
  cv::resize(bgr(cv::Rect(x0, y0, x1 - x0, y1 - y0)), into, into.size(), 0, 0,
             k > 1 ? cv::INTER_AREA : cv::INTER_LINEAR);
  cv::cvtColor(scaled_, rgb_, cv::COLOR_BGR2RGB);
  rgb_.convertTo(input_, CV_32FC3, 1.0 / 127.5, -1.0);
  if (!model_.Run(input_.ptr<float>(), {1, kInput, kInput, 3}, &outputs_, error)) return false;
  const Tensor& out = outputs_[detections_];
  if (out.dim(2) != kValuesPerAnchor || out.dim(1) != int64_t(PalmAnchors().size())) {
    if (error) *error = "palm model output has an unexpected shape";
    return false;
  }

  // Input (0..1) to picture: each axis as the visible part was scaled.
  const float sx = float(x1 - x0) / (dx1 - dx0), sy = float(y1 - y0) / (dy1 - dy0);
  const float ax = x0 - dx0 * sx - 0.5f, ay = y0 - dy0 * sy - 0.5f;
  const auto to_picture = [&](cv::Point2f p) {
    return cv::Point2f(ax + p.x * kInput * sx, ay + p.y * kInput * sy);
  };
  *palms = DecodePalms(out.values.data(), size_t(out.dim(1)), options_);
  for (Palm& p : *palms) {
    p.box = cv::Rect2f(to_picture(p.box.tl()), to_picture(p.box.br()));
    for (auto& kp : p.keypoints) kp = to_picture(kp);
    SetDirection(&p);
  }
  return true;
}
