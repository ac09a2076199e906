#include "body/backends/sim/sim_scene.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr float kWalkSpeed_m_per_s = 0.9f;
constexpr float kHandForward_m = 0.15f;  // hands reach out in front of the body

constexpr uint32_t kShirts[] = {0xE04040, 0x3070D0, 0x30A050, 0xE0A020, 0x9050C0, 0xE07090};
constexpr uint32_t kTrousers[] = {0x303850, 0x604030, 0x404040, 0x2050A0, 0x506030, 0x503050};
constexpr uint32_t kSkins[] = {0xF0C8A8, 0xD8A880, 0xB07850, 0xF5D0B5, 0x8C5A3C, 0xE8B890};
constexpr uint32_t kHair[] = {0x201810, 0x402818, 0x604020, 0x100C08, 0x805030, 0x302010};

// Per-frame sensing trouble: a joint is sometimes only inferred, rarely lost.
constexpr double kInferredChance = 0.012;
constexpr double kLostChance = 0.003;
constexpr double kFootInferredChance = 0.04;

}  // namespace

SimScene::SimScene(int32_t body_count, uint32_t seed, const PinholeCamera& camera,
                   double frame_interval_ms)
    : camera_(camera),
      frame_interval_ms_(frame_interval_ms),
      random_(0xC41D5CE7E0000000ull ^ seed),
      participant_(seed, camera),
      next_tracking_id_(72057594037927936ull + (seed % 1000u) * 1000u + 1u) {
  body_count = std::clamp(body_count, 1, BODY_COUNT);
  for (int i = 0; i < body_count; ++i) {
    Child c;
    c.build.height_m = static_cast<float>(random_.Range(1.0, 1.15));
    // The participant stands in the middle and nearest; the others around it.
    const float spread = 0.55f;
    c.home_x_m = i == 0 ? 0.0f : spread * static_cast<float>((i + 1) / 2) * (i % 2 ? -1.0f : 1.0f);
    c.pose.root_x_m = c.home_x_m;
    c.walk_goal_x_m = c.home_x_m;
    c.pose.root_z_m = i == 0 ? 1.9f : static_cast<float>(random_.Range(2.1, 2.6));
    c.pose.floor_y_m = kFloorY;
    c.sway_phase = random_.Range(0, 2 * kPi);
    c.sway_hz = random_.Range(0.2, 0.45);
    c.next_wander_ms = random_.Range(4000, 12000);
    c.tracking_id = next_tracking_id_++;
    c.was_in_view = InView(c);
    children_.push_back(c);

    SimChildLook look;
    look.build = c.build;
    look.shirt_rgb = kShirts[i];
    look.trousers_rgb = kTrousers[i];
    look.skin_rgb = kSkins[(i + seed) % 6];
    look.hair_rgb = kHair[(i + seed) % 6];
    looks_.push_back(look);
  }
}

bool SimScene::InView(const Child& child) const {
  // In view while the body's centre line is inside the picture.
  const ColorSpacePoint p = camera_.Project({child.pose.root_x_m, 0.0f, child.pose.root_z_m});
  return p.X >= 0.0f && p.X < static_cast<float>(kColorWidth);
}

