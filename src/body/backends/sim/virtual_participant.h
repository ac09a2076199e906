#pragma once
// The simulated participant: watches the balloon through the probe and
// reaches for it like a young child would, after a reaction time of about half
// a second to a second and a half, with the hand on the balloon's side. In the
// janken modes it shows the hand shape the rule asks for most of the time, a
// wrong one now and then (and corrects it after a moment of holding).

#include <cstdint>
#include <optional>

#include "body/backends/sim/balloon_probe.h"
#include "body/backends/sim/sim_random.h"
#include "body/sensor/pinhole_camera.h"
#include "body/sensor/sensor_types.h"

// The hand shape that pops a balloon with sign `tgthand` in janken mode
// `janken` (1 normal: the shape that beats it; other nonzero: the one that
// loses to it); 0 when the balloon has no sign or janken is off.
int32_t JankenAnswer(int32_t janken, int32_t tgthand);

// What the participant wants its body to do in this frame.
struct ParticipantIntent {
  bool reaching = false;             // a hand is going to, at or coming back from a goal
  int side = 1;                      // reaching hand: 0 left, 1 right
  CameraSpacePoint goal;             // where that hand goes, camera space (metres)
  float reach = 0.0f;                // 0 at rest .. 1 at the goal
  std::optional<float> walk_to_x_m;  // body centre to walk to, when the goal is out of reach
  HandState shape = HandState_Open;  // shape of the reaching hand
};

struct ParticipantTiming {
  double decide_min_ms = 300, decide_max_ms = 900;  // from onset to movement start
  double move_min_ms = 350, move_max_ms = 650;      // movement duration
  double return_ms = 500;                           // back to rest after the balloon went
  double wrong_shape_chance = 0.2;                  // janken: first shape is wrong
  double correct_after_min_ms = 300, correct_after_max_ms = 800;
};

class VirtualParticipant {
 public:
  VirtualParticipant(uint64_t seed, const PinholeCamera& camera,
                     const ParticipantTiming& timing = ParticipantTiming{});

  // One frame at `now_ms`. `body_x_m`, `hand_z_m`: where the child stands and
  // the depth its hands reach at; `shoulder_offset_m`, `arm_m`: its build.
  ParticipantIntent Step(double now_ms, const std::optional<BalloonProbe>& probe, float body_x_m,
                         float hand_z_m, float shoulder_offset_m, float arm_m);

  // The reaction time drawn for the current balloon (decision + movement), ms.
  double planned_reach_ms() const { return decide_ms_ + move_ms_; }

 private:
  enum class Phase { kIdle, kReaching, kReturning };
  void StartTrial(double now_ms, const BalloonProbe& probe, float body_x_m, float hand_z_m);
  CameraSpacePoint GoalOf(const BalloonProbe& probe, float hand_z_m) const;

  SimRandom random_;
  PinholeCamera camera_;
  ParticipantTiming timing_;
  Phase phase_ = Phase::kIdle;
  bool was_shown_ = false;
  double onset_ms_ = 0, decide_ms_ = 0, move_ms_ = 0;
  double return_start_ms_ = 0;
  float return_from_ = 0;
  double correct_at_ms_ = -1;  // time the wrong shape is corrected, -1: never
  int side_ = 1;
  HandState shape_ = HandState_Open;
  HandState right_shape_ = HandState_Open;
  CameraSpacePoint goal_;
  float reach_ = 0;
};

// Minimum-jerk progress 0..1 for t in 0..1 (clamped).
float MinimumJerk(double t);
