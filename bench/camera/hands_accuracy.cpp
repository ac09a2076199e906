// --hands: the whole pipeline on whole labelled pictures, as the camera
// backend runs it. Each picture is given `repeats` times to a reset
// estimator, so the hand-shape filter settles; then each labelled hand is
// looked up among the tracked bodies' hands and its reported shape compared.

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>

#include "accuracy_eval.h"
#include "body/backends/camera/inference/body_estimator.h"
#include "hand_labels.h"
#include "test_media.h"

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
  int losses[kHandLossCount] = {};
  PipelineCost cost;
  int unreadable = 0;
  for (const auto& [file, hands] : by_file) {
    const cv::Mat bgr = ReadPictureFile((std::filesystem::path(image_dir) / file).string());
    if (bgr.empty()) {
      std::fprintf(stderr, "camera_accuracy: cannot read picture %s\n", file.c_str());
      ++unreadable;
      continue;
    }
    estimator.Reset();
    BodyFrameData frame;
    if (!ProcessRepeatedly(estimator, bgr, options.repeats, file, &frame, &cost)) return 1;
    for (const LabelledHand* h : hands) {
      const HandMatch m =
          MatchLabelledHand(*h, estimator, frame, options.settings.keypoint_threshold);
      const HandState read = m.read;
      confusion.Add(h->shape, read, m.found);
      const bool definite = m.found && ShapeIndex(read) >= 0;
      if (!definite) ++losses[m.loss];
      if (options.verbose) {
        const HandReading* r = m.slot >= 0 ? &estimator.hand_readings()[m.slot][m.side] : nullptr;
        std::printf("%s %s: %s%s (confidence %.2f)", file.c_str(), kShapeNames[h->shape],
                    definite  ? kShapeNames[ShapeIndex(read)]
                    : m.found ? "unknown"
                              : "not found",
                    definite ? "" : (std::string(", ") + kHandLossNames[m.loss]).c_str(),
                    r ? r->confidence : 0.0f);
        if (r) {
          const ScoredPoint& w =
              estimator.slots()[m.slot].pose.keypoints[m.side == 0 ? kLeftWrist : kRightWrist];
          std::printf(
              " box %d,%d %dx%d; %s wrist %.0f,%.0f score %.2f; read at %.0f,%.0f side %.0f",
              h->box.x, h->box.y, h->box.width, h->box.height, m.side == 0 ? "left" : "right", w.x,
              w.y, w.score, r->region.center.x, r->region.center.y, r->region.side);
        }
        std::printf("\n");
      }
    }
  }
  std::printf(
      "Whole pipeline on %zu labelled hands in %zu pictures (%d unreadable), each picture "
      "given %d times; a hand counts as found when a tracked body's hand was read, or its "
      "wrist tracked, within the box grown by %.0f %%.\n",
      labels.size(), by_file.size(), unreadable, options.repeats, 100 * kHandBoxMargin);
  confusion.Print();
  std::printf("Where hands were lost (no definite shape):\n");
  for (int l = 0; l < kHandLossCount; ++l)
    std::printf("  %-45s %d\n", kHandLossNames[l], losses[l]);
  if (cost.frames > 0)
    std::printf("CPU per picture: %.1f ms (pose %.1f ms, hands %.1f ms wall)\n",
                cost.cpu_ms / cost.frames, cost.pose_ms / cost.frames, cost.hands_ms / cost.frames);
  std::printf("hands: %d labelled, %d found, %d definite, %d correct\n", confusion.Labelled(),
              confusion.Found(), confusion.Definite(), confusion.Correct());
  return 0;
}
