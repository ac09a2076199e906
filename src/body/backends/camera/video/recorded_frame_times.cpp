#include "body/backends/camera/video/recorded_frame_times.h"

#include <charconv>
#include <cstdint>
#include <fstream>

namespace {

constexpr std::string_view kVideoEnding = "_V.avi";

bool ParseInteger(std::string_view text, int64_t* value) {
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), *value);
  return ec == std::errc() && end == text.data() + text.size();
}

}  // namespace

std::string VideoTablePathFor(const std::string& video_path) {
  if (!video_path.ends_with(kVideoEnding)) return "";
  return video_path.substr(0, video_path.size() - 4) + ".csv";
}

std::optional<std::vector<RecordedFrame>> ReadRecordedFrames(const std::string& path,
                                                             std::string* problem) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  auto refuse = [&](int line, const std::string& why) -> std::optional<std::vector<RecordedFrame>> {
    if (problem) *problem = path + ":" + std::to_string(line) + ": " + why;
    return std::nullopt;
  };
  std::string line;
  if (!std::getline(in, line) || line.rfind("Frame,CaptureTime,Clock", 0) != 0)
    return refuse(1, "not a frame table (header Frame,CaptureTime,Clock)");
  std::vector<RecordedFrame> frames;
  for (int number = 2; std::getline(in, line); ++number) {
    if (in.eof()) break;  // a last row without its line end: cut off by a kill
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    const std::string_view row = line;
    const size_t a = row.find(',');
    const size_t b = a == std::string::npos ? a : row.find(',', a + 1);
    int64_t frame = 0, time = 0, clock = 0;
    if (b == std::string::npos || !ParseInteger(row.substr(0, a), &frame) ||
        !ParseInteger(row.substr(a + 1, b - a - 1), &time))
      return refuse(number, "not a frame row: " + line);
    const std::string_view clock_text = row.substr(b + 1);
    if (!clock_text.empty() && (!ParseInteger(clock_text, &clock) || clock < INT32_MIN ||
                                clock > INT32_MAX))
      return refuse(number, "not a run clock: " + line);
    if (frame != int64_t(frames.size())) return refuse(number, "frame numbers out of order");
    if (!frames.empty() && time < frames.back().capture_time)
      return refuse(number, "capture time goes back");
    RecordedFrame out{time, std::nullopt};
    if (!clock_text.empty()) out.clock_ms = static_cast<int32_t>(clock);
    frames.push_back(out);
  }
  return frames;
}

std::optional<std::vector<TIMESPAN>> ReadRecordedFrameTimes(const std::string& path,
                                                            std::string* problem) {
  const std::optional<std::vector<RecordedFrame>> frames = ReadRecordedFrames(path, problem);
  if (!frames) return std::nullopt;
  std::vector<TIMESPAN> times;
  times.reserve(frames->size());
  for (const RecordedFrame& frame : *frames) times.push_back(frame.capture_time);
  return times;
}
