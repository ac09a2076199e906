#pragma once
// Collects a run's timing as the trial loop goes: for each trial its onset,
// when a frame showing its balloon was first presented, the capture of the
// picture whose bodies popped it and the pass that saw the pop; for each drawn
// pass the frame counts and latencies of the run record; and when the popping
// site crossed into the balloon, between two pictures. Everything is handed
// to the record sink as well, so a killed run's journal holds it too.
//
// Without a RunTiming (run.timing null) every call returns at once.

#include <cstdint>

#include "state/run_timing.h"
#include "trial/hit_crossing.h"
#include "trial/run_state.h"
#include "trial/trial_ports.h"

class RunTimingRecorder {
 public:
  RunTimingRecorder(TrialPorts& ports, const RunState& run);

  void OnRunStart();
  // A balloon was placed with this onset; the next frame composed shows it.
  void OnPlaced(int32_t onset_ms);
  // update_bodies took a new frame set; the slots hold its bodies, unmirrored.
  void OnDrawnPass();
  // The trial loop tested this slot's body (points on the displayed side)
  // against the balloon in this drawn pass.
  void OnTested(int slot, const TrackedBody& body, const HitRect& rect);
  // The body in `slot` popped the balloon with `site` in this drawn pass.
  void OnPop(int slot, const char* site);
  // Once per pass: looks out for the presentation of the balloon's first frame.
  void OnPassEnd() {
    if (looking_for_onset_) LookForOnsetShown();
  }
  // trial_records[index] was just stored with these values.
  void StoreTrial(int32_t index, int32_t onset_ms, int32_t hit_pass_ms, int32_t rt_ms);
  void OnRunEnd(RunEndReason reason);

 private:
  int32_t ToRunClock(int64_t monotonic_ns) const;
  void LookForOnsetShown();
  void Store(int32_t index, const TrialTiming& timing);

  TrialPorts& ports_;
  const RunState& run_;
  RunTiming* timing_;
  int64_t run_start_ns_ = 0;
  uint64_t pictures_captured_base_ = 0, pictures_shown_base_ = 0, body_frames_base_ = 0;
  uint64_t frames_presented_base_ = 0;
  int64_t picture_captured_ns_ = 0;  // of the frame set of the current drawn pass

  // The balloon up now.
  bool looking_for_onset_ = false;
  uint64_t shown_from_frame_ = 0;   // first frame composed with it
  uint64_t shown_until_frame_ = 0;  // first frame composed after its pop; 0 while up
  int32_t onset_shown_ms_ = kUnknownMs;
  int32_t hit_picture_ms_ = kUnknownMs;
  int32_t hit_crossing_ms_ = kUnknownMs;
  HitCrossingTracker crossing_;
  // A trial stored before its balloon's first frame was known to be presented
  // (the screen can lag the hit test): its row is completed when it is.
  int32_t stored_index_ = -1;
};
