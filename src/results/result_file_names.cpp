#include "results/result_file_names.h"

#include <cstdio>
#include <string>

namespace {

// Longest suffix a result file name gets: "_YYYYMMDD_hhmmss_B.csv".
constexpr size_t kLongestSuffix = 22;
constexpr size_t kNameMax = 255;  // bytes in one file name on Linux file systems

bool IsUtf8Continuation(char c) {
  return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

std::string TimeSuffix(const LocalDateTime& t) {
  char buffer[96];
  const int n = std::snprintf(buffer, sizeof buffer, "_%04d%02d%02d_%02d%02d%02d", t.year, t.month,
                              t.day, t.hour, t.minute, t.second);
  return std::string(buffer, static_cast<size_t>(n));
}

}  // namespace

namespace {

// The safe subject, cut so that `suffix_bytes` more still fit the name limit.
std::string SafeSubject(std::string_view subject, size_t suffix_bytes) {
  std::string name(subject);
  for (char& c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '/' || byte < 0x20 || byte == 0x7F) c = '_';
  }
  if (!name.empty() && (name[0] == '.' || name[0] == '-')) name[0] = '_';
  const size_t limit = kNameMax - suffix_bytes;
  if (name.size() > limit) {
    size_t cut = limit;
    while (cut > 0 && IsUtf8Continuation(name[cut])) --cut;
    name.resize(cut);
  }
  return name;
}

// Longest run record suffix: "_YYYYMMDD_hhmmss_run-999.json".
constexpr size_t kLongestRunRecordSuffix = 29;

}  // namespace

std::string FileNameSubject(std::string_view subject) {
  return SafeSubject(subject, kLongestSuffix);
}

std::string TrialFileName(std::string_view subject, const LocalDateTime& start) {
  return FileNameSubject(subject) + TimeSuffix(start) + ".csv";
}

std::string BodyFileName(std::string_view subject, const LocalDateTime& start) {
  return FileNameSubject(subject) + TimeSuffix(start) + "_B.csv";
}

std::string TimingFileName(std::string_view subject, const LocalDateTime& start) {
  return FileNameSubject(subject) + TimeSuffix(start) + "_T.csv";
}

std::string RunRecordFileName(std::string_view subject, const LocalDateTime& start, int copy) {
  std::string name = SafeSubject(subject, kLongestRunRecordSuffix) + TimeSuffix(start) + "_run";
  if (copy > 1) name += "-" + std::to_string(copy);
  return name + ".json";
}
