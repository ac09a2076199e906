#include "body/backends/camera/recording/mjpeg_avi_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/error.h>
#include <libavutil/mem.h>
}

namespace {

constexpr int kIoBufferBytes = 256 * 1024;

std::string AvError(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof text);
  return text;
}

}  // namespace

MjpegAviWriter::~MjpegAviWriter() {
  CloseFile();
}

int MjpegAviWriter::WritePacket(void* opaque, uint8_t* data, int size) {
  auto* self = static_cast<MjpegAviWriter*>(opaque);
  int done = 0;
  while (done < size) {
    const ssize_t n = ::write(self->fd_, data + done, size_t(size - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      self->write_errno_ = n < 0 ? errno : ENOSPC;
      return AVERROR(self->write_errno_);
    }
    done += int(n);
  }
  return size;
}

int64_t MjpegAviWriter::Seek(void* opaque, int64_t offset, int whence) {
  auto* self = static_cast<MjpegAviWriter*>(opaque);
  if (whence & AVSEEK_SIZE) {
    struct stat st {};
    return ::fstat(self->fd_, &st) == 0 ? st.st_size : AVERROR(errno);
  }
  const off_t at = ::lseek(self->fd_, offset, whence & ~AVSEEK_FORCE);
  return at < 0 ? AVERROR(errno) : at;
}

bool MjpegAviWriter::Create(UniqueFd file, const std::string& path, int width, int height,
                            AVRational frame_rate, std::string* error) {
  const int open_error = errno;
  CloseFile();
  auto fail = [&](const std::string& why) {
    if (error) *error = path + ": " + why;
    CloseFile();
    return false;
  };
  fd_ = file.Release();
  if (fd_ < 0) return fail(std::strerror(open_error));
  if (avformat_alloc_output_context2(&format_, nullptr, "avi", nullptr) < 0 || !format_)
    return fail("FFmpeg has no AVI writer");
  auto* buffer = static_cast<uint8_t*>(av_malloc(kIoBufferBytes));
  io_ = buffer ? avio_alloc_context(buffer, kIoBufferBytes, 1, this, nullptr, &WritePacket, &Seek)
               : nullptr;
  if (!io_) {
    av_free(buffer);
    return fail("out of memory");
  }
  format_->pb = io_;
  AVStream* stream = avformat_new_stream(format_, nullptr);
  if (!stream) return fail("out of memory");
  stream->time_base = av_inv_q(frame_rate);
  stream->avg_frame_rate = frame_rate;
  AVCodecParameters* codec = stream->codecpar;
  codec->codec_type = AVMEDIA_TYPE_VIDEO;
  codec->codec_id = AV_CODEC_ID_MJPEG;
  codec->codec_tag = MKTAG('M', 'J', 'P', 'G');
  codec->width = width;
  codec->height = height;
  const int status = avformat_write_header(format_, nullptr);
  if (status < 0) return fail(write_errno_ ? std::strerror(write_errno_) : AvError(status));
  frames_ = 0;
  return true;
}

bool MjpegAviWriter::WriteFrame(std::span<const uint8_t> jpeg, std::string* error) {
  if (!format_) return false;
  AVPacket* packet = av_packet_alloc();
  if (!packet) return false;
  packet->data = const_cast<uint8_t*>(jpeg.data());  // not kept: av_write_frame copies nothing
  packet->size = int(jpeg.size());
  packet->stream_index = 0;
  packet->pts = packet->dts = frames_;
  packet->duration = 1;
  packet->flags = AV_PKT_FLAG_KEY;
  const int status = av_write_frame(format_, packet);
  av_packet_free(&packet);
  if (status < 0 || write_errno_) {
    if (error) *error = write_errno_ ? std::strerror(write_errno_) : AvError(status);
    return false;
  }
  ++frames_;
  return true;
}

bool MjpegAviWriter::Sync(std::string* error) {
  if (!format_) return false;
  avio_flush(io_);
  if (write_errno_ || ::fdatasync(fd_) != 0) {
    if (error) *error = std::strerror(write_errno_ ? write_errno_ : errno);
    return false;
  }
  return true;
}

bool MjpegAviWriter::Finish(std::string* error) {
  if (!format_) return false;
  const int status = av_write_trailer(format_);
  avio_flush(io_);
  bool ok = status >= 0 && !write_errno_;
  if (!ok && error) *error = write_errno_ ? std::strerror(write_errno_) : AvError(status);
  if (ok && ::fsync(fd_) != 0) {
    ok = false;
    if (error) *error = std::strerror(errno);
  }
  CloseFile();
  return ok;
}

int64_t MjpegAviWriter::bytes() const {
  return io_ ? avio_tell(io_) : 0;
}

void MjpegAviWriter::CloseFile() {
  if (io_) {
    avio_flush(io_);
    av_freep(&io_->buffer);
    avio_context_free(&io_);
  }
  if (format_) {
    format_->pb = nullptr;
    avformat_free_context(format_);
    format_ = nullptr;
  }
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}
