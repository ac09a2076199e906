#include "results/result_file_reader.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <nlohmann/json.hpp>
#include <regex>
#include <string_view>

#include "results/regular_file.h"
#include "results/result_format.h"
#include "results/timing_format.h"
#include "state/report_text.h"
#include "state/run_file_endings.h"

namespace {

struct Lines {
  std::vector<std::string_view> lines;  // without their LF or CR LF
  bool last_ended = true;               // false: the text stops inside its last line
};

// Lines end in LF or CR LF. A last line without either was cut off while it
// was written: it may hold a number cut short.
Lines SplitLines(std::string_view text) {
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);  // UTF-8 BOM
  Lines out;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    const bool cr = !line.empty() && line.back() == '\r';
    if (cr) line.remove_suffix(1);
    out.lines.push_back(line);
    if (end == std::string_view::npos) {
      out.last_ended = cr;  // cut between CR and LF: the row itself is whole
      break;
    }
    text.remove_prefix(end + 1);
  }
  return out;
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

// Reads a file whose first line must be one of `headers` (*matched: which,
// before the first row); calls `row` for every other non-empty line. kFailed
// with *error set when the file cannot be read or on the first bad line; a
// last row cut off is left out and said in *damage.
template <typename RowFn>
FileRead ReadTable(const std::string& path, std::initializer_list<std::string_view> headers,
                   size_t* matched, std::string_view kind, RowFn row,
                   std::vector<std::string>* damage, std::string* error) {
  std::string bytes;
  const FileRead read = ReadRegularFile(path, &bytes, error);
  if (read != FileRead::kRead) return read;
  const Lines split = SplitLines(bytes);
  const std::vector<std::string_view>& lines = split.lines;
  if (lines.empty()) {
    *error = path + ": the file is empty; a " + std::string(kind) + " starts with its header";
    return FileRead::kFailed;
  }
  const auto header = std::find_if(headers.begin(), headers.end(),
                                   [&](std::string_view h) { return lines[0] == HeaderText(h); });
  if (header == headers.end()) {
    *error = HeaderError(path, kind);
    return FileRead::kFailed;
  }
  if (matched) *matched = static_cast<size_t>(header - headers.begin());
  for (size_t i = 1; i < lines.size(); ++i) {
    if (lines[i].empty()) continue;
    if (i + 1 == lines.size() && !split.last_ended) {
      damage->push_back(ReportText(REPORT_NOOP("Report", "%1: line %2 has no line end (the file was "
                                                         "cut off inside it): that row is left out."),
                                   {path, std::to_string(i + 1)}));
      break;
    }
    std::string why;
    if (!row(lines[i], &why)) {
      *error = LineError(path, i, why);
      return FileRead::kFailed;
    }
  }
  return FileRead::kRead;
}

template <typename RowFn>
FileRead ReadTable(const std::string& path, std::string_view header, std::string_view kind,
                   RowFn row, std::vector<std::string>* damage, std::string* error) {
  return ReadTable(path, {header}, nullptr, kind, row, damage, error);
}

FileRead ReadTimingRows(const std::string& path, std::vector<TimingRow>* rows,
                        std::vector<std::string>* damage, std::string* error) {
  size_t header = 0;  // 1: a file from before the crossing columns
  return ReadTable(
      path, {kTimingFileHeader, kTimingFileHeaderWithoutCrossing}, &header, "timing file",
      [&](std::string_view line, std::string* why) {
        int32_t f[9] = {0, 0, 0, 0, 0, 0, 0, -1, -1};
        if (!ParseIntRow(line, f, header == 0 ? 9 : 7, why)) return false;
        rows->push_back(TimingRow{f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7], f[8]});
        return true;
      },
      damage, error);
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

