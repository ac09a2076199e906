#pragma once
// Reads the latency test's camera pictures: for each flash of the stage
// (black to white), the first picture in which the screen is bright and the
// dark one just before it, and the flip-to-picture delays over all flashes.
//
// A picture is bright when its brightness lies above the middle between the
// flash's dark level (the median picture before the flip) and its bright level
// (the brightest picture after it). The pictures of a flash are those captured
// from half-way through the black wait before it to half-way through the wait
// after it, so a camera up to that late still has its pictures counted right.

#include <cstdint>
#include <span>
#include <vector>

// One flash as the stage showed it (CLOCK_MONOTONIC ns; 0: not presented).
struct FlashTimes {
  int64_t flip_ns = 0;  // the white frame's presentation
  int64_t dark_ns = 0;  // the presentation of the black frame that ended it
};

// One camera picture: its capture time and mean brightness (0 .. 255).
struct PictureSample {
  int64_t captured_ns = 0;
  double brightness = 0;
};

struct FlashResult {
  int64_t flip_ns = 0;
  bool seen = false;  // a bright picture right after a dark one was found
  int64_t first_bright_ns = 0;
  int64_t last_dark_ns = 0;
  double DelayMs() const { return static_cast<double>(first_bright_ns - flip_ns) / 1e6; }
};

// Why a flash may count as not seen even with a bright picture: the bright
// level must stand this far above the dark one, and no picture may be missing
// between the last dark and the first bright one.
inline constexpr double kMinContrast = 12.0;
inline constexpr double kMaxGapInPeriods = 1.5;

// The camera's frame period as the pictures (in capture order) show it: the
// 10th percentile of the intervals, so lost pictures do not lengthen it; 0
// with fewer than two pictures.
int64_t CameraPeriod_ns(std::span<const PictureSample> pictures);

// `pictures` in capture order; `start_ns` is when the stage first showed
// black. A gap between two pictures of more than kMaxGapInPeriods camera
// periods means a picture was lost.
std::vector<FlashResult> FindFlashesInPictures(std::span<const FlashTimes> flashes,
                                               std::span<const PictureSample> pictures,
                                               int64_t start_ns);

struct LatencySummary {
  int32_t flashes = 0;                                       // made
  int32_t seen = 0;                                          // with a delay; the others are missed
  double mean_ms = 0, sd_ms = 0, min_ms = 0, median_ms = 0;  // over the seen ones
  int32_t missed() const { return flashes - seen; }
  double MissedShare() const {
    return flashes == 0 ? 0.0 : static_cast<double>(missed()) / flashes;
  }
};

// The flip-to-first-bright delays: mean, sample SD, minimum and median.
LatencySummary SummariseFlashes(std::span<const FlashResult> results);
