#include "report/run_summary.h"

#include <cstdio>

#include "results/text_encoding.h"
#include "state/report_text.h"
#include "state/run_file_endings.h"

namespace {

std::string Whole(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.0f", value);
  return text;
}

// The run record's tracking of the popping child, and its session video when
// the camera recorded one.
void AddRecordLines(const RunRecordFigures& r, std::vector<SummaryLine>* lines) {
  if (r.popping_body_id && r.popping_left_hand_share && r.popping_right_hand_share) {
    const std::string left = PercentText(*r.popping_left_hand_share);
    const std::string right = PercentText(*r.popping_right_hand_share);
    std::string hands =
        r.popping_body_frames
            ? ReportText(REPORT_NOOP("Report", "Hands of the body that popped most balloons "
                                               "tracked: left %1, right %2 of its %3 frames"),
                         {left, right, std::to_string(*r.popping_body_frames)})
            : ReportText(REPORT_NOOP("Report", "Hands of the body that popped most balloons "
                                               "tracked: left %1, right %2 of its frames"),
                         {left, right});
    if (r.share_with_tracked_body) {
      hands += ReportText(REPORT_NOOP("Report", "; a body tracked in %1 of the body frames"),
                          {PercentText(*r.share_with_tracked_body)});
    }
    lines->push_back({hands});
  }
  if (r.session_video && r.session_video->recorded) {
    const RunRecordFigures::SessionVideo& v = *r.session_video;
    lines->push_back(
        {v.frames_written && v.frames_dropped
             ? ReportText(REPORT_NOOP("Report", "Session video: %1 (frames written / dropped: %2 / %3)"),
                          {v.video, std::to_string(*v.frames_written),
                           std::to_string(*v.frames_dropped)})
             : ReportText(REPORT_NOOP("Report", "Session video: %1"), {v.video})});
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

  const std::string subject = TextAsUtf8(run.subject), start = RunStartText(run.start);
  std::string head =
      f.simulated
          ? ReportText(REPORT_NOOP("Report", "Last run (simulated sensor, not a child's data): "
                                             "%1, started %2"),
                       {subject, start})
          : ReportText(REPORT_NOOP("Report", "Last run: %1, started %2"), {subject, start});
  if (set.runs.size() > 1) {
    head += ReportText(REPORT_NOOP("Report", " (run %1 in these files: same subject and second)"),
                       {std::to_string(set.runs.size())});
  }
  s.lines.push_back({head});
  // What speaks against the run comes before anything else.
  if (report_path.empty()) {
    s.lines.push_back(
        {ReportText(REPORT_NOOP("Report", "No report was written: %1"), {report_error}), true});
  }
  for (const std::string& w : f.warnings) s.lines.push_back({w, true});
  for (size_t i = 0; i < s.files.size(); ++i)
    s.lines.push_back({i == 0 ? ReportText(REPORT_NOOP("Report", "Files: %1"), {s.files[i]})
                              : "       " + s.files[i]});

  const std::string popped = std::to_string(f.balloons_popped);
  s.lines.push_back(
      {f.rt_ms ? ReportText(REPORT_NOOP("Report", "Balloons popped: %1 (the start balloon "
                                                  "included); RT median %2 ms, IQR %3 ms (%4 to "
                                                  "%5 ms), %6 trials"),
                            {popped, Whole(f.rt_ms->median), Whole(f.rt_ms->iqr()),
                             Whole(f.rt_ms->q1), Whole(f.rt_ms->q3), std::to_string(f.rts_ms.size())})
               : ReportText(REPORT_NOOP("Report", "Balloons popped: %1 (the start balloon included)"),
                            {popped})});

  std::string frames =
      f.tracked_share ? ReportText(REPORT_NOOP("Report", "Child tracked in %1 of the frames"),
                                   {PercentText(*f.tracked_share)})
                      : ReportText(REPORT_NOOP("Report", "Child tracked in no frame"));
  if (f.record && f.record->pictures_shown && f.record->pictures_captured) {
    frames += ReportText(REPORT_NOOP("Report", "; camera pictures shown / captured: %1 / %2"),
                         {std::to_string(*f.record->pictures_shown),
                          std::to_string(*f.record->pictures_captured)});
  } else if (!f.record) {
    frames += ReportText(REPORT_NOOP("Report", "; pictures shown / captured: unknown (no run record)"));
  }
  s.lines.push_back({frames});
  if (f.record) AddRecordLines(*f.record, &s.lines);
  if (f.warnings.empty())
    s.lines.push_back({ReportText(REPORT_NOOP("Report", "No figure speaks against this run."))});
  return s;
}

RunSummary UnreadableRunSummary(const std::string& why) {
  RunSummary s;
  s.lines.push_back(
      {ReportText(REPORT_NOOP("Report", "The files of the last run could not be read back: %1"), {why}),
       true});
  return s;
}

std::string SummaryText(const RunSummary& summary) {
  std::string text;
  for (const SummaryLine& line : summary.lines)
    text += (line.warning ? ReportText(REPORT_NOOP("Report", "WARNING: %1"), {line.text}) : line.text) +
            "\n";
  return text;
}
