#include "trial/run_timing_recorder.h"

#include <time.h>

#include <algorithm>
#include <cmath>
#include <utility>

#include "results/record_sink.h"
#include "stage/stage_surface.h"

int64_t RunClock::Now_ns() const {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

RunTimingRecorder::RunTimingRecorder(TrialPorts& ports, const RunState& run)
    : ports_(ports), run_(run), timing_(run.timing) {}

void RunTimingRecorder::OnRunStart() {
  if (timing_ == nullptr) return;
  timing_->Clear();
  run_start_ns_ = ports_.clock.Now_ns();
  if (const FrameInfoPort* info = ports_.frame_info) {
    pictures_captured_base_ = info->PicturesCaptured();
    pictures_shown_base_ = info->PicturesShown();
    body_frames_base_ = info->BodyFramesTaken();
  }
  frames_presented_base_ = ports_.stage.FramesPresented();
  looking_for_onset_ = false;
  stored_index_ = -1;
  crossing_.Reset();
}

int32_t RunTimingRecorder::ToRunClock(int64_t monotonic_ns) const {
  const int64_t reset_ns = ports_.clock.ResetAt_ns();
  if (monotonic_ns == 0 || reset_ns == 0) return kUnknownMs;
  // The clock counts whole milliseconds since its reset.
  const double ms = std::floor(static_cast<double>(monotonic_ns - reset_ns) / 1e6);
  return static_cast<int32_t>(std::clamp(ms, -2147483647.0, 2147483647.0));
}

void RunTimingRecorder::OnPlaced(int32_t /*onset_ms*/) {
  if (timing_ == nullptr) return;
  stored_index_ = -1;  // the last balloon's first frame was never presented
  crossing_.Reset();
  shown_from_frame_ = ports_.stage.NextFrameNumber();
  shown_until_frame_ = 0;
  looking_for_onset_ = shown_from_frame_ != 0;
  onset_shown_ms_ = kUnknownMs;
  hit_picture_ms_ = kUnknownMs;
  hit_crossing_ms_ = kUnknownMs;
}

void RunTimingRecorder::LookForOnsetShown() {
  uint64_t number = 0;
  int64_t presented_ns = 0;
  if (!ports_.stage.FirstPresentedFrom(shown_from_frame_, &number, &presented_ns)) return;
  looking_for_onset_ = false;
  // A frame composed after the pop shows the burst, not the balloon.
  if (shown_until_frame_ == 0 || number < shown_until_frame_) {
    onset_shown_ms_ = ToRunClock(presented_ns);
  }
  if (stored_index_ >= 0) {
    TrialTiming timing = timing_->trials[stored_index_];
    timing.onset_shown_ms = onset_shown_ms_;
    Store(std::exchange(stored_index_, -1), timing);
  }
}

void RunTimingRecorder::OnDrawnPass() {
  if (timing_ == nullptr) return;
  DrawnPassFacts facts;
  const int64_t now_ns = ports_.clock.Now_ns();
  facts.run_time_ms = static_cast<int32_t>((now_ns - run_start_ns_) / 1000000);
  picture_captured_ns_ = 0;
  bool before_run = false;
  if (const FrameInfoPort* info = ports_.frame_info) {
    picture_captured_ns_ = info->PictureCaptured_ns();
    // A picture captured before the run started but taken after it is not one
    // of the run's pictures; counting it would show more than were captured,
    // and more body frames tracked than were taken.
    before_run = picture_captured_ns_ != 0 && picture_captured_ns_ < run_start_ns_;
    if (before_run) {
      pictures_shown_base_ = info->PicturesShown();
      body_frames_base_ = info->BodyFramesTaken();
    }
    facts.pictures_captured =
        static_cast<uint32_t>(info->PicturesCaptured() - pictures_captured_base_);
    facts.pictures_shown = static_cast<uint32_t>(info->PicturesShown() - pictures_shown_base_);
    facts.body_frames = static_cast<uint32_t>(info->BodyFramesTaken() - body_frames_base_);
  }
  facts.picture_captured_ns = picture_captured_ns_;
  if (picture_captured_ns_ != 0) {
    const int64_t latency_us = (now_ns - picture_captured_ns_) / 1000;
    facts.capture_to_test_us = static_cast<int32_t>(std::clamp<int64_t>(latency_us, 0, INT32_MAX));
  }
  facts.frames_presented =
      static_cast<uint32_t>(ports_.stage.FramesPresented() - frames_presented_base_);
  for (const TrackedBody& body : run_.tracked_bodies) {
    if (body.tracked == 0) continue;
    const int i = facts.body_count++;
    facts.ids[i] = body.id;
    facts.hands[i] = static_cast<uint8_t>((body.hand_lx != -1 ? kLeftHandTracked : 0) |
                                          (body.hand_rx != -1 ? kRightHandTracked : 0));
  }
  if (before_run) return;
  timing_->frames.Add(facts);
  if (ports_.record_sink != nullptr) ports_.record_sink->OnDrawnPass(facts);
}

void RunTimingRecorder::OnTested(int slot, const TrackedBody& body, const HitRect& rect) {
  if (timing_ == nullptr) return;
  crossing_.Observe(slot, body, rect, picture_captured_ns_);
}

void RunTimingRecorder::OnPop(int slot, const char* site) {
  if (timing_ == nullptr) return;
  hit_picture_ms_ = ToRunClock(picture_captured_ns_);
  const int64_t crossing_ns = crossing_.Crossing_ns(slot, site);
  hit_crossing_ms_ = crossing_ns != 0 ? ToRunClock(crossing_ns) : kUnknownMs;
  shown_until_frame_ = ports_.stage.NextFrameNumber();
}

void RunTimingRecorder::StoreTrial(int32_t index, int32_t onset_ms, int32_t hit_pass_ms,
                                   int32_t rt_ms) {
  if (timing_ == nullptr) return;
  if (looking_for_onset_) LookForOnsetShown();
  // A frame composed before the pop may still be on its way to the screen:
  // the row gets its presentation time when it arrives. None composed: the
  // balloon was never shown, and OnsetShown stays unknown.
  looking_for_onset_ = looking_for_onset_ && shown_until_frame_ > shown_from_frame_;
  stored_index_ = looking_for_onset_ ? index : -1;
  Store(index, TrialTiming{index, onset_ms, onset_shown_ms_, hit_picture_ms_, hit_pass_ms, rt_ms,
                           hit_crossing_ms_});
}

void RunTimingRecorder::Store(int32_t index, const TrialTiming& timing) {
  timing_->trials[index] = timing;
  if (ports_.record_sink != nullptr) ports_.record_sink->OnTimingStored(index, timing);
}

void RunTimingRecorder::OnRunEnd(RunEndReason reason) {
  if (timing_ == nullptr) return;
  timing_->end_reason = reason;
  timing_->duration_ms = static_cast<int32_t>((ports_.clock.Now_ns() - run_start_ns_) / 1000000);
}
