#include "body/backends/camera/inference/keypoint_body_mapping.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>

namespace {

constexpr float kPi = 3.14159265358979f;
constexpr float kTorsoPerShoulderWidth = 1.25f;

struct Place {
  float x = 0, y = 0;
  float score = 0;  // the weakest keypoint it is made of
};

Place From(const ColorKeypoints& k, int i) {
  return {k[i].x, k[i].y, k[i].score};
}

Place Middle(const Place& a, const Place& b) {
  return {(a.x + b.x) * 0.5f, (a.y + b.y) * 0.5f, std::min(a.score, b.score)};
}

float Distance(const Place& a, const Place& b) {
  return std::hypot(a.x - b.x, a.y - b.y);
}

Place Head(const ColorKeypoints& k, float threshold) {
  const Place le = From(k, kLeftEar), re = From(k, kRightEar);
  if (le.score >= threshold && re.score >= threshold) return Middle(le, re);
  Place sum;
  int n = 0;
  float best = 0;
  for (int i : {kNose, kLeftEye, kRightEye, kLeftEar, kRightEar}) {
    best = std::max(best, k[i].score);
    if (k[i].score < threshold) continue;
    sum.x += k[i].x, sum.y += k[i].y, ++n;
  }
  if (n == 0) return {k[kNose].x, k[kNose].y, best};  // reported by its score alone
  return {sum.x / n, sum.y / n, threshold};
}

}  // namespace

PinholeCamera ColorCameraModel(int camera_width_px, float colour_scale, float horizontal_fov_deg) {
  PinholeCamera cam;
  const float half = std::clamp(horizontal_fov_deg, 10.0f, 170.0f) * 0.5f * kPi / 180.0f;
  cam.fx = cam.fy = camera_width_px * 0.5f / std::tan(half) * colour_scale;
  return cam;
}

float EstimateBodyDepth(const ColorKeypoints& k, const PinholeCamera& camera, float threshold,
                        float shoulder_width_m, float fallback_m) {
  const Place ls = From(k, kLeftShoulder), rs = From(k, kRightShoulder);
  const Place lh = From(k, kLeftHip), rh = From(k, kRightHip);
  float depth = 0;
  auto consider = [&](float pixels, float metres) {
    if (!(pixels >= 4.0f) || !std::isfinite(pixels)) return;  // too small to measure, or no number
    const float z = camera.fx * metres / pixels;
    if (depth == 0 || z < depth) depth = z;
  };
  if (ls.score >= threshold && rs.score >= threshold) consider(Distance(ls, rs), shoulder_width_m);
  if (std::min({ls.score, rs.score, lh.score, rh.score}) >= threshold)
    consider(Distance(Middle(ls, rs), Middle(lh, rh)), kTorsoPerShoulderWidth * shoulder_width_m);
  return depth > 0 ? depth : fallback_m;
}

std::array<Joint, JointType_Count> MapKeypointsToJoints(const ColorKeypoints& k,
                                                        const PinholeCamera& camera,
                                                        float threshold, float depth_m) {
  std::array<Joint, JointType_Count> joints = BodyData::DefaultJoints();
  auto set = [&](JointType type, const Place& p) {
    Joint& j = joints[type];
    j.Position = camera.Unproject(p.x, p.y, depth_m);
    j.TrackingState = p.score >= threshold          ? TrackingState_Tracked
                      : p.score >= threshold * 0.5f ? TrackingState_Inferred
                                                    : TrackingState_NotTracked;
  };
  const Place shoulders = Middle(From(k, kLeftShoulder), From(k, kRightShoulder));
  const Place hips = Middle(From(k, kLeftHip), From(k, kRightHip));
  set(JointType_SpineBase, hips);
  set(JointType_SpineMid, Middle(hips, shoulders));
  set(JointType_SpineShoulder, shoulders);
  set(JointType_Neck, shoulders);
  set(JointType_Head, Head(k, threshold));
  const struct {
    JointType joint;
    int keypoint;
  } direct[] = {
      {JointType_ShoulderLeft, kLeftShoulder},
      {JointType_ElbowLeft, kLeftElbow},
      {JointType_WristLeft, kLeftWrist},
      {JointType_HandLeft, kLeftWrist},
      {JointType_ShoulderRight, kRightShoulder},
      {JointType_ElbowRight, kRightElbow},
      {JointType_WristRight, kRightWrist},
      {JointType_HandRight, kRightWrist},
      {JointType_HipLeft, kLeftHip},
      {JointType_KneeLeft, kLeftKnee},
      {JointType_AnkleLeft, kLeftAnkle},
      {JointType_FootLeft, kLeftAnkle},
      {JointType_HipRight, kRightHip},
      {JointType_KneeRight, kRightKnee},
      {JointType_AnkleRight, kRightAnkle},
      {JointType_FootRight, kRightAnkle},
  };
  for (const auto& d : direct) set(d.joint, From(k, d.keypoint));
  return joints;
}
