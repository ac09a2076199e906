#pragma once
// A short camera run as the program leaves it with record_video on: trial
// file, body file, timing file, run record, and a session video made from
// the street clip of Debian's opencv-doc with its frame table. The picture
// clock has no value for the first picture (before the run's clock started),
// then goes in 33 ms steps and starts again after the start balloon.

#include <filesystem>
#include <optional>
#include <string>

#include "test_media.h"

namespace recorded_session {

inline constexpr int kFrames = 16;
inline constexpr int kRestartFrame = 9;  // the first picture after the clock's restart

// The street clip; "" when opencv-doc is not installed.
std::string StreetClip();

// The run clock of picture `frame`; nothing for the first.
std::optional<int> ClockOf(int frame);

// `stem` is the path without ".csv" ("DIR/P01_20261210_101500"), a result
// file name whose subject and start time go into the rows. Start balloon popped at 200 ms, trial 1
// at 250 ms after the restart, each by the body the live run saw.
void WriteRunFiles(const std::filesystem::path& stem);
// stem_V.avi from the first kFrames pictures of the street clip.
void WriteVideo(const std::filesystem::path& stem, const ClipOptions& options = {});
// stem_V.csv with `rows` frames.
void WriteFrameTable(const std::filesystem::path& stem, int rows = kFrames);

// The bytes of a file; "" when it cannot be read.
std::string ReadWhole(const std::filesystem::path& path);

inline void WriteSession(const std::filesystem::path& stem) {
  WriteRunFiles(stem);
  WriteVideo(stem);
  WriteFrameTable(stem);
}

}  // namespace recorded_session
