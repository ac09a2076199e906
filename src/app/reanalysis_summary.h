#pragma once
// The group table of a BIDS-App analysis: one row per re-analysed run, from
// the files the participant level wrote (docs/data-files.md names the columns).

#include <string>
#include <vector>

#include "export/bids_source_runs.h"

// The header line of the table, tab-separated.
extern const char kReanalysisSummaryHeader[];

// The row of `run` from its files in `out_dir`/<folder>/; false with *error
// when they are missing or cannot be read.
bool ReanalysisSummaryRow(const std::string& out_dir, const BidsSourceRun& run, std::string* row,
                          std::string* error);
