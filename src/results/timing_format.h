#pragma once
// The text of the trial timing file: one row per trial record, in the same
// order, with the times behind its reaction time. CR LF lines, commas, no quoting.

#include <span>
#include <string>
#include <string_view>

#include "state/run_timing.h"

extern const std::string_view kTimingFileHeader;

// Trial, Onset, OnsetShown, HitPicture, HitPass, RT, RTPicture; -1 for unknown.
void AppendTimingRows(std::string& out, std::span<const TrialTiming> timings);
