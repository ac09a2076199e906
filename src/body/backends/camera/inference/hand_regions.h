#pragma once
// Where to look for a person's hand in a picture when it has not been seen
// in the last one: a first guess from the pose, which the hand reader then
// corrects with the hand's own landmarks.

#include "body/backends/camera/inference/hand_landmarker.h"
#include "body/backends/camera/inference/pose_types.h"

#include <vector>

// side: 0 left, 1 right.
inline constexpr int kWristOf[2] = {kLeftWrist, kRightWrist};
inline constexpr int kElbowOf[2] = {kLeftElbow, kRightElbow};
inline constexpr int kShoulderOf[2] = {kLeftShoulder, kRightShoulder};

// Squares around where the hand of `side` should be, best guess first: one
// continuing the forearm when the elbow is seen (min_score), else the line
// from the shoulder; then one with the fingers up (a raised hand, when the
// arm's line is off: a bent wrist, a misplaced elbow). Their size follows the
// forearm, the shoulders or the face, whichever is seen, never much smaller
// than the body suggests. Empty when the wrist itself is below min_score.
std::vector<HandRegion> HandRegionsFromPose(const PersonPose& pose, int side, float min_score);

// Whether a hand whose wrist landmark is at `hand_wrist` can belong to the
// pose's wrist of that side: within a hand region's size of it when the
// wrist is seen (min_score), else inside the person's box.
bool HandBelongsTo(const PersonPose& pose, int side, cv::Point2f hand_wrist, float region_side,
                   float min_score);
