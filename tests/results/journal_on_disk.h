#pragma once
// What a running program's journal holds on disk, read from outside the
// program: how many trial and body-sample frames are complete in the file.
// Only the framing is read here (8-byte magic, then frames of u32 payload
// length, u32 checksum, payload starting with its kind byte), not the records,
// so the count does not rest on the journal reader under test.

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

struct JournalOnDisk {
  int32_t trials = 0;
  int32_t samples = 0;
  bool found = false;  // a journal file was there
};

// The one journal file in `journal_dir` (the run's journal folder).
inline JournalOnDisk ReadJournalOnDisk(const std::filesystem::path& journal_dir) {
  constexpr size_t kMagicBytes = 8, kFrameHeaderBytes = 8;
  constexpr char kTrialKind = 2, kSampleKind = 3;
  JournalOnDisk out;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(journal_dir, error)) {
    if (!entry.is_regular_file(error)) continue;
    std::ifstream in(entry.path(), std::ios::binary);
    const std::string bytes(std::istreambuf_iterator<char>(in), {});
    if (bytes.compare(0, kMagicBytes, std::string("T2RJRNL\x1a", kMagicBytes)) != 0) continue;
    out.found = true;
    size_t at = kMagicBytes;
    while (at + kFrameHeaderBytes <= bytes.size()) {
      uint32_t payload = 0;
      std::memcpy(&payload, bytes.data() + at, 4);
      if (payload == 0 || at + kFrameHeaderBytes + payload > bytes.size()) break;  // torn tail
      const char kind = bytes[at + kFrameHeaderBytes];
      out.trials += kind == kTrialKind;
      out.samples += kind == kSampleKind;
      at += kFrameHeaderBytes + payload;
    }
  }
  return out;
}
