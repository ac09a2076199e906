#pragma once
// The per-trial and per-frame result records a run fills, and the run's start time.

#include <cstdint>
#include <string>

// One popped balloon. Its file columns, in order, are listed in record_fields.h.
struct TrialRecord {
  int32_t trial = 0;  // 0 is the start balloon
  int32_t cond_j = 0;
  int32_t cond_m = 0;
  int32_t bodyid = 0;
  int32_t tgthand = 0;
  int32_t tgt_x = 0;  // picture space
  int32_t tgt_y = 0;
  int32_t hand_l = 0;
  int32_t hand_lx = 0;
  int32_t hand_ly = 0;
  int32_t hand_r = 0;
  int32_t hand_rx = 0;
  int32_t hand_ry = 0;
  std::string resp;     // site name such as "Hand_L"
  int32_t rt = 0;       // milliseconds
  int32_t totalrt = 0;  // milliseconds since the clock restart
};

// One processed body in one drawn pass: 41 integers, in file column order
// (the columns are listed in record_fields.h).
struct BodySample {
  int32_t count = 0;  // position in body_samples + 1
  int32_t clock = 0;  // pass clock, milliseconds
  int32_t trial = 0;
  int32_t tgthand = 0;
  int32_t target_x = 0, target_y = 0;
  int32_t id = 0;
  int32_t spine_base_x = 0, spine_base_y = 0;
  int32_t spine_mid_x = 0, spine_mid_y = 0;
  int32_t spine_shoulder_x = 0, spine_shoulder_y = 0;
  int32_t head_x = 0, head_y = 0;
  int32_t hand_l = 0;
  int32_t hand_lx = 0, hand_ly = 0;
  int32_t hand_r = 0;
  int32_t hand_rx = 0, hand_ry = 0;
  int32_t elbow_lx = 0, elbow_ly = 0, elbow_rx = 0, elbow_ry = 0;
  int32_t shoulder_lx = 0, shoulder_ly = 0, shoulder_rx = 0, shoulder_ry = 0;
  int32_t hip_lx = 0, hip_ly = 0, hip_rx = 0, hip_ry = 0;
  int32_t knee_lx = 0, knee_ly = 0, knee_rx = 0, knee_ry = 0;
  int32_t foot_lx = 0, foot_ly = 0, foot_rx = 0, foot_ry = 0;
};
static_assert(sizeof(BodySample) == 41 * sizeof(int32_t), "BodySample is 41 packed integers");

// Local date and time of a run's start (what the Windows build kept in a SYSTEMTIME).
struct LocalDateTime {
  int32_t year = 0, month = 0, day = 0;
  int32_t hour = 0, minute = 0, second = 0;
  int32_t millisecond = 0;
};

inline constexpr int32_t kTrialRecordCapacity = 10000;
inline constexpr int32_t kBodySampleCapacity = 100000;
inline constexpr int32_t kMaxSampleCount = 99999;  // sample_count never exceeds this
