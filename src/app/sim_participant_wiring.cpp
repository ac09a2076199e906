#include "app/sim_participant_wiring.h"

#include "body/backends/sim/balloon_probe.h"
#include "trial/active_target.h"
#include "trial/target_placement.h"

void ConnectSimulatedParticipant() {
  // Called on the simulator's thread: ReadActiveTarget is safe from any thread
  // and carries the janken mode and the mirror setting with the balloon.
  SetSimBalloonProbe([]() -> std::optional<BalloonProbe> {
    const ActiveTargetSnapshot s = ReadActiveTarget();
    if (!s.running) return std::nullopt;
    return BalloonProbe{s.shown,  s.target_x, s.target_y,  s.tgthand,
                        s.janken, s.mirror,   kHitHalfSize};
  });
}
