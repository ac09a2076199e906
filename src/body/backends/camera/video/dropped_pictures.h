#pragma once
// Pictures that came damaged and were left out, by what was wrong with them.

#include <array>
#include <cstdint>
#include <numeric>

enum class DropReason : int {
  kErrorFlag,    // the driver flagged the buffer (V4L2_BUF_FLAG_ERROR)
  kReadError,    // dequeuing it failed with EIO (a USB transfer error)
  kEmpty,        // no bytes in the buffer
  kIncomplete,   // a JPEG without its start or end, a short YUYV picture, more bytes than the buffer
  kUndecodable,  // the decoder refused it
};
inline constexpr int kDropReasonCount = 5;

// As the run record names them, in DropReason's order.
inline constexpr std::array<const char*, kDropReasonCount> kDropReasonNames = {
    "error_flag", "read_error", "empty", "incomplete", "undecodable"};

struct DroppedPictures {
  std::array<uint64_t, kDropReasonCount> by_reason{};

  uint64_t of(DropReason reason) const { return by_reason[static_cast<int>(reason)]; }
  uint64_t total() const { return std::accumulate(by_reason.begin(), by_reason.end(), uint64_t{0}); }
};
