#pragma once
// From the 17 keypoints of a person to the sensor's 25-joint body.
//
// Joints: hands and wrists at the wrists, feet and ankles at the ankles,
// elbows, shoulders, hips and knees as found; spine base at the middle of the
// hips, spine shoulder (and neck) at the middle of the shoulders, spine mid
// half way between them; the head at the middle of the ears when both are
// found, else at the mean of the face points found (nose, eyes, ears). Hand
// tips and thumbs are not tracked. A joint is tracked when its keypoints reach
// the threshold, inferred when they reach half of it, else not tracked.
//
// Depth: the camera sees no depth, so every joint of a body gets one distance,
// estimated from the body's size in the picture under a pinhole camera: a
// child's shoulders are about `shoulder_width_m` apart and its shoulders about
// 1.25 shoulder widths above its hips. Each cue can only shrink in the picture
// (a turned body), never grow, so the nearer of the two estimates is used.
// Camera-space points are the colour pixels unprojected at that distance, so
// the mapper (the same pinhole) gives the pixels back.

#include <array>

#include "body/backends/camera/inference/pose_types.h"
#include "body/sensor/frame_data.h"
#include "body/sensor/pinhole_camera.h"

// Keypoints in colour pixels (1920 x 1080) with their scores.
using ColorKeypoints = std::array<ScoredPoint, kKeypointCount>;

// The pinhole model of the 1920 x 1080 colour picture: focal length from the
// camera's horizontal field of view, times the colour picture's scale.
PinholeCamera ColorCameraModel(int camera_width_px, float colour_scale, float horizontal_fov_deg);

// Distance (metres, along the optical axis) of a body from its size in the
// picture; `fallback_m` when neither cue is found.
float EstimateBodyDepth(const ColorKeypoints& k, const PinholeCamera& camera, float threshold,
                        float shoulder_width_m, float fallback_m);

// The 25 joints; positions at `depth_m`.
std::array<Joint, JointType_Count> MapKeypointsToJoints(const ColorKeypoints& k,
                                                        const PinholeCamera& camera,
                                                        float threshold, float depth_m);
