#include "results/result_file_reader.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <regex>
#include <string_view>

#include "results/result_format.h"

namespace {

// Result file names end in "_YYYYMMDD_hhmmss" plus a kind suffix.
const std::regex kResultName(R"(^(.*)_(\d{4})(\d{2})(\d{2})_(\d{2})(\d{2})(\d{2})(|_B|_T)\.csv$)");
const std::regex kRunRecordName(R"(^(.*_\d{8}_\d{6})_run(-\d+)?\.json$)");

bool ReadWholeFile(const std::string& path, std::string* bytes, std::string* error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    *error = path + ": cannot be opened: " + std::strerror(errno);
    return false;
  }
  bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (in.bad()) {
    *error = path + ": read error: " + std::strerror(errno);
    return false;
  }
  return true;
}

bool FileExists(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return in.good();
}

// Lines without their LF or CR LF; a last line without an end still counts.
std::vector<std::string_view> SplitLines(std::string_view text) {
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);  // UTF-8 BOM
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return lines;
}

std::vector<std::string_view> SplitFields(std::string_view line) {
  std::vector<std::string_view> fields;
  size_t start = 0;
  for (;;) {
    const size_t comma = line.find(',', start);
    fields.push_back(line.substr(start, comma - start));
    if (comma == std::string_view::npos) return fields;
    start = comma + 1;
  }
}

bool ParseInt(std::string_view text, int32_t* value) {
  if (!text.empty() && text.front() == '+') return false;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), *value);
  return ec == std::errc() && end == text.data() + text.size() && !text.empty();
}

// "2016/03/05" and "09:07:02".
bool ParseDateTime(std::string_view date, std::string_view time, LocalDateTime* out) {
  static const std::regex kDate(R"(^(\d{4})/(\d{2})/(\d{2})$)");
  static const std::regex kTime(R"(^(\d{2}):(\d{2}):(\d{2})$)");
  std::cmatch d, t;
  if (!std::regex_match(date.begin(), date.end(), d, kDate) ||
      !std::regex_match(time.begin(), time.end(), t, kTime)) {
    return false;
  }
  *out = LocalDateTime{std::stoi(d[1]),
                       std::stoi(d[2]),
                       std::stoi(d[3]),
                       std::stoi(t[1]),
                       std::stoi(t[2]),
                       std::stoi(t[3]),
                       0};
  return true;
}

std::string HeaderText(std::string_view header) {
  while (!header.empty() && (header.back() == '\n' || header.back() == '\r'))
    header.remove_suffix(1);
  return std::string(header);
}

std::string LineError(const std::string& path, size_t line_index, const std::string& why) {
  return path + ": line " + std::to_string(line_index + 1) + ": " + why;
}

std::string HeaderError(const std::string& path, std::string_view kind) {
  return path + ": not a " + std::string(kind) +
         ": its first line is not the header the program writes";
}

struct TrialRow {
  std::string subject;
  LocalDateTime start;
  TrialRecord record;
};

// A trial row has 19 fields, more when the subject holds commas (never quoted).
bool ParseTrialRow(std::string_view line, TrialRow* row, std::string* why) {
  const std::vector<std::string_view> f = SplitFields(line);
  constexpr size_t kAfterSubject = 18;
  if (f.size() < kAfterSubject + 1) {
    *why = "expected 19 comma-separated fields, found " + std::to_string(f.size());
    return false;
  }
  const size_t s = f.size() - kAfterSubject;  // fields that make up the subject
  row->subject = std::string(line.substr(0, static_cast<size_t>(f[s].data() - line.data()) - 1));
  if (!ParseDateTime(f[s], f[s + 1], &row->start)) {
    *why = "the Date and Time fields do not read like 2016/03/05,09:07:02";
    return false;
  }
  TrialRecord& r = row->record;
  int32_t* ints[] = {&r.trial,  &r.cond_j,  &r.cond_m,  &r.bodyid, &r.tgthand, &r.tgt_x,  &r.tgt_y,
                     &r.hand_l, &r.hand_lx, &r.hand_ly, &r.hand_r, &r.hand_rx, &r.hand_ry};
  size_t i = s + 2;
  for (int32_t* v : ints) {
    if (!ParseInt(f[i], v)) {
      *why = "field " + std::to_string(i + 1) + " (\"" + std::string(f[i]) +
             "\") is not a whole number";
      return false;
    }
    ++i;
  }
  r.resp = std::string(f[i++]);
  for (int32_t* v : {&r.rt, &r.totalrt}) {
    if (!ParseInt(f[i], v)) {
      *why = "field " + std::to_string(i + 1) + " (\"" + std::string(f[i]) +
             "\") is not a whole number";
      return false;
    }
    ++i;
  }
  return true;
}

