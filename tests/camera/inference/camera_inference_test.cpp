// The camera backend's models on ONNX Runtime, without a camera: the converted
// models against the NumPy reference of the original graphs, people and hands
// in Debian's test pictures, and tracking IDs through a street video.

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <fstream>
#include <map>
#include <opencv2/core.hpp>
#include <set>
#include <sstream>

#include "body/backends/camera/inference/body_estimator.h"
#include "body/backends/camera/inference/camera_assets.h"
#include "body/backends/camera/inference/hand_landmarker.h"
#include "body/backends/camera/inference/hand_shape.h"
#include "body/backends/camera/inference/onnx_model.h"
#include "body/backends/camera/video/picture_scaler.h"
#include "body/backends/camera/inference/pose_estimator.h"
#include "body/backends/camera/inference/pose_refiner.h"
#include "body/backends/camera/video/video_source.h"
#include "hand_labels.h"
#include "test_media.h"

namespace {

struct RefTensor {
  std::vector<int64_t> shape;
  std::vector<float> values;
};

// Reads <dir>/manifest.txt and the .f32 files it names; the first is the input.
std::vector<std::pair<std::string, RefTensor>> ReadReference(const std::string& dir) {
  std::vector<std::pair<std::string, RefTensor>> tensors;
  std::ifstream manifest(dir + "/manifest.txt");
  std::string line;
  while (std::getline(manifest, line)) {
    std::istringstream fields(line);
    std::string name;
    fields >> name;
    RefTensor t;
    size_t count = 1;
    for (int64_t d; fields >> d;) t.shape.push_back(d), count *= size_t(d);
    t.values.resize(count);
    std::ifstream data(dir + "/" + name + ".f32", std::ios::binary);
    data.read(reinterpret_cast<char*>(t.values.data()), std::streamsize(count * sizeof(float)));
    if (!data) return {};
    tensors.emplace_back(name, std::move(t));
  }
  return tensors;
}

class ConvertedModel : public ::testing::TestWithParam<const char*> {};

TEST_P(ConvertedModel, MatchesTheReferenceOfTheOriginalGraph) {
  const std::string name = GetParam();
  const auto ref = ReadReference(CameraAssetsDir() + "/models/" + name + ".reference");
  ASSERT_GE(ref.size(), 2u) << "reference outputs missing; run tools/setup-extra.sh";
  OnnxModel model;
  std::string error;
  ASSERT_TRUE(model.Load(ModelPath(name), 1, &error)) << error;
  std::vector<Tensor> out;
  ASSERT_TRUE(model.Run(ref[0].second.values.data(), ref[0].second.shape, &out, &error)) << error;
  for (size_t i = 1; i < ref.size(); ++i) {
    const auto& [out_name, expected] = ref[i];
    const int index = model.OutputIndex(out_name);
    ASSERT_GE(index, 0) << out_name;
    const Tensor& got = out[index];
    EXPECT_EQ(got.shape, expected.shape) << out_name;
    ASSERT_EQ(got.values.size(), expected.values.size()) << out_name;
    float peak = 0;
    for (float v : expected.values) peak = std::max(peak, std::fabs(v));
    // float32 sums in another order: agreement to 1e-4 of the output's range.
    const float tolerance = 1e-4f * peak + 1e-6f;
    float worst = 0;
    size_t worst_at = 0;
    for (size_t j = 0; j < got.values.size(); ++j) {
      const float d = std::fabs(got.values[j] - expected.values[j]);
      if (!(d <= worst)) worst = d, worst_at = j;
    }
    EXPECT_LE(worst, tolerance) << out_name << " differs most at " << worst_at << ": "
                                << got.values[worst_at] << " vs " << expected.values[worst_at];
  }
}

INSTANTIATE_TEST_SUITE_P(AllModels, ConvertedModel,
                         ::testing::Values("movenet-multipose", "movenet-lightning",
                                           "movenet-thunder", "handlandmark-lite",
                                           "handlandmark-full", "handdetect"));

// ------------------------------------------------------------ test material

const std::string kDocDir = T2_OPENCV_DOC_DIR;
const std::string kMessi = kDocDir + "/examples/data/messi5.jpg";
const std::string kHand = kDocDir + "/opencv4/html/handSrc.jpg";
const std::string kStreet = kDocDir + "/examples/data/vtest.avi";

#define REQUIRE_FILE(path) \
  if (!std::ifstream(path)) GTEST_SKIP() << path << " missing (Debian package opencv-doc)"

// ------------------------------------------------------------------ people

// messi5.jpg (548 x 342): a footballer in a wide stride, right arm up and out.
// Keypoints placed by eye on the picture; 20 px is about a third of his head's
// height and a tenth of his body's.
const struct {
  Keypoint k;
  float x, y;
} kMessiKeypoints[] = {
    {kNose, 244, 114},       {kLeftShoulder, 275, 120}, {kRightShoulder, 198, 128},
    {kLeftElbow, 310, 145},  {kRightElbow, 150, 122},   {kLeftWrist, 345, 160},
    {kRightWrist, 105, 103}, {kLeftHip, 290, 225},      {kRightHip, 250, 240},
    {kLeftKnee, 350, 250},   {kRightKnee, 235, 285},    {kLeftAnkle, 425, 265},
    {kRightAnkle, 276, 318},
};
constexpr float kTolerancePx = 20;

TEST(PoseOnPhoto, JointsLandOnThePerson) {
  REQUIRE_FILE(kMessi);
  const cv::Mat picture = ReadPictureFile(kMessi);
  PoseEstimator pose;
  std::string error;
  ASSERT_TRUE(pose.Load(ModelPath("movenet-multipose"), 2, 256, &error)) << error;
  const std::vector<PersonPose> people = pose.Estimate(picture, &error);
  ASSERT_FALSE(people.empty()) << error;
  const PersonPose& p = people[0];
  EXPECT_GE(p.score, 0.3f);
  for (size_t i = 1; i < people.size(); ++i) EXPECT_LT(people[i].score, 0.1f) << "only one person";
  for (const auto& e : kMessiKeypoints) {
    const ScoredPoint& got = p.keypoints[e.k];
    EXPECT_NEAR(got.x, e.x, kTolerancePx) << "keypoint " << e.k;
    EXPECT_NEAR(got.y, e.y, kTolerancePx) << "keypoint " << e.k;
    EXPECT_GE(got.score, 0.3f) << "keypoint " << e.k;
  }
  // The box holds him: from the raised hand to the far foot.
  EXPECT_LT(p.box.x0, 90);
  EXPECT_GT(p.box.x1, 430);
}

// Each single-pose model, cut to the person MultiPose found, places every
// joint on him by itself (the MultiPose joints' scores are zeroed, so all of
// its joints replace them): the square and the way back to picture pixels.
TEST(PoseRefinerOnPhoto, SinglePoseJointsLandOnThePerson) {
  REQUIRE_FILE(kMessi);
  const cv::Mat picture = ReadPictureFile(kMessi);
  PoseEstimator pose;
  std::string error;
  ASSERT_TRUE(pose.Load(ModelPath("movenet-multipose"), 2, 256, &error)) << error;
  std::vector<PersonPose> people = pose.Estimate(picture, &error);
  ASSERT_FALSE(people.empty()) << error;
  people.resize(1);
  for (ScoredPoint& k : people[0].keypoints) k.score = 0;
  for (PoseRefineModel model : {PoseRefineModel::kLightning, PoseRefineModel::kThunder}) {
    CameraSettings settings;
    settings.pose_refine_model = model;
    PoseRefiner refiner;
    ASSERT_TRUE(refiner.Load(settings, 2, &error)) << error;
    std::vector<PersonPose> refined = people;
    ASSERT_TRUE(refiner.Refine(picture, &refined, &error)) << error;
    for (const auto& e : kMessiKeypoints) {
      const ScoredPoint& got = refined[0].keypoints[e.k];
      const std::string what = PoseRefineModelName(model) + " keypoint " + std::to_string(e.k);
      EXPECT_NEAR(got.x, e.x, kTolerancePx) << what;
      EXPECT_NEAR(got.y, e.y, kTolerancePx) << what;
      EXPECT_GE(got.score, 0.3f) << what;
    }
  }
}

// The full pipeline on the same photo: the body frame's joints, put through
// the colour camera's pinhole model and the body update's halving, land on
// the same places of the 960 x 540 picture.
TEST(BodyEstimatorOnPhoto, BodyFrameJointsMapOntoThePersonInThePicture) {
  REQUIRE_FILE(kMessi);
  const cv::Mat picture = ReadPictureFile(kMessi);
  CameraSettings settings;
  BodyEstimator estimator(settings);
  std::string error;
  ASSERT_TRUE(estimator.Load(&error)) << error;
  estimator.SetCameraSize(picture.size());
  BodyFrameData frame;
  ASSERT_TRUE(estimator.Process(picture, 1234, &frame, nullptr, &error)) << error;
  EXPECT_EQ(frame.relative_time, 1234);
  int tracked = 0;
  for (const BodyData& b : frame.bodies) tracked += b.is_tracked;
  ASSERT_EQ(tracked, 1);
  const BodyData& body = frame.bodies[0];
  EXPECT_NE(body.tracking_id, 0u);
  const ColorFrameGeometry& g = estimator.geometry();
  const struct {
    JointType joint;
    float x, y;  // messi5.jpg pixels
  } expected[] = {{JointType_HandRight, 105, 103},
                  {JointType_HandLeft, 345, 160},
                  {JointType_FootLeft, 425, 265},
                  {JointType_Head, 240, 108}};
  for (const auto& e : expected) {
    const Joint& j = body.joints[e.joint];
    EXPECT_EQ(j.TrackingState, TrackingState_Tracked) << e.joint;
    const ColorSpacePoint c = estimator.camera_model().Project(j.Position);
    const cv::Point2f want = g.ToColor({e.x, e.y});
    // 20 photo pixels, in colour pixels.
    EXPECT_NEAR(c.X, want.x, 20 * g.scale) << e.joint;
    EXPECT_NEAR(c.Y, want.y, 20 * g.scale) << e.joint;
  }
  // A head distance an adult's size implies with a child's shoulder width:
  // finite, in front of the camera.
  const CameraSpacePoint head = body.joints[JointType_Head].Position;
  const float head_dist = std::sqrt(head.X * head.X + head.Y * head.Y + head.Z * head.Z);
  EXPECT_GT(head_dist, 0.3f);
  EXPECT_LT(head_dist, 10.0f);
}

// ------------------------------------------------------------------- hands

// handSrc.jpg (640 x 480): an open right hand lying flat, fingers to the right.
TEST(HandOnPhoto, OpenHandReadsAsPaper) {
  REQUIRE_FILE(kHand);
  const cv::Mat picture = ReadPictureFile(kHand);
  for (const char* model : {"handlandmark-lite", "handlandmark-full"}) {
    SCOPED_TRACE(model);
    HandLandmarker hands;
    std::string error;
    ASSERT_TRUE(hands.Load(ModelPath(model), 1, &error)) << error;
    HandRegion region;
    region.center = {290, 250};
    region.up = {1, 0};
    region.side = 640;
    HandLandmarks lm;
    ASSERT_TRUE(hands.Estimate(picture, region, &lm, &error)) << error;
    EXPECT_GT(lm.presence, 0.9f);
    // Fingertips at the right ends of the fingers (by eye), within 30 px.
    const struct {
      int landmark;
      float x, y;
    } tips[] = {{8, 480, 140}, {12, 530, 258}, {16, 505, 325}, {20, 420, 440}};
    for (const auto& t : tips) {
      EXPECT_NEAR(lm.image[t.landmark].x, t.x, 30) << "landmark " << t.landmark;
      EXPECT_NEAR(lm.image[t.landmark].y, t.y, 30) << "landmark " << t.landmark;
    }
    EXPECT_EQ(ClassifyHandShape(lm, 0.5f), HandState_Open);
    // Turned a little and cropped tighter, as a crop from a moving arm would be.
    region.center = {250, 250};
    region.up = cv::Point2f(1, -0.2f) / std::hypot(1.0f, 0.2f);
    region.side = 500;
    ASSERT_TRUE(hands.Estimate(picture, region, &lm, &error)) << error;
    EXPECT_EQ(ClassifyHandShape(lm, 0.5f), HandState_Open);
  }
}

TEST(HandOnPhoto, EmptyBackgroundIsNoHand) {
  REQUIRE_FILE(kHand);
  const cv::Mat picture = ReadPictureFile(kHand);
  HandLandmarker hands;
  std::string error;
  ASSERT_TRUE(hands.Load(ModelPath("handlandmark-lite"), 1, &error)) << error;
  HandRegion region;
  region.center = {580, 60};  // the bare table top right
  region.side = 100;
  HandLandmarks lm;
  ASSERT_TRUE(hands.Estimate(picture, region, &lm, &error)) << error;
  EXPECT_LT(lm.presence, 0.5f);
  EXPECT_EQ(ClassifyHandShape(lm, 0.5f), HandState_Unknown);
}

// The hand model's time per picture keeps to the budget on average: what the
// steps are estimated to cost over many pictures stays within the budget of
// those pictures plus what could be saved up and one step's overshoot.
TEST(BodyEstimatorOnPhoto, HandWorkKeepsToTheTimeBudget) {
  REQUIRE_FILE(kMessi);
  const cv::Mat photo = ReadPictureFile(kMessi);
  cv::Mat two;
  cv::hconcat(photo, photo, two);
  CameraSettings settings;
  settings.hand_crops_per_frame = 0;
  settings.hand_budget_ms = 8;
  BodyEstimator estimator(settings);
  std::string error;
  ASSERT_TRUE(estimator.Load(&error)) << error;
  const float run_ms = settings.hand_model_full ? 6 : 3, search_ms = 13;
  constexpr int kPictures = 20;
  float spent = 0;
  int runs = 0;
  BodyFrameData frame;
  for (int i = 0; i < kPictures; ++i) {
    // Another picture every time (shifted by a pixel), as from a camera.
    cv::Mat moved;
    cv::copyMakeBorder(two, moved, 0, 0, i % 2, 1 - i % 2, cv::BORDER_REPLICATE);
    BodyEstimateTiming timing;
    ASSERT_TRUE(estimator.Process(moved, i, &frame, &timing, &error)) << error;
    spent += timing.hand_crops * run_ms + timing.palm_searches * search_ms;
    runs += timing.hand_crops;
  }
  EXPECT_GT(runs, 0) << "hands should be read at all";
  EXPECT_LE(spent, kPictures * settings.hand_budget_ms + search_ms + 2 * run_ms);
}

// Labelled photos of fists, V signs and open hands (hands/labels.csv; see
// hands/README.md): the whole pipeline, with the program's own settings,
// reads each labelled hand as its shape once the picture has been seen for
// a few frames.
TEST(HandsOnPhotos, WholePipelineReadsEachLabelledShape) {
  const std::string dir = T2_TEST_HANDS_DIR;
  const std::vector<LabelledHand> labels = ReadHandLabels(dir + "/labels.csv");
  ASSERT_FALSE(labels.empty());
  int shapes_seen[3] = {};
  for (const LabelledHand& h : labels) ++shapes_seen[h.shape];
  for (int shape = 0; shape < 3; ++shape) EXPECT_GE(shapes_seen[shape], 3) << kShapeNames[shape];

  const CameraSettings settings;
  BodyEstimator estimator(settings);
  std::string error;
  ASSERT_TRUE(estimator.Load(&error)) << error;
  std::string last_file;
  BodyFrameData frame;
  for (const LabelledHand& h : labels) {
    SCOPED_TRACE(h.file + " " + kShapeNames[h.shape]);
    if (h.file != last_file) {
      const cv::Mat picture = ReadPictureFile(dir + "/" + h.file);
      ASSERT_FALSE(picture.empty());
      estimator.Reset();
      for (int i = 0; i < 8; ++i)
        ASSERT_TRUE(estimator.Process(picture, i, &frame, nullptr, &error)) << error;
      last_file = h.file;
    }
    const HandMatch m = MatchLabelledHand(h, estimator, frame, settings.keypoint_threshold);
    ASSERT_TRUE(m.found) << kHandLossNames[m.loss];
    EXPECT_EQ(m.read, kShapes[h.shape]);
    const BodyData& body = frame.bodies[m.slot];
    EXPECT_GT(m.side == 0 ? body.hand_left_confidence : body.hand_right_confidence, 0.5f);
    // The hand vouches for its wrist: the joint is reported.
    const Joint& wrist = body.joints[m.side == 0 ? JointType_WristLeft : JointType_WristRight];
    EXPECT_NE(wrist.TrackingState, TrackingState_NotTracked);
  }
}

// Two people side by side. Without a budget every readable hand is read
// every frame; with a budget of one crop a frame the hands take turns: each
// frame reads another one until all have been read.
TEST(BodyEstimatorOnPhoto, HandCropsKeepToTheBudgetAndTakeTurns) {
  REQUIRE_FILE(kMessi);
  const cv::Mat photo = ReadPictureFile(kMessi);
  cv::Mat two;
  cv::hconcat(photo, photo, two);
  auto estimator_with = [](int budget) {
    CameraSettings settings;
    settings.hand_crops_per_frame = budget;
    settings.hand_budget_ms = 0;  // no time limit: only the count
    auto estimator = std::make_unique<BodyEstimator>(settings);
    std::string error;
    EXPECT_TRUE(estimator->Load(&error)) << error;
    return estimator;
  };
  BodyFrameData frame;
  BodyEstimateTiming timing;
  std::string error;
  auto all = estimator_with(0);
  ASSERT_TRUE(all->Process(two, 0, &frame, &timing, &error)) << error;
  ASSERT_EQ(timing.people, 2);
  const uint32_t readable = timing.hands_read;
  const int count = std::popcount(readable);
  ASSERT_GE(count, 2) << "the photo should show at least two readable hands";

  auto one = estimator_with(1);
  uint32_t read = 0;
  for (int i = 0; i < count; ++i) {
    ASSERT_TRUE(one->Process(two, i, &frame, &timing, &error)) << error;
    EXPECT_EQ(std::popcount(timing.hands_read), 1) << "frame " << i;
    EXPECT_EQ(read & timing.hands_read, 0u) << "frame " << i << " read a hand again";
    read |= timing.hands_read;
  }
  EXPECT_EQ(read, readable);
}

// ----------------------------------------------------------------- tracking

// vtest.avi (768 x 576, 10 fps): pedestrians walking across a hall. The
// first two seconds: three people from the third frame on, a fourth joins.
// Each keeps its ID: an ID never jumps between people (its box moves less
// than half a body height between frames), and the IDs of the first frames
// are still there, on people, at the end.
TEST(TrackingOnVideo, PeopleKeepTheirIdsAcrossFrames) {
  REQUIRE_FILE(kStreet);
  CameraSettings settings;
  settings.replay_realtime = false;
  settings.hand_shapes = false;
  settings.pose_input_width = 384;  // the walkers are small: 80 px tall
  VideoSource source;
  std::string error;
  ASSERT_TRUE(source.Open(kStreet, settings, &error)) << error;
  BodyEstimator estimator(settings);
  ASSERT_TRUE(estimator.Load(&error)) << error;
  estimator.SetCameraSize(source.size());

  std::map<uint64_t, PersonBox> last_box;  // by ID, from the previous frame
  std::set<uint64_t> ids_at_start, ids_at_end;
  int most_people = 0;
  PictureScaler scaler;
  CameraPicture taken;
  cv::Mat picture;
  for (int frame = 0; frame < 20; ++frame) {
    ASSERT_EQ(source.Next(&taken), VideoSource::Read::kFrame) << frame;
    ASSERT_TRUE(scaler.ToBgr(*taken.frame, &picture));
    BodyFrameData bodies;
    ASSERT_TRUE(estimator.Process(picture, taken.capture_time, &bodies, nullptr, &error)) << error;
    std::map<uint64_t, PersonBox> boxes;
    for (const TrackSlot& slot : estimator.slots())
      if (slot.seen) boxes[slot.id] = slot.pose.box;
    most_people = std::max<int>(most_people, boxes.size());
    for (const auto& [id, box] : boxes) {
      auto was = last_box.find(id);
      if (was == last_box.end()) continue;
      const float dx = (box.x0 + box.x1 - was->second.x0 - was->second.x1) / 2;
      const float dy = (box.y0 + box.y1 - was->second.y0 - was->second.y1) / 2;
      EXPECT_LT(std::hypot(dx, dy), 0.5f * box.height())
          << "ID " << id << " jumped at frame " << frame;
    }
    // A person may be missed for a frame or two: look at short windows.
    for (const auto& entry : boxes) {
      if (frame >= 2 && frame <= 4) ids_at_start.insert(entry.first);
      if (frame >= 15) ids_at_end.insert(entry.first);
    }
    last_box = boxes;
  }
  EXPECT_GE(most_people, 3);
  EXPECT_GE(ids_at_start.size(), 3u);
  for (uint64_t id : ids_at_start) EXPECT_TRUE(ids_at_end.count(id)) << "ID " << id << " lost";
}

}  // namespace
