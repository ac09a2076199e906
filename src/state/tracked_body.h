#pragma once
// One of the six body slots the body update fills from each sensor body frame.
// Points are picture-space pixels (the 960 x 540 body texture); (-1, -1) marks a
// joint that the last update found not tracked or could not map.

#include <cstdint>

// Hand pose code; the same codes are the janken signs on the balloons.
enum HandShape : int32_t {
  kHandNone = 0,
  kHandRock = 1,      // closed hand
  kHandScissors = 2,  // lasso: two fingers out
  kHandPaper = 3,     // open hand
};

struct TrackedBody {
  int32_t tracked = 0;
  int32_t id = 0;        // low 32 bits of the sensor's 64-bit tracking ID
  double head_dist = 0;  // metres from the sensor
  int32_t nearest = 0;   // written by the trial loop only
  int32_t hand_lx = 0, hand_ly = 0;
  int32_t hand_rx = 0, hand_ry = 0;
  int32_t hand_l = 0;  // HandShape
  int32_t hand_r = 0;  // HandShape
  int32_t spine_base_x = 0, spine_base_y = 0;
  int32_t spine_mid_x = 0, spine_mid_y = 0;
  int32_t spine_shoulder_x = 0, spine_shoulder_y = 0;
  int32_t head_x = 0, head_y = 0;
  int32_t elbow_lx = 0, elbow_ly = 0;
  int32_t elbow_rx = 0, elbow_ry = 0;
  int32_t shoulder_lx = 0, shoulder_ly = 0;
  int32_t shoulder_rx = 0, shoulder_ry = 0;
  int32_t hip_lx = 0, hip_ly = 0;
  int32_t hip_rx = 0, hip_ry = 0;
  int32_t knee_lx = 0, knee_ly = 0;
  int32_t knee_rx = 0, knee_ry = 0;
  int32_t foot_lx = 0, foot_ly = 0;
  int32_t foot_rx = 0, foot_ry = 0;
};

inline constexpr int kBodySlotCount = 6;
