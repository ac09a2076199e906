#pragma once
// The text of the trial timing file: one row per trial record, in the same
// order, with the times behind its reaction time. CR LF lines, commas, no quoting.

#include <span>
#include <string>
#include <string_view>

#include "state/run_timing.h"

extern const std::string_view kTimingFileHeader;
// Files of earlier versions end after RTPicture.
extern const std::string_view kTimingFileHeaderWithoutCrossing;
// Which of the two a run's files have, for the run record.
inline constexpr int kTimingFileVersion = 2;

// Trial, Onset, OnsetShown, HitPicture, HitPass, RT, RTPicture, HitCrossing,
// RTCrossing; -1 for unknown.
void AppendTimingRows(std::string& out, std::span<const TrialTiming> timings);