void SimScene::MoveChild(int index, double now_ms, const std::optional<BalloonProbe>& probe) {
  Child& c = children_[index];
  const double t_s = now_ms / 1000.0;
  const float dt_s = static_cast<float>(
      (last_ms_ < 0 ? frame_interval_ms_ : std::max(0.0, now_ms - last_ms_)) / 1000.0);

  // Idle: sway, swinging arms, hand shapes that change now and then.
  c.pose.sway_m = static_cast<float>(0.035 * std::sin(2 * kPi * c.sway_hz * t_s + c.sway_phase));
  c.pose.arm_swing = static_cast<float>(std::sin(2 * kPi * 0.5 * c.sway_hz * t_s + c.sway_phase));
  if (now_ms >= c.next_shape_ms) {
    for (HandState& shape : c.idle_shape) {
      const double r = random_.Unit();
      shape = r < 0.55
                  ? HandState_Open
                  : (r < 0.75 ? HandState_Closed : (r < 0.8 ? HandState_Lasso : HandState_Unknown));
    }
    c.next_shape_ms = now_ms + random_.Range(700, 2500);
  }

  c.pose.hand_goal[0].reset();
  c.pose.hand_goal[1].reset();
  c.pose.reach[0] = c.pose.reach[1] = 0.0f;
  HandState shapes[2] = {c.idle_shape[0], c.idle_shape[1]};

  if (index == 0) {
    const ParticipantIntent intent =
        participant_.Step(now_ms, probe, c.pose.root_x_m, c.pose.root_z_m - kHandForward_m,
                          ShoulderOffset(c.build), ArmLength(c.build));
    if (intent.reaching) {
      c.pose.hand_goal[intent.side] = intent.goal;
      c.pose.reach[intent.side] = intent.reach;
      shapes[intent.side] = intent.shape;
      c.pose.sway_m *= 0.3f;  // a reaching child stands stiller
    }
    c.walk_goal_x_m =
        intent.walk_to_x_m ? *intent.walk_to_x_m : (intent.reaching ? c.pose.root_x_m : c.home_x_m);
  } else if (now_ms >= c.next_wander_ms) {
    // The others shuffle about; now and then one wanders out of view and back.
    c.walk_goal_x_m = random_.Chance(0.15)
                          ? (random_.Chance(0.5) ? -2.5f : 2.5f)
                          : c.home_x_m + static_cast<float>(random_.Range(-0.3, 0.3));
    c.next_wander_ms = now_ms + random_.Range(4000, 12000);
  }

  const float dx = c.walk_goal_x_m - c.pose.root_x_m;
  const float step = std::clamp(dx, -kWalkSpeed_m_per_s * dt_s, kWalkSpeed_m_per_s * dt_s);
  c.pose.root_x_m += step;
  if (std::fabs(step) > 1e-4f) c.stride_phase += 2 * kPi * 1.8 * dt_s;
  c.pose.stride = std::fabs(step) > 1e-4f ? static_cast<float>(std::sin(c.stride_phase)) : 0.0f;

  SimChildLook& look = looks_[index];
  look.joints = PoseChild(c.build, c.pose);
  look.hands[0] = shapes[0];
  look.hands[1] = shapes[1];
  look.in_view = InView(c);
  // A child that comes back into view is a new body to the sensor.
  if (look.in_view && !c.was_in_view) c.tracking_id = next_tracking_id_++;
  c.was_in_view = look.in_view;
}

void SimScene::SenseChild(int index) {
  const SimChildLook& look = looks_[index];
  BodyData& body = sensed_[index];
  body = BodyData{};
  body.is_tracked = look.in_view;
  if (!look.in_view) return;
  body.tracking_id = children_[index].tracking_id;
  for (int j = 0; j < JointType_Count; ++j) {
    Joint& joint = body.joints[j];
    joint.JointType = static_cast<JointType>(j);
    joint.Position = look.joints[j];
    const bool foot = j == JointType_FootLeft || j == JointType_FootRight ||
                      j == JointType_AnkleLeft || j == JointType_AnkleRight;
    const double r = random_.Unit();
    const ColorSpacePoint p = camera_.Project(joint.Position);
    const bool outside = !(p.X >= 0 && p.X < kColorWidth && p.Y >= 0 && p.Y < kColorHeight);
    if (r < kLostChance)
      joint.TrackingState = TrackingState_NotTracked;
    else if (outside || r < kLostChance + (foot ? kFootInferredChance : kInferredChance))
      joint.TrackingState = TrackingState_Inferred;
    else
      joint.TrackingState = TrackingState_Tracked;
  }
  // The hand state flickers to unknown now and then, as real ones do.
  HandState sensed[2];
  for (int side = 0; side < 2; ++side) {
    const double r = random_.Unit();
    sensed[side] =
        r < 0.04 ? HandState_Unknown : (r < 0.05 ? HandState_NotTracked : look.hands[side]);
  }
  body.hand_left = sensed[0];
  body.hand_right = sensed[1];
  // The simulated child shows its shapes plainly.
  const auto sure = [](HandState s) {
    return s == HandState_Unknown || s == HandState_NotTracked ? 0.0f : 1.0f;
  };
  body.hand_left_confidence = sure(sensed[0]);
  body.hand_right_confidence = sure(sensed[1]);
}

void SimScene::Advance(int64_t frame_index, const std::optional<BalloonProbe>& probe) {
  AdvanceTo(static_cast<double>(frame_index) * frame_interval_ms_, probe);
}

void SimScene::AdvanceTo(double now_ms, const std::optional<BalloonProbe>& probe) {
  for (size_t i = 0; i < children_.size(); ++i) {
    MoveChild(static_cast<int>(i), now_ms, probe);
    SenseChild(static_cast<int>(i));
  }
  last_ms_ = now_ms;
}

void SimScene::FillBodyFrame(BodyFrameData* frame) const {
  frame->bodies = sensed_;
  frame->refresh_status = S_OK;
}
