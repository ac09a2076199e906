// The camera backend's inference logic without models: decoding MoveNet's
// heads, tracking IDs, hand shapes, the keypoint -> joint mapping and its
// camera model.

#include <gtest/gtest.h>

#include <cmath>

#include "body/backends/camera/inference/body_tracker.h"
#include "body/backends/camera/inference/hand_regions.h"
#include "body/backends/camera/inference/reported_wrists.h"
#include "body/backends/camera/inference/hand_shape.h"
#include "body/backends/camera/inference/keypoint_body_mapping.h"
#include "body/backends/camera/inference/movenet_decoder.h"

namespace {

// ---------------------------------------------------------------- decoding

// Heads of a grid with people planted at chosen cells: a centre peak, a
// regression pointing at keypoints laid out around it, keypoint heatmap peaks
// where the keypoints are, offsets of a quarter cell.
struct SyntheticHeads {
  int h, w;
  std::vector<float> center, heatmap, regress, offset, scale, box_offset;

  SyntheticHeads(int h_, int w_)
      : h(h_),
        w(w_),
        center(h * w, 0.01f),
        heatmap(h * w * 17, 0.0f),
        regress(h * w * 34, 0.0f),
        offset(h * w * 34, 0.25f),
        scale(h * w * 2, 0.0f),
        box_offset(h * w * 2, 0.0f) {}

  // A person centred on cell (cy, cx), keypoint k at (cy + k - 8, cx + dx_k).
  void AddPerson(int cy, int cx, float centre_score, float keypoint_score) {
    center[cy * w + cx] = centre_score;
    const int cell = cy * w + cx;
    scale[cell * 2] = 20, scale[cell * 2 + 1] = 10;
    for (int k = 0; k < 17; ++k) {
      const int ky = cy + k - 8, kx = cx + (k % 2 ? 2 : -2);
      regress[cell * 34 + 2 * k] = float(ky - cy);
      regress[cell * 34 + 2 * k + 1] = float(kx - cx);
      if (ky >= 0 && ky < h && kx >= 0 && kx < w) heatmap[(ky * w + kx) * 17 + k] = keypoint_score;
    }
  }

