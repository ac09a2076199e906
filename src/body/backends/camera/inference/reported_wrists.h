#pragma once
// Which wrists a person's joints report, and where. The pose model often
// scores a wrist low that is where it says (a blurred hand reaching out, a
// hand against a busy background): a hand read at the wrist confirms it and
// places it, and an arm that holds together vouches for a wrist scored a
// little below the joint threshold.

#include <array>
#include <opencv2/core/types.hpp>

#include "body/backends/camera/inference/pose_types.h"

// What the hand reader knows of one hand of a person.
struct HandAtWrist {
  bool read_now = false;  // read in this picture: `wrist` is its wrist landmark
  bool tracked = false;   // found where it was last read: `wrist` is from then
  cv::Point2f wrist;      // picture pixels
  float side = 0;         // the hand region's side, pixels
};

struct WristRules {
  float keypoint_threshold;  // a joint at least this is tracked
  float weak_wrist_threshold;  // a wrist at least this counts when its arm holds together
};

// Lifts to the joint threshold (and moves, for a hand read now) each wrist of
// *pose that a hand or its arm vouches for; the others stay as scored.
void ApplyWristRules(PersonPose* pose, const std::array<HandAtWrist, 2>& hands,
                     const WristRules& rules);

// Whether the forearm from the tracked elbow to this wrist is no longer than
// an arm of this body can be (relative to its upper arm or its shoulders).
bool ForearmHoldsTogether(const PersonPose& pose, int side, float keypoint_threshold);
