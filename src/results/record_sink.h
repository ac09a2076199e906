#pragma once
// Receives each record as the trial loop stores it, so that a run's data reaches
// the disk while the run goes on. Called on the UI thread inside a pass: an
// implementation must copy and return at once, never wait on the disk.

#include <cstdint>

#include "state/records.h"
#include "state/run_timing.h"

class RecordSink {
 public:
  virtual ~RecordSink() = default;
  // trial_records[index] has just been filled (index < kTrialRecordCapacity).
  virtual void OnTrialStored(int32_t index, const TrialRecord& record) = 0;
  // body_samples[index] has just been filled. Index kMaxSampleCount is the
  // overwrite slot that never reaches the file.
  virtual void OnSampleStored(int32_t index, const BodySample& sample) = 0;
  // The timing of trial_records[index], stored right after the record.
  virtual void OnTimingStored(int32_t /*index*/, const TrialTiming& /*timing*/) {}
  // A drawn pass, as the run record counts it.
  virtual void OnDrawnPass(const DrawnPassFacts& /*facts*/) {}
};
