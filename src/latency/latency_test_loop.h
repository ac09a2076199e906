#pragma once
// The latency test on the stage: black, then flashes of the whole canvas to
// white as planned (flash_plan.h), while every camera picture is noted with its
// capture time and brightness. Each frame's presentation time is the one the
// stage logs when its swap returns, as for a balloon's OnsetShown. Ends after
// the last flash, or at Esc.
//
// Qt-free: the program hands it the stage window, the sensor's pictures and
// its message pump; the tests hand it fakes.

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "latency/flash_analysis.h"
#include "latency/flash_plan.h"

class HostPort;
class ScreenTimeline;
class StageSurface;

class LatencyPictureSource {
 public:
  virtual ~LatencyPictureSource() = default;
  // The newest picture not taken yet; false when none came since.
  virtual bool Take(PictureSample* picture) = 0;
};

struct LatencyTestPorts {
  StageSurface& stage;  // its texture 0 holds the text, as on a run
  LatencyPictureSource& pictures;
  HostPort& host;                    // PumpMessages and Sleep only
  std::function<int64_t()> now_ns;   // CLOCK_MONOTONIC, or a fake's
  ScreenTimeline* screen = nullptr;  // told what the stage shows; may be null
};

struct LatencyTestRecording {
  int64_t start_ns = 0;  // the first black frame's presentation
  std::vector<FlashTimes> flashes;
  std::vector<PictureSample> pictures;  // in the order taken
  bool stopped = false;                 // Esc before the end
};

// Adds the canvas-sized white texture the flashes are drawn with; -1 when the
// stage refuses it.
int AddFlashTexture(StageSurface& stage);

LatencyTestRecording RunLatencyTest(LatencyTestPorts& ports, int flash_texture,
                                    std::span<const PlannedFlash> plan);
