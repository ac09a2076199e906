#pragma once
// What a run records about its timing besides the trial and body files: one
// TrialTiming per trial record (the timing file) and the counts and
// distributions of its frames (the run record). Times on the run clock are
// milliseconds, -1 when unknown.

#include <array>
#include <cstdint>
#include <string>

#include "state/records.h"
#include "state/tracked_body.h"

inline constexpr int32_t kUnknownMs = -1;

struct TrialTiming {
  int32_t trial = 0;
  int32_t onset_ms = kUnknownMs;        // clock at placement (the trial file's RT starts here)
  int32_t onset_shown_ms = kUnknownMs;  // first frame showing the balloon presented
  int32_t hit_picture_ms = kUnknownMs;  // capture of the picture whose bodies popped it
  int32_t hit_pass_ms = kUnknownMs;     // the pass that saw the pop
  int32_t rt_ms = 0;                    // as in the trial file
  // When the popping site crossed into the balloon, interpolated between the
  // last picture that showed it outside and the first that showed it inside.
  int32_t hit_crossing_ms = kUnknownMs;
};

// hit_picture_ms - onset_shown_ms, or -1 when either is unknown.
int32_t PictureRt_ms(const TrialTiming& timing);
// hit_crossing_ms - onset_shown_ms, or -1 when either is unknown.
int32_t CrossingRt_ms(const TrialTiming& timing);

// One drawn pass, as the run record counts it. Counters are since the run start.
struct DrawnPassFacts {
  int32_t run_time_ms = 0;          // CLOCK_MONOTONIC since the run started
  int32_t capture_to_test_us = -1;  // picture capture to this pass's hit test; -1 unknown
  int64_t picture_captured_ns = 0;  // CLOCK_MONOTONIC; 0 unknown
  uint32_t pictures_captured = 0;   // by the device
  uint32_t pictures_shown = 0;      // copied into the body texture
  uint32_t body_frames = 0;         // body frames taken
  uint32_t frames_presented = 0;    // stage frames presented
  int32_t body_count = 0;           // tracked bodies in this frame, 0 .. kBodySlotCount
  int32_t ids[kBodySlotCount] = {};
  uint8_t hands[kBodySlotCount] = {};  // bit 0: left hand tracked, bit 1: right hand
};

inline constexpr uint8_t kLeftHandTracked = 1;
inline constexpr uint8_t kRightHandTracked = 2;

// A distribution of times in 0.1 ms steps up to 2 s (longer ones count in the
// last step); adding is a few additions, so it may run inside a pass.
class TimeHistogram {
 public:
  void Clear();
  void Add(double ms);
  uint64_t count() const { return count_; }
  double mean_ms() const;
  double sd_ms() const;  // sample standard deviation; 0 below two values
  double max_ms() const { return max_ms_; }
  // Nearest-rank percentile (0 < p <= 100), to the 0.1 ms step; 0 when empty.
  double Percentile_ms(double p) const;

 private:
  static constexpr int kSteps = 20001;
  std::array<uint32_t, kSteps> steps_{};
  uint64_t count_ = 0;
  double sum_ = 0, sum_squares_ = 0, max_ms_ = 0;
};

// How often one body (by its ID) was seen and its hands tracked.
struct BodyTrackingCount {
  int32_t id = 0;
  uint32_t frames = 0;
  uint32_t left_hand = 0;
  uint32_t right_hand = 0;
};

// The frame figures of a run, built from its drawn passes (live, and again
// from the journal when a killed run is recovered).
class FrameTimingStats {
 public:
  static constexpr int kTrackedIds = 64;  // IDs beyond these are not counted per body

  void Clear();
  void Add(const DrawnPassFacts& facts);

  uint64_t drawn_passes = 0;
  uint64_t frames_with_body = 0;  // drawn passes with at least one tracked body
  DrawnPassFacts last;            // the newest pass (its counters are the run's)
  TimeHistogram frame_interval;   // between captures of consecutive pictures shown
  TimeHistogram capture_to_test;  // picture capture to the hit test of its bodies
  int32_t tracked_id_count = 0;
  std::array<BodyTrackingCount, kTrackedIds> tracked_ids{};

  // The counts of body `id`; null when it was never counted.
  const BodyTrackingCount* Find(int32_t id) const;
};

enum class RunEndReason : int32_t {
  kUnknown = 0,
  kTimeLimit = 1,
  kEscape = 2,
  kTrialLimit = 3,  // the trial table is full
  kRecovered = 4,   // written from the journal of a killed run
  kSignal = 5,      // a stop signal (logout, shutdown, kill) ended it
};

const char* RunEndReasonName(RunEndReason reason);

struct RunTiming {
  std::string run_head;                      // the run record's head (JSON), set at run start
  TrialTiming trials[kTrialRecordCapacity];  // same positions as trial_records
  FrameTimingStats frames;
  RunEndReason end_reason = RunEndReason::kUnknown;
  int32_t duration_ms = 0;  // run start to run end, CLOCK_MONOTONIC

  void Clear() {
    frames.Clear();
    end_reason = RunEndReason::kUnknown;
    duration_ms = 0;
  }
};
