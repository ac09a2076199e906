#include "results/run_recovery.h"

#include <dirent.h>

#include <algorithm>
#include <cstdio>

#include "state/message_box.h"
#include "results/journal_file.h"

namespace {

std::vector<std::string> JournalsIn(const std::string& directory) {
  std::vector<std::string> paths;
  DIR* dir = ::opendir(directory.c_str());
  if (dir == nullptr) return paths;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string_view name(entry->d_name);
    if (name.size() > kJournalExtension.size() && name.ends_with(kJournalExtension)) {
      paths.push_back(JoinPath(directory, std::string(name)));
    }
  }
  ::closedir(dir);
  std::sort(paths.begin(), paths.end());  // names start with the run's start time
  return paths;
}

// Appends the journal's own record of result file writes to it.
class JournalWriteLog final : public ResultWriteLog {
 public:
  explicit JournalWriteLog(JournalFile& file) : file_(file) {}
  void OnWriteBegin(ResultFileKind kind, const std::string& path, int64_t prior_size) override {
    file_.AppendSynced(
        EncodeWriteEventFrame({JournalEntryKind::kWriteBegin, kind, path, prior_size}));
  }
  void OnWriteDone(ResultFileKind kind, const std::string& path) override {
    file_.AppendSynced(EncodeWriteEventFrame({JournalEntryKind::kWriteDone, kind, path, -1}));
  }
  std::string RetainedCopyPath() const override { return file_.path(); }

 private:
  JournalFile& file_;
};

const JournalWriteEvent* LastDone(const JournalContents& c, ResultFileKind kind) {
  const auto it = std::find_if(c.write_events.rbegin(), c.write_events.rend(), [&](const auto& e) {
    return e.kind == JournalEntryKind::kWriteDone && e.file == kind;
  });
  return it == c.write_events.rend() ? nullptr : &*it;
}

std::optional<RecoveredRun> RecoverJournal(const std::string& path,
                                           std::span<const std::string> rescue_directories) {
  std::optional<JournalFile> file = JournalFile::OpenUnlocked(path);
  if (!file) return std::nullopt;  // a live run holds it, or it cannot be written
  const std::optional<std::string> bytes = ReadFrom(file->fd(), 0);
  if (!bytes) return std::nullopt;

  JournalContents contents;
  switch (ParseJournal(*bytes, &contents)) {
    case JournalParseResult::kNotAJournal:
      std::fprintf(stderr, "tavelin2: %s is not a run journal; left alone\n", path.c_str());
      return std::nullopt;
    case JournalParseResult::kNoHeader:
      // The header is synced before the run takes its first record: a journal
      // without one was cut off while it was being created and holds no data.
      file->Remove();
      return std::nullopt;
    case JournalParseResult::kOk:
      break;
  }
  // Cut a torn last entry off, so that what recovery logs below can be read back.
  if (contents.torn_tail && !file->TruncateTo(contents.valid_bytes)) return std::nullopt;

  RecoveredRun run;
  run.journal_path = path;
  std::vector<ResumePoint> resume_points;
  for (const JournalWriteEvent& e : contents.write_events) {
    if (e.kind == JournalEntryKind::kWriteBegin) {
      resume_points.push_back({e.file, e.path, e.prior_size});
    }
  }
  RunResults results{contents.header.subject, contents.header.start, contents.trials,
                     contents.samples};
  const JournalTimingContents& timing = contents.timing;
  results.timings = timing.timings;
  results.run_head = timing.run_head;
  results.end_reason = RunEndReason::kRecovered;
  results.duration_ms = timing.frames.last.run_time_ms;
  results.frames = &timing.frames;
  const ResultLocations locations{
      contents.header.working_directory,
      std::vector<std::string>(rescue_directories.begin(), rescue_directories.end())};
  JournalWriteLog log(*file);

  // A file the run itself completed is left exactly as it is.
  auto write = [&](ResultFileKind kind, auto write_file) {
    const JournalWriteEvent* done = LastDone(contents, kind);
    return done != nullptr ? ResultFileOutcome{true, false, done->path}
                           : write_file(results, locations, &log, resume_points);
  };
  run.files_were_complete = LastDone(contents, ResultFileKind::kTrial) != nullptr &&
                            LastDone(contents, ResultFileKind::kBody) != nullptr &&
                            LastDone(contents, ResultFileKind::kTiming) != nullptr &&
                            LastDone(contents, ResultFileKind::kRunRecord) != nullptr;
  run.outcome.trial = write(ResultFileKind::kTrial, WriteTrialFile);
  run.outcome.body = write(ResultFileKind::kBody, WriteBodyFile);
  run.outcome.timing = write(ResultFileKind::kTiming, WriteTimingFile);
  run.outcome.record = write(ResultFileKind::kRunRecord, WriteRunRecordFile);
  if (run.outcome.all_written()) file->Remove();
  return run;
}

}  // namespace

std::vector<RecoveredRun> RecoverUnfinishedRuns() {
  return RecoverUnfinishedRuns(DefaultJournalDirectories(), DefaultRescueDirectories());
}

std::vector<RecoveredRun> RecoverUnfinishedRuns(std::span<const std::string> journal_directories,
                                                std::span<const std::string> rescue_directories) {
  std::vector<RecoveredRun> runs;
  for (const std::string& dir : journal_directories) {
    for (const std::string& path : JournalsIn(dir)) {
      std::optional<RecoveredRun> run = RecoverJournal(path, rescue_directories);
      if (!run) continue;
      if (!run->files_were_complete) AfxMessageBox(RecoveredRunMessage(*run), MB_OK);
      runs.push_back(std::move(*run));
    }
  }
  return runs;
}

std::string RecoveredRunMessage(const RecoveredRun& run) {
  std::string text = "前回の実行は正常に終了しませんでした。";
  if (run.outcome.all_written()) {
    text += "記録を次のファイルに書き出しました。\n" + run.outcome.trial.path + "\n" +
            run.outcome.body.path + "\n" + run.outcome.timing.path + "\n" +
            run.outcome.record.path +
            "\n\nThe previous run did not end normally. Its data was written to the files "
            "above.";
  } else {
    text +=
        "記録を書き出せませんでした。記録は次のファイルに残っています。次回の起動時にもう一度"
        "書き出します。\n" +
        run.journal_path +
        "\n\nThe previous run did not end normally, and its data could not be written. It "
        "stays in the journal above and is written out at the next start.";
  }
  return text;
}
