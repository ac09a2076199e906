#include "body/backends/camera/inference/body_tracker.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float kMinSimilarity = 0.2f;  // below this a pair is not the same person
constexpr float kVelocitySmoothing = 0.5f;

PersonPose Predicted(const TrackSlot& track) {
  PersonPose p = track.pose;
  const float frames = float(track.missed + 1);
  const float dx = track.vx * frames, dy = track.vy * frames;
  p.box.x0 += dx, p.box.x1 += dx, p.box.y0 += dy, p.box.y1 += dy;
  for (ScoredPoint& k : p.keypoints) k.x += dx, k.y += dy;
  return p;
}

float Centre(float a, float b) {
  return (a + b) * 0.5f;
}

}  // namespace

float BodyTracker::Similarity(const PersonPose& a, const TrackSlot& track) const {
  const PersonPose b = Predicted(track);
  const float iou = BoxIou(a.box, b.box);
  const float size = std::sqrt(std::max(std::max(a.box.area(), b.box.area()), 1.0f));
  // Keypoints: Gaussian of the distance, relative to the body's size.
  const float sigma = 0.15f * size;
  float sum = 0;
  int count = 0;
  for (int k = 0; k < kKeypointCount; ++k) {
    const ScoredPoint& p = a.keypoints[k];
    const ScoredPoint& q = b.keypoints[k];
    if (p.score < min_score_ || q.score < min_score_) continue;
    const float dx = p.x - q.x, dy = p.y - q.y;
    sum += std::exp(-(dx * dx + dy * dy) / (2 * sigma * sigma));
    ++count;
  }
  const float keypoints = count ? sum / count : iou;
  // Box centres, relative to the body's height.
  const float reach = 0.35f * std::max({a.box.height(), b.box.height(), 1.0f});
  const float cx = Centre(a.box.x0, a.box.x1) - Centre(b.box.x0, b.box.x1);
  const float cy = Centre(a.box.y0, a.box.y1) - Centre(b.box.y0, b.box.y1);
  const float centre = std::exp(-(cx * cx + cy * cy) / (2 * reach * reach));
  return (iou + keypoints + centre) / 3.0f;
}

const std::array<TrackSlot, kTrackSlots>& BodyTracker::Update(
    const std::vector<PersonPose>& people) {
  const int n = std::min<int>(people.size(), kTrackSlots);
  struct Pair {
    float similarity;
    int slot, person;
  };
  std::vector<Pair> pairs;
  for (int s = 0; s < kTrackSlots; ++s) {
    if (!slots_[s].active) continue;
    for (int p = 0; p < n; ++p) {
      const float sim = Similarity(people[p], slots_[s]);
      if (sim >= kMinSimilarity) pairs.push_back({sim, s, p});
    }
  }
  // Best pairs first; equal ones in slot, then person order (deterministic).
  std::sort(pairs.begin(), pairs.end(), [](const Pair& a, const Pair& b) {
    if (a.similarity != b.similarity) return a.similarity > b.similarity;
    return a.slot != b.slot ? a.slot < b.slot : a.person < b.person;
  });
  std::array<bool, kTrackSlots> slot_taken{};
  std::vector<bool> person_taken(n, false);
  for (TrackSlot& slot : slots_) slot.seen = false, slot.detection = -1;
  for (const Pair& pair : pairs) {
    if (slot_taken[pair.slot] || person_taken[pair.person]) continue;
    slot_taken[pair.slot] = person_taken[pair.person] = true;
    TrackSlot& slot = slots_[pair.slot];
    const PersonBox& was = slot.pose.box;
    const PersonBox& now = people[pair.person].box;
    const float frames = float(slot.missed + 1);
    const float vx = (Centre(now.x0, now.x1) - Centre(was.x0, was.x1)) / frames;
    const float vy = (Centre(now.y0, now.y1) - Centre(was.y0, was.y1)) / frames;
    slot.vx += kVelocitySmoothing * (vx - slot.vx);
    slot.vy += kVelocitySmoothing * (vy - slot.vy);
    slot.seen = true;
    slot.detection = pair.person;
    slot.missed = 0;
    slot.pose = people[pair.person];
  }
  // Tracks without a person age and end; people without a track start one.
  for (int s = 0; s < kTrackSlots; ++s) {
    TrackSlot& slot = slots_[s];
    if (slot.active && !slot_taken[s] && ++slot.missed > max_missed_) slot = TrackSlot{};
  }
  for (int p = 0; p < n; ++p) {
    if (person_taken[p]) continue;
    // The lowest free slot; when all are taken, the one unseen the longest.
    int chosen = -1;
    for (int s = 0; s < kTrackSlots && chosen < 0; ++s)
      if (!slots_[s].active) chosen = s;
    if (chosen < 0)
      for (int s = 0; s < kTrackSlots; ++s)
        if (!slots_[s].seen && (chosen < 0 || slots_[s].missed > slots_[chosen].missed)) chosen = s;
    if (chosen < 0) continue;
    slots_[chosen] = TrackSlot{true, true, next_id_++, p, 0, people[p], 0, 0};
  }
  return slots_;
}
