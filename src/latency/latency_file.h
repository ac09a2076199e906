#pragma once
// The latency test's file "latency_YYYYMMDD_hhmmss.csv", one row per flash,
// and its summary line. Times are milliseconds, to a tenth, on one clock: from
// the test's first black frame on the screen. -1: not known (a flash not seen,
// or a frame never presented).

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "latency/flash_analysis.h"

inline constexpr const char* kLatencyFileHeader = "Flash,Flip,FirstBright,LastDark,Delay\r\n";

// The rows, CR LF line ends; `origin_ns` is the clock's zero.
std::string LatencyFileRows(std::span<const FlashResult> results, int64_t origin_ns);

// "latency: n N, mean M ms, median D ms, min L ms, sd S ms, missed K".
std::string LatencySummaryLine(const LatencySummary& summary);

// Writes a new file `name` in `folder` with the header and `rows`, made for
// the user (and a lab's share group) as the result files are, and durable.
// The full path, or "" with *problem.
std::string WriteLatencyFile(const std::string& folder, const std::string& name,
                             std::string_view rows, std::string* problem);
