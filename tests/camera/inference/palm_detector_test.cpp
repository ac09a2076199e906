// The palm detector: decoding of the model's anchor rows, the hand square it
// derives from a palm, and palms found in labelled photos (whole picture and
// a search square that reaches past the picture's edge).

#include "body/backends/camera/inference/palm_detector.h"

#include <gtest/gtest.h>

#include <cmath>
#include <opencv2/core.hpp>

#include "body/backends/camera/inference/camera_assets.h"
#include "test_media.h"

namespace {

constexpr int kValues = 19;
constexpr size_t kAnchors = 2944;

// Model output rows with every anchor far below any threshold.
std::vector<float> QuietRows() {
  std::vector<float> rows(kAnchors * kValues, 0.0f);
  for (size_t i = 0; i < kAnchors; ++i) rows[i * kValues] = -20.0f;
  return rows;
}

// A detection at anchor `index`: box offset (dx, dy) and size in input pixels,
// keypoints on the vertical through the box centre, the wrist lowest.
void SetRow(std::vector<float>* rows, size_t index, float logit, float dx, float dy, float size) {
  float* r = rows->data() + index * kValues;
  r[0] = logit;
  r[1] = dx, r[2] = dy, r[3] = size, r[4] = size;
  for (int k = 0; k < kPalmKeypointCount; ++k) {
    r[5 + 2 * k] = dx;
    r[6 + 2 * k] = dy + size / 2 - k * size / 6;  // keypoint 0 lowest
  }
}

float Logit(float p) {
  return std::log(p / (1 - p));
}

cv::Point2f Center(const cv::Rect2f& r) {
  return {r.x + r.width / 2, r.y + r.height / 2};
}

TEST(PalmAnchors, FollowTheModelsRowOrder) {
  const auto& a = PalmAnchors();
  ASSERT_EQ(a.size(), kAnchors);
  struct Case {
    size_t row;
    cv::Point2f center;
  };
  const Case cases[] = {
      {0, {0.5f / 32, 0.5f / 32}},                               // stride 8, first cell
      {1, {0.5f / 32, 0.5f / 32}},                               // its second anchor
      {2 * (5 * 32 + 3), {3.5f / 32, 5.5f / 32}},                // stride 8, row 5, col 3
      {2048 + 2 * (5 * 16 + 3) + 1, {3.5f / 16, 5.5f / 16}},     // stride 16
      {2048 + 512 + 6 * (2 * 8 + 7) + 5, {7.5f / 8, 2.5f / 8}},  // stride 32, last anchor
      {kAnchors - 1, {7.5f / 8, 7.5f / 8}},
  };
  for (const Case& c : cases) {
    EXPECT_NEAR(a[c.row].x, c.center.x, 1e-6) << c.row;
    EXPECT_NEAR(a[c.row].y, c.center.y, 1e-6) << c.row;
  }
}

TEST(DecodePalms, BoxKeypointsAndDirectionFromOneAnchor) {
  auto rows = QuietRows();
  const size_t row = 2048 + 2 * (5 * 16 + 3);  // stride 16, cell (3, 5): centre (56, 88)
  SetRow(&rows, row, Logit(0.9f), 8, -4, 32);
  const auto palms = DecodePalms(rows.data(), kAnchors, {});
  ASSERT_EQ(palms.size(), 1u);
  const Palm& p = palms[0];
  EXPECT_NEAR(p.score, 0.9f, 1e-4);
  EXPECT_NEAR(Center(p.box).x * 256, 64, 1e-3);
  EXPECT_NEAR(Center(p.box).y * 256, 84, 1e-3);
  EXPECT_NEAR(p.box.width * 256, 32, 1e-3);
  EXPECT_NEAR(p.keypoints[0].y * 256, 100, 1e-3);  // the wrist, half the box below
  EXPECT_NEAR(p.up.x, 0, 1e-5);
  EXPECT_NEAR(p.up.y, -1, 1e-5);
}

TEST(DecodePalms, ThresholdMergingAndLimit) {
  // a and b: neighbouring stride-8 cells, 8 px apart, so their 40 px boxes
  // overlap; far: a stride-32 cell elsewhere.
  const size_t a = 100, b = 102, far = 2048 + 512 + 6 * 40;
  struct Case {
    const char* what;
    PalmDetectorOptions options;
    size_t expected;
    float first_center_x;  // input pixels
  };
  PalmDetectorOptions plain;
  plain.weighted_merge = false;
  PalmDetectorOptions one;
  one.max_palms = 1;
  PalmDetectorOptions strict;
  strict.min_score = 0.95f;
  const float xa = PalmAnchors()[a].x * 256, xb = PalmAnchors()[b].x * 256;
  const Case cases[] = {
      {"weighted: score-weighted mean of the overlapping two",
       {},
       2,
       (0.9f * xa + 0.6f * xb) / 1.5f},
      {"plain: the best one as it is", plain, 2, xa},
      {"limit: only the best palm", one, 1, (0.9f * xa + 0.6f * xb) / 1.5f},
      {"threshold: nothing reaches it", strict, 0, 0},
  };
  for (const Case& c : cases) {
    auto rows = QuietRows();
    SetRow(&rows, a, Logit(0.9f), 0, 0, 40);
    SetRow(&rows, b, Logit(0.6f), 0, 0, 40);
    SetRow(&rows, far, Logit(0.7f), 0, 0, 40);
    const auto palms = DecodePalms(rows.data(), kAnchors, c.options);
    ASSERT_EQ(palms.size(), c.expected) << c.what;
    if (palms.empty()) continue;
    EXPECT_NEAR(palms[0].score, 0.9f, 1e-4) << c.what;
    EXPECT_NEAR(Center(palms[0].box).x * 256, c.first_center_x, 1e-3) << c.what;
    if (palms.size() > 1) {
      EXPECT_NEAR(palms[1].score, 0.7f, 1e-4) << c.what;
    }
  }
}

TEST(HandRegionFromPalm, ScaledSquareShiftedTowardsTheFingers) {
  const cv::Rect2f box(100, 200, 40, 50);  // centre (120, 225)
  struct Case {
    cv::Point2f up;
    cv::Point2f center;
  };
  const float s = std::sqrt(0.5f);
  const Case cases[] = {
      {{0, -1}, {120, 200}},                   // fingers up
      {{1, 0}, {145, 225}},                    // fingers right
      {{s, s}, {120 + 25 * s, 225 + 25 * s}},  // fingers down-right
  };
  for (const Case& c : cases) {
    const HandRegion r = HandRegionFromPalm(box, c.up);
    EXPECT_NEAR(r.center.x, c.center.x, 1e-3);
    EXPECT_NEAR(r.center.y, c.center.y, 1e-3);
    EXPECT_NEAR(r.side, 2.6f * 50, 1e-3);
    EXPECT_EQ(r.up, c.up);
  }
}

// ------------------------------------------------------------------ photos

// Copies of a few hands-dev photos (see hands/README.md), with their labels.
struct LabelledHand {
  const char* file;
  cv::Rect box;
};
const LabelledHand kHands[] = {
    {"1528664299.56_pic00068.jpg", cv::Rect(cv::Point(229, 153), cv::Point(384, 528))},  // V
    {"1528664299.56_pic00073.jpg",
     cv::Rect(cv::Point(553, 308), cv::Point(714, 600))},  // V, at the edge
    {"1528664299.56_pic00087.jpg", cv::Rect(cv::Point(457, 298), cv::Point(577, 505))},  // fist
    {"2_pic00041.jpg", cv::Rect(cv::Point(126, 251), cv::Point(385, 547))},              // open
};

class PalmOnPhoto : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(detector_.Load(ModelPath("handdetect"), 1, &error)) << error;
  }
  static cv::Mat Photo(const char* file) {
    return ReadPictureFile(std::string(T2_TEST_HANDS_DIR "/") + file);
  }
  PalmDetector detector_;
};

