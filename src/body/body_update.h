#pragma once
// The per-pass body update: copies the newest colour picture, halved, into the
// body texture and fills the six body slots from the newest body frame.

#include <cstdint>
#include <functional>
#include <span>

#include "body/sensor/sensor_handles.h"
#include "state/tracked_body.h"

class StageSurface;

// What the updates of a run took, for the run's timing record; cumulative.
struct BodyUpdateReport {
  uint64_t pictures_taken = 0;     // pictures copied into the body texture
  uint64_t body_frames_taken = 0;  // body frames whose bodies filled the slots
  // CLOCK_MONOTONIC time (ns) at which the picture of the last body frame taken
  // was captured; 0 when the frame did not say.
  int64_t picture_captured_ns = 0;
};

// What one update writes into, handed in by its caller.
struct BodyUpdateTarget {
  StageSurface& stage;
  int32_t body_texture;  // index in the stage's table: the picture and the markers
  std::span<TrackedBody, kBodySlotCount> body_slots;
  // Room for one converted BGRA picture (kColorBufferBytes); empty when the run
  // has none, and then only pictures already in BGRA can be taken.
  std::span<uint8_t> color_buffer;
  bool show_markers;                   // paint the joint markers into the body texture
  BodyUpdateReport* report = nullptr;  // told of what was taken; may be null
};

// 1 when the sensor's newest frame set was new, its colour picture was copied
// into the body texture and its bodies filled the slots, all without error,
// and it held every other frame its device offers (depth, body index);
// otherwise 0 (the texture alone, or texture and slots, may still have
// changed). Reads sensor_connection; every frame and body handle is released
// before it returns.
int UpdateBodies(const BodyUpdateTarget& target);

// Camera space to colour pixels (1920 x 1080); false when a point cannot be mapped.
using ColourMapper = std::function<bool(const CameraSpacePoint&, ColorSpacePoint*)>;
// Where a joint marker goes: picture point (960 x 540) and colour.
using MarkerPainter = std::function<void(int32_t x, int32_t y, uint32_t colour)>;

// One body into its slot as the trial loop reads it: tracked flag, ID, hand
// shapes, and each tracked joint mapped by `map` and halved into picture
// space (-1,-1 where it is not tracked or cannot be mapped). `paint`, when
// given, gets the marker of each joint the body texture shows.
void ReadTrackedBody(const IBody& body, const ColourMapper& map, TrackedBody& slot,
                     const MarkerPainter& paint = {});
