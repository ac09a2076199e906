#include "results/result_file_names.h"

#include <cstdio>
#include <string>

namespace {

constexpr size_t kNameMax = 255;  // bytes in one file name on Linux file systems
constexpr std::string_view kBodyTail = "_B.csv";
// The longest tail after the time of any name of a run: the last run record
// name RunRecordNameIn gives in one folder (longer than "_report.pdf", "_V.avi").
constexpr std::string_view kLongestTail = "_run-1000.json";
// The longest name of a run: "_YYYYMMDD_hhmmss" and that tail.
constexpr size_t kLongestSuffix = 16 + kLongestTail.size();

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
  CutAtCharacter(name, kNameMax - suffix.size() - kLongestTail.size());
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
  return NameFor(subject, start, ".csv");
}

std::string LatencyFileName(const LocalDateTime& start) {
  return NameFor("latency", start, ".csv");
}

std::string BodyFileName(std::string_view subject, const LocalDateTime& start) {
  return NameFor(subject, start, kBodyTail);
}

std::string VideoFileName(std::string_view subject, const LocalDateTime& start) {
  return NameFor(subject, start, "_V.avi");
}

std::string VideoTableFileName(std::string_view subject, const LocalDateTime& start) {
  return NameFor(subject, start, "_V.csv");
}

std::string TimingFileName(std::string_view subject, const LocalDateTime& start) {
  return NameFor(subject, start, "_T.csv");
}

std::string RunRecordFileName(std::string_view subject, const LocalDateTime& start, int copy) {
  std::string tail = "_run";
  if (copy > 1) tail += "-" + std::to_string(copy);
  return NameFor(subject, start, tail + ".json");
}