TEST_F(PalmOnPhoto, WholePictureSearchFindsThePalmInTheLabelledHand) {
  for (const LabelledHand& h : kHands) {
    const cv::Mat photo = Photo(h.file);
    ASSERT_FALSE(photo.empty()) << h.file;
    const cv::Point2f middle((photo.cols - 1) / 2.0f, (photo.rows - 1) / 2.0f);
    std::vector<Palm> palms;
    std::string error;
    ASSERT_TRUE(
        detector_.Detect(photo, middle, float(std::max(photo.cols, photo.rows)), &palms, &error))
        << error;
    ASSERT_FALSE(palms.empty()) << h.file;
    const Palm& p = palms[0];
    EXPECT_GE(p.score, 0.5f) << h.file;
    const cv::Rect2f label(h.box);
    EXPECT_TRUE(label.contains(Center(p.box))) << h.file << " palm at " << Center(p.box);
    // The labels end about at the wrist; the palm's wrist point may lie a little past.
    const float margin = 0.1f * std::max(label.width, label.height);
    const cv::Rect2f near_label(label.x - margin, label.y - margin, label.width + 2 * margin,
                                label.height + 2 * margin);
    for (const auto& kp : p.keypoints)
      EXPECT_TRUE(near_label.contains(kp)) << h.file << " keypoint " << kp;
    // The people hold their hands up: the fingers point up the picture.
    EXPECT_LT(p.up.y, -0.7f) << h.file << " up " << p.up;
    EXPECT_TRUE(label.contains(p.hand.center)) << h.file << " hand at " << p.hand.center;
    EXPECT_GT(p.hand.side, 0.6f * std::max(label.width, label.height)) << h.file;
  }
}

