#pragma once
// The fields of the two result records, each listed once: its column in the
// result file, its member, and the TrackedBody member the trial loop copies it
// from (null for what the loop fills from the run itself). The trial loop's
// copy, the file header and rows, and the journal codec all walk these tables,
// so a field added here reaches every one of them.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "state/records.h"
#include "state/tracked_body.h"

struct TrialRecordField {
  const char* column;
  int32_t TrialRecord::*number;     // null for the one text field
  std::string TrialRecord::*text;   // null for the number fields
  int32_t TrackedBody::*from_body;  // null: filled by the trial loop
};

// In file column order (after the "Subject", "Date" and "Time" columns).
inline constexpr std::array<TrialRecordField, 16> kTrialRecordFields = {{
    {"Trial", &TrialRecord::trial, nullptr, nullptr},
    {"Cond_J", &TrialRecord::cond_j, nullptr, nullptr},
    {"Cond_M", &TrialRecord::cond_m, nullptr, nullptr},
    {"BodyID", &TrialRecord::bodyid, nullptr, &TrackedBody::id},
    {"TgtHand", &TrialRecord::tgthand, nullptr, nullptr},
    {"Tgt_X", &TrialRecord::tgt_x, nullptr, nullptr},
    {"Tgt_Y", &TrialRecord::tgt_y, nullptr, nullptr},
    {"Hand_L", &TrialRecord::hand_l, nullptr, &TrackedBody::hand_l},
    {"Hand_LX", &TrialRecord::hand_lx, nullptr, &TrackedBody::hand_lx},
    {"Hand_LY", &TrialRecord::hand_ly, nullptr, &TrackedBody::hand_ly},
    {"Hand_R", &TrialRecord::hand_r, nullptr, &TrackedBody::hand_r},
    {"Hand_RX", &TrialRecord::hand_rx, nullptr, &TrackedBody::hand_rx},
    {"Hand_RY", &TrialRecord::hand_ry, nullptr, &TrackedBody::hand_ry},
    {"Resp", nullptr, &TrialRecord::resp, nullptr},
    {"RT", &TrialRecord::rt, nullptr, nullptr},
    {"TotalRT", &TrialRecord::totalrt, nullptr, nullptr},
}};

// How many of the trial record's fields are numbers; all others but one.
inline constexpr size_t kTrialRecordNumberCount = [] {
  size_t n = 0;
  for (const TrialRecordField& f : kTrialRecordFields) n += f.number != nullptr ? 1 : 0;
  return n;
}();
static_assert(kTrialRecordNumberCount + 1 == kTrialRecordFields.size(),
              "the trial record has exactly one text field");

// The trial record's text field.
inline constexpr std::string TrialRecord::*kTrialRecordText = [] {
  for (const TrialRecordField& f : kTrialRecordFields) {
    if (f.text != nullptr) return f.text;
  }
  return static_cast<std::string TrialRecord::*>(nullptr);
}();

struct BodySampleField {
  const char* column;
  int32_t BodySample::*number;
  int32_t TrackedBody::*from_body;  // null: filled by the trial loop
};

// In file column order.
inline constexpr std::array<BodySampleField, 41> kBodySampleFields = {{
    {"Count", &BodySample::count, nullptr},
    {"Clock", &BodySample::clock, nullptr},
    {"Trial", &BodySample::trial, nullptr},
    {"TgtHand", &BodySample::tgthand, nullptr},
    {"Target_x", &BodySample::target_x, nullptr},
    {"Target_y", &BodySample::target_y, nullptr},
    {"ID", &BodySample::id, &TrackedBody::id},
    {"Spine_base_x", &BodySample::spine_base_x, &TrackedBody::spine_base_x},
    {"Spine_base_y", &BodySample::spine_base_y, &TrackedBody::spine_base_y},
    {"Spine_mid_x", &BodySample::spine_mid_x, &TrackedBody::spine_mid_x},
    {"Spine_mid_y", &BodySample::spine_mid_y, &TrackedBody::spine_mid_y},
    {"Spine_shoulder_x", &BodySample::spine_shoulder_x, &TrackedBody::spine_shoulder_x},
    {"Spine_shoulder_y", &BodySample::spine_shoulder_y, &TrackedBody::spine_shoulder_y},
    {"Head_x", &BodySample::head_x, &TrackedBody::head_x},
    {"Head_y", &BodySample::head_y, &TrackedBody::head_y},
    {"Hand_l", &BodySample::hand_l, &TrackedBody::hand_l},
    {"Hand_lx", &BodySample::hand_lx, &TrackedBody::hand_lx},
    {"Hand_ly", &BodySample::hand_ly, &TrackedBody::hand_ly},
    {"Hand_r", &BodySample::hand_r, &TrackedBody::hand_r},
    {"Hand_rx", &BodySample::hand_rx, &TrackedBody::hand_rx},
    {"Hand_ry", &BodySample::hand_ry, &TrackedBody::hand_ry},
    {"Elbow_lx", &BodySample::elbow_lx, &TrackedBody::elbow_lx},
    {"Elbow_ly", &BodySample::elbow_ly, &TrackedBody::elbow_ly},
    {"Elbow_rx", &BodySample::elbow_rx, &TrackedBody::elbow_rx},
    {"Elbow_ry", &BodySample::elbow_ry, &TrackedBody::elbow_ry},
    {"Shoulder_lx", &BodySample::shoulder_lx, &TrackedBody::shoulder_lx},
    {"Shoulder_ly", &BodySample::shoulder_ly, &TrackedBody::shoulder_ly},
    {"Shoulder_rx", &BodySample::shoulder_rx, &TrackedBody::shoulder_rx},
    {"Shoulder_ry", &BodySample::shoulder_ry, &TrackedBody::shoulder_ry},
    {"Hip_lx", &BodySample::hip_lx, &TrackedBody::hip_lx},
    {"Hip_ly", &BodySample::hip_ly, &TrackedBody::hip_ly},
    {"Hip_rx", &BodySample::hip_rx, &TrackedBody::hip_rx},
    {"Hip_ry", &BodySample::hip_ry, &TrackedBody::hip_ry},
    {"Knee_lx", &BodySample::knee_lx, &TrackedBody::knee_lx},
    {"Knee_ly", &BodySample::knee_ly, &TrackedBody::knee_ly},
    {"Knee_rx", &BodySample::knee_rx, &TrackedBody::knee_rx},
    {"Knee_ry", &BodySample::knee_ry, &TrackedBody::knee_ry},
    {"Foot_lx", &BodySample::foot_lx, &TrackedBody::foot_lx},
    {"Foot_ly", &BodySample::foot_ly, &TrackedBody::foot_ly},
    {"Foot_rx", &BodySample::foot_rx, &TrackedBody::foot_rx},
    {"Foot_ry", &BodySample::foot_ry, &TrackedBody::foot_ry},
}};
static_assert(kBodySampleFields.size() * sizeof(int32_t) == sizeof(BodySample),
              "every member of BodySample has a row");

// The body file's member that samples this body member (null: none does).
constexpr int32_t BodySample::*SampleOf(int32_t TrackedBody::*member) {
  for (const BodySampleField& f : kBodySampleFields) {
    if (f.from_body == member) return f.number;
  }
  return nullptr;
}

// Copies every field that comes from the responding body.
template <typename Record, typename Fields>
void CopyBodyFields(const TrackedBody& body, const Fields& fields, Record& out) {
  for (const auto& f : fields) {
    if (f.from_body != nullptr) out.*f.number = body.*f.from_body;
  }
}
