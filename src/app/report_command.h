#pragma once
// tavelin2 --report [--language=en|ja] FILE.csv...: writes the PDF report of
// result files written earlier (also by the Windows version) next to them,
// without a window, in the language given, else the one kept for the user.

#include <string>
#include <vector>

// `args` are the words after "--report". Prints each report's path on stdout;
// a file that cannot be read is named with the reason on stderr and gets no
// report. 0 when every report was written, 1 otherwise, 2 without a file or
// with a bad --language.
// Makes an offscreen QApplication when there is none.
int RunReportCommand(const std::vector<std::string>& args);

struct ResultFileSet;

// Writes X_report.pdf for the files of `set` (trial file X.csv) into
// *report_path. False with *error set on failure; then no report file is left.
bool WriteRunReport(const ResultFileSet& set, std::string* report_path, std::string* error);
