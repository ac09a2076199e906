#pragma once
// Which tracked bodies take part, and whether a body pops the balloon: the
// body-site rule (ResponseSite table) without janken, the JankenRule with it.

#include <cstdint>
#include <span>

#include "state/body_vocabulary.h"
#include "state/experiment_settings.h"
#include "state/tracked_body.h"
#include "trial/target.h"

// One row of the site table: tested in table order when janken is 0.
struct ResponseSite {
  const char* name;  // what the trial record's "Resp" holds
  JointId joint;
  int32_t ExperimentSettings::*enabled_by;  // the site flag; null: always enabled

  const BodyJoint& point() const { return kBodyJoints[joint]; }
};

inline constexpr int kResponseSiteCount = 13;
extern const ResponseSite kResponseSites[kResponseSiteCount];

// The hand shape that pops a balloon carrying `tgthand` in janken mode `janken`
// (1 normal: the shape that beats the sign; any other nonzero value, late: the
// shape that loses to it). 0 for a sign outside 1..3.
int32_t JankenRule(int32_t janken, int32_t tgthand);

// Marks nearest := 1 on the tracked slot whose head is nearest the sensor
// (lower slot wins a tie; 999 m or more never wins), 0 on all others.
void SelectNearest(std::span<TrackedBody, kBodySlotCount> bodies);

// Whether the trial loop tests and samples this slot: tracked, and in one-person
// mode (flag_single 1) also the nearest.
bool IsProcessedSlot(const TrackedBody& slot, const ExperimentSettings& settings);

// The displayed side of the limb joints when the mirror display is off:
// x := kPictureWidth - x for hands, elbows, shoulders, hips, knees and feet. The head and
// spine keep their sensor-side x.
void MirrorJoints(TrackedBody& slot);

// The site name with which the slot pops the balloon, or null for no hit.
// Reads settings.janken and the site flags.
const char* HitTest(const TrackedBody& slot, const Target& target,
                    const ExperimentSettings& settings);
