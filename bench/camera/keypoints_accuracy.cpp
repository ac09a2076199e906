// --keypoints: the whole pipeline on labelled photos of people, as the camera
// backend runs it: a fresh estimator per picture, given the picture `repeats`
// times; then each labelled person is matched to one of the people the
// program reports and its joints compared (PCK: the share within 0.2 of the
// person's size).

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>

#include "accuracy_eval.h"
#include "body/backends/camera/inference/body_estimator.h"
#include "body/backends/camera/inference/hand_regions.h"
#include "keypoint_labels.h"
#include "test_media.h"

namespace {

constexpr float kWithin = 0.2f;  // of the person's size

// Whether a labelled keypoint was within reach, else why not. A keypoint
// scored below the threshold is told apart by where it lies: a lower
// threshold would gain the near ones.
enum Outcome { kIn, kFar, kLowNear, kLowFar, kNoPerson, kOutcomeCount };

struct Tally {
  int count[kOutcomeCount] = {};
  int Labelled() const {
    int n = 0;
    for (int c : count) n += c;
    return n;
  }
};

// Mean distance, relative to the person's size, of the labelled keypoints.
float MeanDistance(const LabelledPerson& label, const PersonPose& pose) {
  float sum = 0;
  int n = 0;
  for (int k = 0; k < kKeypointCount; ++k) {
    if (!label.labelled[k]) continue;
    sum += std::hypot(pose.keypoints[k].x - label.keypoints[k].x,
                      pose.keypoints[k].y - label.keypoints[k].y);
    ++n;
  }
  return n > 0 ? sum / n / label.size : INFINITY;
}

// Each labelled person's reported person (index into `poses`, -1: none),
// closest pairs first.
std::vector<int> MatchPeople(const std::vector<const LabelledPerson*>& labels,
                             const std::vector<PersonPose>& poses) {
  struct Pair {
    float distance;
    size_t label, pose;
  };
  std::vector<Pair> pairs;
  for (size_t l = 0; l < labels.size(); ++l)
    for (size_t p = 0; p < poses.size(); ++p)
      pairs.push_back({MeanDistance(*labels[l], poses[p]), l, p});
  std::sort(pairs.begin(), pairs.end(),
            [](const Pair& a, const Pair& b) { return a.distance < b.distance; });
  std::vector<int> match(labels.size(), -1);
  std::vector<bool> taken(poses.size(), false);
  for (const Pair& pair : pairs) {
    if (match[pair.label] >= 0 || taken[pair.pose]) continue;
    match[pair.label] = static_cast<int>(pair.pose);
    taken[pair.pose] = true;
  }
  return match;
}

Outcome Judge(const LabelledPerson& label, const PersonPose* pose, int k, float threshold) {
  if (!pose) return kNoPerson;
  const ScoredPoint& p = pose->keypoints[k];
  const bool near =
      std::hypot(p.x - label.keypoints[k].x, p.y - label.keypoints[k].y) <= kWithin * label.size;
  if (p.score < threshold) return near ? kLowNear : kLowFar;
  return near ? kIn : kFar;
}

void PrintRow(const char* name, const Tally& t) {
  const int n = t.Labelled();
  std::printf("  %-15s %8d %7d %6.1f %% %8d %9d %8d %9d\n", name, n, t.count[kIn],
              n > 0 ? 100.0 * t.count[kIn] / n : 0.0, t.count[kFar], t.count[kLowNear],
              t.count[kLowFar], t.count[kNoPerson]);
}

}  // namespace

