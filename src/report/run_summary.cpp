#include "report/run_summary.h"

#include <cstdio>

#include "results/text_encoding.h"
#include "state/run_file_endings.h"

namespace {

std::string Format(const char* format, double a, double b = 0, double c = 0, double d = 0) {
  char text[200];
  std::snprintf(text, sizeof text, format, a, b, c, d);
  return text;
}

// The run record's tracking of the popping child, and its session video when
// the camera recorded one.
void AddRecordLines(const RunRecordFigures& r, std::vector<SummaryLine>* lines) {
  if (r.popping_body_id && r.popping_left_hand_share && r.popping_right_hand_share) {
    std::string hands = Format("Hands of the body that popped most balloons tracked: left %.0f %%, right %.0f %% of its",
                               *r.popping_left_hand_share * 100, *r.popping_right_hand_share * 100);
    if (r.popping_body_frames) hands += " " + std::to_string(*r.popping_body_frames);
    hands += " frames";
    if (r.share_with_tracked_body)
      hands += Format("; a body tracked in %.0f %% of the body frames", *r.share_with_tracked_body * 100);
    lines->push_back({hands});
  }
  if (r.session_video && r.session_video->recorded) {
    const RunRecordFigures::SessionVideo& v = *r.session_video;
    std::string video = "Session video: " + v.video;
    if (v.frames_written && v.frames_dropped) {
      video += Format(" (frames written / dropped: %.0f / %.0f)",
                      static_cast<double>(*v.frames_written), static_cast<double>(*v.frames_dropped));
    }
    lines->push_back({video});
  }
}

}  // namespace

RunSummary SummarizeLastRun(const ResultFileSet& set, const std::string& report_path,
                            const std::string& report_error) {
  RunSummary s;
  for (const std::string& path :
       {set.trial_path, set.body_path, set.timing_path, set.run_record_path, report_path}) {
    if (!path.empty()) s.files.push_back(path);
  }
  std::optional<RunRecordFigures> record;
  if (set.run_record) record = ReadRunRecordFigures(set.run_record->text);
  // Files with headers only hold no run; their name still says whose and when.
  ResultRun named;
  if (set.runs.empty()) ParseResultFileName(set.trial_path, &named.subject, &named.start);
  const ResultRun& run = set.runs.empty() ? named : set.runs.back();
  s.figures = ComputeRunFigures(run, record);
  // What the files lack comes first: the figures are without it.
  s.figures.warnings.insert(s.figures.warnings.begin(), set.damage.begin(), set.damage.end());
  const RunFigures& f = s.figures;

  std::string head = f.simulated ? "Last run (simulated sensor, not a child's data): " : "Last run: ";
  head += TextAsUtf8(run.subject) + ", started " + RunStartText(run.start);
  if (set.runs.size() > 1)
    head += " (run " + std::to_string(set.runs.size()) + " in these files: same subject and second)";
  s.lines.push_back({head});
  // What speaks against the run comes before anything else.
  if (report_path.empty()) s.lines.push_back({"No report was written: " + report_error, true});
  for (const std::string& w : f.warnings) s.lines.push_back({w, true});
  for (size_t i = 0; i < s.files.size(); ++i)
    s.lines.push_back({(i == 0 ? "Files: " : "       ") + s.files[i]});

  std::string pops = "Balloons popped: " + std::to_string(f.balloons_popped) +
                     " (the start balloon included)";
  if (f.rt_ms) {
    pops += Format("; RT median %.0f ms, IQR %.0f ms (%.0f to %.0f ms)", f.rt_ms->median,
                   f.rt_ms->iqr(), f.rt_ms->q1, f.rt_ms->q3);
    pops += ", " + std::to_string(f.rts_ms.size()) + " trials";
  }
  s.lines.push_back({pops});

  std::string frames;
  if (f.tracked_share) {
    frames = Format("Child tracked in %.0f %% of the frames", *f.tracked_share * 100);
  } else {
    frames = "Child tracked in no frame";
  }
  if (f.record && f.record->pictures_shown && f.record->pictures_captured) {
    frames += Format("; camera pictures shown / captured: %.0f / %.0f",
                     static_cast<double>(*f.record->pictures_shown),
                     static_cast<double>(*f.record->pictures_captured));
  } else if (!f.record) {
    frames += "; pictures shown / captured: unknown (no run record)";
  }
  s.lines.push_back({frames});
  if (f.record) AddRecordLines(*f.record, &s.lines);
  if (f.warnings.empty()) s.lines.push_back({"No figure speaks against this run."});
  return s;
}

RunSummary UnreadableRunSummary(const std::string& why) {
  RunSummary s;
  s.lines.push_back({"The files of the last run could not be read back: " + why, true});
  return s;
}

std::string SummaryText(const RunSummary& summary) {
  std::string text;
  for (const SummaryLine& line : summary.lines)
    text += (line.warning ? "WARNING: " : "") + line.text + "\n";
  return text;
}
