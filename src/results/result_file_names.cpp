#include "results/result_file_names.h"

#include <cstdio>
#include <string>

#include "state/run_file_endings.h"

namespace {

constexpr size_t kNameMax = 255;  // bytes in one file name on Linux file systems
// The longest tail after the time of any name of a run: the last run record
// name RunRecordNameIn gives in one folder (longer than "_report.pdf", "_V.avi").
const size_t kLongestTail = RunRecordEnding(1000).size();
// The longest name of a run: "_YYYYMMDD_hhmmss" and that tail.
const size_t kLongestSuffix = 16 + kLongestTail;

bool IsUtf8Continuation(char c) {
  return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

std::string TimeSuffix(const LocalDateTime& t) {
  char buffer[96];
  const int n = std::snprintf(buffer, sizeof buffer, "_%04d%02d%02d_%02d%02d%02d", t.year, t.month,
                              t.day, t.hour, t.minute, t.second);
  return std::string(buffer, static_cast<size_t>(n));
}

void CutAtCharacter(std::string& name, size_t limit) {
  if (name.size() <= limit) return;
  size_t cut = limit;
  while (cut > 0 && IsUtf8Continuation(name[cut])) --cut;
  name.resize(cut);
}

// Every name of a run (the CSVs, the run record, the session video, the
// report) shares one subject part, cut so that the longest of them fits, even
// when the start time has more digits than a real date (read back from a
// damaged journal): the names of a run always pair.
std::string NameFor(std::string_view subject, const LocalDateTime& start, std::string_view tail) {
  const std::string suffix = TimeSuffix(start);
  std::string name = FileNameSubject(subject);
  CutAtCharacter(name, kNameMax - suffix.size() - kLongestTail);
  return name + suffix + std::string(tail);
}

}  // namespace

std::string FileNameSubject(std::string_view subject) {
  std::string name(subject);
  for (char& c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '/' || byte < 0x20 || byte == 0x7F) c = '_';
  }
  if (!name.empty() && (name[0] == '.' || name[0] == '-')) name[0] = '_';
  CutAtCharacter(name, kNameMax - kLongestSuffix);
  return name;
}

std::string TrialFileName(std::string_view subject, const LocalDateTime& start) {
  return NameFor(subject, start, run_file::kTrial);
}

std::string LatencyFileName(const LocalDateTime& start) {
  return NameFor("latency", start, run_file::kTrial);
}

std::string BodyFileName(std::string_view subject, const LocalDateTime& start) {
  return NameFor(subject, start, run_file::kBody);
}

std::string VideoFileName(std::string_view subject, const LocalDateTime& start) {
  return NameFor(subject, start, run_file::kVideo);
}

std::string VideoTableFileName(std::string_view subject, const LocalDateTime& start) {
  return NameFor(subject, start, run_file::kVideoTable);
}

std::string TimingFileName(std::string_view subject, const LocalDateTime& start) {
  return NameFor(subject, start, run_file::kTiming);
}

std::string RunRecordFileName(std::string_view subject, const LocalDateTime& start, int copy) {
  return NameFor(subject, start, RunRecordEnding(copy));
}
