#pragma once
// The simulated room: up to six children, child 0 being the participant. The
// scene advances one camera frame at a time; its state after frame n depends
// only on the seed and on the balloons the probe showed up to frame n.

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "body/backends/sim/balloon_probe.h"
#include "body/backends/sim/child_pose.h"
#include "body/backends/sim/sim_random.h"
#include "body/backends/sim/virtual_participant.h"
#include "body/sensor/frame_data.h"
#include "body/sensor/pinhole_camera.h"

// What the painter needs of one child.
struct SimChildLook {
  bool in_view = false;
  ChildBuild build;
  ChildJoints joints{};
  HandState hands[2] = {HandState_Unknown, HandState_Unknown};  // as shown, not as sensed
  uint32_t shirt_rgb = 0, trousers_rgb = 0, skin_rgb = 0, hair_rgb = 0;
};

class SimScene {
 public:
  SimScene(int32_t body_count, uint32_t seed, const PinholeCamera& camera,
           double frame_interval_ms);

  // Moves everything on to frame `frame_index` (counted from 0, one call per frame).
  void Advance(int64_t frame_index, const std::optional<BalloonProbe>& probe);
  // Moves everything on to `now_ms` (from the last time it was moved to; a
  // copy of the scene may be moved to a moment between two frames).
  void AdvanceTo(double now_ms, const std::optional<BalloonProbe>& probe);
  double frame_interval_ms() const { return frame_interval_ms_; }

  // The sensor's view of the current frame: tracking, joints, hand states.
  void FillBodyFrame(BodyFrameData* frame) const;
  const std::vector<SimChildLook>& looks() const { return looks_; }
  // Camera-space Y of the floor (the camera hangs above it).
  float floor_y_m() const { return kFloorY; }

  static constexpr float kFloorY = -0.8f;

 private:
  struct Child {
    ChildBuild build;
    ChildPose pose;
    float home_x_m = 0;
    float walk_goal_x_m = 0;
    double next_wander_ms = 0;
    double sway_phase = 0, sway_hz = 0.3;
    double stride_phase = 0;
    HandState idle_shape[2] = {HandState_Open, HandState_Open};
    double next_shape_ms = 0;
    uint64_t tracking_id = 0;
    bool was_in_view = false;
  };

  void MoveChild(int index, double now_ms, const std::optional<BalloonProbe>& probe);
  void SenseChild(int index);
  bool InView(const Child& child) const;

  PinholeCamera camera_;
  double frame_interval_ms_;
  double last_ms_ = -1;  // the moment last moved to; -1 before the first frame
  SimRandom random_;
  VirtualParticipant participant_;
  std::vector<Child> children_;
  std::vector<SimChildLook> looks_;
  std::array<BodyData, BODY_COUNT> sensed_{};
  uint64_t next_tracking_id_;
};
