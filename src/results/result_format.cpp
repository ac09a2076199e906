#include "results/result_format.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>

#include "state/record_fields.h"

namespace {

// The column names of a field table, comma-separated, after `lead`, ending CR LF.
template <typename Fields>
std::string HeaderLine(std::string lead, const Fields& fields) {
  for (const auto& f : fields) {
    lead += f.column;
    lead += ',';
  }
  lead.back() = '\r';
  lead += '\n';
  return lead;
}

const std::string trial_file_header = HeaderLine("Subject,Date,Time,", kTrialRecordFields);
const std::string body_file_header = HeaderLine("", kBodySampleFields);

}  // namespace

const std::string_view kTrialFileHeader = trial_file_header;
const std::string_view kBodyFileHeader = body_file_header;

namespace {

// Longest "%d" of an int32 plus the separator: "-2147483648,".
constexpr size_t kMaxIntField = 12;

// Writes "%d" followed by `separator` at `p`; returns the end.
char* PutInt(char* p, int32_t value, char separator) {
  p = std::to_chars(p, p + kMaxIntField, value).ptr;
  *p++ = separator;
  return p;
}

char* PutLineEnd(char* p) {
  p[-1] = '\r';  // the last field's separator becomes CR LF
  *p++ = '\n';
  return p;
}

// "%04d/%02d/%02d,%02d:%02d:%02d," of the run's start: the same on every row.
std::string DateTimeFields(const LocalDateTime& t) {
  char buffer[96];
  const int n = std::snprintf(buffer, sizeof buffer, "%04d/%02d/%02d,%02d:%02d:%02d,", t.year,
                              t.month, t.day, t.hour, t.minute, t.second);
  return std::string(buffer, static_cast<size_t>(n));
}

}  // namespace

void AppendTrialRows(std::string& out, std::string_view subject, const LocalDateTime& start,
                     std::span<const TrialRecord> records) {
  subject = subject.substr(0, std::min(subject.size(), subject.find('\0')));
  std::string prefix(subject);
  prefix += ',';
  prefix += DateTimeFields(start);

  std::string line;
  for (const TrialRecord& r : records) {
    size_t text_bytes = 0;
    for (const TrialRecordField& f : kTrialRecordFields) {
      if (f.text != nullptr) text_bytes += std::strlen((r.*f.text).c_str()) + 1;
    }
    // Each field with its separator, and the LF that follows the last one.
    line.resize(prefix.size() + text_bytes + kTrialRecordNumberCount * kMaxIntField + 1);
    char* const begin = line.data();
    char* p = begin;
    std::memcpy(p, prefix.data(), prefix.size());
    p += prefix.size();
    for (const TrialRecordField& f : kTrialRecordFields) {
      if (f.number != nullptr) {
        p = PutInt(p, r.*f.number, ',');
        continue;
      }
      const std::string_view text((r.*f.text).c_str());  // "%s": up to the first NUL
      std::memcpy(p, text.data(), text.size());
      p += text.size();
      *p++ = ',';
    }
    p = PutLineEnd(p);
    out.append(begin, static_cast<size_t>(p - begin));
  }
}

void AppendBodyRows(std::string& out, std::span<const BodySample> samples) {
  char line[kBodySampleFields.size() * kMaxIntField + 1];
  for (const BodySample& s : samples) {
    char* p = line;
    for (const BodySampleField& f : kBodySampleFields) p = PutInt(p, s.*f.number, ',');
    p = PutLineEnd(p);
    out.append(line, static_cast<size_t>(p - line));
  }
}
