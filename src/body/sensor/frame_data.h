#pragma once
// The frames a backend publishes. A frame is immutable once published: the
// producer fills it, hands a shared_ptr<const ...> to the stream's mailbox and
// never writes it again; readers on the UI thread keep it alive for as long as
// they hold the frame handle.

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "body/sensor/sensor_types.h"

// Draws a colour frame's full picture when something asks for it. A backend
// that makes only the half-size picture for every frame (the camera) hands
// one of these instead of filling `pixels`, so the full picture costs nothing
// unless it is read. Shared by every reader of the frame: DrawBgra is const
// and safe to call from any thread.
class FullColorPicture {
 public:
  virtual ~FullColorPicture() = default;
  // Writes the frame's width x height picture as BGRA (alpha 255, rows packed,
  // width * 4 bytes a row) into `bgra`. False when it cannot be drawn.
  virtual bool DrawBgra(uint8_t* bgra) const = 0;
};

struct ColorFrameData {
  int32_t width = kColorWidth;    // pixels
  int32_t height = kColorHeight;  // pixels
  ColorImageFormat format = ColorImageFormat_Yuy2;
  // Rows top to bottom, no padding: width * 2 bytes a row for YUY2, width * 4
  // for BGRA. A buffer shorter than the format needs makes the frame's
  // conversion and raw access fail (they never read past it), unless
  // full_picture draws it.
  std::vector<uint8_t> pixels;
  TIMESPAN relative_time = 0;  // 100 ns, CLOCK_MONOTONIC, capture time

  // The picture at half size as the stage shows it, BGRA, rows packed
  // (half_width * 4 bytes a row), made by the backend on its own thread so
  // that the trial loop only copies rows. Empty when the backend made none:
  // the loop then halves `pixels` itself.
  int32_t half_width = 0, half_height = 0;
  std::vector<uint8_t> half_pixels;
  // With BGRA frames whose `pixels` are left empty: draws them on request.
  std::shared_ptr<const FullColorPicture> full_picture;
};

// The half-size picture of a frame whose `pixels` hold a BGRA or YUY2
// picture: pixel (2i, 2j) of its BGRA conversion becomes pixel (i, j), for
// (width + 1) / 2 x (height + 1) / 2 pixels; exactly what the stage showed
// when it halved the full picture itself. False (and nothing made) for
// another format or a buffer too short.
bool MakeHalfPicture(ColorFrameData* frame);

struct DepthFrameData {
  int32_t width = kDepthWidth;
  int32_t height = kDepthHeight;
  std::vector<uint16_t> depth_mm;  // width * height, 0 = no reading
  TIMESPAN relative_time = 0;
};

struct BodyIndexFrameData {
  int32_t width = kDepthWidth;
  int32_t height = kDepthHeight;
  std::vector<uint8_t> body_index;  // width * height, body slot 0..5 or kNoBodyIndex
  TIMESPAN relative_time = 0;
};

// One body of a body frame. The *_status members let a recorded or scripted
// frame replay a failing call; live backends leave them at S_OK.
struct BodyData {
  bool is_tracked = false;
  uint64_t tracking_id = 0;
  std::array<Joint, JointType_Count> joints = DefaultJoints();  // index = JointType
  HandState hand_left = HandState_Unknown;
  HandState hand_right = HandState_Unknown;
  // How sure the sensor is of each reported shape, 0..1 (0 when unknown).
  float hand_left_confidence = 0;
  float hand_right_confidence = 0;

  Status is_tracked_status = S_OK;
  Status tracking_id_status = S_OK;
  Status joints_status = S_OK;
  Status hand_left_status = S_OK;
  Status hand_right_status = S_OK;

  // 25 joints, each with its own type, at the origin, not tracked.
  static std::array<Joint, JointType_Count> DefaultJoints() {
    std::array<Joint, JointType_Count> joints{};
    for (int i = 0; i < JointType_Count; ++i) joints[i].JointType = static_cast<JointType>(i);
    return joints;
  }
};

struct BodyFrameData {
  std::array<BodyData, BODY_COUNT> bodies{};  // slot i = body i
  Status refresh_status = S_OK;               // what GetAndRefreshBodyData reports for this frame
  TIMESPAN relative_time = 0;
};

// A colour picture together with the body, depth and body-index frames computed
// from it. A backend publishes the set once all of it is ready, so that a reader
// always gets bodies with the picture they were found in. Members may be null: a
// set without bodies counts like a colour frame that arrived without a body frame.
struct SensorFrameSet {
  std::shared_ptr<const ColorFrameData> color;
  std::shared_ptr<const DepthFrameData> depth;
  std::shared_ptr<const BodyFrameData> body;
  std::shared_ptr<const BodyIndexFrameData> body_index;
};

// Bytes a pixel of a raw colour format; 0 for a format the sensor layer cannot
// read (BGRA, RGBA and YUY2 are readable).
int32_t ColorBytesPerPixel(ColorImageFormat format);