  MoveNetHeads View() const {
    return {h,
            w,
            center.data(),
            heatmap.data(),
            regress.data(),
            offset.data(),
            scale.data(),
            box_offset.data()};
  }
};

TEST(MoveNetDecoder, FindsPlantedPeopleStrongestFirst) {
  SyntheticHeads heads(48, 64);
  heads.AddPerson(20, 15, 0.6f, 0.9f);
  heads.AddPerson(24, 45, 0.8f, 0.7f);
  const std::vector<PersonPose> people = DecodeMoveNet(heads.View());
  ASSERT_EQ(people.size(), 6u);
  // Strongest centre first.
  const PersonPose& first = people[0];
  const PersonPose& second = people[1];
  EXPECT_NEAR(first.keypoints[kNose].y, (24 - 8 + 0.25f) * 4, 1e-3);
  EXPECT_NEAR(first.keypoints[kNose].x, (45 - 2 + 0.25f) * 4, 1e-3);
  EXPECT_NEAR(second.keypoints[kLeftEye].x, (15 + 2 + 0.25f) * 4, 1e-3);
  // Exactly on the regressed point the Gaussian weight is 1.
  EXPECT_NEAR(first.keypoints[kNose].score, 0.7f, 1e-5);
  EXPECT_NEAR(second.keypoints[kNose].score, 0.9f, 1e-5);
  // Person score: centre times the mean keypoint score above the floor.
  EXPECT_NEAR(first.score, 0.8f * 0.7f, 1e-4);
  EXPECT_NEAR(second.score, 0.6f * 0.9f, 1e-4);
  // Box: centre +- half the scale, in pixels.
  EXPECT_NEAR(first.box.y0, (24 - 10) * 4, 1e-3);
  EXPECT_NEAR(first.box.x1, (45 + 5) * 4, 1e-3);
  // The remaining candidates are background with low scores.
  for (size_t i = 2; i < people.size(); ++i) EXPECT_LT(people[i].score, 0.05f);
}

TEST(MoveNetDecoder, KeypointsStayInsideTheirPersonsBox) {
  // Person A's regression points at a keypoint location inside B's box, where
  // B's heatmap is strong: A must not take it, since it lies outside A's box.
  SyntheticHeads heads(48, 64);
  heads.AddPerson(20, 10, 0.9f, 0.8f);
  heads.AddPerson(20, 50, 0.7f, 0.8f);
  const int a = 20 * 64 + 10;
  heads.regress[a * 34 + 2 * kNose + 1] = 40;  // A's nose regressed into B
  const std::vector<PersonPose> people = DecodeMoveNet(heads.View());
  EXPECT_LT(people[0].keypoints[kNose].x, 15 * 4.0f);
  EXPECT_LT(people[0].keypoints[kNose].score, 0.5f);
}

TEST(MoveNetDecoder, EmptyGridGivesNobody) {
  EXPECT_TRUE(DecodeMoveNet(MoveNetHeads{}).empty());
}

// ---------------------------------------------------------------- tracking

PersonPose PersonAt(float x, float y, float height = 200) {
  PersonPose p;
  p.box = {x - height / 4, y - height / 2, x + height / 4, y + height / 2};
  for (int k = 0; k < kKeypointCount; ++k)
    p.keypoints[k] = {x + (k % 3 - 1) * height / 8, y - height / 2 + k * height / 17, 0.9f};
  p.score = 0.8f;
  return p;
}

TEST(BodyTracker, KeepsIdsAndSlotsWhilePeopleMoveAndSwapOrder) {
  BodyTracker tracker;
  auto slots = tracker.Update({PersonAt(300, 500), PersonAt(900, 500)});
  const uint64_t left = slots[0].id, right = slots[1].id;
  EXPECT_NE(left, right);
  // They walk towards each other; the detector lists them in the other order.
  for (int step = 1; step <= 10; ++step) {
    slots = tracker.Update({PersonAt(900 - 20 * step, 500), PersonAt(300 + 20 * step, 500)});
    ASSERT_TRUE(slots[0].seen && slots[1].seen);
    EXPECT_EQ(slots[0].id, left);
    EXPECT_EQ(slots[1].id, right);
    EXPECT_EQ(slots[0].detection, 1);
    EXPECT_NEAR(slots[0].pose.box.x0, 300 + 20 * step - 50, 1e-3);
  }
}

TEST(BodyTracker, MissedPersonKeepsItsIdUntilTheLimitAndIsFoundWhereItWalked) {
  BodyTracker tracker(/*max_missed_frames=*/3);
  tracker.Update({PersonAt(300, 500)});
  auto slots = tracker.Update({PersonAt(340, 500)});  // walks 40 px a frame
  const uint64_t id = slots[0].id;
  slots = tracker.Update({});
  slots = tracker.Update({});
  EXPECT_TRUE(slots[0].active);
  EXPECT_FALSE(slots[0].seen);
  // Back after two missed frames, 120 px further on: half a box width beyond
  // where it was last seen; the velocity carries the track there.
  slots = tracker.Update({PersonAt(460, 500)});
  EXPECT_TRUE(slots[0].seen);
  EXPECT_EQ(slots[0].id, id);
  for (int i = 0; i < 4; ++i) slots = tracker.Update({});
  EXPECT_FALSE(slots[0].active);  // gone after more than 3 missed frames
  slots = tracker.Update({PersonAt(460, 500)});
  EXPECT_NE(slots[0].id, id);  // a new person, a new ID
}

TEST(BodyTracker, NewPeopleTakeFreeSlotsAndASeventhReplacesTheLongestUnseen) {
  BodyTracker tracker(/*max_missed_frames=*/100);
  std::vector<PersonPose> six;
  for (int i = 0; i < 6; ++i) six.push_back(PersonAt(150 + 300 * i, 500, 150));
  auto slots = tracker.Update(six);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(slots[i].detection, i);
  // Slot 2 unseen for two frames, slot 4 for one; then a newcomer far away.
  std::vector<PersonPose> without2(six);
  without2.erase(without2.begin() + 2);
  tracker.Update(without2);
  std::vector<PersonPose> without24(without2);
  without24.erase(without24.begin() + 3);  // person 4
  without24.push_back(PersonAt(960, 100, 150));
  const uint64_t id4 = slots[4].id;
  slots = tracker.Update(without24);
  EXPECT_EQ(slots[2].detection, 4);  // the newcomer took slot 2
  EXPECT_EQ(slots[4].id, id4);
}

// ---------------------------------------------------------------- hands

// Landmarks of a hand in world space (metres, wrist at the origin, fingers
// along -y), one letter per finger from the index to the little finger: 'O'
// straight, 'I' curled back towards the palm, 'H' half bent (about 55
// degrees at each of its two upper joints). `turn` rotates the whole hand
// about the x axis (towards the camera), which must not change its shape.
HandLandmarks Hand(const char* fingers, float presence = 0.95f, float turn_deg = 0) {
  HandLandmarks h;
  h.presence = presence;
  h.world[0] = {0, 0, 0};
  for (int f = 0; f < 4; ++f) {
    const float x = -0.03f + 0.02f * f;
    const int mcp = 5 + 4 * f;
    h.world[mcp] = {x, -0.08f, 0};
    for (int j = 1; j <= 3; ++j) {
      cv::Point3f p;
      switch (fingers[f]) {
        case 'O':
          p = {x, -0.08f - 0.025f * j, 0};
          break;
        case 'I':
          p = {x, -0.08f - 0.02f + 0.012f * j, 0.02f};
          break;
        default: {                // straight to the middle joint, then turning 55 degrees twice
          const float a = 0.96f;  // 55 degrees
          if (j == 1) p = {x, -0.105f, 0};
          if (j == 2) p = {x, -0.105f - 0.025f * std::cos(a), 0.025f * std::sin(a)};
          if (j == 3)
            p = h.world[mcp + 2] +
                cv::Point3f(0, -0.025f * std::cos(2 * a), 0.025f * std::sin(2 * a));
        }
      }
      h.world[mcp + j] = p;
    }
  }
  for (int j = 1; j <= 4; ++j) h.world[j] = {-0.04f - 0.01f * j, -0.02f * j, 0};  // thumb
  const float t = turn_deg * 3.14159265f / 180;
  for (cv::Point3f& p : h.world)
    p = {p.x, p.y * std::cos(t) - p.z * std::sin(t), p.y * std::sin(t) + p.z * std::cos(t)};
  // In the picture: 2000 pixels a metre, wrist at (400, 400), fingers up.
  for (int i = 0; i < kHandLandmarkCount; ++i)
    h.image[i] = {400 + 2000 * h.world[i].x, 400 + 2000 * h.world[i].y, 0};
  return h;
}

TEST(HandShape, ClassifiesTheThreeSignsAndRefusesWhatIsNeither) {
  const struct {
    const char* name;
    HandLandmarks hand;
    HandState expected;
  } cases[] = {
      {"open hand", Hand("OOOO"), HandState_Open},
      {"fist", Hand("IIII"), HandState_Closed},
      {"two fingers", Hand("OOII"), HandState_Lasso},
      {"fist turned towards the camera", Hand("IIII", 0.95f, 70), HandState_Closed},
      {"two fingers pointing at the camera", Hand("OOII", 0.95f, 80), HandState_Lasso},
      {"pointing", Hand("OIII"), HandState_Unknown},
      {"three fingers", Hand("OOOI"), HandState_Unknown},
      {"two fingers, the ring finger half bent", Hand("OOHI"), HandState_Unknown},
      {"half-closed hand", Hand("HHHH"), HandState_Unknown},
      {"open but no hand seen", Hand("OOOO", 0.2f), HandState_Unknown},
  };
  for (const auto& c : cases) {
    float confidence = -1;
    EXPECT_EQ(ClassifyHandShape(c.hand, 0.5f, &confidence), c.expected) << c.name;
    // Clear fingers give nearly the model's own presence; unsure ones nothing.
    if (c.expected == HandState_Unknown)
      EXPECT_EQ(confidence, 0) << c.name;
    else
      EXPECT_GT(confidence, 0.8f * c.hand.presence) << c.name;
  }
}

TEST(HandShape, FilterConfirmsNewShapesAndHoldsThroughShortGaps) {
  HandShapeFilter filter(/*confirm_frames=*/2, /*hold_frames=*/2);
  const struct {
    HandState reading;
    float confidence;
    HandState reported;
    float reported_confidence;
  } steps[] = {
      {HandState_Open, 0.9f, HandState_Unknown, 0},    // seen once: not yet
      {HandState_Open, 0.8f, HandState_Open, 0.8f},    // twice: confirmed
      {HandState_Closed, 0.9f, HandState_Open, 0.8f},  // a single different reading is ignored
      {HandState_Open, 0.7f, HandState_Open, 0.7f},
      {HandState_Unknown, 0, HandState_Open, 0.7f},  // unreadable: held
      {HandState_Unknown, 0, HandState_Open, 0.7f},
      {HandState_Unknown, 0, HandState_Unknown, 0},  // held too long
      {HandState_Lasso, 0.6f, HandState_Unknown, 0},
      {HandState_Lasso, 0.9f, HandState_Lasso, 0.9f},
  };
  int i = 0;
  for (const auto& s : steps) {
    EXPECT_EQ(filter.Update(s.reading, s.confidence), s.reported) << "step " << i;
    EXPECT_FLOAT_EQ(filter.confidence(), s.reported_confidence) << "step " << i;
    ++i;
  }
}

// The square for the next picture follows the hand's own landmarks: turned
// with the fingers, around the hand, and about as large for a fist as for
// the open hand.
TEST(HandRegion, FromLandmarksTurnsWithTheHandAndFitsFistAndOpenHand) {
  const auto turned = [](HandLandmarks h, float degrees) {  // about the wrist, in the picture
    const float a = degrees * 3.14159265f / 180, c = std::cos(a), s = std::sin(a);
    for (cv::Point3f& p : h.image) {
      const float x = p.x - 400, y = p.y - 400;
      p = {400 + c * x - s * y, 400 + s * x + c * y, 0};
    }
    return h;
  };
  const struct {
    const char* name;
    float degrees;
    cv::Point2f up;
  } cases[] = {{"fingers up", 0, {0, -1}},
               {"fingers right", 90, {1, 0}},
               {"fingers down-left", 225, {-0.7071f, 0.7071f}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const HandRegion open = HandRegionFromLandmarks(turned(Hand("OOOO"), c.degrees));
    const HandRegion fist = HandRegionFromLandmarks(turned(Hand("IIII"), c.degrees));
    for (const HandRegion& r : {open, fist}) {
      // Within 9 degrees: the fixture's fingers sit a little off the wrist's line.
      EXPECT_NEAR(r.up.x, c.up.x, 0.15f);
      EXPECT_NEAR(r.up.y, c.up.y, 0.15f);
      // Centred past the wrist towards the fingers, by less than the hand's length.
      const float along = (r.center - cv::Point2f(400, 400)).dot(c.up);
      EXPECT_GT(along, 0.03f * 2000);
      EXPECT_LT(along, 0.18f * 2000);
    }
    // The open hand's fingertips lie inside its square.
    const HandLandmarks hand = turned(Hand("OOOO"), c.degrees);
    for (int tip : {8, 12, 16, 20}) {
      const cv::Point2f d(hand.image[tip].x - open.center.x, hand.image[tip].y - open.center.y);
      EXPECT_LT(std::abs(d.dot(open.up)), open.side / 2) << "tip " << tip;
    }
    EXPECT_LT(std::max(open.side, fist.side) / std::min(open.side, fist.side), 1.4f);
  }
}

// A person facing the camera, shoulders 100 px apart, with the right
// (picture left) elbow and wrist where given; nothing else seen.
PersonPose FacingPerson(ScoredPoint right_elbow, ScoredPoint right_wrist) {
  PersonPose pose;
  for (ScoredPoint& k : pose.keypoints) k = {0, 0, 0.0f};
  pose.box = {100, 100, 400, 600};
  pose.keypoints[kLeftShoulder] = {300, 200, 0.9f};
  pose.keypoints[kRightShoulder] = {200, 200, 0.9f};
  pose.keypoints[kRightElbow] = right_elbow;
  pose.keypoints[kRightWrist] = right_wrist;
  return pose;
}

PersonPose With(PersonPose pose, int keypoint, ScoredPoint p) {
  pose.keypoints[keypoint] = p;
  return pose;
}

// Where a hand not yet seen is looked for, from what the pose shows of the arm.
TEST(HandRegion, FromPoseFollowsTheArmAndNeverShrinksBelowTheBody) {
  // The right arm reaching out to the side.
  const PersonPose pose = FacingPerson({150, 280, 0.9f}, {100, 300, 0.9f});
  constexpr int kRight = 1;
  const auto with = [&](int keypoint, ScoredPoint p) { return With(pose, keypoint, p); };
  const struct {
    const char* name;
    PersonPose pose;
    size_t regions;
    cv::Point2f first_up;  // direction of the first region
    float min_side;
  } cases[] = {
      {"forearm seen", pose, 2, cv::Point2f(-50, 20) / std::hypot(50.0f, 20.0f),
       1.6f * std::hypot(50.0f, 20.0f)},
      {"elbow unseen: from the shoulder", with(kRightElbow, {150, 280, 0.01f}), 2,
       cv::Point2f(-100, 100) / std::hypot(100.0f, 100.0f), 1.1f * 100},
      {"elbow misplaced next to the wrist", with(kRightElbow, {104, 302, 0.9f}), 2,
       cv::Point2f(-4, -2) / std::hypot(4.0f, 2.0f), 1.1f * 100},
      {"arm raised: fingers up already",
       with(kRightElbow, {100, 380, 0.9f}),
       1,
       {0, -1},
       1.6f * 80},
      {"wrist unseen", with(kRightWrist, {100, 300, 0.01f}), 0, {}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<HandRegion> regions = HandRegionsFromPose(c.pose, kRight, 0.02f);
    ASSERT_EQ(regions.size(), c.regions);
    if (regions.empty()) continue;
    EXPECT_NEAR(regions[0].up.x, c.first_up.x, 0.02f);
    EXPECT_NEAR(regions[0].up.y, c.first_up.y, 0.02f);
    EXPECT_GE(regions[0].side, c.min_side - 0.5f);
    // Centred past the wrist along its direction.
    const ScoredPoint& w = c.pose.keypoints[kRightWrist];
    EXPECT_GT((regions[0].center - cv::Point2f(w.x, w.y)).dot(regions[0].up), 0);
    if (regions.size() > 1) {
      EXPECT_FLOAT_EQ(regions[1].up.y, -1);
    }
  }
}

TEST(HandRegion, AHandBelongsToTheWristItIsNearOrToThePersonsBox) {
  PersonPose pose;
  pose.box = {100, 100, 400, 600};
  pose.keypoints[kLeftWrist] = {350, 300, 0.5f};
  pose.keypoints[kRightWrist] = {150, 300, 0.01f};  // unsure: the box decides
  const struct {
    const char* name;
    int side;
    cv::Point2f hand_wrist;
    bool belongs;
  } cases[] = {
      {"at the wrist", 0, {360, 310}, true},
      {"within a region's size", 0, {350, 390}, true},
      {"farther: a neighbour's hand", 0, {350, 420}, false},
      {"unsure wrist, hand in the box", 1, {120, 250}, true},
      {"unsure wrist, hand beside the box", 1, {20, 250}, false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(HandBelongsTo(pose, c.side, c.hand_wrist, 100, 0.02f), c.belongs) << c.name;
}

TEST(ReportedWrists, HandsAndArmsVouchForWeakWristsAndNothingElseDoes) {
  // Right upper arm 80 px, the right wrist scored below the joint threshold
  // (0.3) 60 px below the elbow.
  const PersonPose pose = FacingPerson({200, 280, 0.9f}, {200, 340, 0.2f});
  constexpr int kRight = 1;
  const WristRules rules{0.3f, 0.15f};
  const auto with = [&](int keypoint, ScoredPoint p) { return With(pose, keypoint, p); };
  const HandAtWrist none{};
  const HandAtWrist read_now{true, true, {205, 345}, 60};
  const HandAtWrist tracked_here{false, true, {210, 350}, 60};
  const HandAtWrist tracked_elsewhere{false, true, {400, 350}, 60};
  const struct {
    const char* name;
    PersonPose pose;
    HandAtWrist hand;
    float score;       // the wrist's score afterwards
    cv::Point2f at;    // and where it is
  } cases[] = {
      {"arm holds together", pose, none, 0.3f, {200, 340}},
      {"below the weak threshold", with(kRightWrist, {200, 340, 0.1f}), none, 0.1f, {200, 340}},
      {"elbow not tracked", with(kRightElbow, {200, 280, 0.2f}), none, 0.2f, {200, 340}},
      {"forearm longer than an arm can be", with(kRightWrist, {200, 440, 0.2f}), none, 0.2f,
       {200, 440}},
      {"upper arm pointing at the camera: the shoulders are the measure",
       FacingPerson({200, 210, 0.9f}, {200, 340, 0.2f}),
       none, 0.3f, {200, 340}},
      {"hand read now places and vouches", with(kRightWrist, {200, 340, 0.05f}), read_now, 0.3f,
       {205, 345}},
      {"hand still tracked at the wrist", with(kRightWrist, {200, 340, 0.05f}), tracked_here,
       0.3f, {200, 340}},
      {"hand tracked somewhere else", with(kRightWrist, {200, 340, 0.05f}), tracked_elsewhere,
       0.05f, {200, 340}},
      {"a strong wrist keeps its score", with(kRightWrist, {200, 340, 0.8f}), read_now, 0.8f,
       {205, 345}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    PersonPose p = c.pose;
    ApplyWristRules(&p, {none, c.hand}, rules);
    EXPECT_FLOAT_EQ(p.keypoints[kWristOf[kRight]].score, c.score);
    EXPECT_FLOAT_EQ(p.keypoints[kWristOf[kRight]].x, c.at.x);
    EXPECT_FLOAT_EQ(p.keypoints[kWristOf[kRight]].y, c.at.y);
    EXPECT_FLOAT_EQ(p.keypoints[kLeftWrist].score, 0.0f);  // the other side untouched
  }
}

// ---------------------------------------------------------------- joints

ColorKeypoints StandingChild(float cx, float shoulder_px, float score = 0.9f) {
  ColorKeypoints k;
  for (ScoredPoint& p : k) p = {cx, 400, score};
  k[kNose] = {cx, 300, score};
  k[kLeftEye] = {cx + 10, 290, score};
  k[kRightEye] = {cx - 10, 290, score};
  k[kLeftEar] = {cx + 20, 295, score};
  k[kRightEar] = {cx - 20, 295, score};
  k[kLeftShoulder] = {cx + shoulder_px / 2, 380, score};
  k[kRightShoulder] = {cx - shoulder_px / 2, 380, score};
  k[kLeftElbow] = {cx + shoulder_px, 480, score};
  k[kRightElbow] = {cx - shoulder_px, 480, score};
  k[kLeftWrist] = {cx + shoulder_px, 560, score};
  k[kRightWrist] = {cx - shoulder_px * 1.5f, 300, score};
  k[kLeftHip] = {cx + shoulder_px / 3, 380 + 1.25f * shoulder_px, score};
  k[kRightHip] = {cx - shoulder_px / 3, 380 + 1.25f * shoulder_px, score};
  k[kLeftKnee] = {cx + shoulder_px / 3, 800, score};
  k[kRightKnee] = {cx - shoulder_px / 3, 800, score};
  k[kLeftAnkle] = {cx + shoulder_px / 3, 1000, score};
  k[kRightAnkle] = {cx - shoulder_px / 3, 1000, score};
  return k;
}

TEST(KeypointMapping, JointsMapBackToThePicturePointsTheyCameFrom) {
  const PinholeCamera cam = ColorCameraModel(1280, 1.5f, 70.0f);
  const ColorKeypoints k = StandingChild(700, 200);
  const auto joints = MapKeypointsToJoints(k, cam, 0.3f, 2.4f);
  auto picture = [&](JointType j) { return cam.Project(joints[j].Position); };
  const struct {
    JointType joint;
    float x, y;
  } expected[] = {
      {JointType_HandLeft, k[kLeftWrist].x, k[kLeftWrist].y},
      {JointType_HandRight, k[kRightWrist].x, k[kRightWrist].y},
      {JointType_FootLeft, k[kLeftAnkle].x, k[kLeftAnkle].y},
      {JointType_ElbowRight, k[kRightElbow].x, k[kRightElbow].y},
      {JointType_SpineShoulder, 700, 380},
      {JointType_SpineBase, 700, 380 + 250},
      {JointType_SpineMid, 700, 380 + 125},
      {JointType_Head, 700, 295},  // between the ears
  };
  for (const auto& e : expected) {
    EXPECT_NEAR(picture(e.joint).X, e.x, 0.01f) << e.joint;
    EXPECT_NEAR(picture(e.joint).Y, e.y, 0.01f) << e.joint;
    EXPECT_EQ(joints[e.joint].TrackingState, TrackingState_Tracked) << e.joint;
    EXPECT_FLOAT_EQ(joints[e.joint].Position.Z, 2.4f);
  }
  EXPECT_EQ(joints[JointType_HandTipLeft].TrackingState, TrackingState_NotTracked);
  EXPECT_EQ(joints[JointType_ThumbRight].TrackingState, TrackingState_NotTracked);
}

TEST(KeypointMapping, WeakKeypointsAreInferredOrNotTracked) {
  const PinholeCamera cam;
  ColorKeypoints k = StandingChild(960, 200);
  k[kLeftWrist].score = 0.2f;  // half the threshold or more: inferred
  k[kRightKnee].score = 0.1f;  // below half: not tracked
  k[kLeftHip].score = 0.1f;    // one hip weak: the spine base too
  for (int i : {kNose, kLeftEye, kRightEye, kLeftEar, kRightEar}) k[i].score = 0.05f;
  const auto joints = MapKeypointsToJoints(k, cam, 0.3f, 2.0f);
  EXPECT_EQ(joints[JointType_HandLeft].TrackingState, TrackingState_Inferred);
  EXPECT_EQ(joints[JointType_KneeRight].TrackingState, TrackingState_NotTracked);
  EXPECT_EQ(joints[JointType_SpineBase].TrackingState, TrackingState_NotTracked);
  EXPECT_EQ(joints[JointType_SpineMid].TrackingState, TrackingState_NotTracked);
  EXPECT_EQ(joints[JointType_Head].TrackingState, TrackingState_NotTracked);
  EXPECT_EQ(joints[JointType_ShoulderLeft].TrackingState, TrackingState_Tracked);
}

TEST(KeypointMapping, DistanceFollowsTheBodysSizeAndTheNearerCueWins) {
  const PinholeCamera cam = ColorCameraModel(1920, 1.0f, 70.0f);
  // 0.25 m shoulders seen 200 px wide: z = f * 0.25 / 200.
  const float expected = cam.fx * 0.25f / 200.0f;
  EXPECT_NEAR(EstimateBodyDepth(StandingChild(960, 200), cam, 0.3f, 0.25f, 9.0f), expected, 1e-3);
  // Turned sideways: the shoulders look narrow, the torso still gives the distance.
  ColorKeypoints turned = StandingChild(960, 200);
  turned[kLeftShoulder].x = turned[kRightShoulder].x = 960;
  EXPECT_NEAR(EstimateBodyDepth(turned, cam, 0.3f, 0.25f, 9.0f), expected, 1e-3);
  // Nothing to measure: the fallback.
  ColorKeypoints hidden = StandingChild(960, 200, 0.1f);
  EXPECT_EQ(EstimateBodyDepth(hidden, cam, 0.3f, 0.25f, 9.0f), 9.0f);
  // Points that are no numbers (a broken frame) never make the distance one.
  ColorKeypoints broken = StandingChild(960, 200);
  broken[kLeftShoulder].x = broken[kLeftHip].y = std::nanf("");
  EXPECT_EQ(EstimateBodyDepth(broken, cam, 0.3f, 0.25f, 9.0f), 9.0f);
  // A child twice as far looks half as wide.
  EXPECT_NEAR(EstimateBodyDepth(StandingChild(960, 100), cam, 0.3f, 0.25f, 9.0f), 2 * expected,
              1e-3);
}

TEST(KeypointMapping, FocalLengthFollowsTheFieldOfViewAndTheColourScale) {
  // 90 degrees across 1280 camera pixels: f = 640 camera pixels = 960 colour pixels.
  EXPECT_NEAR(ColorCameraModel(1280, 1.5f, 90.0f).fx, 960.0f, 1e-2);
}

}  // namespace
