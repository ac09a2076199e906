#pragma once
// Turns runs (trial file, body file, and the timing file and run record where
// present) into a Motion-BIDS dataset, created or added to.

#include <string>
#include <vector>

struct BidsExportOptions {
  std::string out_dir;
  std::vector<std::string> inputs;  // trial files; a run's other files stand for it
  std::string session;              // ses- label, "" for none
  std::string tracksys;             // tracksys- label, "" to take the run record's backend
};

struct BidsExportResult {
  bool ok = false;
  std::string error;                 // which file and why, when !ok
  // When !ok: what the failed export changed in out_dir and could not put
  // back (relative paths, folders ending in "/"); empty: out_dir is as it was.
  std::vector<std::string> left_changed;
  std::vector<std::string> notes;    // runs skipped, labels made, ...
  std::vector<std::string> written;  // motion files written, relative to out_dir
};

BidsExportResult ExportBids(const BidsExportOptions& options);

// `tavelin2 --export-bids OUTDIR [--session=L] [--tracksys=L] FILE.csv...`:
// `args` are the arguments after the program name. Returns the exit status.
int RunBidsExportCommand(const std::vector<std::string>& args);
