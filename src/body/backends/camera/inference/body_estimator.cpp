#include "body/backends/camera/inference/body_estimator.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "body/backends/camera/inference/camera_assets.h"
#include "body/backends/camera/inference/hand_regions.h"
#include "body/backends/camera/inference/keypoint_body_mapping.h"
#include "body/backends/camera/inference/reported_wrists.h"

namespace {
constexpr float kDefaultDepthM = 2.0f;   // before any size cue was seen
constexpr float kDepthSmoothing = 0.3f;  // weight of the newest estimate
// A palm is searched for in a square this many hand regions wide around the
// wrist: the palm detector needs the arm and some room around the hand.
constexpr float kPalmSearchSides = 3.0f;
// The hand budget saves up at most this many pictures' worth.
constexpr float kBudgetPictures = 4.0f;

double MsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}
}  // namespace

BodyEstimator::BodyEstimator(const CameraSettings& settings)
    : settings_(settings),
      hands_(settings),
      tracker_(settings.track_max_missed_frames, settings.keypoint_threshold) {}

bool BodyEstimator::Load(std::string* error) {
  const int threads =
      PoseThreadsFor(settings_, static_cast<int>(std::thread::hardware_concurrency()));
  if (!pose_.Load(ModelPath("movenet-multipose"), threads, settings_.pose_input_width, error))
    return false;
  if (!refiner_.Load(settings_, threads, error)) return false;
  if (!settings_.hand_shapes) return true;
  return hands_.Load(error);
}

void BodyEstimator::SetCameraSize(cv::Size camera) {
  geometry_ = ColorFrameGeometry::For(camera);
  camera_ = ColorCameraModel(camera.width, geometry_.scale, settings_.horizontal_fov_deg);
}

bool BodyEstimator::HandReadable(const PersonPose& pose, const SlotState& state, int side) const {
  return settings_.hand_shapes &&
         (state.hand_track[side].side > 0 ||
          pose.keypoints[kWristOf[side]].score >= settings_.hand_wrist_threshold);
}

// A hand seen in the last picture is read where its landmarks put it, once;
// otherwise (or when it has gone from there) where the pose suggests, read
// twice so that its own landmarks place the second crop. A hand that does not
// belong to this person's wrist (a neighbour's, say) does not count.
void BodyEstimator::Spend() {
  const int runs = hands_.TakeModelRuns(), searches = hands_.TakePalmSearches();
  model_runs_ += runs;
  palm_searches_ += searches;
  hand_credit_ms_ -= runs * hands_.RunCostMs() + searches * hands_.SearchCostMs();
}

bool BodyEstimator::CanSpend() const {
  return settings_.hand_budget_ms <= 0 || hand_credit_ms_ > 0;
}

HandReading BodyEstimator::ReadHand(const cv::Mat& bgr, const PersonPose& pose, SlotState* state,
                                    int side) {
  const float wrist_threshold = settings_.hand_wrist_threshold;
  const auto belongs = [&](const HandReading& r) {
    return r.found && HandBelongsTo(pose, side, {r.landmarks.image[0].x, r.landmarks.image[0].y},
                                    r.region.side, wrist_threshold);
  };
  HandReading r;
  HandRegion& track = state->hand_track[side];
  if (track.side > 0) {
    r = hands_.ReadAt(bgr, track, /*guess=*/false);
    Spend();
    if (belongs(r)) {
      track = r.next;
      return r;
    }
  }
  std::vector<HandRegion> guesses = HandRegionsFromPose(pose, side, wrist_threshold);
  // First the palm detector: it finds the hand wherever it is around the
  // wrist, whichever way it points; then the guesses from the arm. Each step
  // only while the budget lasts: the next one waits for a later picture.
  if (!guesses.empty() && CanSpend()) {
    const ScoredPoint& w = pose.keypoints[kWristOf[side]];
    r = hands_.Search(bgr, {w.x, w.y}, kPalmSearchSides * guesses[0].side, belongs);
    Spend();
    if (r.found) {
      track = r.next;
      return r;
    }
  }
  for (const HandRegion& guess : guesses) {
    if (!CanSpend()) break;
    r = hands_.ReadAt(bgr, guess, /*guess=*/true);
    Spend();
    if (belongs(r)) {
      track = r.next;
      return r;
    }
  }
  track = HandRegion{};
  r.found = false;
  r.shape = HandState_Unknown;
  r.confidence = 0;
  return r;
}

void BodyEstimator::Reset() {
  tracker_ = BodyTracker(settings_.track_max_missed_frames, settings_.keypoint_threshold);
  slot_state_ = {};
  readings_ = {};
  read_now_ = {};
  next_hand_ = 0;
  hand_credit_ms_ = 0;
  model_runs_ = palm_searches_ = 0;
}

