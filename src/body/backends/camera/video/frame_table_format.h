#pragma once
// The frame table of a session video: "X_V.csv" beside "X_V.avi", CSV with
// CR LF line ends. A header, then one row a video frame in order:
//   Frame,CaptureTime,Clock
//   frame number from 0, capture time (100 ns), the run clock in ms at that
//   moment (empty while the run's clock was not running)
// The recorder writes it and replays read it with these alone.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "body/sensor/sensor_types.h"

// One row of the table: the capture time, and the run clock (ms) at that
// moment when the run had started its clock.
struct RecordedFrame {
  TIMESPAN capture_time = 0;
  std::optional<int32_t> clock_ms;
};

// The header with its line end.
std::string FrameTableHeader();
// True when a table's first line (its line end left or not) is the header.
bool IsFrameTableHeader(std::string_view line);
// What the first line of a table that is none should have been, in words.
std::string FrameTableHeaderProblem();

// A frame's row with its line end.
std::string FrameTableRow(int64_t frame, TIMESPAN capture_time, std::optional<int64_t> clock_ms);
// A row without its line end: the frame with its number in *frame. Nothing
// when it is no frame row or its clock no run clock (*why says which).
std::optional<RecordedFrame> ParseFrameTableRow(std::string_view row, int64_t* frame,
                                                std::string* why);
