#include "body/backends/camera/recording/session_recorder.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "body/backends/camera/recording/mjpeg_huffman.h"
#include "body/backends/camera/video/frame_table_format.h"
#include "platform/thread_scheduling.h"
#include "state/message_box.h"
#include "state/own_folder.h"
#include "state/path_names.h"
#include "state/translate_noop.h"

namespace {

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = ENOSPC;
      return false;
    }
    bytes.remove_prefix(size_t(n));
  }
  return true;
}

// What a decoded picture holds in memory while it waits to be encoded.
size_t PictureBytes(const AVFrame* frame) {
  size_t bytes = 0;
  if (frame)
    for (const AVBufferRef* buffer : frame->buf)
      if (buffer) bytes += buffer->size;
  return bytes;
}

}  // namespace

SessionRecorder::SessionRecorder(SessionRecordingPlan plan, const SessionRecorderOptions& options)
    : plan_(std::move(plan)), options_(options) {
  report_.on = true;
}

SessionRecorder::~SessionRecorder() {
  Finish();
}

bool SessionRecorder::CreateIn(const std::string& directory, bool rescue, std::string* error) {
  const OpenedFolder folder =
      rescue ? OpenOwnFolder(directory, RunFileAccess()) : OpenFolder(directory);
  if (!folder.fd.valid()) {
    if (error) *error = folder.problem;
    return false;
  }
  const int dir = folder.fd.get();
  const std::string video_path = JoinPath(directory, plan_.video_name);
  const std::string table_path = JoinPath(directory, plan_.table_name);
  if (!video_.Create(CreateFileIn(dir, plan_.video_name, O_WRONLY, RunFileAccess()), video_path,
                     options_.width, options_.height, options_.frame_rate, error))
    return false;
  UniqueFd table = CreateFileIn(dir, plan_.table_name, O_WRONLY, RunFileAccess());
  if (!table.valid() || !WriteAll(table.get(), FrameTableHeader())) {
    if (error) *error = table_path + ": " + std::strerror(errno);
    if (table.valid()) ::unlinkat(dir, plan_.table_name.c_str(), 0);
    video_.Finish(nullptr);
    ::unlinkat(dir, plan_.video_name.c_str(), 0);
    return false;
  }
  table_fd_ = table.Release();
  ::fsync(dir);  // the new files' entries survive a power cut too
  report_.video_path = video_path;
  report_.table_path = table_path;
  return true;
}

bool SessionRecorder::Start() {
  std::string reasons;
  for (size_t i = 0; i < plan_.directories.size(); ++i) {
    std::string error;
    if (CreateIn(plan_.directories[i], /*rescue=*/i > 0, &error)) break;
    reasons += (reasons.empty() ? "" : "; ") + error;
  }
  std::lock_guard<std::mutex> guard(mutex_);
  if (report_.video_path.empty()) {
    report_.problem =
        reasons.empty()
            ? MessageText(QT_TRANSLATE_NOOP("Message", "録画ファイルを書き込めるフォルダーがありません"))
            : MessageText(QT_TRANSLATE_NOOP("Message", "録画ファイルを作れませんでした: %1"),
                          {reasons});
    failed_ = true;
    return false;
  }
  accepting_ = true;
  writer_ = std::thread([this] {
    RunAsBatchThread();  // throughput, not timing (thread_scheduling.h)
    WriterLoop();
  });
  return true;
}

void SessionRecorder::Offer(const CameraPicture& picture) {
  Entry entry;
  entry.capture_time = picture.capture_time;
  if (plan_.run_clock_ms_at) entry.clock_ms = plan_.run_clock_ms_at(picture.capture_time);
  std::lock_guard<std::mutex> guard(mutex_);
  if (!accepting_) return;
  entry.bytes = picture.compressed ? picture.compressed->size() : PictureBytes(picture.frame.get());
  if (failed_ || queued_bytes_ + entry.bytes > options_.queue_bytes || entry.bytes == 0) {
    ++report_.frames_dropped;
    return;
  }
  entry.jpeg = picture.compressed;
  if (!entry.jpeg) entry.picture.reset(av_frame_clone(picture.frame.get()));
  if (!entry.jpeg && !entry.picture) {
    ++report_.frames_dropped;
    return;
  }
  queued_bytes_ += entry.bytes;
  queue_.push_back(std::move(entry));
  wake_.notify_one();
}

