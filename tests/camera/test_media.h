#pragma once
// Pictures and clips for the camera tests and benchmarks, made with the same
// FFmpeg libraries the backend reads with.

#include <cstdint>
#include <opencv2/core.hpp>
#include <string>
#include <vector>

extern "C" {
#include <libavutil/rational.h>
}

// A picture file (JPEG, PNG, ...) as 8-bit BGR; empty when it cannot be read.
cv::Mat ReadPictureFile(const std::string& path);

// The first `frames` pictures of a video file as 8-bit BGR; fewer when the
// file has fewer, none when it cannot be read.
std::vector<cv::Mat> VideoPictures(const std::string& path, int frames);

struct ClipOptions {
  AVRational time_base{1, 30};    // of `pts`; an AVI needs 1 / its frame rate
  std::vector<int64_t> pts;       // presentation time of each picture; empty: 0, 1, 2, ...
  int quality = 3;                // JPEG quantiser, 2 (best) to 31
  bool chroma_422 = false;        // 4:2:2 like most USB cameras' MJPEG (default 4:2:0)
  int garbage_at = -1;            // this frame is written as bytes no decoder reads
  bool standard_huffman = false;  // the standard Huffman tables, as cameras use (default: optimal)
};

// Writes `pictures` (8-bit BGR, all one size) as an MJPEG clip in the
// container the file name's extension names (.avi, .mkv, ...). Returns the
// compressed frames as written, in order; empty on failure.
std::vector<std::vector<uint8_t>> WriteMjpegClip(const std::string& path,
                                                 const std::vector<cv::Mat>& pictures,
                                                 const ClipOptions& options = {});