bool ParseIntRow(std::string_view line, int32_t* out, size_t count, std::string* why) {
  const std::vector<std::string_view> f = SplitFields(line);
  if (f.size() != count) {
    *why = "expected " + std::to_string(count) + " comma-separated fields, found " +
           std::to_string(f.size());
    return false;
  }
  for (size_t i = 0; i < count; ++i) {
    if (!ParseInt(f[i], &out[i])) {
      *why = "field " + std::to_string(i + 1) + " (\"" + std::string(f[i]) +
             "\") is not a whole number";
      return false;
    }
  }
  return true;
}

// Reads a file whose first line must be `header`; calls `row` for every other
// non-empty line. False with *error set on the first bad line.
template <typename RowFn>
bool ReadTable(const std::string& path, std::string_view header, std::string_view kind, RowFn row,
               std::string* error) {
  std::string bytes;
  if (!ReadWholeFile(path, &bytes, error)) return false;
  const std::vector<std::string_view> lines = SplitLines(bytes);
  if (lines.empty()) {
    *error = path + ": the file is empty; a " + std::string(kind) + " starts with its header";
    return false;
  }
  if (lines[0] != HeaderText(header)) {
    *error = HeaderError(path, kind);
    return false;
  }
  for (size_t i = 1; i < lines.size(); ++i) {
    if (lines[i].empty()) continue;
    std::string why;
    if (!row(lines[i], &why)) {
      *error = LineError(path, i, why);
      return false;
    }
  }
  return true;
}

// Splits rows into runs: a run's counter starts again at or below the last one.
template <typename T, typename Key>
std::vector<std::vector<T>> SplitRuns(std::vector<T> rows, Key key) {
  std::vector<std::vector<T>> runs;
  for (T& r : rows) {
    if (runs.empty() || key(r) <= key(runs.back().back())) runs.emplace_back();
    runs.back().push_back(std::move(r));
  }
  return runs;
}

std::optional<RunRecordInfo> ReadRunRecord(const std::string& path, std::string* error) {
  RunRecordInfo info;
  if (!ReadWholeFile(path, &info.text, error)) return std::nullopt;
  const nlohmann::json json = nlohmann::json::parse(info.text, nullptr, false);
  if (json.is_discarded() || !json.is_object()) {
    *error = path + ": not a run record: the file is not a JSON object";
    return std::nullopt;
  }
  // Keys are read where they are and of the expected type; anything else is left alone.
  const auto string_at = [&](const nlohmann::json::json_pointer& p) {
    return json.contains(p) && json.at(p).is_string() ? json.at(p).get<std::string>()
                                                      : std::string();
  };
  info.sensor_backend = string_at("/sensor/backend"_json_pointer);
  info.sensor_device = string_at("/sensor/device"_json_pointer);
  if (info.sensor_device.empty()) info.sensor_device = string_at("/sensor/file"_json_pointer);
  info.program_version = string_at("/program/version"_json_pointer);
  if (const auto p = "/settings/mirror"_json_pointer;
      json.contains(p) && json.at(p).is_number_integer()) {
    info.mirror = json.at(p).get<int32_t>();
  }
  if (const auto p = "/frames/frame_interval_ms/median"_json_pointer;
      json.contains(p) && json.at(p).is_number() && json.at(p).get<double>() > 0) {
    info.frame_interval_median_ms = json.at(p).get<double>();
  }
  return info;
}

}  // namespace

std::string TrialFileFor(const std::string& path) {
  std::smatch m;
  if (std::regex_match(path, m, kRunRecordName)) return m[1].str() + ".csv";
  if (std::regex_match(path, m, kResultName) && m[8].length() > 0) {
    return path.substr(0, path.size() - m[8].length() - 4) + ".csv";
  }
  return path;
}

bool ParseResultFileName(const std::string& path, std::string* subject, LocalDateTime* start) {
  const size_t slash = path.rfind('/');
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  std::smatch m;
  if (!std::regex_match(name, m, kResultName)) return false;
  *subject = m[1].str();
  *start = LocalDateTime{std::stoi(m[2]),
                         std::stoi(m[3]),
                         std::stoi(m[4]),
                         std::stoi(m[5]),
                         std::stoi(m[6]),
                         std::stoi(m[7]),
                         0};
  return true;
}

