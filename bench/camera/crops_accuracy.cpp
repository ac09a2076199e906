// --crops: the hand reading alone, on pictures of one hand each (a folder of
// crops by shape) or on the labelled boxes of whole pictures. The reading is
// given a square around the hand with the fingers assumed up, as the
// pipeline gives it a first guess; what it does from there is the program's.

#include <cstdio>
#include <filesystem>

#include "accuracy_eval.h"
#include "body/backends/camera/inference/hand_reader.h"
#include "body/backends/camera/inference/hand_shape.h"
#include "hand_labels.h"
#include "test_media.h"

int RunCropsAccuracy(const std::string& dir_or_labels, const std::string& image_dir,
                     const AccuracyOptions& options) {
  const bool boxes = !image_dir.empty();
  const std::vector<LabelledHand> hands =
      boxes ? ReadHandLabels(dir_or_labels) : ListHandCrops(dir_or_labels);
  if (hands.empty()) {
    std::fprintf(stderr, "camera_accuracy: no labelled hands in %s\n", dir_or_labels.c_str());
    return 1;
  }
  HandReader reader(options.settings);
  std::string error;
  if (!reader.Load(&error)) {
    std::fprintf(stderr, "camera_accuracy: %s\n", error.c_str());
    return 1;
  }
  std::FILE* features = nullptr;
  if (!options.features_csv.empty()) {
    features = std::fopen(options.features_csv.c_str(), "w");
    if (!features) {
      std::fprintf(stderr, "camera_accuracy: cannot write %s\n", options.features_csv.c_str());
      return 1;
    }
    std::fprintf(features, "file,shape,presence");
    for (int i = 0; i < kHandLandmarkCount; ++i) std::fprintf(features, ",x%d,y%d,z%d", i, i, i);
    std::fprintf(features, "\n");
  }
  Confusion confusion;
  double cpu_ms = 0;
  int runs = 0, unreadable = 0;
  for (const LabelledHand& h : hands) {
    const std::string path = boxes ? (std::filesystem::path(image_dir) / h.file).string() : h.file;
    const cv::Mat bgr = ReadPictureFile(path);
    if (bgr.empty()) {
      std::fprintf(stderr, "camera_accuracy: cannot read picture %s\n", path.c_str());
      ++unreadable;
      continue;
    }
    const cv::Rect box = boxes ? h.box : cv::Rect(0, 0, bgr.cols, bgr.rows);
    HandRegion region;
    region.center = {box.x + box.width / 2.0f, box.y + box.height / 2.0f};
    region.side = float(std::max(box.width, box.height));
    const double before = ProcessCpuMs();
    const HandReading r = reader.ReadAt(bgr, region);
    cpu_ms += ProcessCpuMs() - before;
    runs += reader.TakeModelRuns();
    confusion.Add(h.shape, r.shape, true);
    if (features && r.looked) {
      std::fprintf(features, "%s,%s,%.4f", path.c_str(), kShapeNames[h.shape],
                   r.landmarks.presence);
      for (const cv::Point3f& p : r.landmarks.world)
        std::fprintf(features, ",%.5f,%.5f,%.5f", p.x, p.y, p.z);
      std::fprintf(features, "\n");
    }
    if (options.verbose) {
      const std::array<float, 4> ext = FingerExtensions(r.landmarks);
      std::printf("%s %s: %s (confidence %.2f, hand %s; fingers %.2f %.2f %.2f %.2f)\n",
                  path.c_str(), kShapeNames[h.shape],
                  ShapeIndex(r.shape) >= 0 ? kShapeNames[ShapeIndex(r.shape)] : "unknown",
                  r.confidence, r.found ? "seen" : "not seen", ext[0], ext[1], ext[2], ext[3]);
    }
  }
  if (features) std::fclose(features);
  std::printf("Hand reading alone on %d %s (%d unreadable); fingers assumed up at first.\n",
              confusion.Labelled(), boxes ? "labelled boxes" : "crops", unreadable);
  confusion.Print();
  if (confusion.Labelled() > 0)
    std::printf("CPU per hand: %.1f ms (%.2f model runs)\n", cpu_ms / confusion.Labelled(),
                double(runs) / confusion.Labelled());
  std::printf("crops: %d labelled, %d definite, %d correct\n", confusion.Labelled(),
              confusion.Definite(), confusion.Correct());
  return 0;
}
