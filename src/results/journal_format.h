#pragma once
// On-disk format of the run journal. The file starts with an 8-byte magic, then
// holds frames: u32 payload length, u32 CRC-32 of the payload, the payload
// (little-endian). A payload starts with its kind byte. The first frame is the
// header that recovery needs; a frame cut short or with a bad checksum ends the
// readable part, so a torn last entry is never read as data.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "results/journal_timing_format.h"
#include "results/result_file_writer.h"
#include "state/records.h"

inline constexpr std::string_view kJournalMagic{"T2RJRNL\x1a", 8};
inline constexpr uint32_t kJournalFormatVersion = 1;
inline constexpr size_t kFrameHeaderBytes = 8;
inline constexpr uint32_t kMaxFramePayloadBytes = 1u << 20;

enum class JournalEntryKind : uint8_t {
  kHeader = 1,
  kTrial = 2,
  kSample = 3,
  kWriteBegin = 4,
  kWriteDone = 5,
  kTrialTiming = 6,  // journal_timing_format.h
  kDrawnPass = 7,
  kRunHead = 8,
  kSensorStop = 9,
};

struct JournalHeader {
  uint32_t format_version = kJournalFormatVersion;
  std::string subject;
  LocalDateTime start;
  std::string working_directory;
};

struct JournalWriteEvent {
  JournalEntryKind kind = JournalEntryKind::kWriteBegin;  // kWriteBegin or kWriteDone
  ResultFileKind file = ResultFileKind::kTrial;
  std::string path;
  int64_t prior_size = -1;  // kWriteBegin only
};

// Everything readable in a journal file.
struct JournalContents {
  JournalHeader header;
  std::vector<TrialRecord> trials;  // positions 0 .. n-1 of trial_records
  std::vector<BodySample> samples;  // positions 0 .. n-1 of body_samples
  std::vector<JournalWriteEvent> write_events;
  JournalTimingContents timing;
  size_t valid_bytes = 0;  // the readable prefix of the file
  bool torn_tail = false;  // bytes after valid_bytes were ignored
};

enum class JournalParseResult { kOk, kNotAJournal, kNoHeader };

JournalParseResult ParseJournal(std::string_view bytes, JournalContents* out);

uint32_t Crc32(const void* data, size_t size);

// Complete frames, checksum included.
std::string EncodeHeaderFrame(const JournalHeader& header);
std::string EncodeWriteEventFrame(const JournalWriteEvent& event);

// Record frames appended on the UI thread: the checksum field is left 0 and is
// filled in later by FillFrameChecksums, off the UI thread.
void AppendTrialFrame(std::vector<char>& out, int32_t index, const TrialRecord& record);
void AppendSampleFrame(std::vector<char>& out, int32_t index, const BodySample& sample);
void FillFrameChecksums(std::span<char> frames);
// Appends an unchecksummed frame of `payload_size` bytes; returns its payload.
char* AppendJournalFrame(std::vector<char>& out, size_t payload_size);
