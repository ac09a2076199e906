// The joint table every floor reads: complete against the body file's
// columns, and its bones one skeleton.

#include <gtest/gtest.h>

#include <set>

#include "state/body_vocabulary.h"
#include "state/record_fields.h"

namespace {

// Every joint coordinate the body file samples belongs to exactly one joint,
// and the joints come in the file's column order: a joint left out of the
// table would be missed by balloon placement, the mirror and the export.
TEST(BodyVocabulary, JointsAreTheBodyFilesCoordinatesInItsOrder) {
  std::vector<int32_t TrackedBody::*> coordinates;
  for (const BodySampleField& f : kBodySampleFields) {
    if (f.from_body == nullptr || f.from_body == &TrackedBody::id ||
        f.from_body == &TrackedBody::hand_l || f.from_body == &TrackedBody::hand_r)
      continue;
    coordinates.push_back(f.from_body);
  }
  ASSERT_EQ(coordinates.size(), 2 * kBodyJoints.size());
  for (size_t j = 0; j < kBodyJoints.size(); ++j) {
    SCOPED_TRACE(kBodyJoints[j].name);
    EXPECT_TRUE(coordinates[2 * j] == kBodyJoints[j].x);
    EXPECT_TRUE(coordinates[2 * j + 1] == kBodyJoints[j].y);
    EXPECT_TRUE(SampleOf(kBodyJoints[j].x) != nullptr);
  }
}

// The bones join every joint to the spine base without a loop, and a limb's
// bone never crosses to the other side.
TEST(BodyVocabulary, BonesMakeOneSkeleton) {
  std::set<std::string_view> names;
  for (const BodyJoint& joint : kBodyJoints) {
    SCOPED_TRACE(joint.name);
    EXPECT_TRUE(names.insert(joint.name).second) << "named twice";
    const BodyJoint& parent = kBodyJoints[joint.parent];
    if (joint.side != JointSide::kMiddle && parent.side != JointSide::kMiddle)
      EXPECT_EQ(parent.side, joint.side);
    int steps = 0;
    for (JointId at = static_cast<JointId>(&joint - kBodyJoints.data()); at != kJointSpineBase;
         at = kBodyJoints[at].parent) {
      ASSERT_LT(++steps, kJointCount) << "a loop";
    }
  }
}

}  // namespace
