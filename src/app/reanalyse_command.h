#pragma once
// tavelin2 --reanalyse [--set KEY=VALUE]... RUN.csv... --out DIR: every
// picture of each run's session video through the camera models again,
// without a window. For run X it writes DIR/X_B.csv (every picture's
// bodies), DIR/X_T.csv (the trials' hit times from them) and
// DIR/X_reanalysis.json (what was analysed, with which models).

#include <string>
#include <vector>

// `args` are the words after "--reanalyse". 0 when every run was analysed,
// 1 when one was not (its files are not written; the reason is on stderr),
// 2 for a bad command line. Progress goes to stderr.
int RunReanalyseCommand(const std::vector<std::string>& args);
