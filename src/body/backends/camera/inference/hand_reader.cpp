#include "body/backends/camera/inference/hand_reader.h"

#include "body/backends/camera/inference/camera_assets.h"
#include "body/backends/camera/inference/hand_shape.h"

bool HandReader::Load(std::string* error) {
  // The hand crops are small: one thread each is about as fast and leaves the
  // other core to the capture thread.
  return landmarker_.Load(
             ModelPath(settings_.hand_model_full ? "handlandmark-full" : "handlandmark-lite"), 1,
             error) &&
         palms_.Load(ModelPath("handdetect"), 1, error);
}

bool HandReader::Run(const cv::Mat& bgr, const HandRegion& region, HandReading* r) {
  r->region = region;
  if (!landmarker_.Estimate(bgr, region, &r->landmarks)) return false;
  ++runs_;
  r->looked = true;
  r->found = r->landmarks.presence >= settings_.hand_presence_threshold;
  return true;
}

HandReading HandReader::ReadAt(const cv::Mat& bgr, const HandRegion& region, bool guess) {
  HandReading r;
  if (!Run(bgr, region, &r)) return r;
  r.shape = ClassifyHandShape(r.landmarks, settings_.hand_presence_threshold, &r.confidence);
  if (guess && r.found) {
    // The second crop is the better one; where both crops show a shape and
    // they disagree, neither is trusted.
    HandReading second;
    if (Run(bgr, HandRegionFromLandmarks(r.landmarks), &second) && second.found) {
      second.shape = ClassifyHandShape(second.landmarks, settings_.hand_presence_threshold,
                                       &second.confidence);
      const bool both = second.shape != HandState_Unknown && r.shape != HandState_Unknown;
      if (second.shape != HandState_Unknown) {
        if (both && second.shape != r.shape)
          second.shape = HandState_Unknown, second.confidence = 0;
        r = second;
      } else {
        r.landmarks = second.landmarks;  // placed better, though unsure of the shape
        r.region = second.region;
      }
    }
  }
  r.centre = {};
  for (const cv::Point3f& p : r.landmarks.image)
    r.centre += cv::Point2f(p.x, p.y) / float(kHandLandmarkCount);
  r.next = HandRegionFromLandmarks(r.landmarks);
  return r;
}

HandReading HandReader::Search(const cv::Mat& bgr, cv::Point2f center, float side,
                               const std::function<bool(const HandReading&)>& accept) {
  HandReading r;
  ++searches_;
  if (!palms_.Detect(bgr, center, side, &found_palms_)) return r;
  for (const Palm& palm : found_palms_) {
    // The palm places and turns the square well enough for one reading.
    r = ReadAt(bgr, palm.hand, /*guess=*/false);
    if (r.found && accept(r)) return r;
  }
  r = HandReading{};
  return r;
}
