#pragma once
// Names of a run's files: "<subject>_YYYYMMDD_hhmmss" and the file's ending
// (state/run_file_endings.h), always a plain file in the directory they are
// written to, whatever the subject holds.

#include <string>
#include <string_view>

#include "state/records.h"

// The subject as it appears in a file name: "/", NUL and control characters
// become "_", as does a leading "." (hidden file) or "-" (read as an option by
// shell tools), and the text is cut at a UTF-8 character boundary so that the
// whole name stays within the 255-byte file name limit.
std::string FileNameSubject(std::string_view subject);

std::string TrialFileName(std::string_view subject, const LocalDateTime& start);
std::string BodyFileName(std::string_view subject, const LocalDateTime& start);
// The run's session video ("..._V.avi") and its frame table ("..._V.csv"),
// written only when the lab records video.
std::string VideoFileName(std::string_view subject, const LocalDateTime& start);
std::string VideoTableFileName(std::string_view subject, const LocalDateTime& start);
std::string TimingFileName(std::string_view subject, const LocalDateTime& start);
// `copy` 1 gives "..._run.json"; a later run of the same subject in the same
// second gets "..._run-2.json" and so on. A subject too long for a file name
// is cut the same in every name of the run, leaving room for "_run-1000.json".
std::string RunRecordFileName(std::string_view subject, const LocalDateTime& start, int copy = 1);

// The latency test's file "latency_YYYYMMDD_hhmmss.csv" (the test's start).
std::string LatencyFileName(const LocalDateTime& start);
