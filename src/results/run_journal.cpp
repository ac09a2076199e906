#include "results/run_journal.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <span>
#include <system_error>

#include "results/posix_file.h"
#include "state/program_state.h"
#include "state/message_box.h"
#include "state/translate_noop.h"

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

int64_t RunJournal::ReserveBytes(const JournalHeader& header) {
  // Site names are at most 8 bytes ("Should_L"); a path at most PATH_MAX. Each
  // of the four files of a run may be written in place and in every rescue
  // folder. Drawn passes are reserved for as many as a full body file has
  // samples (about 55 minutes at 30 pictures a second); a longer run journals
  // the rest without a reservation. The run record's head holds the settings
  // and the sensor's description with its model paths; a stopped sensor's
  // note names its camera or file.
  constexpr size_t kLongestResp = 16;
  constexpr size_t kWriteEvents = 48;
  constexpr size_t kRunHeadBytes = 64 * 1024;
  constexpr size_t kSensorStopDetailBytes = PATH_MAX + 256;  // names the camera or file
  std::vector<char> frame;
  TrialRecord trial;
  trial.resp.assign(kLongestResp, 'x');
  AppendTrialFrame(frame, 0, trial);
  const size_t trial_frame = frame.size();
  frame.clear();
  AppendSampleFrame(frame, 0, BodySample{});
  const size_t sample_frame = frame.size();
  frame.clear();
  AppendTrialTimingFrame(frame, 0, TrialTiming{});
  const size_t timing_frame = frame.size();
  frame.clear();
  AppendDrawnPassFrame(frame, DrawnPassFacts{});
  const size_t drawn_pass_frame = frame.size();
  frame.clear();
  AppendRunHeadFrame(frame, std::string(kRunHeadBytes, 'x'));
  const size_t run_head_frame = frame.size();
  frame.clear();
  SensorStopRecord stop;
  stop.detail.assign(kSensorStopDetailBytes, 'x');
  AppendSensorStopFrame(frame, stop);
  const size_t sensor_stop_frame = frame.size();
  const size_t event_frame =
      EncodeWriteEventFrame(
          {JournalEntryKind::kWriteBegin, ResultFileKind::kBody, std::string(PATH_MAX, 'x'), 0})
          .size();
  return static_cast<int64_t>(kJournalMagic.size() + EncodeHeaderFrame(header).size() +
                              kTrialRecordCapacity * (trial_frame + timing_frame) +
                              kMaxSampleCount * (sample_frame + drawn_pass_frame) + run_head_frame +
                              sensor_stop_frame + kWriteEvents * event_frame);
}

std::string RunJournal::path() const {
  std::lock_guard lock(path_mutex_);
  return path_;
}

bool RunJournal::CreateFrom(size_t first, std::string_view frames) {
  const std::span<const std::string> rest = std::span(dirs_).subspan(std::min(first, dirs_.size()));
  size_t index = 0;
  std::optional<JournalFile> created =
      JournalFile::Create(rest, header_, frames, ReserveBytes(header_), &index);
  reserved_ = created.has_value();
  if (!created) created = JournalFile::Create(rest, header_, frames, 0, &index);
  if (!created) return false;
  file_ = std::move(created);
  dir_index_ = first + index;
  std::lock_guard lock(path_mutex_);
  path_ = file_->path();
  return true;
}

bool RunJournal::Write(std::string_view frames) {
  if (file_->Append(frames) && file_->Sync()) {
    written_.append(frames);
    return true;
  }
  return MoveOn(frames);
}

bool RunJournal::MoveOn(std::string_view frames) {
  const std::string reason = std::strerror(errno);
  const std::string old_path = path();
  std::optional<JournalFile> old = std::move(file_);
  std::string all = written_;
  all.append(frames);
  if (!CreateFrom(dir_index_ + 1, all)) {
    file_ = std::move(old);  // kept: the next sync tries it again
    if (!failed_) {
      std::fprintf(stderr,
                   "tavelin2: the run journal %s could not be written (%s), and no other folder "
                   "can take it\n",
                   old_path.c_str(), reason.c_str());
    }
    failed_ = true;
    return false;
  }
  written_ = std::move(all);
  failed_ = false;
  std::fprintf(stderr, "tavelin2: the run journal could not be written to %s (%s); moved to %s\n",
               old_path.c_str(), reason.c_str(), path().c_str());
  if (!old->Remove()) {
    std::fprintf(stderr, "tavelin2: the old run journal %s could not be removed (%s)\n",
                 old_path.c_str(), std::strerror(errno));
  }
  return true;
}

std::string RunJournal::StartWarning() const {
  if (reserved_) return {};
  if (file_) {
    return MessageText(
        QT_TRANSLATE_NOOP("Message",
                          "記録用のディスク容量を確保できませんでした。この実行中にディスクがいっぱいに"
                          "なると、異常終了の際に記録が失われることがあります。念のため、ディスクの"
                          "空きを増やしてください。\n%1"),
        {path()});
  }
  return MessageText(QT_TRANSLATE_NOOP("Message",
                                       "記録用のファイルを作成できませんでした。この実行が異常終了"
                                       "すると、記録は失われます。結果ファイルは実行の終わりに"
                                       "書き出します。"));
}

bool RunJournal::Begin(const std::string& subject, const LocalDateTime& start,
                       const std::string& working_directory) {
  Close();
  header_ = JournalHeader{kJournalFormatVersion, subject, start, working_directory};
  dirs_ = directories_.empty() ? DefaultJournalDirectories() : directories_;
  written_.clear();
  failed_ = false;
  if (!CreateFrom(0, {})) {
    reserved_ = false;
    std::fprintf(stderr, "tavelin2: no run journal could be created; this run is not journalled\n");
    return false;
  }
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

void RunJournal::RecordSensorStop(const SensorStopRecord& stop) {
  std::lock_guard lock(mutex_);
  if (accepting_) AppendSensorStopFrame(pending_, stop);
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
    if (!unwritten.empty() && Write(std::string_view(unwritten.data(), unwritten.size()))) {
      unwritten.clear();
    }
    if (stop) break;
  }
  if (!unwritten.empty()) {
    std::fprintf(stderr, "tavelin2: the run journal %s could not be written\n", path().c_str());
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
  Write(EncodeWriteEventFrame({JournalEntryKind::kWriteBegin, kind, path, prior_size}));
}

void RunJournal::OnWriteDone(ResultFileKind kind, const std::string& path) {
  if (!file_) return;
  StopWriter();
  Write(EncodeWriteEventFrame({JournalEntryKind::kWriteDone, kind, path, -1}));
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
                 path().c_str());
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
