#include "results/run_recovery.h"

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "results/journal_file.h"
#include "results/regular_file.h"
#include "results/result_file_names.h"
#include "state/message_box.h"
#include "state/own_folder.h"
#include "state/run_file_endings.h"
#include "state/translate_noop.h"

namespace {

std::vector<std::string> JournalsIn(const std::string& directory) {
  std::vector<std::string> paths;
  // Only a folder of the user's own: another account's could hold anything.
  OpenedFolder folder = OpenOwnFolder(directory, PrivateAccess(), /*create=*/false);
  if (!folder.fd.valid()) return paths;
  DIR* dir = ::fdopendir(folder.fd.get());
  if (dir == nullptr) return paths;
  folder.fd.Release();  // closedir closes it
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

// A journal opened for recovery, its torn tail cut off.
struct OpenedJournal {
  std::string path;
  JournalFile file;
  JournalContents contents;
};

std::optional<OpenedJournal> OpenJournal(const std::string& path) {
  std::optional<JournalFile> file = JournalFile::OpenUnlocked(path);
  if (!file) return std::nullopt;  // a live run holds it, or it cannot be written
  const std::optional<std::string> bytes = ReadFrom(file->fd(), 0);
  if (!bytes) return std::nullopt;

  JournalContents contents;
  JournalParseResult parsed = ParseJournal(*bytes, &contents);
  // Killed between creating the file and writing its first bytes: not even the
  // whole magic is there.
  if (bytes->size() < kJournalMagic.size() && kJournalMagic.starts_with(*bytes)) {
    parsed = JournalParseResult::kNoHeader;
  }
  switch (parsed) {
    case JournalParseResult::kNotAJournal:
      std::fprintf(stderr, "tavelin2: %s is not a run journal; left alone\n", path.c_str());
      return std::nullopt;
    case JournalParseResult::kNoHeader:
      // The header is synced before the run takes its first record: a journal
      // without one was cut off while it was being created and holds no data.
      std::fprintf(stderr,
                   "tavelin2: removed the run journal %s: it was cut off while it was being "
                   "created and holds no data\n",
                   path.c_str());
      file->Remove();
      return std::nullopt;
    case JournalParseResult::kOk:
      break;
  }
  // Cut a torn last entry (or unused reserved space) off, so that what recovery
  // logs below can be read back.
  if (contents.torn_tail && !file->TruncateTo(contents.valid_bytes)) return std::nullopt;
  return OpenedJournal{path, std::move(*file), std::move(contents)};
}

// Which run a journal belongs to: its name up to the process id, and its header.
std::string RunIdentity(const OpenedJournal& j) {
  std::string name = j.path.substr(j.path.find_last_of('/') + 1);
  size_t cut = 0;
  for (int part = 0; part < 4 && cut != std::string::npos; ++part) {
    cut = name.find_first_of("_.", cut == 0 && part == 0 ? 0 : cut + 1);
  }
  name = name.substr(0, cut);
  const JournalHeader& h = j.contents.header;
  const LocalDateTime& t = h.start;
  char start[96];
  std::snprintf(start, sizeof start, "%d-%d-%d %d:%d:%d.%d", t.year, t.month, t.day, t.hour,
                t.minute, t.second, t.millisecond);
  return name + '\n' + start + '\n' + h.subject + '\n' + h.working_directory;
}

// The session video a run recorded while it went on, wherever it went.
std::vector<std::string> VideoFilesOf(const JournalHeader& header,
                                      std::span<const std::string> rescue_directories) {
  std::vector<std::string> directories{header.working_directory};
  directories.insert(directories.end(), rescue_directories.begin(), rescue_directories.end());
  std::vector<std::string> found;
  for (const std::string& directory : directories) {
    for (const std::string& name : {VideoFileName(header.subject, header.start),
                                    VideoTableFileName(header.subject, header.start)}) {
      const std::string path = JoinPath(directory, name);
      if (::access(path.c_str(), F_OK) == 0) found.push_back(path);
    }
  }
  return found;
}

// What the record of a recovered run says of the video found: the video and
// the frame table (beside it where it is there), with the frames the table
// names. The run could not say how its video ended.
std::optional<SessionVideoRecord> VideoRecordOf(const std::vector<std::string>& files) {
  const auto video = std::find_if(files.begin(), files.end(), [](const std::string& f) {
    return f.ends_with(run_file::kVideo);
  });
  if (video == files.end()) return std::nullopt;
  SessionVideoRecord record;
  record.on = true;
  record.video_path = *video;
  const std::string folder = ParentDirectory(*video);
  for (const std::string& f : files) {
    if (!f.ends_with(run_file::kVideoTable)) continue;
    if (record.table_path.empty() || ParentDirectory(f) == folder) record.table_path = f;
  }
  std::string table, error;
  if (!record.table_path.empty() &&
      ReadRegularFile(record.table_path, &table, &error) == FileRead::kRead) {
    const int64_t lines = std::count(table.begin(), table.end(), '\n');
    record.frames_written = uint64_t(std::max<int64_t>(lines - 1, 0));  // the header
  }
  record.problem =
      "the run did not end normally: the frame table's rows are counted (the video may hold "
      "about a second more), frames dropped are not known";
  return record;
}

RecoveredRun RecoverJournal(OpenedJournal& journal,
                            std::span<const std::string> rescue_directories) {
  const JournalContents& contents = journal.contents;
  RecoveredRun run;
  run.journal_path = journal.path;
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
  results.sensor_stop = &timing.sensor_stop;
  run.video_files = VideoFilesOf(contents.header, rescue_directories);
  const std::optional<SessionVideoRecord> video = VideoRecordOf(run.video_files);
  if (video) results.session_video = &*video;
  const ResultLocations locations{
      contents.header.working_directory,
      std::vector<std::string>(rescue_directories.begin(), rescue_directories.end())};
  JournalWriteLog log(journal.file);

  // A file the run itself completed is left exactly as it is; the rest joins it
  // in its folder where they can.
  const ResultFileKind kinds[] = {ResultFileKind::kTrial, ResultFileKind::kBody,
                                  ResultFileKind::kTiming, ResultFileKind::kRunRecord};
  std::string done_paths[std::size(kinds)];
  run.files_were_complete = true;
  for (size_t i = 0; i < std::size(kinds); ++i) {
    const JournalWriteEvent* done = LastDone(contents, kinds[i]);
    if (done != nullptr) done_paths[i] = done->path;
    run.files_were_complete = run.files_were_complete && done != nullptr;
  }
  if (run.files_were_complete) {
    run.outcome.trial = {true, false, done_paths[0]};
    run.outcome.body = {true, false, done_paths[1]};
    run.outcome.timing = {true, false, done_paths[2]};
    run.outcome.record = {true, false, done_paths[3]};
  } else {
    run.outcome = WriteRunResults(results, locations, &log, resume_points,
                                  {done_paths[0], done_paths[1], done_paths[2], done_paths[3]});
  }
  if (run.outcome.all_written()) journal.file.Remove();
  return run;
}

}  // namespace

std::vector<RecoveredRun> RecoverUnfinishedRuns() {
  return RecoverUnfinishedRuns(DefaultJournalDirectories(), DefaultRescueDirectories());
}

std::vector<RecoveredRun> RecoverUnfinishedRuns(std::span<const std::string> journal_directories,
                                                std::span<const std::string> rescue_directories) {
  std::vector<OpenedJournal> journals;
  for (const std::string& dir : journal_directories) {
    for (const std::string& path : JournalsIn(dir)) {
      std::optional<OpenedJournal> journal = OpenJournal(path);
      if (!journal) continue;
      // A journal that moved to another folder mid-run and whose old copy could
      // not be removed: only the copy with the most data is written out, or
      // every row of the run would appear twice.
      const std::string identity = RunIdentity(*journal);
      const auto same = std::find_if(journals.begin(), journals.end(),
                                     [&](const auto& j) { return RunIdentity(j) == identity; });
      if (same != journals.end()) {
        OpenedJournal& older =
            same->contents.valid_bytes < journal->contents.valid_bytes ? *same : *journal;
        std::fprintf(stderr, "tavelin2: removed %s, an earlier copy of the run journal %s\n",
                     older.path.c_str(), (&older == &*same ? journal->path : same->path).c_str());
        older.file.Remove();
        if (&older == &*same) *same = std::move(*journal);
        continue;
      }
      journals.push_back(std::move(*journal));
    }
  }
  std::vector<RecoveredRun> runs;
  for (OpenedJournal& journal : journals) {
    RecoveredRun run = RecoverJournal(journal, rescue_directories);
    if (!run.files_were_complete) AfxMessageBox(RecoveredRunMessage(run), MB_OK);
    runs.push_back(std::move(run));
  }
  return runs;
}

std::string RecoveredRunMessage(const RecoveredRun& run) {
  std::string text;
  if (run.outcome.all_written()) {
    text = MessageText(QT_TRANSLATE_NOOP("Message",
                                         "前回の実行は正常に終了しませんでした。記録を次のファイルに"
                                         "書き出しました。\n%1\n%2\n%3\n%4"),
                       {run.outcome.trial.path, run.outcome.body.path, run.outcome.timing.path,
                        run.outcome.record.path});
  } else {
    text = MessageText(QT_TRANSLATE_NOOP("Message",
                                         "前回の実行は正常に終了しませんでした。記録を書き出せませんでした。"
                                         "記録は次のファイルに残っています。次回の起動時にもう一度"
                                         "書き出します。\n%1"),
                       {run.journal_path});
  }
  if (!run.video_files.empty()) {
    std::string videos;
    for (const std::string& path : run.video_files) videos += "\n" + path;
    text += "\n\n" + MessageText(QT_TRANSLATE_NOOP("Message",
                                                   "この実行の録画（最後の約1秒を除いて再生できます）:%1"),
                                 {videos});
  }
  return text;
}
