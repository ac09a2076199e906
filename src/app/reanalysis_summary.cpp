#include "app/reanalysis_summary.h"

#include <cstdio>
#include <nlohmann/json.hpp>
#include <optional>

#include "report/quartiles.h"
#include "results/regular_file.h"
#include "results/result_file_reader.h"
#include "state/run_file_endings.h"

const char kReanalysisSummaryHeader[] =
    "participant_id\tsession_id\trun\tsource_file\tframes_in_table\tframes_analysed\t"
    "frames_without_clock\tbody_samples\ttrials\thits_picture\thits_crossing\t"
    "rt_median_ms\trt_picture_median_ms\trt_crossing_median_ms\n";

namespace {

// Median over the trials after the start balloon where it is known; "n/a" without any.
std::string MedianCell(const std::vector<TimingRow>& rows, int32_t TimingRow::*value) {
  std::vector<double> values;
  for (const TimingRow& t : rows) {
    if (t.trial > 0 && t.*value != -1) values.push_back(t.*value);
  }
  const std::optional<double> median = Quantile(values, 0.5);
  if (!median) return "n/a";
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", *median);
  return text;
}

std::string Count(const std::vector<TimingRow>& rows, int32_t TimingRow::*value) {
  size_t n = 0;
  for (const TimingRow& t : rows) n += t.trial > 0 && t.*value != -1;
  return std::to_string(n);
}

}  // namespace

bool ReanalysisSummaryRow(const std::string& out_dir, const BidsSourceRun& run, std::string* row,
                          std::string* error) {
  const std::string& source = run.source_file;
  const std::string trial = out_dir + "/" + run.folder + "/" + source;
  const std::string record_path = RunFilePath(trial, run_file::kReanalysis);
  std::string text;
  const FileRead read = ReadRegularFile(record_path, &text, error);
  if (read == FileRead::kMissing) *error = "no participant-level result " + record_path;
  if (read != FileRead::kRead) return false;
  const nlohmann::json record = nlohmann::json::parse(text, nullptr, false);
  const auto figure = [&](const char* group, const char* key) -> std::optional<std::string> {
    if (!record.is_object() || !record.contains(group) || !record[group].is_object() ||
        !record[group].contains(key) || !record[group][key].is_number_unsigned())
      return std::nullopt;
    return std::to_string(record[group][key].get<uint64_t>());
  };
  const auto in_table = figure("frames", "in_table"), analysed = figure("frames", "analysed"),
             no_clock = figure("frames", "without_clock"),
             samples = figure("counts", "body_samples");
  if (!in_table || !analysed || !no_clock || !samples) {
    *error = record_path + ": not a re-analysis record";
    return false;
  }
  const auto timing = ReadTimingFile(RunFilePath(trial, run_file::kTiming), error);
  if (!timing) return false;
  *row = "sub-" + run.participant + "\t" + (run.session.empty() ? "n/a" : "ses-" + run.session) +
         "\t" + std::to_string(run.run) + "\t" + source + "\t" + *in_table + "\t" + *analysed +
         "\t" + *no_clock + "\t" + *samples + "\t" + Count(*timing, &TimingRow::trial) + "\t" +
         Count(*timing, &TimingRow::hit_picture) + "\t" + Count(*timing, &TimingRow::hit_crossing) +
         "\t" + MedianCell(*timing, &TimingRow::rt) + "\t" +
         MedianCell(*timing, &TimingRow::rt_picture) + "\t" +
         MedianCell(*timing, &TimingRow::rt_crossing) + "\n";
  return true;
}
