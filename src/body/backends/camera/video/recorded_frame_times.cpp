#include "body/backends/camera/video/recorded_frame_times.h"

#include <fstream>

#include "state/run_file_endings.h"

std::string VideoTablePathFor(const std::string& video_path) {
  if (!video_path.ends_with(run_file::kVideo)) return "";
  return video_path.substr(0, video_path.size() - run_file::kVideo.size()) +
         std::string(run_file::kVideoTable);
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
  if (!std::getline(in, line) || !IsFrameTableHeader(line))
    return refuse(1, FrameTableHeaderProblem());
  std::vector<RecordedFrame> frames;
  for (int number = 2; std::getline(in, line); ++number) {
    if (in.eof()) break;  // a last row without its line end: cut off by a kill
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    int64_t frame = 0;
    std::string why;
    const std::optional<RecordedFrame> row = ParseFrameTableRow(line, &frame, &why);
    if (!row) return refuse(number, why);
    if (frame != int64_t(frames.size())) return refuse(number, "frame numbers out of order");
    if (!frames.empty() && row->capture_time < frames.back().capture_time)
      return refuse(number, "capture time goes back");
    frames.push_back(*row);
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
