#pragma once
// The Motion-BIDS files of one run: the motion table (one row per camera
// frame), its channel table and sidecars, and the events table.
//
// Exported body: the participant only, that is the body that popped the
// balloon of the trial in progress (see RunTimeline::ParticipantFor). Other
// bodies in view (a parent, a sibling) are not the participant; their
// movement is not the subject's data, and their ids come and go with the
// tracker, which would give a channel set without end.

#include <cstddef>
#include <optional>
#include <string>

#include "results/result_file_reader.h"

struct BidsRunContext {
  std::string tracksys;             // the tracksys- label
  const RunRecordInfo* run_record;  // nullptr when the run has none
};

struct BidsRunFiles {
  std::string motion_tsv;
  std::string motion_json;
  std::string channels_tsv;
  std::string channels_json;
  std::string events_tsv;
  size_t frame_count = 0;
  size_t channel_count = 0;
  bool has_latency = false;
};

// Nothing, with *why set, when the run has fewer than two camera frames with a
// body: there is no motion to share.
std::optional<BidsRunFiles> MakeBidsRunFiles(const ResultRun& run, const BidsRunContext& context,
                                             std::string* why);

// Seconds with millisecond precision: "1.234", "-0.033".
std::string FormatSeconds(int64_t ms);
