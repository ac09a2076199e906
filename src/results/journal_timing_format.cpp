#include "results/journal_timing_format.h"

#include <cstddef>
#include <cstring>

#include "results/journal_format.h"

namespace {

// A drawn pass is stored as the bytes of its fields up to the last hand; the
// fields before it lie without gaps.
constexpr size_t kDrawnPassBytes = offsetof(DrawnPassFacts, hands) + sizeof(DrawnPassFacts::hands);
static_assert(offsetof(DrawnPassFacts, picture_captured_ns) == 8 &&
                  offsetof(DrawnPassFacts, pictures_captured) == 16 &&
                  offsetof(DrawnPassFacts, body_count) == 32 &&
                  offsetof(DrawnPassFacts, ids) == 36 &&
                  offsetof(DrawnPassFacts, hands) == 36 + 4 * kBodySlotCount,
              "DrawnPassFacts has gaps between its fields");
static_assert(sizeof(TrialTiming) == 7 * sizeof(int32_t));
// Journals of earlier versions stored a trial's timing without its crossing.
constexpr size_t kTimingBytesWithoutCrossing = offsetof(TrialTiming, hit_crossing_ms);
// Kind, cause, clock, elapsed time, detail size; the detail follows.
constexpr size_t kSensorStopFixedBytes = 1 + 4 + 4 + 8 + 4;

}  // namespace

void AppendTrialTimingFrame(std::vector<char>& out, int32_t index, const TrialTiming& timing) {
  char* p = AppendJournalFrame(out, 1 + 4 + sizeof timing);
  *p = static_cast<char>(JournalEntryKind::kTrialTiming);
  std::memcpy(p + 1, &index, 4);
  std::memcpy(p + 5, &timing, sizeof timing);
}

void AppendDrawnPassFrame(std::vector<char>& out, const DrawnPassFacts& facts) {
  char* p = AppendJournalFrame(out, 1 + kDrawnPassBytes);
  *p = static_cast<char>(JournalEntryKind::kDrawnPass);
  std::memcpy(p + 1, &facts, kDrawnPassBytes);
}

void AppendSensorStopFrame(std::vector<char>& out, const SensorStopRecord& stop) {
  char* p = AppendJournalFrame(out, kSensorStopFixedBytes + stop.detail.size());
  *p++ = static_cast<char>(JournalEntryKind::kSensorStop);
  const auto cause = static_cast<int32_t>(stop.cause);
  const auto detail_size = static_cast<uint32_t>(stop.detail.size());
  std::memcpy(p, &cause, 4);
  std::memcpy(p + 4, &stop.clock_ms, 4);
  std::memcpy(p + 8, &stop.run_elapsed_ms, 8);
  std::memcpy(p + 16, &detail_size, 4);
  std::memcpy(p + 20, stop.detail.data(), stop.detail.size());
}

void AppendRunHeadFrame(std::vector<char>& out, std::string_view head_json) {
  char* p = AppendJournalFrame(out, 1 + 4 + head_json.size());
  *p = static_cast<char>(JournalEntryKind::kRunHead);
  const auto size = static_cast<uint32_t>(head_json.size());
  std::memcpy(p + 1, &size, 4);
  std::memcpy(p + 5, head_json.data(), head_json.size());
}

bool ParseTimingEntry(std::string_view payload, JournalTimingContents* out) {
  switch (static_cast<JournalEntryKind>(payload[0])) {
    case JournalEntryKind::kTrialTiming: {
      const size_t bytes = payload.size() - 5;
      if (payload.size() < 5 || (bytes != sizeof(TrialTiming) && bytes != kTimingBytesWithoutCrossing))
        return false;
      int32_t index = 0;
      TrialTiming timing;
      std::memcpy(&index, payload.data() + 1, 4);
      std::memcpy(&timing, payload.data() + 5, bytes);
      if (index < 0 || index >= kTrialRecordCapacity) return true;
      const auto at = static_cast<size_t>(index);
      if (at < out->timings.size()) {
        out->timings[at] = timing;
      } else if (at == out->timings.size()) {
        out->timings.push_back(timing);
      }
      return true;
    }
    case JournalEntryKind::kDrawnPass: {
      if (payload.size() != 1 + kDrawnPassBytes) return false;
      DrawnPassFacts facts;
      std::memcpy(&facts, payload.data() + 1, kDrawnPassBytes);
      out->frames.Add(facts);
      return true;
    }
    case JournalEntryKind::kRunHead: {
      uint32_t size = 0;
      if (payload.size() < 5) return false;
      std::memcpy(&size, payload.data() + 1, 4);
      if (payload.size() != 5 + size) return false;
      out->run_head.assign(payload.data() + 5, size);
      return true;
    }
    case JournalEntryKind::kSensorStop: {
      if (payload.size() < kSensorStopFixedBytes) return false;
      const char* p = payload.data() + 1;
      int32_t cause = 0;
      uint32_t detail_size = 0;
      SensorStopRecord stop;
      std::memcpy(&cause, p, 4);
      std::memcpy(&stop.clock_ms, p + 4, 4);
      std::memcpy(&stop.run_elapsed_ms, p + 8, 8);
      std::memcpy(&detail_size, p + 16, 4);
      if (payload.size() != kSensorStopFixedBytes + detail_size) return false;
      // A cause this program does not know still says that the sensor stopped.
      stop.cause = cause == static_cast<int32_t>(SensorStopCause::kNoFrames)
                       ? SensorStopCause::kNoFrames
                       : SensorStopCause::kDeviceGone;
      stop.detail.assign(p + 20, detail_size);
      out->sensor_stop = std::move(stop);
      return true;
    }
    default:
      return true;
  }
}
