#pragma once
// The six stimulus files of a run, in one table: the checks before a run test
// every entry, and the experiment driver loads the images from the same
// paths (the pop sound is played by the trial loop from kPopSoundPath).
// Paths are relative to the working directory.

#include "trial/trial_loop.h"

enum class StimulusKind { kImage, kSound };

struct StimulusFile {
  const char* path;
  StimulusKind kind;
};

inline constexpr const char* kBalloonImagePaths[4] = {"stim/balloon0.png", "stim/balloon1.png",
                                                      "stim/balloon2.png", "stim/balloon3.png"};
inline constexpr const char* kBurstImagePath = "stim/bomb.png";

inline constexpr StimulusFile kStimulusFiles[] = {
    {kBalloonImagePaths[0], StimulusKind::kImage}, {kBalloonImagePaths[1], StimulusKind::kImage},
    {kBalloonImagePaths[2], StimulusKind::kImage}, {kBalloonImagePaths[3], StimulusKind::kImage},
    {kBurstImagePath, StimulusKind::kImage},       {kPopSoundPath, StimulusKind::kSound},
};
