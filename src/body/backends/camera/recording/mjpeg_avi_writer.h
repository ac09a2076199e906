#pragma once
// A Motion-JPEG AVI written frame by frame through libavformat's AVI muxer,
// into a file of our own (created, never replacing one) so that it can be
// synced. The muxer puts the index and the frame counts in at Finish; a file
// cut short before (a killed program, a power cut after the last Sync) still
// opens in FFmpeg-based readers and plays up to its last whole frame.

#include <cstdint>
#include <span>
#include <string>

#include "platform/unique_fd.h"

extern "C" {
#include <libavutil/rational.h>
}

struct AVFormatContext;
struct AVIOContext;

class MjpegAviWriter {
 public:
  MjpegAviWriter() = default;
  MjpegAviWriter(const MjpegAviWriter&) = delete;
  MjpegAviWriter& operator=(const MjpegAviWriter&) = delete;
  ~MjpegAviWriter();  // an unfinished file is closed as it stands

  // Starts the video in the new, empty file `file` (which it then owns;
  // `path` names it in messages) for pictures of this size at `frame_rate`;
  // false, with the reason in *error, when `file` is invalid (errno then says
  // why) or the video cannot be started.
  bool Create(UniqueFd file, const std::string& path, int width, int height,
              AVRational frame_rate, std::string* error);
  // One JPEG frame, stored as it is, as the next frame of the video.
  bool WriteFrame(std::span<const uint8_t> jpeg, std::string* error);
  // Everything written so far reaches the disk.
  bool Sync(std::string* error);
  // Writes the index and the header's counts, syncs and closes.
  bool Finish(std::string* error);

  int64_t frames() const { return frames_; }
  int64_t bytes() const;

 private:
  void CloseFile();
  static int WritePacket(void* opaque, uint8_t* data, int size);
  static int64_t Seek(void* opaque, int64_t offset, int whence);

  int fd_ = -1;
  AVFormatContext* format_ = nullptr;
  AVIOContext* io_ = nullptr;
  int64_t frames_ = 0;
  int write_errno_ = 0;
};
