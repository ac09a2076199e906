#pragma once
// One run's session video through the camera models again, every picture in
// order. For run X it writes OUT/X_B.csv (every picture's bodies),
// OUT/X_T.csv (the trials' hit times from them) and OUT/X_reanalysis.json
// (what was analysed, with which models).

#include <string>
#include <utility>
#include <vector>

// camera.ini settings for the analysis (--set KEY=VALUE), in order: they
// come after the ones the run record names.
using CameraOverrides = std::vector<std::pair<std::string, std::string>>;

// `trial_file` is the run's X.csv (another of its files stands for it), with
// X_V.avi and X_V.csv beside it; `out_dir` exists. False with *error when the
// run cannot be analysed whole: then none of its files is written. Progress
// goes to stderr.
bool ReanalyseRun(const std::string& trial_file, const CameraOverrides& overrides,
                  const std::string& out_dir, std::string* error);

// Writes each (name, bytes) into `dir` for the user alone, first under a
// ".part" name, then renamed together: a failure leaves none of them.
bool WriteOutputs(const std::string& dir,
                  const std::vector<std::pair<std::string, std::string>>& files,
                  std::string* error);

// Adds "KEY=VALUE" (a camera.ini key and a value it takes) to *out; false
// with *error when the setting is refused.
bool ParseCameraOverride(const std::string& setting, CameraOverrides* out, std::string* error);

// Makes `dir` and the folders above it that are missing, each for the user
// alone: the results are children's data. False with *error ("DIR: why").
bool MakeOutputFolder(const std::string& dir, std::string* error);
