#pragma once
// Records a run's camera pictures: a Motion-JPEG AVI holding every picture
// in capture order, and a frame table (video/frame_table_format.h) with each
// video frame's capture time and the run clock at that moment.
//
// The capture thread hands each picture over with Offer, which only queues a
// reference to it (the camera's own JPEG data, or the decoded picture when
// the camera sends none); a thread of the recorder's own stores the frames
// (as they came, with the standard Huffman tables added where a camera left
// them out; decoded pictures encoded once) and syncs both files every
// second. When the queue is full (a slow disk) or the disk fails, video
// frames are dropped and counted; pictures for the run never wait.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "body/backends/camera/video/camera_picture.h"
#include "body/backends/camera/recording/mjpeg_avi_writer.h"
#include "body/backends/camera/recording/mjpeg_encoder.h"
#include "body/sensor/session_recording.h"

struct SessionRecorderOptions {
  int width = 0, height = 0;  // of the pictures
  AVRational frame_rate{30, 1};
  // Pictures waiting for the disk (their compressed or decoded bytes) before
  // frames are dropped: some seconds of video, for a disk that stalls.
  size_t queue_bytes = size_t(128) << 20;
  std::chrono::milliseconds sync_interval{1000};
};

class SessionRecorder {
 public:
  SessionRecorder(SessionRecordingPlan plan, const SessionRecorderOptions& options);
  SessionRecorder(const SessionRecorder&) = delete;
  SessionRecorder& operator=(const SessionRecorder&) = delete;
  ~SessionRecorder();  // finishes when Finish was not called

  // Creates both files in the first folder of the plan that takes them and
  // starts the writer thread. False when no folder did; report() says why.
  bool Start();
  // Capture thread: one captured picture, in capture order. Never waits for
  // the disk.
  void Offer(const CameraPicture& picture);
  // Writes what is queued, completes and closes both files.
  SessionRecordingReport Finish();
  SessionRecordingReport report() const;

 private:
  struct Entry {
    std::shared_ptr<const std::vector<uint8_t>> jpeg;  // the camera's own, or null
    AVFramePtr picture;                                // when there is no JPEG
    TIMESPAN capture_time = 0;
    std::optional<int64_t> clock_ms;
    size_t bytes = 0;
  };
  // Both files in `directory`; a rescue folder only when it is the user's own.
  bool CreateIn(const std::string& directory, bool rescue, std::string* error);
  void WriterLoop();
  bool Store(Entry& entry, std::string* error);
  bool SyncFiles(std::string* error);
  void Fail(const std::string& why);  // with mutex_ held

  const SessionRecordingPlan plan_;
  const SessionRecorderOptions options_;
  MjpegAviWriter video_;
  MjpegEncoder encoder_;
  int table_fd_ = -1;
  std::string table_rows_;  // rows not yet on disk

  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Entry> queue_;
  size_t queued_bytes_ = 0;
  bool accepting_ = false;
  bool stop_ = false;
  bool failed_ = false;
  SessionRecordingReport report_;
  std::thread writer_;
};