void SessionRecorder::Fail(const std::string& why) {
  if (failed_) return;
  failed_ = true;
  report_.problem =
      MessageText(QT_TRANSLATE_NOOP("Message", "%1 フレームを録画したところで止まりました: %2"),
                  {std::to_string(report_.frames_written), why});
  report_.frames_dropped += queue_.size();
  queue_.clear();
  queued_bytes_ = 0;
  std::fprintf(stderr, "tavelin2: %s (%s)\n", report_.problem.c_str(), report_.video_path.c_str());
}

bool SessionRecorder::Store(Entry& entry, std::string* error) {
  std::vector<uint8_t> made;
  std::span<const uint8_t> jpeg;
  if (entry.jpeg) {
    jpeg = *entry.jpeg;
    if (!JpegHasHuffmanTables(jpeg)) {
      made = WithStandardHuffmanTables(jpeg);
      jpeg = made;
    }
  } else {
    if (!encoder_.Encode(*entry.picture, &made, error)) return false;
    entry.picture.reset();
    jpeg = made;
  }
  const int64_t frame = video_.frames();
  if (!video_.WriteFrame(jpeg, error)) return false;
  table_rows_ += FrameTableRow(frame, entry.capture_time, entry.clock_ms);
  return true;
}

// The video first: a table row never names a frame the video lacks.
bool SessionRecorder::SyncFiles(std::string* error) {
  if (!video_.Sync(error)) return false;
  if (!WriteAll(table_fd_, table_rows_) || ::fdatasync(table_fd_) != 0) {
    if (error) *error = report_.table_path + ": " + std::strerror(errno);
    return false;
  }
  table_rows_.clear();
  return true;
}

void SessionRecorder::WriterLoop() {
  using Clock = std::chrono::steady_clock;
  Clock::time_point next_sync = Clock::now() + options_.sync_interval;
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    wake_.wait_until(lock, next_sync, [this] { return !queue_.empty() || stop_; });
    while (!queue_.empty() && !failed_) {
      Entry entry = std::move(queue_.front());
      queue_.pop_front();
      queued_bytes_ -= entry.bytes;
      lock.unlock();
      std::string error;
      const bool stored = Store(entry, &error);
      lock.lock();
      if (stored) {
        ++report_.frames_written;
      } else {
        ++report_.frames_dropped;
        Fail(error);
      }
    }
    if (!failed_ && (stop_ || Clock::now() >= next_sync)) {
      lock.unlock();
      std::string error;
      const bool synced = SyncFiles(&error);
      lock.lock();
      if (!synced) Fail(error);
      next_sync = Clock::now() + options_.sync_interval;
    }
    if (stop_) break;  // Finish stops taking pictures first: the queue is empty
  }
}

SessionRecordingReport SessionRecorder::Finish() {
  {
    std::lock_guard<std::mutex> guard(mutex_);
    accepting_ = false;
    stop_ = true;
  }
  wake_.notify_one();
  if (writer_.joinable()) writer_.join();
  std::string error;
  std::lock_guard<std::mutex> guard(mutex_);
  if (table_fd_ >= 0) {
    const bool table_ok = failed_ || (WriteAll(table_fd_, table_rows_) && ::fsync(table_fd_) == 0);
    ::close(table_fd_);
    table_fd_ = -1;
    if (!video_.Finish(&error) && !failed_) Fail(error);
    if (!table_ok) Fail(report_.table_path + ": " + std::strerror(errno));
  }
  return report_;
}

SessionRecordingReport SessionRecorder::report() const {
  std::lock_guard<std::mutex> guard(mutex_);
  return report_;
}
