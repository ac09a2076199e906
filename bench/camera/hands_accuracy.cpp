// --hands: the whole pipeline on whole labelled pictures, as the camera
// backend runs it. Each picture is given `repeats` times to a reset
// estimator, so the hand-shape filter settles; then each labelled hand is
// looked up among the tracked bodies' hands and its reported shape compared.

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>

#include "accuracy_eval.h"
#include "body/backends/camera/body_estimator.h"
#include "hand_labels.h"
#include "test_media.h"

namespace {

// Why a labelled hand got no definite shape.
enum Loss { kNoPerson, kNoWrist, kWristScore, kNoCrop, kNoHandInCrop, kUnknown, kLossCount };
constexpr const char* kLossNames[kLossCount] = {
    "no person found", "no wrist near the hand", "wrist at the hand, score below threshold",
    "wrist tracked, hand not read", "read, hand model saw no hand", "read, shape unknown"};

// A body's hand counts as at a labelled box when its centre (or, unread, its
// wrist) lies in the box grown by this share of its larger side.
constexpr float kBoxMargin = 0.25f;

struct Match {
  int slot = -1, side = -1;
  bool found = false;  // tracked at the hand: read there, or the wrist tracked there
  Loss loss = kNoWrist;
};

Match FindHand(const LabelledHand& label, const BodyEstimator& estimator, float keypoint_threshold) {
  const float m = kBoxMargin * std::max(label.box.width, label.box.height);
  const cv::Rect2f grown(label.box.x - m, label.box.y - m, label.box.width + 2 * m,
                         label.box.height + 2 * m);
  const cv::Point2f centre(label.box.x + label.box.width / 2.0f,
                           label.box.y + label.box.height / 2.0f);
  Match best;
  bool any_person = false;
  float best_rank = -1;
  for (int s = 0; s < kTrackSlots; ++s) {
    const TrackSlot& slot = estimator.slots()[s];
    if (!slot.seen) continue;
    any_person = true;
    for (int side = 0; side < 2; ++side) {
      const HandReading& r = estimator.hand_readings()[s][side];
      const ScoredPoint& w = slot.pose.keypoints[side == 0 ? kLeftWrist : kRightWrist];
      const cv::Point2f at = r.found ? r.centre : cv::Point2f(w.x, w.y);
      if (!grown.contains(at)) continue;
      const float d = std::hypot(at.x - centre.x, at.y - centre.y) / grown.width;
      // Read hands first, then tracked wrists, then the nearest.
      const float rank = (r.found ? 4.0f : 0.0f) + (w.score >= keypoint_threshold ? 2.0f : 0.0f) +
                         w.score + (1.0f - std::min(d, 1.0f));
      if (rank <= best_rank) continue;
      best_rank = rank;
      best.slot = s, best.side = side;
      best.found = r.found || w.score >= keypoint_threshold;
      best.loss = r.found                          ? kUnknown
                  : r.looked                       ? kNoHandInCrop
                  : w.score >= keypoint_threshold ? kNoCrop
                                                   : kWristScore;
    }
  }
  if (!any_person) best.loss = kNoPerson;
  return best;
}

}  // namespace

int RunHandsAccuracy(const std::string& labels_csv, const std::string& image_dir,
                     const AccuracyOptions& options) {
  const std::vector<LabelledHand> labels = ReadHandLabels(labels_csv);
  if (labels.empty()) return 1;
  std::map<std::string, std::vector<const LabelledHand*>> by_file;
  for (const LabelledHand& h : labels) by_file[h.file].push_back(&h);

  BodyEstimator estimator(options.settings);
  std::string error;
  if (!estimator.Load(&error)) {
    std::fprintf(stderr, "camera_accuracy: %s\n", error.c_str());
    return 1;
  }
  Confusion confusion;
  int losses[kLossCount] = {};
  double cpu_ms = 0, pose_ms = 0, hands_ms = 0;
  int frames = 0, unreadable = 0;
  for (const auto& [file, hands] : by_file) {
    const cv::Mat bgr = ReadPictureFile((std::filesystem::path(image_dir) / file).string());
    if (bgr.empty()) {
      std::fprintf(stderr, "camera_accuracy: cannot read picture %s\n", file.c_str());
      ++unreadable;
      continue;
    }
    estimator.Reset();
    BodyFrameData frame;
    for (int i = 0; i < options.repeats; ++i) {
      BodyEstimateTiming timing;
      const double before = ProcessCpuMs();
      if (!estimator.Process(bgr, 0, &frame, &timing, &error)) {
        std::fprintf(stderr, "camera_accuracy: %s: %s\n", file.c_str(), error.c_str());
        return 1;
      }
      cpu_ms += ProcessCpuMs() - before;
      pose_ms += timing.pose_ms, hands_ms += timing.hands_ms;
      ++frames;
    }
    for (const LabelledHand* h : hands) {
      const Match m = FindHand(*h, estimator, options.settings.keypoint_threshold);
      HandState read = HandState_Unknown;
      if (m.found) {
        const BodyData& body = frame.bodies[m.slot];
        read = m.side == 0 ? body.hand_left : body.hand_right;
      }
      confusion.Add(h->shape, read, m.found);
      const bool definite = m.found && ShapeIndex(read) >= 0;
      if (!definite) ++losses[m.loss];
      if (options.verbose) {
        const HandReading* r = m.slot >= 0 ? &estimator.hand_readings()[m.slot][m.side] : nullptr;
        std::printf("%s %s: %s%s (confidence %.2f)", file.c_str(), kShapeNames[h->shape],
                    definite                 ? kShapeNames[ShapeIndex(read)]
                    : m.found                ? "unknown"
                                             : "not found",
                    definite ? "" : (std::string(", ") + kLossNames[m.loss]).c_str(),
                    r ? r->confidence : 0.0f);
        if (r) {
          const ScoredPoint& w =
              estimator.slots()[m.slot].pose.keypoints[m.side == 0 ? kLeftWrist : kRightWrist];
          std::printf(" box %d,%d %dx%d; %s wrist %.0f,%.0f score %.2f; read at %.0f,%.0f side %.0f",
                      h->box.x, h->box.y, h->box.width, h->box.height,
                      m.side == 0 ? "left" : "right", w.x, w.y, w.score, r->region.center.x,
                      r->region.center.y, r->region.side);
        }
        std::printf("\n");
      }
    }
  }
  std::printf("Whole pipeline on %zu labelled hands in %zu pictures (%d unreadable), each picture "
              "given %d times; a hand counts as found when a tracked body's hand was read, or its "
              "wrist tracked, within the box grown by %.0f %%.\n",
              labels.size(), by_file.size(), unreadable, options.repeats, 100 * kBoxMargin);
  confusion.Print();
  std::printf("Where hands were lost (no definite shape):\n");
  for (int l = 0; l < kLossCount; ++l) std::printf("  %-45s %d\n", kLossNames[l], losses[l]);
  if (frames > 0)
    std::printf("CPU per picture: %.1f ms (pose %.1f ms, hands %.1f ms wall)\n", cpu_ms / frames,
                pose_ms / frames, hands_ms / frames);
  std::printf("hands: %d labelled, %d found, %d definite, %d correct\n", confusion.Labelled(),
              confusion.Found(), confusion.Definite(), confusion.Correct());
  return 0;
}