void BodyEstimator::UpdateHands(const cv::Mat& bgr, BodyEstimateTiming* timing) {
  // The hands that can be read this frame; with more than the budget allows,
  // each frame starts where the last one stopped, so every hand gets its turn
  // and the others keep their shapes meanwhile.
  read_now_ = {};
  // The budget accrues per picture, up to a few pictures' worth, so that a
  // costly search now and then is paid off by the pictures after it.
  hand_credit_ms_ = std::min(hand_credit_ms_ + settings_.hand_budget_ms,
                             kBudgetPictures * settings_.hand_budget_ms);
  std::vector<std::pair<int, int>> readable;  // slot, side
  for (int s = 0; s < kTrackSlots; ++s) {
    const TrackSlot& slot = tracker_.slots()[s];
    if (!slot.seen) {
      readings_[s] = {};
      continue;
    }
    for (int side = 0; side < 2; ++side) {
      HandShapeFilter& filter = side == 0 ? slot_state_[s].left : slot_state_[s].right;
      if (HandReadable(slot.pose, slot_state_[s], side)) {
        readable.emplace_back(s, side);
      } else {
        filter.Update(HandState_Unknown);
        readings_[s][side] = {};
      }
    }
  }
  if (readable.empty()) return;
  // The hands of people who count outright come first.
  std::stable_partition(readable.begin(), readable.end(), [&](const std::pair<int, int>& h) {
    return tracker_.slots()[h.first].pose.score >= settings_.person_threshold;
  });
  const size_t most = settings_.hand_crops_per_frame > 0
                          ? std::min<size_t>(settings_.hand_crops_per_frame, readable.size())
                          : readable.size();
  const size_t first = next_hand_ % readable.size();
  size_t i = 0;
  for (; i < most && CanSpend(); ++i) {
    const auto [s, side] = readable[(first + i) % readable.size()];
    HandShapeFilter& filter = side == 0 ? slot_state_[s].left : slot_state_[s].right;
    readings_[s][side] = ReadHand(bgr, tracker_.slots()[s].pose, &slot_state_[s], side);
    read_now_[s][side] = true;
    filter.Update(readings_[s][side].shape, readings_[s][side].confidence);
    if (timing) timing->hands_read |= 1u << (2 * s + side);
  }
  next_hand_ = first + i;
  if (timing) {
    timing->hand_crops += std::exchange(model_runs_, 0);
    timing->palm_searches += std::exchange(palm_searches_, 0);
  }
}

bool BodyEstimator::Process(const cv::Mat& bgr, TIMESPAN capture_time, BodyFrameData* out,
                            BodyEstimateTiming* timing, std::string* error) {
  if (geometry_.crop.empty() || geometry_.crop.width > bgr.cols || geometry_.crop.height > bgr.rows)
    SetCameraSize(bgr.size());
  if (timing) *timing = BodyEstimateTiming{};
  auto start = std::chrono::steady_clock::now();
  std::string pose_error;
  std::vector<PersonPose> found = pose_.Estimate(bgr, &pose_error);
  if (!pose_error.empty()) {
    if (error) *error = pose_error;
    return false;
  }
  // Weaker people are tracked too, but reported only while a hand is seen at
  // one of their wrists: someone close to the camera, most of the body out
  // of the picture, raising a hand to it.
  people_.clear();
  const float weakest = std::min(settings_.person_threshold, settings_.person_hand_threshold);
  for (const PersonPose& p : found)
    if (p.score >= weakest) people_.push_back(p);
  if (!refiner_.Refine(bgr, &people_, error)) return false;
  if (timing) timing->pose_ms = MsSince(start), timing->people = int(people_.size());

  start = std::chrono::steady_clock::now();
  const auto& slots = tracker_.Update(people_);
  *out = BodyFrameData{};
  out->relative_time = capture_time;
  reported_ = {};
  for (int s = 0; s < kTrackSlots; ++s) {
    const TrackSlot& slot = slots[s];
    SlotState& state = slot_state_[s];
    if (!slot.active) continue;
    if (state.id != slot.id) {
      state = SlotState{};
      state.id = slot.id;
      state.left =
          HandShapeFilter(settings_.hand_shape_confirm_frames, settings_.hand_shape_hold_frames);
      state.right = state.left;
    }
  }
  UpdateHands(bgr, timing);
  for (int s = 0; s < kTrackSlots; ++s) {
    const TrackSlot& slot = slots[s];
    SlotState& state = slot_state_[s];
    if (!slot.seen) continue;  // the track waits for its person: not tracked this frame
    if (slot.pose.score < settings_.person_threshold && state.hand_track[0].side <= 0 &&
        state.hand_track[1].side <= 0)
      continue;  // a weak person without a hand in view
    BodyData& body = out->bodies[s];
    body.is_tracked = true;
    body.tracking_id = slot.id;
    body.hand_left = state.left.state();
    body.hand_right = state.right.state();
    body.hand_left_confidence = state.left.confidence();
    body.hand_right_confidence = state.right.confidence();

    PersonPose& pose = reported_[s];
    pose = slot.pose;
    std::array<HandAtWrist, 2> hands;
    for (int side = 0; side < 2; ++side) {
      const HandReading& r = readings_[s][side];
      if (!r.found) continue;
      hands[side].read_now = read_now_[s][side];
      hands[side].tracked = state.hand_track[side].side > 0;
      hands[side].wrist = {r.landmarks.image[0].x, r.landmarks.image[0].y};
      hands[side].side = r.region.side;
    }
    ApplyWristRules(&pose, hands, {settings_.keypoint_threshold, settings_.weak_wrist_threshold});
    ColorKeypoints colour;
    for (int k = 0; k < kKeypointCount; ++k) {
      const ScoredPoint& p = pose.keypoints[k];
      const cv::Point2f c = geometry_.ToColor({p.x, p.y});
      colour[k] = {c.x, c.y, p.score};
    }
    const float fallback = state.depth_m > 0 ? state.depth_m : kDefaultDepthM;
    const float depth = EstimateBodyDepth(colour, camera_, settings_.keypoint_threshold,
                                          settings_.shoulder_width_m, fallback);
    state.depth_m =
        state.depth_m > 0 ? state.depth_m + kDepthSmoothing * (depth - state.depth_m) : depth;
    body.joints =
        MapKeypointsToJoints(colour, camera_, settings_.keypoint_threshold, state.depth_m);
  }
  if (timing) timing->hands_ms = MsSince(start);
  return true;
}
