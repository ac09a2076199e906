#include "body/body_update.h"

#include <cmath>

#include "body/picture_copy.h"
#include "body/sensor_connection.h"
#include "state/body_vocabulary.h"
#include "stage/stage_surface.h"

namespace {

int32_t HandShapeOf(HandState state) {
  switch (state) {
    case HandState_Closed:
      return kHandRock;
    case HandState_Lasso:
      return kHandScissors;
    case HandState_Open:
      return kHandPaper;
    default:
      return kHandNone;
  }
}

struct PicturePoint {
  int32_t x = -1, y = -1;
};

// Half of a colour coordinate, truncated; false when it is not a number or
// does not fit a 32-bit integer (such a value must never be converted).
bool HalveCoordinate(float colour, int32_t* picture) {
  const float half = colour * 0.5f;
  if (!(half >= -2147483648.0f && half < 2147483648.0f)) return false;  // also NaN
  *picture = static_cast<int32_t>(half);
  return true;
}

// Picture point of a camera-space position; false when the mapping fails.
bool MapToPicture(const ColourMapper& map, const CameraSpacePoint& position, PicturePoint* point) {
  ColorSpacePoint colour;
  if (!map(position, &colour)) return false;
  PicturePoint p;
  if (!HalveCoordinate(colour.X, &p.x) || !HalveCoordinate(colour.Y, &p.y)) return false;
  *point = p;
  return true;
}

// Discs far outside the texture paint nothing; keeping them away from
// DrawDisc also keeps its span arithmetic clear of integer overflow.
void DrawMarker(const BodyUpdateTarget& target, const PicturePoint& p, uint32_t colour) {
  constexpr int32_t kFar = 1 << 20;
  if (p.x <= -kFar || p.x >= kFar || p.y <= -kFar || p.y >= kFar) return;
  target.stage.DrawDisc(target.body_texture, p.x, p.y, colour);
}

// The sensor's joint for each of ours.
constexpr JointType kSensorJoint[kJointCount] = {
    JointType_SpineBase,    JointType_SpineMid,      JointType_SpineShoulder, JointType_Head,
    JointType_HandLeft,     JointType_HandRight,     JointType_ElbowLeft,     JointType_ElbowRight,
    JointType_ShoulderLeft, JointType_ShoulderRight, JointType_HipLeft,       JointType_HipRight,
    JointType_KneeLeft,     JointType_KneeRight,     JointType_FootLeft,      JointType_FootRight,
};

struct HandJoint {
  JointId joint;
  Status (IBody::*get_state)(HandState*) const;
  int32_t TrackedBody::*shape;
};

constexpr HandJoint kHandJoints[] = {
    {kJointHandLeft, &IBody::get_HandLeftState, &TrackedBody::hand_l},
    {kJointHandRight, &IBody::get_HandRightState, &TrackedBody::hand_r},
};

constexpr bool IsHand(int joint) {
  return joint == kJointHandLeft || joint == kJointHandRight;
}

// The frame's full picture, BGRA: its own pixels, or converted into the
// colour buffer. False when it cannot be read.
bool ReadFullPicture(const BodyUpdateTarget& target, const IColorFrame& frame, int32_t* width,
                     int32_t* height, const uint8_t** source) {
  ColorImageFormat format = ColorImageFormat_None;
  std::unique_ptr<IFrameDescription> description;
  if (Failed(frame.get_FrameDescription(&description)) ||
      Failed(description->get_Width(width)) || Failed(description->get_Height(height)) ||
      Failed(frame.get_RawColorImageFormat(&format)))
    return false;
  if (format == ColorImageFormat_Bgra) {
    uint32_t capacity = 0;
    return Succeeded(frame.AccessRawUnderlyingBuffer(&capacity, source));
  }
  const std::span<uint8_t> buffer = target.color_buffer;
  *source = buffer.data();
  return !buffer.empty() &&
         Succeeded(frame.CopyConvertedFrameDataToArray(static_cast<uint32_t>(buffer.size()),
                                                       buffer.data(), ColorImageFormat_Bgra));
}

// Copies a colour frame, halved, into the body texture. 1: copied; -1: the
// frame could not be read (nothing copied).
int CopyColourFrame(const BodyUpdateTarget& target, const IColorFrame& frame) {
  int32_t width = 0, height = 0;
  const uint8_t* source = nullptr;
  // A backend that made the half-size picture leaves only rows to copy.
  const bool half = Succeeded(frame.AccessHalfPicture(&width, &height, &source));
  if (!half && !ReadFullPicture(target, frame, &width, &height, &source)) return -1;

  StageSurface& stage = target.stage;
  const int texture_index = target.body_texture;
  if (stage.LockTexture(texture_index)) {
    const TextureLockRecord* lock = stage.LockOf(texture_index);
    if (lock && lock->bits) {
      const TextureEntry& texture = stage.m_textures[texture_index];
      if (half) {
        CopyPictureRows(source, width, height, lock->bits, lock->pitch, texture.width,
                        texture.height);
      } else {
        CopyHalvedPicture(source, width, height, lock->bits, lock->pitch, texture.width,
                          texture.height);
      }
    }
    stage.UnlockTexture(texture_index);
  }
  if (target.report != nullptr) ++target.report->pictures_taken;
  return 1;
}

void UpdateSlot(const BodyUpdateTarget& target, const IBody& body, TrackedBody& slot) {
  const ColourMapper map = [](const CameraSpacePoint& position, ColorSpacePoint* colour) {
    const ICoordinateMapper* mapper = sensor_connection.coordinate_mapper.get();
    return mapper && Succeeded(mapper->MapCameraPointToColorSpace(position, colour));
  };
  MarkerPainter paint;
  if (target.show_markers) {
    paint = [&target](int32_t x, int32_t y, uint32_t colour) {
      DrawMarker(target, PicturePoint{x, y}, colour);
    };
  }
  ReadTrackedBody(body, map, slot, paint);
}

// Fills the six slots from a body frame; false when its bodies cannot be read.
bool FillSlots(const BodyUpdateTarget& target, const IBodyFrame& frame) {
  std::unique_ptr<IBody> bodies[BODY_COUNT];
  if (Failed(frame.GetAndRefreshBodyData(BODY_COUNT, bodies))) return false;
  for (int i = 0; i < BODY_COUNT; ++i) UpdateSlot(target, *bodies[i], target.body_slots[i]);
  if (BodyUpdateReport* report = target.report) {
    ++report->body_frames_taken;
    TIMESPAN captured = 0;
    report->picture_captured_ns = Succeeded(frame.get_RelativeTime(&captured)) ? captured * 100 : 0;
  }
  return true;
}

// Whether the set holds the depth and body-index frames its device offers.
bool HoldsOfferedFrames(const SensorFrameSet& set, SensorStreamFlags offered) {
  const auto missing = [offered](SensorStream stream, const auto& frame) {
    return (offered & StreamFlag(stream)) != 0 && !frame;
  };
  return !missing(SensorStream::kDepth, set.depth) &&
         !missing(SensorStream::kBodyIndex, set.body_index);
}

// The newest frame set: its picture, its bodies, then whether it holds the
// rest of what the device offers, all from one set.
int UpdateFromSet(const BodyUpdateTarget& target, FrameSetReader& reader) {
  const std::shared_ptr<const SensorFrameSet> set = reader.AcquireLatestSet();
  if (!set || !set->color) return 0;
  if (CopyColourFrame(target, IColorFrame(set->color)) != 1) return 0;
  if (!set->body || !FillSlots(target, IBodyFrame(set->body))) return 0;
  return HoldsOfferedFrames(*set, reader.OfferedStreams()) ? 1 : 0;
}

}  // namespace