std::optional<ResultFileSet> ReadResultFiles(const std::string& trial_path, std::string* error) {
  ResultFileSet set;
  set.trial_path = trial_path;
  const std::string stem = trial_path.size() > 4 && trial_path.ends_with(".csv")
                               ? trial_path.substr(0, trial_path.size() - 4)
                               : std::string();
  if (stem.empty()) {
    *error = trial_path + ": not a trial file: its name does not end in .csv";
    return std::nullopt;
  }
  set.body_path = stem + "_B.csv";

  std::vector<TrialRow> trial_rows;
  if (!ReadTable(
          trial_path, kTrialFileHeader, "trial file",
          [&](std::string_view line, std::string* why) {
            TrialRow row;
            if (!ParseTrialRow(line, &row, why)) return false;
            trial_rows.push_back(std::move(row));
            return true;
          },
          error)) {
    return std::nullopt;
  }
  if (!FileExists(set.body_path)) {
    *error = trial_path + ": its body file " + set.body_path + " is missing";
    return std::nullopt;
  }
  std::vector<BodySample> samples;
  if (!ReadTable(
          set.body_path, kBodyFileHeader, "body file",
          [&](std::string_view line, std::string* why) {
            int32_t fields[41];
            if (!ParseIntRow(line, fields, 41, why)) return false;
            BodySample s;
            std::memcpy(&s, fields, sizeof s);
            samples.push_back(s);
            return true;
          },
          error)) {
    return std::nullopt;
  }
  std::vector<TimingRow> timing_rows;
  if (FileExists(stem + "_T.csv")) {
    set.timing_path = stem + "_T.csv";
    constexpr std::string_view kTimingHeader =
        "Trial,Onset,OnsetShown,HitPicture,HitPass,RT,RTPicture";
    if (!ReadTable(
            set.timing_path, kTimingHeader, "timing file",
            [&](std::string_view line, std::string* why) {
              int32_t f[7];
              if (!ParseIntRow(line, f, 7, why)) return false;
              timing_rows.push_back(TimingRow{f[0], f[1], f[2], f[3], f[4], f[5], f[6]});
              return true;
            },
            error)) {
      return std::nullopt;
    }
  }
  auto trial_runs =
      SplitRuns(std::move(trial_rows), [](const TrialRow& r) { return r.record.trial; });
  auto body_runs = SplitRuns(std::move(samples), [](const BodySample& s) { return s.count; });
  auto timing_runs = SplitRuns(std::move(timing_rows), [](const TimingRow& r) { return r.trial; });
  const size_t t = trial_runs.size(), b = body_runs.size();
  size_t n = t;
  if (t != b) {
    if (std::min(t, b) != 0 || std::max(t, b) != 1) {
      *error = trial_path + ": holds " + std::to_string(t) + " run(s) but its body file holds " +
               std::to_string(b) + "; the rows of runs appended to one file cannot be paired";
      return std::nullopt;
    }
    n = 1;
  }
  if (!timing_runs.empty() && timing_runs.size() != n) {
    *error = set.timing_path + ": holds " + std::to_string(timing_runs.size()) +
             " run(s) but the trial file holds " + std::to_string(n);
    return std::nullopt;
  }
  std::string name_subject;
  LocalDateTime name_start;
  const bool named = ParseResultFileName(trial_path, &name_subject, &name_start);
  for (size_t i = 0; i < n; ++i) {
    ResultRun run;
    if (i < trial_runs.size()) {
      run.subject = trial_runs[i].front().subject;
      run.start = trial_runs[i].front().start;
      for (TrialRow& row : trial_runs[i]) run.trials.push_back(std::move(row.record));
    } else if (named) {
      run.subject = name_subject;
      run.start = name_start;
    } else {
      *error = trial_path + ": holds no row, and its name does not say the subject and start time";
      return std::nullopt;
    }
    if (i < body_runs.size()) run.samples = std::move(body_runs[i]);
    if (i < timing_runs.size()) run.timing = std::move(timing_runs[i]);
    set.runs.push_back(std::move(run));
  }
  // Each run appended to the files took the next free run record name: the
  // last run's record is the copy numbered by the run count. Another copy is
  // not taken for it, so that no run is shown with another run's figures.
  const std::string record_path =
      stem + (n > 1 ? "_run-" + std::to_string(n) + ".json" : std::string("_run.json"));
  if (FileExists(record_path)) {
    set.run_record_path = record_path;
    set.run_record = ReadRunRecord(set.run_record_path, error);
    if (!set.run_record) return std::nullopt;
  }
  return set;
}
