#include "body/backends/camera/video/frame_table_format.h"

#include <charconv>

namespace {

constexpr std::string_view kColumns = "Frame,CaptureTime,Clock";
constexpr std::string_view kLineEnd = "\r\n";

bool ParseInteger(std::string_view text, int64_t* value) {
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), *value);
  return ec == std::errc() && end == text.data() + text.size();
}

}  // namespace

std::string FrameTableHeader() {
  return std::string(kColumns) + std::string(kLineEnd);
}

bool IsFrameTableHeader(std::string_view line) {
  return line.starts_with(kColumns);
}

std::string FrameTableHeaderProblem() {
  return "not a frame table (header " + std::string(kColumns) + ")";
}

std::string FrameTableRow(int64_t frame, TIMESPAN capture_time, std::optional<int64_t> clock_ms) {
  return std::to_string(frame) + ',' + std::to_string(capture_time) + ',' +
         (clock_ms ? std::to_string(*clock_ms) : std::string()) + std::string(kLineEnd);
}

std::optional<RecordedFrame> ParseFrameTableRow(std::string_view row, int64_t* frame,
                                                std::string* why) {
  const size_t a = row.find(',');
  const size_t b = a == std::string_view::npos ? a : row.find(',', a + 1);
  int64_t time = 0, clock = 0;
  if (b == std::string_view::npos || !ParseInteger(row.substr(0, a), frame) ||
      !ParseInteger(row.substr(a + 1, b - a - 1), &time)) {
    *why = "not a frame row: " + std::string(row);
    return std::nullopt;
  }
  const std::string_view clock_text = row.substr(b + 1);
  if (!clock_text.empty() &&
      (!ParseInteger(clock_text, &clock) || clock < INT32_MIN || clock > INT32_MAX)) {
    *why = "not a run clock: " + std::string(row);
    return std::nullopt;
  }
  RecordedFrame out{time, std::nullopt};
  if (!clock_text.empty()) out.clock_ms = static_cast<int32_t>(clock);
  return out;
}
