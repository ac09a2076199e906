#pragma once
// The run journal: every trial record and body sample of a running run (and the
// timing behind them: trial timings, drawn passes, the run record's head) reaches
// the disk within a second, so that a crash, a kill or a power cut loses at most
// the last second of a session. RecoverUnfinishedRuns (run_recovery.h) writes the
// result files of a run whose journal is still there at the next start.
//
// The trial loop calls the RecordSink methods on the UI thread inside its 1 ms
// passes: they only append the record to an in-memory buffer under a short lock.
// A writer thread moves the buffer to the file and syncs it every 250 ms.
//
// A full disk must not stop the journal: when the run begins, disk space for
// the largest journal a run can make (the record tables are capped) is
// reserved, in the working directory's journal folder or, when it has no room,
// in the first rescue folder that has. A write that fails all the same (an I/O
// error, or no folder could reserve) moves the journal with everything in it to
// the next folder at once.
//
// Driver use, per run:
//   BeginRunJournal(run_journal);  after the setup step (subject and start time set)
//   ... RunTask with &run_journal as its RecordSink ...
//   WriteResultFiles();         seals the journal and logs each file it writes
//   run_journal.Finish();       removes the journal once both files are written
// or run_journal.Discard() when the run is abandoned before it starts.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "results/journal_file.h"
#include "results/record_sink.h"
#include "results/result_file_writer.h"
#include "state/records.h"

inline constexpr int kJournalSyncInterval_ms = 250;

class RunJournal final : public RecordSink, public ResultWriteLog {
 public:
  // Journals go to the first usable folder of DefaultJournalDirectories().
  RunJournal() = default;
  // Journals go to the first usable folder of `directories` (tests).
  explicit RunJournal(std::vector<std::string> directories);
  ~RunJournal() override;  // an unfinished journal stays on disk for recovery

  RunJournal(const RunJournal&) = delete;
  RunJournal& operator=(const RunJournal&) = delete;

  // Starts the journal of a new run. False when no journal could be created:
  // the run goes on without one. A journal still open from an earlier run is
  // closed and left for recovery. BeginRunJournal (result_files.h) starts it
  // for the program's current run.
  bool Begin(const std::string& subject, const LocalDateTime& start,
             const std::string& working_directory);

  // After Begin: what the experimenter must hear before the run when the
  // journal's space could not be reserved anywhere, or there is no journal at
  // all ("" when the journal is safe).
  std::string StartWarning() const;
  // Bytes reserved for a run's journal: the header and every record the tables
  // can hold, and the result file events.
  static int64_t ReserveBytes(const JournalHeader& header);

  // RecordSink, UI thread: copy the record and return; never touch the disk.
  void OnTrialStored(int32_t index, const TrialRecord& record) override;
  void OnSampleStored(int32_t index, const BodySample& sample) override;
  void OnTimingStored(int32_t index, const TrialTiming& timing) override;
  void OnDrawnPass(const DrawnPassFacts& facts) override;
  // The run record's head (JSON), right after Begin.
  void RecordRunHead(const std::string& head_json);
  // A sensor that stopped during the run (for the run record).
  void RecordSensorStop(const SensorStopRecord& stop);

  // Stops taking records and puts everything taken so far on disk (synced).
  void Seal();

  // After WriteResultFiles: removes the journal when both result files were
  // written (in the working directory or a rescue folder); otherwise leaves it
  // for recovery at the next start. True when no journal is left behind.
  bool Finish();
  // The run was abandoned before it produced data: removes the journal.
  void Discard();

  bool active() const { return file_.has_value(); }
  bool reserved() const { return reserved_; }
  std::string path() const;

  // ResultWriteLog: what WriteResultFiles did, synced before it goes on.
  void OnWriteBegin(ResultFileKind kind, const std::string& path, int64_t prior_size) override;
  void OnWriteDone(ResultFileKind kind, const std::string& path) override;
  std::string RetainedCopyPath() const override { return active() ? path() : std::string(); }

  // The journal that has begun and not yet finished (null when none).
  static RunJournal* Active();

 private:
  void WriterLoop();
  void StopWriter();
  void Close();
  // Puts frames on disk after what is there (synced); when that fails, moves the
  // journal on. False when no folder can take it.
  bool Write(std::string_view frames);
  // Creates the journal in a folder from `first` on, holding `frames`: reserved
  // where any folder has the room, else wherever it can be created.
  bool CreateFrom(size_t first, std::string_view frames);
  bool MoveOn(std::string_view frames);

  std::vector<std::string> directories_;  // empty: the defaults
  std::vector<std::string> dirs_;         // the folders of this run's journal
  size_t dir_index_ = 0;                  // the one in use
  JournalHeader header_;
  std::string written_;                 // every frame on disk after the header, for a move
  std::atomic<bool> reserved_ = false;  // read on the UI thread, changed by a move
  bool failed_ = false;                 // a write found no folder; reported once
  std::optional<JournalFile> file_;
  mutable std::mutex path_mutex_;  // path_ changes on the writer thread when it moves
  std::string path_;
  bool files_done_[4] = {};  // by ResultFileKind

  std::mutex mutex_;  // guards pending_ and the flags below
  std::condition_variable wake_;
  std::vector<char> pending_;  // frames taken on the UI thread, not yet written
  bool accepting_ = false;
  bool stop_ = false;
  std::thread writer_;
};

// The journal the experiment driver uses for its runs.
extern RunJournal run_journal;
