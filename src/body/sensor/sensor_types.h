#pragma once
// Value types of the sensor layer: status codes, image formats, joints, hand
// states and the two coordinate spaces. Numbering follows the depth sensor's
// SDK so that values stored in result files keep their meaning.

#include <cstdint>

// Result of every sensor call: 0 or positive for success, negative for failure.
using Status = int32_t;

inline constexpr Status S_OK = 0;
inline constexpr Status S_FALSE = 1;
inline constexpr Status E_PENDING = static_cast<Status>(0x8000000Au);  // no new frame yet
inline constexpr Status E_NOTIMPL = static_cast<Status>(0x80004001u);
inline constexpr Status E_POINTER = static_cast<Status>(0x80004003u);
inline constexpr Status E_FAIL = static_cast<Status>(0x80004005u);
inline constexpr Status E_UNEXPECTED = static_cast<Status>(0x8000FFFFu);
inline constexpr Status E_OUTOFMEMORY = static_cast<Status>(0x8007000Eu);
inline constexpr Status E_INVALIDARG = static_cast<Status>(0x80070057u);
inline constexpr Status E_BUFFER_TOO_SMALL = static_cast<Status>(0x8007007Au);

inline constexpr bool Succeeded(Status s) {
  return s >= 0;
}
inline constexpr bool Failed(Status s) {
  return s < 0;
}

// Frame times: 100 ns units on CLOCK_MONOTONIC, taken when the picture was
// captured (not when it was published).
using TIMESPAN = int64_t;

enum ColorImageFormat : int32_t {
  ColorImageFormat_None = 0,
  ColorImageFormat_Rgba = 1,
  ColorImageFormat_Yuv = 2,
  ColorImageFormat_Bgra = 3,  // 4 bytes a pixel: blue, green, red, alpha
  ColorImageFormat_Bayer = 4,
  ColorImageFormat_Yuy2 = 5,  // 2 bytes a pixel: Y0 U Y1 V per pixel pair (BT.601)
};

enum JointType : int32_t {
  JointType_SpineBase = 0,
  JointType_SpineMid = 1,
  JointType_Neck = 2,
  JointType_Head = 3,
  JointType_ShoulderLeft = 4,
  JointType_ElbowLeft = 5,
  JointType_WristLeft = 6,
  JointType_HandLeft = 7,
  JointType_ShoulderRight = 8,
  JointType_ElbowRight = 9,
  JointType_WristRight = 10,
  JointType_HandRight = 11,
  JointType_HipLeft = 12,
  JointType_KneeLeft = 13,
  JointType_AnkleLeft = 14,
  JointType_FootLeft = 15,
  JointType_HipRight = 16,
  JointType_KneeRight = 17,
  JointType_AnkleRight = 18,
  JointType_FootRight = 19,
  JointType_SpineShoulder = 20,
  JointType_HandTipLeft = 21,
  JointType_ThumbLeft = 22,
  JointType_HandTipRight = 23,
  JointType_ThumbRight = 24,
  JointType_Count = 25,
};

enum TrackingState : int32_t {
  TrackingState_NotTracked = 0,
  TrackingState_Inferred = 1,
  TrackingState_Tracked = 2,
};

enum HandState : int32_t {
  HandState_Unknown = 0,
  HandState_NotTracked = 1,
  HandState_Open = 2,
  HandState_Closed = 3,
  HandState_Lasso = 4,
};

// Camera space: metres, origin at the colour camera, Z away from the camera
// along its optical axis, Y up, X towards larger picture x.
struct CameraSpacePoint {
  float X = 0, Y = 0, Z = 0;
};

// Colour space: pixels of the 1920 x 1080 colour picture, origin top left, y
// down. A point the mapper cannot place may come back as -infinity or NaN.
struct ColorSpacePoint {
  float X = 0, Y = 0;
};

struct DepthSpacePoint {
  float X = 0, Y = 0;
};

struct Joint {
  ::JointType JointType = JointType_SpineBase;
  CameraSpacePoint Position;
  ::TrackingState TrackingState = TrackingState_NotTracked;
};

inline constexpr int BODY_COUNT = 6;
inline constexpr int kColorWidth = 1920;
inline constexpr int kColorHeight = 1080;
inline constexpr int kDepthWidth = 512;
inline constexpr int kDepthHeight = 424;
// Body-index value of a pixel that belongs to no body.
inline constexpr uint8_t kNoBodyIndex = 255;
