#include "body/backends/camera/hand_reader.h"

#include "body/backends/camera/camera_assets.h"
#include "body/backends/camera/hand_shape.h"

bool HandReader::Load(std::string* error) {
  // The hand crops are small: one thread each is about as fast and leaves the
  // other core to the capture thread.
  return landmarker_.Load(
      ModelPath(settings_.hand_model_full ? "handlandmark-full" : "handlandmark-lite"), 1, error);
}

HandReading HandReader::ReadAt(const cv::Mat& bgr, const HandRegion& region) {
  HandReading r;
  r.region = region;
  if (!landmarker_.Estimate(bgr, region, &landmarks_)) return r;
  ++runs_;
  r.looked = true;
  r.found = landmarks_.presence >= settings_.hand_presence_threshold;
  for (const cv::Point3f& p : landmarks_.image)
    r.centre += cv::Point2f(p.x, p.y) / float(kHandLandmarkCount);
  r.shape = ClassifyHandShape(landmarks_, settings_.hand_presence_threshold);
  r.confidence = r.shape == HandState_Unknown ? 0 : landmarks_.presence;
  return r;
}
