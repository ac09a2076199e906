#pragma once
// Every picture of a run's session video through the camera models, in
// order, none skipped: the same video and settings give the same bodies.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "app/reanalysed_run.h"
#include "body/backends/camera/video/camera_settings.h"

struct SessionReanalysis {
  std::optional<ReanalysedRun> run;
  int64_t frames_in_table = 0;
  int64_t frames_analysed = 0;
  int64_t frames_without_clock = 0;  // taken before the run started its clock: no rows
  int32_t width = 0, height = 0;     // of the video's pictures
};

// Told after each picture: pictures done and in all.
using ReanalysisProgress = std::function<void(int64_t done, int64_t total)>;

// Analyses `video` (X_V.avi) with its frame table `table` (X_V.csv) for the
// run `run`. False with *error when either is missing, cannot be read, or
// they do not hold the same number of pictures, or the models cannot load.
bool ReanalyseSession(const std::string& video, const std::string& table, const ResultRun& run,
                      const ExperimentSettings& experiment, const CameraSettings& camera,
                      const ReanalysisProgress& progress, SessionReanalysis* out,
                      std::string* error);
