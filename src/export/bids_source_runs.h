#pragma once
// The runs of a Motion-BIDS dataset this program exported, found through the
// scans tables, with the result files the export kept for each under
// sourcedata/ (a run recorded with its session video).

#include <optional>
#include <string>
#include <vector>

struct BidsSourceRun {
  std::string participant;  // label, without "sub-"
  std::string session;      // label, "" for none
  std::string folder;       // "sub-L" or "sub-L/ses-S", relative to the dataset
  int run = 0;              // the run-<index> of its motion file
  std::string source_file;  // the scans table's source_file
  std::string trial_path;   // the kept trial file; "" when the dataset keeps none
};

// The runs of the participants `labels` ("sub-" in front is allowed), of
// every participant when empty, ordered by participant, session and run.
// Nothing, with *error, when the folder is no BIDS dataset, a label has no
// folder in it or a scans table cannot be read.
std::optional<std::vector<BidsSourceRun>> FindBidsSourceRuns(const std::string& bids_dir,
                                                             const std::vector<std::string>& labels,
                                                             std::string* error);
