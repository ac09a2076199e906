#pragma once
// Gives the people found in successive frames stable tracking IDs and body
// slots. Each frame's people are matched greedily to the existing tracks by
// box overlap and keypoint distance, best pairs first; a person without a
// match starts a new track (a new ID) in the lowest free slot. Each track
// moves on with its recent velocity while it waits, so a walking person
// missed for a few frames is still found where it went. A track that
// finds no person keeps its ID and slot for `max_missed_frames` frames (the
// slot then reads "not tracked"), so a child hidden for a moment comes back
// with the same ID.

#include <array>
#include <cstdint>
#include <vector>

#include "body/backends/camera/inference/pose_types.h"

inline constexpr int kTrackSlots = 6;

struct TrackSlot {
  bool active = false;  // a track owns this slot
  bool seen = false;    // ...and its person was found in the last frame
  uint64_t id = 0;
  int detection = -1;    // index into the last frame's people, -1 when not seen
  int missed = 0;        // frames since last seen
  PersonPose pose;       // the last pose seen
  float vx = 0, vy = 0;  // box centre movement, pixels a frame
};

class BodyTracker {
 public:
  explicit BodyTracker(int max_missed_frames = 15, float min_keypoint_score = 0.3f)
      : max_missed_(max_missed_frames), min_score_(min_keypoint_score) {}

  // Matches one frame's people (already filtered by person score, at most six
  // are used, strongest first) and returns the six slots.
  const std::array<TrackSlot, kTrackSlots>& Update(const std::vector<PersonPose>& people);
  const std::array<TrackSlot, kTrackSlots>& slots() const { return slots_; }

  // How alike a person and a track are, 0 (unrelated) to 1: box overlap,
  // keypoint distance and centre distance, each relative to the body's size,
  // against the track's last pose moved on by its velocity.
  float Similarity(const PersonPose& person, const TrackSlot& track) const;

 private:
  int max_missed_;
  float min_score_;
  uint64_t next_id_ = 1;
  std::array<TrackSlot, kTrackSlots> slots_{};
};
