#include "results/run_journal.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <iterator>
#include <span>
#include <system_error>

#include "results/posix_file.h"

RunJournal run_journal;

namespace {
RunJournal* active_journal = nullptr;
constexpr size_t kInitialBufferBytes = 64 * 1024;
}  // namespace

RunJournal* RunJournal::Active() {
  return active_journal;
}

RunJournal::RunJournal(std::vector<std::string> directories)
    : directories_(std::move(directories)) {}

RunJournal::~RunJournal() {
  Close();
}

bool RunJournal::Begin(const std::string& subject, const LocalDateTime& start,
                       const std::string& working_directory) {
  Close();
  const JournalHeader header{kJournalFormatVersion, subject, start, working_directory};
  const std::vector<std::string> dirs =
      directories_.empty() ? DefaultJournalDirectories() : directories_;
  file_ = JournalFile::Create(dirs, header);
  if (!file_) {
    std::fprintf(stderr, "tavelin2: no run journal could be created; this run is not journalled\n");
    return false;
  }
  path_ = file_->path();
  std::fill(std::begin(files_done_), std::end(files_done_), false);
  {
    std::lock_guard lock(mutex_);
    pending_.clear();
    pending_.reserve(kInitialBufferBytes);
    accepting_ = true;
    stop_ = false;
  }
  try {
    writer_ = std::thread(&RunJournal::WriterLoop, this);
  } catch (const std::system_error&) {
    std::fprintf(stderr, "tavelin2: the run journal's writer could not start; not journalled\n");
    accepting_ = false;
    file_->Remove();
    file_.reset();
    return false;
  }
  active_journal = this;
  return true;
}

void RunJournal::OnTrialStored(int32_t index, const TrialRecord& record) {
  if (index < 0 || index >= kTrialRecordCapacity) return;
  std::lock_guard lock(mutex_);
  if (accepting_) AppendTrialFrame(pending_, index, record);
}

void RunJournal::OnSampleStored(int32_t index, const BodySample& sample) {
  // Position kMaxSampleCount is overwritten again and again and never written out.
  if (index < 0 || index >= kMaxSampleCount) return;
  std::lock_guard lock(mutex_);
  if (accepting_) AppendSampleFrame(pending_, index, sample);
}

void RunJournal::OnTimingStored(int32_t index, const TrialTiming& timing) {
  if (index < 0 || index >= kTrialRecordCapacity) return;
  std::lock_guard lock(mutex_);
  if (accepting_) AppendTrialTimingFrame(pending_, index, timing);
}

void RunJournal::OnDrawnPass(const DrawnPassFacts& facts) {
  std::lock_guard lock(mutex_);
  if (accepting_) AppendDrawnPassFrame(pending_, facts);
}

void RunJournal::RecordRunHead(const std::string& head_json) {
  std::lock_guard lock(mutex_);
  if (accepting_) AppendRunHeadFrame(pending_, head_json);
}

void RunJournal::WriterLoop() {
  std::vector<char> writing;
  writing.reserve(kInitialBufferBytes);
  std::vector<char> unwritten;  // frames a failed write left behind; retried first
  while (true) {
    bool stop = false;
    {
      std::unique_lock lock(mutex_);
      wake_.wait_for(lock, std::chrono::milliseconds(kJournalSyncInterval_ms),
                     [this] { return stop_; });
      writing.swap(pending_);
      stop = stop_;
    }
    if (!writing.empty()) {
      FillFrameChecksums(writing);
      unwritten.insert(unwritten.end(), writing.begin(), writing.end());
      writing.clear();
    }
    if (!unwritten.empty() && file_->Append(std::string_view(unwritten.data(), unwritten.size()))) {
      unwritten.clear();
      file_->Sync();
    }
    if (stop) break;
  }
  if (!unwritten.empty()) {
    std::fprintf(stderr, "tavelin2: the run journal %s could not be written\n", path_.c_str());
  }
}

void RunJournal::StopWriter() {
  if (!writer_.joinable()) return;
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
    accepting_ = false;
  }
  wake_.notify_all();
  writer_.join();
}

void RunJournal::Seal() {
  StopWriter();
}

void RunJournal::OnWriteBegin(ResultFileKind kind, const std::string& path, int64_t prior_size) {
  if (!file_) return;
  StopWriter();  // the records come before the first file event
  file_->AppendSynced(
      EncodeWriteEventFrame({JournalEntryKind::kWriteBegin, kind, path, prior_size}));
}

void RunJournal::OnWriteDone(ResultFileKind kind, const std::string& path) {
  if (!file_) return;
  StopWriter();
  file_->AppendSynced(EncodeWriteEventFrame({JournalEntryKind::kWriteDone, kind, path, -1}));
  const auto index = static_cast<size_t>(kind);
  if (index < std::size(files_done_)) files_done_[index] = true;
}

bool RunJournal::Finish() {
  if (!file_) return true;
  StopWriter();
  const bool all_done =
      std::all_of(std::begin(files_done_), std::end(files_done_), [](bool done) { return done; });
  const bool safe = all_done && file_->Remove();
  if (!safe) {
    std::fprintf(stderr, "tavelin2: run journal %s kept; it is written out at the next start\n",
                 path_.c_str());
  }
  Close();
  return safe;
}

void RunJournal::Discard() {
  if (!file_) return;
  StopWriter();
  file_->Remove();
  Close();
}

void RunJournal::Close() {
  StopWriter();
  file_.reset();
  if (active_journal == this) active_journal = nullptr;
}
