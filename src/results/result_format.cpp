#include "results/result_format.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>

const std::string_view kTrialFileHeader =
    "Subject,Date,Time,Trial,Cond_J,Cond_M,BodyID,TgtHand,Tgt_X,Tgt_Y,Hand_L,Hand_LX,Hand_LY,"
    "Hand_R,Hand_RX,Hand_RY,Resp,RT,TotalRT\r\n";

const std::string_view kBodyFileHeader =
    "Count,Clock,Trial,TgtHand,Target_x,Target_y,ID,Spine_base_x,Spine_base_y,Spine_mid_x,"
    "Spine_mid_y,Spine_shoulder_x,Spine_shoulder_y,Head_x,Head_y,Hand_l,Hand_lx,Hand_ly,Hand_r,"
    "Hand_rx,Hand_ry,Elbow_lx,Elbow_ly,Elbow_rx,Elbow_ry,Shoulder_lx,Shoulder_ly,Shoulder_rx,"
    "Shoulder_ry,Hip_lx,Hip_ly,Hip_rx,Hip_ry,Knee_lx,Knee_ly,Knee_rx,Knee_ry,Foot_lx,Foot_ly,"
    "Foot_rx,Foot_ry\r\n";

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
    const std::string_view resp(r.resp.c_str());  // "%s": up to the first NUL
    line.resize(prefix.size() + resp.size() + 17 * kMaxIntField);
    char* const begin = line.data();
    char* p = begin;
    std::memcpy(p, prefix.data(), prefix.size());
    p += prefix.size();
    for (int32_t v : {r.trial, r.cond_j, r.cond_m, r.bodyid, r.tgthand, r.tgt_x, r.tgt_y, r.hand_l,
                      r.hand_lx, r.hand_ly, r.hand_r, r.hand_rx, r.hand_ry}) {
      p = PutInt(p, v, ',');
    }
    std::memcpy(p, resp.data(), resp.size());
    p += resp.size();
    *p++ = ',';
    p = PutInt(p, r.rt, ',');
    p = PutInt(p, r.totalrt, ',');
    p = PutLineEnd(p);
    out.append(begin, static_cast<size_t>(p - begin));
  }
}

void AppendBodyRows(std::string& out, std::span<const BodySample> samples) {
  constexpr size_t kFields = sizeof(BodySample) / sizeof(int32_t);
  char line[kFields * kMaxIntField + 1];
  for (const BodySample& s : samples) {
    // BodySample is 41 packed int32 fields in column order (asserted in records.h).
    int32_t fields[kFields];
    std::memcpy(fields, &s, sizeof fields);
    char* p = line;
    for (int32_t v : fields) p = PutInt(p, v, ',');
    p = PutLineEnd(p);
    out.append(line, static_cast<size_t>(p - line));
  }
}
