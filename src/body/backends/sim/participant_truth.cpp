#include "body/backends/sim/participant_truth.h"

#include <utility>

#include "state/body_vocabulary.h"

namespace {

// Whether a hand joint lies inside the balloon's hit square, in picture space
// on the displayed side (as the body update and the hit test place it).
bool HandInBalloon(const CameraSpacePoint& hand, const BalloonProbe& probe,
                   const PinholeCamera& camera) {
  const ColorSpacePoint colour = camera.Project(hand);
  if (!(colour.X > -1e6f && colour.X < 1e6f && colour.Y > -1e6f && colour.Y < 1e6f)) return false;
  int32_t x = static_cast<int32_t>(colour.X * 0.5f);
  const int32_t y = static_cast<int32_t>(colour.Y * 0.5f);
  if (probe.mirror == 0) x = kPictureWidth - x;
  const int32_t half = probe.hit_half_size;
  return probe.target_x - half <= x && x < probe.target_x + half && probe.target_y - half <= y &&
         y < probe.target_y + half;
}

}  // namespace

void ParticipantTruthLog::Observe(int64_t captured_ns, const std::optional<BalloonProbe>& probe,
                                  const SimChildLook& look, const PinholeCamera& camera,
                                  const LookAt& look_at) {
  const bool up = probe && probe->shown != 0;
  std::lock_guard<std::mutex> guard(mutex_);
  const bool up_before = balloon_up_;
  const int64_t before_ns = std::exchange(last_captured_ns_, captured_ns);
  if (up && !balloon_up_) trials_.push_back(ParticipantTrial{captured_ns, 0, 0});
  balloon_up_ = up;
  if (!up || trials_.back().hand_in_ns != 0 || probe->hit_half_size <= 0) return;
  const auto hand_in = [&](const SimChildLook& l) {
    return HandInBalloon(l.joints[JointType_HandLeft], *probe, camera) ||
           HandInBalloon(l.joints[JointType_HandRight], *probe, camera);
  };
  if (!hand_in(look)) return;
  ParticipantTrial& trial = trials_.back();
  trial.hand_in_ns = captured_ns;
  if (!up_before || !look_at || before_ns <= 0 || before_ns >= captured_ns) return;
  // Out at `out`, in at `in`: halve the gap down to 0.1 ms.
  int64_t out = before_ns, in = captured_ns;
  while (in - out > 100000) {
    const int64_t middle = out + (in - out) / 2;
    (hand_in(look_at(middle)) ? in : out) = middle;
  }
  trial.crossing_ns = in;
}

std::vector<ParticipantTrial> ParticipantTruthLog::Trials() const {
  std::lock_guard<std::mutex> guard(mutex_);
  return trials_;
}
