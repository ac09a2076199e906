#pragma once
// Hand shape from the 21 hand landmarks: open hand (paper), fist (rock), or two
// fingers out (scissors, the sensor's "lasso"), and a filter that only
// reports a new shape once it has been seen a few frames in a row.

#include "body/backends/camera/inference/hand_landmarker.h"
#include "body/sensor/sensor_types.h"

// How far each finger (index, middle, ring, little) is stretched: the tip's
// distance from the wrist divided by the knuckle's (MCP) distance from the
// wrist. About 1.9 for a straight finger, 1.0-1.3 for a curled one; the
// small hand model reads straight fingers short (1.45-1.55).
std::array<float, 4> FingerExtensions(const HandLandmarks& hand);

// How much each finger bends, degrees: the sum of its turns at the knuckle,
// the middle and the end joint (world landmarks, so the hand's orientation
// to the camera does not matter). Under 80 for a straight finger, over 150
// for one curled into a fist.
std::array<float, 4> FingerBends(const HandLandmarks& hand);

// The shape the landmarks show, HandState_Unknown when the hand is not
// present or a finger is neither clearly out nor clearly in. *confidence
// (0..1, 0 for unknown) is the presence times how clearly the least clear
// finger is out or in.
HandState ClassifyHandShape(const HandLandmarks& hand, float presence_threshold,
                            float* confidence = nullptr);

// Per hand of a tracked person: a new shape is reported only after
// `confirm_frames` equal readings in a row; unreadable frames keep the last
// shape for `hold_frames` frames, then it becomes HandState_Unknown.
class HandShapeFilter {
 public:
  HandShapeFilter(int confirm_frames = 2, int hold_frames = 4)
      : confirm_frames_(confirm_frames), hold_frames_(hold_frames) {}

  // `confidence`: of the reading (0..1); the reported shape carries the
  // confidence of the last reading that agreed with it.
  HandState Update(HandState reading, float confidence = 1);
  HandState state() const { return state_; }
  float confidence() const { return state_ == HandState_Unknown ? 0 : confidence_; }

 private:
  int confirm_frames_;
  int hold_frames_;
  HandState state_ = HandState_Unknown;
  HandState candidate_ = HandState_Unknown;
  int candidate_count_ = 0;
  int unknown_count_ = 0;
  float confidence_ = 0;
  float candidate_confidence_ = 0;
};
