#pragma once
// tavelin2 --bids-app BIDS_DIR OUTPUT_DIR participant|group
//   [--participant_label LABEL...] [--set KEY=VALUE]...
// The BIDS-App way of calling the re-analysis, over a Motion-BIDS dataset
// this program exported with the session videos: the participant level
// re-analyses each run of the given participants (all without a label) into
// OUTPUT_DIR/sub-L[/ses-S]/ as --reanalyse would, so that each participant
// can go to a node of its own; the group level gathers one row per run into
// OUTPUT_DIR/group_reanalysis.tsv.

#include <string>
#include <vector>

// `args` are the words after "--bids-app". 0 when every run was done, 1 when
// one was not (named on stderr), 2 for a bad command line.
int RunBidsAppCommand(const std::vector<std::string>& args);