int RunKeypointsAccuracy(const std::string& coco_json, const std::string& image_dir,
                         const AccuracyOptions& options) {
  std::string error;
  const std::vector<LabelledPerson> labels = ReadKeypointLabels(coco_json, &error);
  if (labels.empty()) {
    std::fprintf(stderr, "camera_accuracy: %s\n", error.c_str());
    return 1;
  }
  std::map<std::string, std::vector<const LabelledPerson*>> by_file;
  for (const LabelledPerson& p : labels) by_file[p.file].push_back(&p);

  const float threshold = options.settings.keypoint_threshold;
  Tally tally[kKeypointCount], scored_wrists[2];
  int matched = 0, unreadable = 0;
  int unlabelled = 0, unlabelled_reported = 0;  // of matched people
  PipelineCost cost;
  for (const auto& [file, people] : by_file) {
    const cv::Mat bgr = ReadPictureFile((std::filesystem::path(image_dir) / file).string());
    if (bgr.empty()) {
      std::fprintf(stderr, "camera_accuracy: cannot read picture %s\n", file.c_str());
      ++unreadable;
      continue;
    }
    BodyEstimator estimator(options.settings);
    if (!estimator.Load(&error)) {
      std::fprintf(stderr, "camera_accuracy: %s\n", error.c_str());
      return 1;
    }
    BodyFrameData frame;
    if (!ProcessRepeatedly(estimator, bgr, options.repeats, file, &frame, &cost)) return 1;
    // The people the program reports, in picture pixels.
    std::vector<PersonPose> reported, scored;
    std::vector<int> reported_slot;
    for (int s = 0; s < kTrackSlots; ++s) {
      if (!frame.bodies[s].is_tracked) continue;
      reported_slot.push_back(s);
      reported.push_back(estimator.reported_poses()[s]);
      scored.push_back(estimator.slots()[s].pose);
    }
    const std::vector<int> match = MatchPeople(people, reported);
    for (size_t l = 0; l < people.size(); ++l) {
      const LabelledPerson& label = *people[l];
      const PersonPose* pose = match[l] >= 0 ? &reported[match[l]] : nullptr;
      matched += pose != nullptr;
      int in = 0, n = 0;
      for (int k = 0; k < kKeypointCount; ++k) {
        if (pose && label.named[k] && !label.labelled[k]) {
          ++unlabelled;
          unlabelled_reported += pose->keypoints[k].score >= threshold;
        }
        if (!label.labelled[k]) continue;
        const Outcome o = Judge(label, pose, k, threshold);
        ++tally[k].count[o];
        in += o == kIn, ++n;
      }
      for (int side = 0; side < 2; ++side) {
        const int k = kWristOf[side];
        if (label.labelled[k])
          ++scored_wrists[side]
                .count[Judge(label, pose ? &scored[match[l]] : nullptr, k, threshold)];
      }
      if (options.verbose && pose) {
        std::printf(
            "%s person %zu (size %.0f): mean distance %.3f of its size, %d of %d "
            "keypoints within %.1f\n",
            file.c_str(), l, label.size, MeanDistance(label, *pose), in, n, kWithin);
        for (int side = 0; side < 2; ++side) {
          const int k = kWristOf[side];
          if (!label.labelled[k]) continue;
          const ScoredPoint& w = pose->keypoints[k];
          std::printf("  %s: score %.2f (model %.2f; elbow %.2f, shoulder %.2f), %.2f of its size "
                      "from the label, hand %s\n",
                      kKeypointNames[k], w.score, scored[match[l]].keypoints[k].score,
                      pose->keypoints[kElbowOf[side]].score,
                      pose->keypoints[kShoulderOf[side]].score,
                      std::hypot(w.x - label.keypoints[k].x, w.y - label.keypoints[k].y) /
                          label.size,
                      estimator.hand_readings()[reported_slot[match[l]]][side].found ? "read" : "not read");
        }
      }
      else if (options.verbose)
        std::printf("%s person %zu (size %.0f): no person reported\n", file.c_str(), l, label.size);
    }
  }

  std::printf(
      "Whole pipeline on %zu labelled people in %zu pictures (%d unreadable), each picture given "
      "%d times to a fresh estimator; each labelled person matched to a reported one (%d "
      "matched). A keypoint counts as within %.1f when the matched person's keypoint scores at "
      "least %.2f (the keypoint threshold: lower ones are reported not tracked) and lies within "
      "%.1f x the person's size (the larger side of its labelled box; MPII: scale x 200 px). "
      "Low: scored below the threshold, near or far from the label.\n",
      labels.size(), by_file.size(), unreadable, options.repeats, matched, kWithin, threshold,
      kWithin);
  std::printf("  %-15s %8s %7s %8s %8s %9s %8s %9s\n", "keypoint", "labelled", "within", "PCK",
              "farther", "low, near", "low, far", "no person");
  Tally all, wrists;
  for (int k = 0; k < kKeypointCount; ++k) {
    if (tally[k].Labelled() == 0) continue;
    PrintRow(kKeypointNames[k], tally[k]);
    for (int o = 0; o < kOutcomeCount; ++o) {
      all.count[o] += tally[k].count[o];
      if (k == kLeftWrist || k == kRightWrist) wrists.count[o] += tally[k].count[o];
    }
  }
  PrintRow("all", all);
  PrintRow("wrists", wrists);
  Tally by_pose;
  for (int o = 0; o < kOutcomeCount; ++o)
    by_pose.count[o] = scored_wrists[0].count[o] + scored_wrists[1].count[o];
  std::printf("Wrists as the pose model alone scores them (no hand or arm vouching for them):\n");
  PrintRow("wrists", by_pose);
  std::printf(
      "Unlabelled keypoints of matched people (out of the picture or hidden) reported "
      "tracked: %d of %d\n",
      unlabelled_reported, unlabelled);
  if (cost.frames > 0)
    std::printf("CPU per picture: %.1f ms (pose %.1f ms wall)\n", cost.cpu_ms / cost.frames,
                cost.pose_ms / cost.frames);
  std::printf("keypoints: %d labelled, %d wrists, %d within 0.2, %d wrists within 0.2\n",
              all.Labelled(), wrists.Labelled(), all.count[kIn], wrists.count[kIn]);
  return 0;
}
