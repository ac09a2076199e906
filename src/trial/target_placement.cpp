#include "trial/target_placement.h"

#include <cmath>

#include "state/body_vocabulary.h"
#include "state/random.h"
#include "stage/stage_surface.h"
#include "trial/trial_ports.h"

namespace {

bool TooCloseToBody(const TrackedBody& slot, int32_t x, int32_t y) {
  // A balloon keeps its distance from every joint.
  for (const BodyJoint& joint : kBodyJoints) {
    // Differences in double: joint values the sensor reports far off the
    // picture must not overflow.
    const double dx = static_cast<double>(x) - static_cast<double>(slot.*joint.x);
    const double dy = static_cast<double>(y) - static_cast<double>(slot.*joint.y);
    if (std::sqrt(dx * dx + dy * dy) < kLeastJointDistance) return true;
  }
  return false;
}

// Draw area: x from 160 to 799, y from 70 to 469.
int32_t DrawX() {
  return static_cast<int32_t>(DrawUniform() * 640.0 - 320.0 + 480.0);
}
int32_t DrawY() {
  return static_cast<int32_t>(DrawUniform() * 400.0 - 200.0 + 270.0);
}

}  // namespace

double DrawUniform() {
  const int32_t r1 = NextRandom();
  const int32_t r2 = NextRandom();
  return (static_cast<double>(r1) * 32767.0 + static_cast<double>(r2)) * std::ldexp(1.0, -30);
}

HitRect HitRectAround(int32_t x, int32_t y) {
  return HitRect{x - kHitHalfSize, y - kHitHalfSize, x + kHitHalfSize, y + kHitHalfSize};
}

void PlaceTarget(Target& target, std::span<const TrackedBody, kBodySlotCount> bodies,
                 const ExperimentSettings& settings, const StageSurface& stage,
                 CursorPort& cursor) {
  int32_t rejections = 0;
  int32_t x = 0;
  int32_t y = 0;
  for (;;) {
    x = DrawX();
    y = DrawY();
    bool rejected = false;
    for (const TrackedBody& slot : bodies) {
      if (settings.flag_single == 1 && slot.nearest == 0) continue;
      if (rejections >= kRejectionLimit) break;  // take this draw untested
      if (slot.tracked == 0) continue;
      if (TooCloseToBody(slot, x, y)) {
        rejected = true;
        break;
      }
    }
    if (!rejected) break;
    ++rejections;
  }
  if (settings.mirror == 0) x = kPictureWidth - x;
  target.target_x = x;
  target.target_y = y;

  // The cursor goes onto the new balloon in every mode; mouse mode then finds it there.
  cursor.SetPos(static_cast<int32_t>((x + kPictureOffsetX) * stage.m_scale + stage.m_offsetX),
                static_cast<int32_t>((y + kPictureOffsetY) * stage.m_scale + stage.m_offsetY));

  target.hit_rect = HitRectAround(x, y);

  if (settings.janken == 0) {
    target.tgthand = 0;
    return;
  }
  // Consecutive balloons never carry the same sign.
  int32_t sign = 0;
  do {
    sign = 1 - static_cast<int32_t>(DrawUniform() * -3.0);
  } while (sign == target.tgthand);
  target.tgthand = sign;
}

void FollowCursor(Target& target, const StageSurface& stage, const CursorPort& cursor) {
  const ScreenPoint cursor_pos = cursor.GetPos();
  const CanvasPoint canvas = stage.WindowToCanvas(cursor_pos.x, cursor_pos.y);
  target.target_x = canvas.x - kPictureOffsetX;
  target.target_y = canvas.y - kPictureOffsetY;
  target.hit_rect = HitRectAround(target.target_x, target.target_y);
}