// Nothing with *error empty when there is no record.
std::optional<RunRecordInfo> ReadRunRecord(const std::string& path, std::string* error) {
  RunRecordInfo info;
  if (ReadRegularFile(path, &info.text, error) != FileRead::kRead) return std::nullopt;
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

// The timing rows that belong to `trials`: the file has one per trial row,
// with its Trial and RT. Rows that do not match, and trials without a row,
// are said in *damage, naming the run when `run` (from 1) is not 0; only
// matching rows are kept.
std::vector<TimingRow> TimingOfTrials(const std::vector<TrialRecord>& trials,
                                      const std::vector<TimingRow>& timing, const std::string& path,
                                      size_t run, std::vector<std::string>* damage) {
  const std::string run_number = std::to_string(run);
  std::vector<TimingRow> kept;
  kept.reserve(std::min(trials.size(), timing.size()));
  std::string unmatched;
  size_t unmatched_count = 0;
  for (size_t i = 0; i < std::min(trials.size(), timing.size()); ++i) {
    if (timing[i].trial == trials[i].trial && timing[i].rt == trials[i].rt) {
      kept.push_back(timing[i]);
    } else if (++unmatched_count <= 5) {
      unmatched += (unmatched.empty() ? "" : ", ") + std::to_string(trials[i].trial);
    }
  }
  if (unmatched_count > 0) {
    if (unmatched_count > 5) unmatched += ", ...";
    const std::string count = std::to_string(unmatched_count);
    damage->push_back(
        run == 0 ? ReportText(REPORT_NOOP("Report", "%1: the timing rows of %2 trial(s) (trial %3) do "
                                                    "not match the trial file's Trial and RT: left out."),
                              {path, count, unmatched})
                 : ReportText(REPORT_NOOP("Report", "%1: the timing rows of %2 trial(s) of run %4 (trial "
                                                    "%3) do not match the trial file's Trial and RT: "
                                                    "left out."),
                              {path, count, unmatched, run_number}));
  }
  if (timing.size() < trials.size()) {
    const int32_t first = trials[timing.size()].trial, last = trials.back().trial;
    static const char* const kMissing[4] = {
        REPORT_NOOP("Report", "%1: no timing row for trial %2 (the file ends before it)."),
        REPORT_NOOP("Report", "%1: no timing row for trial %2 of run %4 (the file ends before it)."),
        REPORT_NOOP("Report", "%1: no timing row for trials %2 to %3 (the file ends before them)."),
        REPORT_NOOP("Report",
                    "%1: no timing row for trials %2 to %3 of run %4 (the file ends before them).")};
    damage->push_back(ReportText(kMissing[(first == last ? 0 : 2) + (run == 0 ? 0 : 1)],
                                 {path, std::to_string(first), std::to_string(last), run_number}));
  } else if (timing.size() > trials.size()) {
    const std::string extra = std::to_string(timing.size() - trials.size());
    damage->push_back(
        run == 0 ? ReportText(REPORT_NOOP("Report", "%1: %2 timing row(s) after the trial file's last "
                                                    "trial: left out."),
                              {path, extra})
                 : ReportText(REPORT_NOOP("Report", "%1: %2 timing row(s) of run %3 after the trial "
                                                    "file's last trial: left out."),
                              {path, extra, run_number}));
  }
  return kept;
}

}  // namespace

std::optional<ResultFileSet> ReadResultFiles(const std::string& trial_path, std::string* error) {
  ResultFileSet set;
  set.trial_path = trial_path;
  const std::string stem =
      trial_path.size() > run_file::kTrial.size() && trial_path.ends_with(run_file::kTrial)
          ? RunStem(trial_path)
          : std::string();
  if (stem.empty()) {
    *error = trial_path + ": not a trial file: its name does not end in .csv";
    return std::nullopt;
  }
  set.body_path = stem + std::string(run_file::kBody);

  std::vector<TrialRow> trial_rows;
  const FileRead trial_read = ReadTable(
      trial_path, kTrialFileHeader, "trial file",
      [&](std::string_view line, std::string* why) {
        TrialRow row;
        if (!ParseTrialRow(line, &row, why)) return false;
        trial_rows.push_back(std::move(row));
        return true;
      },
      &set.damage, error);
  if (trial_read == FileRead::kMissing)
    *error = trial_path + ": cannot be opened: " + std::strerror(ENOENT);
  if (trial_read != FileRead::kRead) return std::nullopt;
  std::vector<BodySample> samples;
  const FileRead body_read = ReadTable(
      set.body_path, kBodyFileHeader, "body file",
      [&](std::string_view line, std::string* why) {
        int32_t fields[41];
        if (!ParseIntRow(line, fields, 41, why)) return false;
        BodySample s;
        std::memcpy(&s, fields, sizeof s);
        samples.push_back(s);
        return true;
      },
      &set.damage, error);
  if (body_read == FileRead::kMissing)
    *error = trial_path + ": its body file " + set.body_path + " is missing";
  if (body_read != FileRead::kRead) return std::nullopt;
  std::vector<TimingRow> timing_rows;
  const std::string timing_path = stem + std::string(run_file::kTiming);
  const FileRead timing_read = ReadTimingRows(timing_path, &timing_rows, &set.damage, error);
  if (timing_read == FileRead::kFailed) return std::nullopt;
  if (timing_read == FileRead::kRead) set.timing_path = timing_path;
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
  // A timing file cut off ends early: the runs it lacks have no timing rows.
  if (timing_runs.size() > n) {
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
    if (!set.timing_path.empty()) {
      std::vector<TimingRow> timing;
      if (i < timing_runs.size()) timing = std::move(timing_runs[i]);
      run.timing = TimingOfTrials(run.trials, timing, set.timing_path, n > 1 ? i + 1 : 0, &set.damage);
    }
    set.runs.push_back(std::move(run));
  }
  // Each run appended to the files took the next free run record name: the
  // last run's record is the copy numbered by the run count. Another copy is
  // not taken for it, so that no run is shown with another run's figures.
  const std::string record_path = stem + RunRecordEnding(static_cast<int>(n));
  error->clear();
  set.run_record = ReadRunRecord(record_path, error);
  if (!error->empty()) return std::nullopt;
  if (set.run_record) set.run_record_path = record_path;
  return set;
}

std::optional<std::vector<TimingRow>> ReadTimingFile(const std::string& path, std::string* error) {
  std::vector<TimingRow> rows;
  std::vector<std::string> damage;
  const FileRead read = ReadTimingRows(path, &rows, &damage, error);
  if (read == FileRead::kMissing) *error = path + ": missing";
  if (read != FileRead::kRead) return std::nullopt;
  return rows;
}