TEST_F(PalmOnPhoto, SearchSquarePastThePicturesEdgeFindsTheSamePalm) {
  // The open hand searched in squares off the picture's centre that reach past
  // its left and bottom edges (black there): the palm must come back at the
  // same place in the picture as with the whole picture.
  const cv::Mat photo = Photo(kHands[3].file);
  ASSERT_FALSE(photo.empty());
  std::vector<Palm> whole;
  ASSERT_TRUE(detector_.Detect(photo, {(photo.cols - 1) / 2.0f, (photo.rows - 1) / 2.0f},
                               float(photo.cols), &whole));
  ASSERT_FALSE(whole.empty());
  struct Case {
    cv::Point2f center;
    float side;
  };
  const Case cases[] = {{{150, 500}, 600}, {{255, 600}, 500}};
  for (const Case& c : cases) {
    std::vector<Palm> near;
    ASSERT_TRUE(detector_.Detect(photo, c.center, c.side, &near));
    ASSERT_FALSE(near.empty()) << c.center;
    const float tolerance = 0.1f * whole[0].box.width;
    EXPECT_LT(cv::norm(Center(near[0].box) - Center(whole[0].box)), tolerance)
        << c.center << ": " << Center(near[0].box) << " vs " << Center(whole[0].box);
    EXPECT_LT(cv::norm(near[0].keypoints[kPalmMiddleFingerBase] -
                       whole[0].keypoints[kPalmMiddleFingerBase]),
              tolerance)
        << c.center;
  }
}

TEST_F(PalmOnPhoto, NoPalmInAPlainPictureOrOutsideIt) {
  const cv::Mat grey(480, 640, CV_8UC3, cv::Scalar::all(128));
  std::vector<Palm> palms;
  ASSERT_TRUE(detector_.Detect(grey, {320, 240}, 640, &palms));
  EXPECT_TRUE(palms.empty());
  const cv::Mat photo = Photo(kHands[0].file);
  ASSERT_TRUE(detector_.Detect(photo, {-500, -500}, 300, &palms));  // misses the picture
  EXPECT_TRUE(palms.empty());
}

}  // namespace
