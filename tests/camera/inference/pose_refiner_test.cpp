// The pose refiner without models: decoding MoveNet SinglePose's heads, the
// square each person is cut out in, which joints the refined ones replace,
// and the setting that picks the model.

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "body/backends/camera/inference/camera_assets.h"
#include "body/backends/camera/video/camera_settings.h"
#include "body/backends/camera/inference/pose_refiner.h"
#include "body/backends/camera/inference/single_pose_decoder.h"

namespace {

// ---------------------------------------------------------------- decoding

// Single-pose heads of an 8 x 8 grid (middle cell (4, 4)) with planted centres
// and left-wrist peaks; every other score is 0.
struct SingleHeads {
  static constexpr int kGrid = 8;
  std::vector<float> center = std::vector<float>(kGrid * kGrid, 0.0f);
  std::vector<float> heatmap = std::vector<float>(kGrid * kGrid * kKeypointCount, 0.0f);
  std::vector<float> regress = std::vector<float>(kGrid * kGrid * 2 * kKeypointCount, 0.0f);
  std::vector<float> offset = std::vector<float>(kGrid * kGrid * 2 * kKeypointCount, 0.0f);

  // A centre at (y, x) that regresses every keypoint by (dy, dx).
  void Centre(int y, int x, float score, float dy, float dx) {
    const int cell = y * kGrid + x;
    center[cell] = score;
    for (int k = 0; k < kKeypointCount; ++k)
      regress[cell * 2 * kKeypointCount + 2 * k] = dy,
                regress[cell * 2 * kKeypointCount + 2 * k + 1] = dx;
  }
  // A left-wrist peak at (y, x) with a sub-cell offset.
  void Wrist(int y, int x, float score, float oy = 0, float ox = 0) {
    const int cell = y * kGrid + x;
    heatmap[cell * kKeypointCount + kLeftWrist] = score;
    offset[cell * 2 * kKeypointCount + 2 * kLeftWrist] = oy;
    offset[cell * 2 * kKeypointCount + 2 * kLeftWrist + 1] = ox;
  }
  SinglePoseHeads View() const {
    return {kGrid, center.data(), heatmap.data(), regress.data(), offset.data()};
  }
};

struct Peak {
  int y, x;
  float score, dy, dx;  // centre: regression; wrist: offset
};

TEST(SinglePoseDecoder, FollowsTheCentreNearestTheMiddleToTheWristNearestItsRegression) {
  const struct {
    const char* what;
    std::vector<Peak> centres, wrists;
    int want_y, want_x;  // the wrist's cell
    float want_score;
  } cases[] = {
      {"the centre in the middle beats a stronger one in the corner",
       {{4, 4, 0.5f, 2, 1}, {0, 0, 0.9f, 1, 1}},
       {{6, 5, 0.5f, 0.25f, -0.5f}, {1, 1, 0.5f, 0, 0}},
       6, 5, 0.5f},
      {"a much stronger centre away from the middle wins",
       {{4, 4, 0.1f, 2, 1}, {1, 1, 0.9f, 0, 1}},
       {{6, 5, 0.5f, 0.25f, -0.5f}, {1, 2, 0.6f, 0.5f, 0.5f}},
       1, 2, 0.6f},
      {"the wrist next to the regressed point beats a stronger one far off",
       {{4, 4, 0.8f, 2, 2}},
       {{6, 7, 0.4f, 0, 0}, {0, 0, 0.9f, 0, 0}},
       6, 7, 0.4f},
      {"a much stronger wrist a few cells off wins",
       {{4, 4, 0.8f, 2, 2}},
       {{6, 6, 0.1f, 0, 0}, {2, 6, 0.9f, -0.25f, 0.75f}},
       2, 6, 0.9f},
  };
  for (const auto& c : cases) {
    SingleHeads heads;
    for (const Peak& p : c.centres) heads.Centre(p.y, p.x, p.score, p.dy, p.dx);
    float oy = 0, ox = 0;
    for (const Peak& p : c.wrists) {
      heads.Wrist(p.y, p.x, p.score, p.dy, p.dx);
      if (p.y == c.want_y && p.x == c.want_x) oy = p.dy, ox = p.dx;
    }
    const ScoredPoint w = DecodeSinglePose(heads.View()).keypoints[kLeftWrist];
    // Cell plus offset, as a share of the grid.
    EXPECT_FLOAT_EQ(w.y, (c.want_y + oy) / SingleHeads::kGrid) << c.what;
    EXPECT_FLOAT_EQ(w.x, (c.want_x + ox) / SingleHeads::kGrid) << c.what;
    EXPECT_FLOAT_EQ(w.score, c.want_score) << c.what;
  }
}

TEST(SinglePoseDecoder, EmptyGridGivesNoKeypoints) {
  const PersonPose p = DecodeSinglePose(SinglePoseHeads{});
  for (const ScoredPoint& k : p.keypoints) EXPECT_EQ(k.score, 0.0f);
}

// ---------------------------------------------------------------- the square

// A standing person: hips' middle (110, 200), shoulders 50 px above it, the
// left ankle at `ankle_y`, in the box (90, 110) - (130, 300).
PersonPose Standing(float hip_score, float ankle_y = 300) {
  PersonPose p;
  p.box = {90, 110, 130, 300};
  auto set = [&](Keypoint k, float x, float y, float s) { p.keypoints[k] = {x, y, s}; };
  set(kLeftHip, 120, 200, hip_score);
  set(kRightHip, 100, 200, hip_score);
  set(kLeftShoulder, 120, 150, 0.8f);
  set(kRightShoulder, 100, 150, 0.8f);
  set(kNose, 110, 120, 0.8f);
  set(kLeftAnkle, 115, ankle_y, 0.8f);
  set(kRightAnkle, 105, 300, 0.1f);  // too weak to size the square
  set(kLeftWrist, 110, 400, 0.1f);   // likewise
  return p;
}

TEST(RefineCrop, SquareAroundTheHipsHoldsTheBodyOrFallsBackToTheBox) {
  const struct {
    const char* what;
    PersonPose person;
    cv::Size picture;
    float x0, y0, side;
  } cases[] = {
      // 1.2 x the ankles' 100 px beats 1.9 x the torso's 50 px and the box's half (95).
      {"torso seen: around the hips, 1.2 x the farthest joint", Standing(0.8f), {640, 480}, -10,
       80, 240},
      {"no hip seen: the box, squared", Standing(0.1f), {640, 480}, 15, 110, 190},
      // 1.2 x 250 px, but the farthest edge from (110, 200) is the top, 200 px away.
      {"never wider than to the farthest picture edge", Standing(0.8f, 450), {220, 210}, -90, 0,
       400},
  };
  for (const auto& c : cases) {
    const SquareCrop crop = RefineCropFor(c.person, c.picture);
    EXPECT_NEAR(crop.x0, c.x0, 1e-3) << c.what;
    EXPECT_NEAR(crop.y0, c.y0, 1e-3) << c.what;
    EXPECT_NEAR(crop.side, c.side, 1e-3) << c.what;
  }
}

TEST(RefineCrop, RefinedJointsReplaceOnlyWeakerOnes) {
  PersonPose person, refined;
  person.keypoints[kNose] = {10, 10, 0.8f};
  person.keypoints[kLeftWrist] = {20, 20, 0.2f};
  refined.keypoints[kNose] = {11, 11, 0.7f};
  refined.keypoints[kLeftWrist] = {25, 25, 0.6f};
  person.score = 0.5f;
  MergeRefinedKeypoints(refined, &person);
  EXPECT_EQ(person.keypoints[kNose].x, 10);
  EXPECT_EQ(person.keypoints[kLeftWrist].x, 25);
  EXPECT_EQ(person.keypoints[kLeftWrist].score, 0.6f);
  EXPECT_EQ(person.score, 0.5f);  // the person's own score stays
}

// ---------------------------------------------------------------- the setting

TEST(PoseRefineSetting, NamesTheModelToLoad) {
  const struct {
    const char* value;
    bool taken;
    PoseRefineModel model;
    const char* file;  // "": no model
  } cases[] = {
      {"off", true, PoseRefineModel::kOff, ""},
      {"lightning", true, PoseRefineModel::kLightning, "movenet-lightning"},
      {"thunder", true, PoseRefineModel::kThunder, "movenet-thunder"},
      {"Thunder", false, PoseRefineModel::kLightning, "movenet-lightning"},
      {"on", false, PoseRefineModel::kLightning, "movenet-lightning"},
  };
  for (const auto& c : cases) {
    CameraSettings s;
    s.pose_refine_model = PoseRefineModel::kLightning;
    const char* problem = SetCameraSetting("pose_refine_model", c.value, &s);
    EXPECT_EQ(problem == nullptr, c.taken) << c.value;
    EXPECT_EQ(s.pose_refine_model, c.model) << c.value;
    EXPECT_EQ(PoseRefineModelName(s.pose_refine_model), c.file) << c.value;
    const std::vector<std::string> names = CameraModelNames(s);
    EXPECT_EQ(std::count(names.begin(), names.end(), std::string(c.file)), *c.file ? 1 : 0)
        << c.value;
  }
}

}  // namespace
