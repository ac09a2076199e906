#pragma once
// The accuracy tool's three measurements on labelled photos (see
// camera_accuracy.cpp). Each prints its tables on stdout and, as its last
// line, one summary line in a fixed format; returns the exit status.

#include <string>

#include "body/backends/camera/inference/body_estimator.h"
#include "body/backends/camera/video/camera_settings.h"

struct AccuracyOptions {
  CameraSettings settings;   // the program's defaults unless overridden
  int repeats = 8;           // each picture given this many times, so the filters settle
  bool verbose = false;      // one line per labelled item
  std::string features_csv;  // --crops: each hand's world landmarks, for choosing thresholds
};

// --hands LABELS.csv IMAGE_DIR: the whole pipeline on whole pictures.
int RunHandsAccuracy(const std::string& labels_csv, const std::string& image_dir,
                     const AccuracyOptions& options);

// --crops DIR (subfolders rock/, scissors/, paper/), or --crops LABELS.csv
// IMAGE_DIR (a square around each labelled box): the hand reading alone.
int RunCropsAccuracy(const std::string& dir_or_labels, const std::string& image_dir,
                     const AccuracyOptions& options);

// --keypoints COCO.json IMAGE_DIR: the pose's joints against labelled people.
int RunKeypointsAccuracy(const std::string& coco_json, const std::string& image_dir,
                         const AccuracyOptions& options);

// CPU time of the whole process so far (all threads), milliseconds.
double ProcessCpuMs();

// What the pictures given to the pipeline cost so far.
struct PipelineCost {
  double cpu_ms = 0, pose_ms = 0, hands_ms = 0;
  int frames = 0;
};
// Gives `bgr` to the estimator `repeats` times (the frame of the last in
// *frame), adding the cost to *cost. False with a message on stderr.
bool ProcessRepeatedly(BodyEstimator& estimator, const cv::Mat& bgr, int repeats,
                       const std::string& name, BodyFrameData* frame, PipelineCost* cost);