void ReadTrackedBody(const IBody& body, const ColourMapper& map, TrackedBody& slot,
                     const MarkerPainter& paint) {
  bool tracked = false;
  if (Failed(body.get_IsTracked(&tracked))) tracked = false;
  slot.tracked = tracked ? 1 : 0;
  if (!tracked) return;

  uint64_t tracking_id = 0;
  if (Succeeded(body.get_TrackingId(&tracking_id)))
    slot.id = static_cast<int32_t>(static_cast<uint32_t>(tracking_id));

  Joint joints[JointType_Count];
  if (Failed(body.GetJoints(JointType_Count, joints))) return;

  for (const HandJoint& hand : kHandJoints) {
    const BodyJoint& point = kBodyJoints[hand.joint];
    slot.*point.x = -1;
    slot.*point.y = -1;
    const Joint& joint = joints[kSensorJoint[hand.joint]];
    if (joint.TrackingState != TrackingState_Tracked) continue;
    HandState state = HandState_Unknown;
    if (Failed((body.*hand.get_state)(&state))) continue;
    PicturePoint p;
    if (!MapToPicture(map, joint.Position, &p)) continue;
    slot.*point.x = p.x;
    slot.*point.y = p.y;
    slot.*hand.shape = HandShapeOf(state);
    if (paint) paint(p.x, p.y, HandShapeColour(slot.*hand.shape));
  }

  // The other joints, in the order their markers are painted.
  for (int j = 0; j < kJointCount; ++j) {
    if (IsHand(j)) continue;
    const BodyJoint& entry = kBodyJoints[j];
    slot.*entry.x = -1;
    slot.*entry.y = -1;
    const Joint& joint = joints[kSensorJoint[j]];
    if (joint.TrackingState != TrackingState_Tracked) continue;
    if (j == kJointHead) {
      const CameraSpacePoint& h = joint.Position;
      const float sum = h.X * h.X + h.Y * h.Y + h.Z * h.Z;
      slot.head_dist = static_cast<double>(std::sqrt(sum));
    }
    PicturePoint p;
    if (!MapToPicture(map, joint.Position, &p)) continue;
    slot.*entry.x = p.x;
    slot.*entry.y = p.y;
    if (paint && entry.marker) paint(p.x, p.y, kJointMarkerColour);
  }
}

int UpdateBodies(const BodyUpdateTarget& target) {
  // The set reader is opened last, so with it the mapper is open as well.
  FrameSetReader* reader = sensor_connection.frame_set_reader.get();
  return reader ? UpdateFromSet(target, *reader) : 0;
}
