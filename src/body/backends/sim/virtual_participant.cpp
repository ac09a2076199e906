#include "body/backends/sim/virtual_participant.h"

#include <algorithm>
#include <cmath>

#include "state/body_vocabulary.h"

namespace {

HandState StateOfShape(int32_t shape) {
  switch (shape) {
    case 1:
      return HandState_Closed;
    case 2:
      return HandState_Lasso;
    case 3:
      return HandState_Open;
    default:
      return HandState_Unknown;
  }
}

}  // namespace

int32_t JankenAnswer(int32_t janken, int32_t tgthand) {
  if (janken == 0 || tgthand < 1 || tgthand > 3) return 0;
  // normal: rock -> paper, scissors -> rock, paper -> scissors
  static constexpr int32_t kBeats[4] = {0, 3, 1, 2};
  // late: rock -> scissors, scissors -> paper, paper -> rock
  static constexpr int32_t kLoses[4] = {0, 2, 3, 1};
  return janken == 1 ? kBeats[tgthand] : kLoses[tgthand];
}

float MinimumJerk(double t) {
  t = std::clamp(t, 0.0, 1.0);
  return static_cast<float>(t * t * t * (10.0 - 15.0 * t + 6.0 * t * t));
}

VirtualParticipant::VirtualParticipant(uint64_t seed, const PinholeCamera& camera,
                                       const ParticipantTiming& timing)
    : random_(seed ^ 0x5EED0F0A11C0FFEEull), camera_(camera), timing_(timing) {}

CameraSpacePoint VirtualParticipant::GoalOf(const BalloonProbe& probe, float hand_z_m) const {
  // The balloon is given on the displayed side; the body is seen unmirrored.
  const int32_t sensor_x = probe.mirror ? probe.target_x : kPictureWidth - probe.target_x;
  // Aim at the middle of the 2 x 2 colour pixels behind the picture pixel.
  const float u = 2.0f * static_cast<float>(sensor_x) + 1.0f;
  const float v = 2.0f * static_cast<float>(probe.target_y) + 1.0f;
  return camera_.Unproject(u, v, hand_z_m);
}

void VirtualParticipant::StartTrial(double now_ms, const BalloonProbe& probe, float body_x_m,
                                    float hand_z_m) {
  phase_ = Phase::kReaching;
  onset_ms_ = now_ms;
  // Skewed towards quick answers, with a tail of slow ones.
  const double u = random_.Unit();
  decide_ms_ = timing_.decide_min_ms + (timing_.decide_max_ms - timing_.decide_min_ms) * u * u;
  move_ms_ = random_.Range(timing_.move_min_ms, timing_.move_max_ms);
  goal_ = GoalOf(probe, hand_z_m);
  side_ = goal_.X >= body_x_m ? 1 : 0;

  const int32_t answer = JankenAnswer(probe.janken, probe.tgthand);
  correct_at_ms_ = -1;
  if (answer != 0) {
    right_shape_ = StateOfShape(answer);
    int32_t shown = answer;
    if (random_.Chance(timing_.wrong_shape_chance)) {
      shown = 1 + (answer + random_.Below(2)) % 3;  // one of the other two
      correct_at_ms_ = now_ms + planned_reach_ms() +
                       random_.Range(timing_.correct_after_min_ms, timing_.correct_after_max_ms);
    }
    shape_ = StateOfShape(shown);
  } else {
    // Without janken any shape pops; children mostly reach with an open hand.
    const double r = random_.Unit();
    shape_ = r < 0.75 ? HandState_Open : (r < 0.92 ? HandState_Closed : HandState_Lasso);
    right_shape_ = shape_;
  }
}

ParticipantIntent VirtualParticipant::Step(double now_ms, const std::optional<BalloonProbe>& probe,
                                           float body_x_m, float hand_z_m, float shoulder_offset_m,
                                           float arm_m) {
  const bool shown = probe && probe->shown;
  if (shown && !was_shown_) StartTrial(now_ms, *probe, body_x_m, hand_z_m);
  if (!shown && phase_ == Phase::kReaching) {
    phase_ = Phase::kReturning;
    return_start_ms_ = now_ms;
    return_from_ = reach_;
  }
  was_shown_ = shown;

  ParticipantIntent intent;
  if (phase_ == Phase::kIdle) return intent;

  intent.reaching = true;
  intent.side = side_;
  if (phase_ == Phase::kReaching) {
    goal_ = GoalOf(*probe, hand_z_m);  // the balloon may move (mouse mode, mirror key)
    reach_ = MinimumJerk((now_ms - onset_ms_ - decide_ms_) / move_ms_);
    if (correct_at_ms_ >= 0 && now_ms >= correct_at_ms_) shape_ = right_shape_;
    // Walk when the goal is beyond the arm's reach from where the child stands.
    const float s = side_ == 1 ? 1.0f : -1.0f;
    const float shoulder_x = body_x_m + s * shoulder_offset_m;
    if (now_ms >= onset_ms_ + decide_ms_ && std::fabs(goal_.X - shoulder_x) > 0.6f * arm_m)
      intent.walk_to_x_m = goal_.X - s * (shoulder_offset_m + 0.4f * arm_m);
  } else {
    const float back = MinimumJerk((now_ms - return_start_ms_) / timing_.return_ms);
    reach_ = return_from_ * (1.0f - back);
    if (back >= 1.0f) {
      phase_ = Phase::kIdle;
      reach_ = 0;
      intent.reaching = false;
    }
  }
  intent.goal = goal_;
  intent.reach = reach_;
  intent.shape = shape_;
  return intent;
}
