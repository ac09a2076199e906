#pragma once
// Where the next balloon goes (PlaceTarget) and the mouse mode that lets the
// experimenter steer it (FollowCursor). Picture space is the body texture's
// (kPictureWidth x kPictureHeight); its point (x, y) is at (x + 32, y + 114)
// on the canvas.

#include <cstdint>
#include <span>

#include "state/body_vocabulary.h"
#include "state/experiment_settings.h"
#include "state/tracked_body.h"
#include "trial/target.h"

class StageSurface;
class CursorPort;

inline constexpr int32_t kPictureOffsetX = 32;  // picture origin on the canvas
inline constexpr int32_t kPictureOffsetY = 114;
inline constexpr int32_t kHitHalfSize = 64;           // the hit rectangle is 128 x 128
inline constexpr double kLeastJointDistance = 150.0;  // picture pixels
inline constexpr int32_t kRejectionLimit = 2000;

// A uniform value in [0, 1) from the next two NextRandom() values:
// (r1 * 32767 + r2) * 2^-30.
double DrawUniform();

// The rectangle of a balloon centred on (x, y).
HitRect HitRectAround(int32_t x, int32_t y);

// Draws a position at least 150 pixels from every joint of the processed bodies
// among `bodies` (accepting the 2001st draw after 2000 rejections), mirrors it
// when the mirror display is off, moves the cursor onto it, sets target_x,
// target_y, hit_rect and, in janken mode, a sign different from the current tgthand.
void PlaceTarget(Target& target, std::span<const TrackedBody, kBodySlotCount> bodies,
                 const ExperimentSettings& settings, const StageSurface& stage, CursorPort& cursor);

// Mouse mode: moves the balloon to the cursor (no mirror, no clamping).
void FollowCursor(Target& target, const StageSurface& stage, const CursorPort& cursor);
