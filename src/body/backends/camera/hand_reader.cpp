#include "body/backends/camera/hand_reader.h"

#include "body/backends/camera/camera_assets.h"
#include "body/backends/camera/hand_shape.h"

bool HandReader::Load(std::string* error) {
  // The hand crops are small: one thread each is about as fast and leaves the
  // other core to the capture thread.
  return landmarker_.Load(
      ModelPath(settings_.hand_model_full ? "handlandmark-full" : "handlandmark-lite"), 1, error);
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
  if (guess && r.found) {
    HandReading second;
    if (Run(bgr, HandRegionFromLandmarks(r.landmarks), &second) && second.found) r = second;
  }
  r.centre = {};
  for (const cv::Point3f& p : r.landmarks.image)
    r.centre += cv::Point2f(p.x, p.y) / float(kHandLandmarkCount);
  r.next = HandRegionFromLandmarks(r.landmarks);
  r.shape = ClassifyHandShape(r.landmarks, settings_.hand_presence_threshold, &r.confidence);
  return r;
}
