#include "e2e/recorded_session.h"

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "results/result_file_reader.h"
#include "results/result_format.h"
#include "results/timing_format.h"
#include "state/run_file_endings.h"

namespace fs = std::filesystem;

namespace recorded_session {

namespace {

fs::path WithEnding(const fs::path& stem, const char* ending) {
  return fs::path(stem.string() + ending);
}

// A body at the screen's left for the live body file: the export needs a
// tracked participant in at least two frames.
BodySample LiveSample(int count, int clock, int trial, int target_x) {
  BodySample s;
  s.count = count;
  s.clock = clock;
  s.trial = trial;
  s.target_x = target_x;
  s.target_y = 270;
  s.id = 1;
  s.head_x = 300;
  s.head_y = 100;
  s.spine_shoulder_x = 300;
  s.spine_shoulder_y = 160;
  s.spine_base_x = 300;
  s.spine_base_y = 330;
  return s;
}

}  // namespace

std::string ReadWhole(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string StreetClip() {
  const std::string path = std::string(T2_OPENCV_DOC_DIR) + "/examples/data/vtest.avi";
  return fs::exists(path) ? path : "";
}

std::optional<int> ClockOf(int frame) {
  if (frame == 0) return std::nullopt;
  if (frame < kRestartFrame) return 33 * (frame - 1) + 5;
  return 33 * (frame - kRestartFrame) - 2;
}

void WriteRunFiles(const fs::path& stem) {
  std::string subject;
  LocalDateTime start;
  if (!ParseResultFileName(WithEnding(stem, ".csv").string(), &subject, &start))
    throw std::runtime_error(stem.string() + " is no result file name");
  std::vector<TrialRecord> trials(2);
  trials[0] = {.trial = 0, .cond_m = 1, .tgt_x = 480, .tgt_y = 270, .resp = "Hand_R", .rt = 200};
  trials[1] = {.trial = 1,
               .cond_m = 1,
               .tgt_x = 300,
               .tgt_y = 300,
               .resp = "Hand_L",
               .rt = 250,
               .totalrt = 250};
  std::string trial_file(kTrialFileHeader);
  AppendTrialRows(trial_file, subject, start, trials);
  std::ofstream(WithEnding(stem, ".csv"), std::ios::binary) << trial_file;
  std::vector<BodySample> samples;
  for (int frame = 1; frame < kFrames; ++frame) {
    const int clock = *ClockOf(frame);
    const bool before_restart = frame < kRestartFrame;
    samples.push_back(LiveSample(frame, clock,
                                 before_restart ? (clock > 200 ? 1 : 0) : (clock > 250 ? 2 : 1),
                                 before_restart ? 480 : 300));
  }
  std::string body_file(kBodyFileHeader);
  AppendBodyRows(body_file, samples);
  std::ofstream(WithEnding(stem, "_B.csv"), std::ios::binary) << body_file;
  const std::vector<TrialTiming> timing = {{0, 0, 20, 170, 200, 200, 150},
                                           {1, 0, 17, 230, 250, 250, 220}};
  std::string timing_file(kTimingFileHeader);
  AppendTimingRows(timing_file, timing);
  std::ofstream(WithEnding(stem, "_T.csv"), std::ios::binary) << timing_file;
  const nlohmann::json record = {
      {"format", "tavelin2-run/1"},
      {"subject", subject},
      {"settings", {{"janken", 0}, {"mirror", 1}, {"flag_single", 0}}},
      {"sensor", {{"backend", "camera"}, {"camera_ini", {{"pose_input_width", "256"}}}}}};
  std::ofstream(WithEnding(stem, "_run.json"), std::ios::binary) << record.dump(2) << "\n";
}

void WriteVideo(const fs::path& stem, const ClipOptions& options) {
  const std::vector<cv::Mat> pictures = VideoPictures(StreetClip(), kFrames);
  if (WriteMjpegClip(WithEnding(stem, "_V.avi").string(), pictures, options).size() !=
      size_t(kFrames))
    throw std::runtime_error("the session video could not be made");
}

void WriteFrameTable(const fs::path& stem, int rows) {
  std::ofstream table(WithEnding(stem, "_V.csv"), std::ios::binary);
  table << "Frame,CaptureTime,Clock\r\n";
  for (int i = 0; i < rows; ++i) {
    const std::optional<int> clock = ClockOf(i);
    table << i << "," << 1000000000 + i * 333333 << "," << (clock ? std::to_string(*clock) : "")
          << "\r\n";
  }
}

}  // namespace recorded_session
