// How well the camera backend reads hands and joints on labelled photos.
//
//   camera_accuracy [options] --hands LABELS.csv IMAGE_DIR
//   camera_accuracy [options] --crops DIR | --crops LABELS.csv IMAGE_DIR
//   camera_accuracy [options] --keypoints COCO.json IMAGE_DIR
//
// options:
//   --set KEY=VALUE   a camera.ini setting (repeatable), e.g. --set pose_input_width=320
//   --settings FILE   camera.ini-style file of settings
//   --repeats N       times each picture is given to the pipeline (default 8)
//   --verbose         one line per labelled item
//   --features FILE   (--crops) each hand's presence and 21 world landmarks as CSV
//
// The figures use the program's own defaults unless overridden, so a run
// without options measures what a lab runs.

#include <sys/resource.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "accuracy_eval.h"

double ProcessCpuMs() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 +
         (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
}

bool ProcessRepeatedly(BodyEstimator& estimator, const cv::Mat& bgr, int repeats,
                       const std::string& name, BodyFrameData* frame, PipelineCost* cost) {
  std::string error;
  for (int i = 0; i < repeats; ++i) {
    BodyEstimateTiming timing;
    const double before = ProcessCpuMs();
    if (!estimator.Process(bgr, 0, frame, &timing, &error)) {
      std::fprintf(stderr, "camera_accuracy: %s: %s\n", name.c_str(), error.c_str());
      return false;
    }
    cost->cpu_ms += ProcessCpuMs() - before;
    cost->pose_ms += timing.pose_ms, cost->hands_ms += timing.hands_ms;
    ++cost->frames;
  }
  return true;
}

namespace {
int Usage() {
  std::fprintf(stderr,
               "usage: camera_accuracy [--set KEY=VALUE]... [--settings FILE] [--repeats N] "
               "[--verbose] [--features FILE]\n"
               "         (--hands LABELS.csv IMAGE_DIR | --crops DIR | --crops LABELS.csv "
               "IMAGE_DIR | --keypoints COCO.json IMAGE_DIR)\n");
  return 2;
}
}  // namespace

int main(int argc, char** argv) {
  AccuracyOptions options;
  std::string mode, first, second;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const bool has_next = i + 1 < argc;
    if (a == "--set" && has_next) {
      const std::string kv = argv[++i];
      const size_t eq = kv.find('=');
      const char* problem =
          eq == std::string::npos
              ? "no '='"
              : SetCameraSetting(kv.substr(0, eq), kv.substr(eq + 1), &options.settings);
      if (problem) {
        std::fprintf(stderr, "camera_accuracy: --set %s: %s\n", kv.c_str(), problem);
        return 2;
      }
    } else if (a == "--settings" && has_next) {
      std::string warnings;
      LoadCameraSettings(argv[++i], &options.settings, &warnings);
      if (!warnings.empty()) {
        std::fprintf(stderr, "camera_accuracy: %s", warnings.c_str());
        return 2;
      }
    } else if (a == "--repeats" && has_next) {
      options.repeats = std::atoi(argv[++i]);
      if (options.repeats < 1) return Usage();
    } else if (a == "--features" && has_next) {
      options.features_csv = argv[++i];
    } else if (a == "--verbose") {
      options.verbose = true;
    } else if ((a == "--hands" || a == "--keypoints") && i + 2 < argc) {
      mode = a, first = argv[i + 1], second = argv[i + 2], i += 2;
    } else if (a == "--crops" && has_next) {
      mode = a, first = argv[++i];
      if (i + 1 < argc && std::strncmp(argv[i + 1], "--", 2) != 0) second = argv[++i];
    } else {
      return Usage();
    }
  }
  if (mode == "--hands") return RunHandsAccuracy(first, second, options);
  if (mode == "--crops") return RunCropsAccuracy(first, second, options);
  if (mode == "--keypoints") return RunKeypointsAccuracy(first, second, options);
  return Usage();
}
