#include "results/journal_format.h"

#include <array>
#include <bit>
#include <cstring>

#include "state/record_fields.h"

static_assert(std::endian::native == std::endian::little,
              "the journal is written in the host's byte order, which must be little-endian");

namespace {

constexpr std::array<uint32_t, 256> MakeCrcTable() {
  std::array<uint32_t, 256> table{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[i] = c;
  }
  return table;
}
constexpr std::array<uint32_t, 256> kCrcTable = MakeCrcTable();

// A trial frame holds the record's numbers in column order, then its text.
static_assert(kTrialRecordNumberCount == 15,
              "a changed trial record changes the journal: raise kJournalFormatVersion");
constexpr size_t kTrialFixedPayload = 1 + 4 + kTrialRecordNumberCount * 4 + 4;
constexpr size_t kSamplePayload = 1 + 4 + sizeof(BodySample);

// Appends to a byte string.
class Writer {
 public:
  explicit Writer(std::string& out) : out_(out) {}
  template <typename T>
  void Put(T value) {
    char bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof(T));
    out_.append(bytes, sizeof(T));
  }
  void PutText(std::string_view text) {
    Put(static_cast<uint32_t>(text.size()));
    out_.append(text);
  }

 private:
  std::string& out_;
};

// Reads from a payload; any overrun marks it failed.
class Reader {
 public:
  explicit Reader(std::string_view bytes) : bytes_(bytes) {}
  template <typename T>
  T Get() {
    T value{};
    if (bytes_.size() < sizeof(T)) {
      ok_ = false;
      return value;
    }
    std::memcpy(&value, bytes_.data(), sizeof(T));
    bytes_.remove_prefix(sizeof(T));
    return value;
  }
  std::string GetText() {
    const uint32_t size = Get<uint32_t>();
    if (!ok_ || bytes_.size() < size) {
      ok_ = false;
      return {};
    }
    std::string text(bytes_.substr(0, size));
    bytes_.remove_prefix(size);
    return text;
  }
  bool ok() const { return ok_; }
  bool at_end() const { return bytes_.empty(); }

 private:
  std::string_view bytes_;
  bool ok_ = true;
};

std::string Frame(const std::string& payload) {
  std::string frame;
  Writer w(frame);
  w.Put(static_cast<uint32_t>(payload.size()));
  w.Put(Crc32(payload.data(), payload.size()));
  frame += payload;
  return frame;
}

char* PutInt(char* p, int32_t v) {
  std::memcpy(p, &v, 4);
  return p + 4;
}

void PutTimeFields(Writer& w, const LocalDateTime& t) {
  for (int32_t v : {t.year, t.month, t.day, t.hour, t.minute, t.second, t.millisecond}) w.Put(v);
}

LocalDateTime GetTimeFields(Reader& r) {
  LocalDateTime t;
  for (int32_t* v : {&t.year, &t.month, &t.day, &t.hour, &t.minute, &t.second, &t.millisecond}) {
    *v = r.Get<int32_t>();
  }
  return t;
}

bool ParseHeader(std::string_view payload, JournalHeader* header) {
  Reader r(payload);
  if (r.Get<uint8_t>() != static_cast<uint8_t>(JournalEntryKind::kHeader)) return false;
  header->format_version = r.Get<uint32_t>();
  header->subject = r.GetText();
  header->start = GetTimeFields(r);
  header->working_directory = r.GetText();
  return r.ok() && r.at_end() && header->format_version == kJournalFormatVersion;
}

bool ParseTrial(std::string_view payload, int32_t* index, TrialRecord* t) {
  Reader r(payload.substr(1));
  *index = r.Get<int32_t>();
  for (const TrialRecordField& f : kTrialRecordFields) {
    if (f.number != nullptr) t->*f.number = r.Get<int32_t>();
  }
  t->*kTrialRecordText = r.GetText();
  return r.ok() && r.at_end();
}

bool ParseWriteEvent(std::string_view payload, JournalWriteEvent* e) {
  Reader r(payload);
  e->kind = static_cast<JournalEntryKind>(r.Get<uint8_t>());
  const uint8_t file = r.Get<uint8_t>();
  e->file = static_cast<ResultFileKind>(file);
  e->prior_size = r.Get<int64_t>();
  e->path = r.GetText();
  return r.ok() && r.at_end() && file <= static_cast<uint8_t>(ResultFileKind::kRunRecord);
}

// Adds a record at `index` when it continues (or replaces within) the table.
template <typename T>
void Place(std::vector<T>& table, int32_t index, T value) {
  if (index < 0) return;
  const auto at = static_cast<size_t>(index);
  if (at < table.size()) {
    table[at] = std::move(value);
  } else if (at == table.size()) {
    table.push_back(std::move(value));
  }
}

}  // namespace

char* AppendJournalFrame(std::vector<char>& out, size_t payload_size) {
  const size_t at = out.size();
  out.resize(at + kFrameHeaderBytes + payload_size);
  const auto size32 = static_cast<uint32_t>(payload_size);
  std::memcpy(out.data() + at, &size32, 4);
  return out.data() + at + kFrameHeaderBytes;
}

uint32_t Crc32(const void* data, size_t size) {
  const auto* p = static_cast<const unsigned char*>(data);
  uint32_t c = 0xFFFFFFFFu;
  for (size_t i = 0; i < size; ++i) c = kCrcTable[(c ^ p[i]) & 0xFF] ^ (c >> 8);
  return c ^ 0xFFFFFFFFu;
}

std::string EncodeHeaderFrame(const JournalHeader& header) {
  std::string payload;
  Writer w(payload);
  w.Put(static_cast<uint8_t>(JournalEntryKind::kHeader));
  w.Put(header.format_version);
  w.PutText(header.subject);
  PutTimeFields(w, header.start);
  w.PutText(header.working_directory);
  return Frame(payload);
}

std::string EncodeWriteEventFrame(const JournalWriteEvent& event) {
  std::string payload;
  Writer w(payload);
  w.Put(static_cast<uint8_t>(event.kind));
  w.Put(static_cast<uint8_t>(event.file));
  w.Put(event.prior_size);
  w.PutText(event.path);
  return Frame(payload);
}

void AppendTrialFrame(std::vector<char>& out, int32_t index, const TrialRecord& t) {
  const std::string& text = t.*kTrialRecordText;
  char* p = AppendJournalFrame(out, kTrialFixedPayload + text.size());
  *p++ = static_cast<char>(JournalEntryKind::kTrial);
  p = PutInt(p, index);
  for (const TrialRecordField& f : kTrialRecordFields) {
    if (f.number != nullptr) p = PutInt(p, t.*f.number);
  }
  const auto text_size = static_cast<uint32_t>(text.size());
  std::memcpy(p, &text_size, 4);
  std::memcpy(p + 4, text.data(), text.size());
}

void AppendSampleFrame(std::vector<char>& out, int32_t index, const BodySample& sample) {
  char* p = AppendJournalFrame(out, kSamplePayload);
  *p++ = static_cast<char>(JournalEntryKind::kSample);
  p = PutInt(p, index);
  std::memcpy(p, &sample, sizeof sample);
}

void FillFrameChecksums(std::span<char> frames) {
  size_t at = 0;
  while (at + kFrameHeaderBytes <= frames.size()) {
    uint32_t size = 0;
    std::memcpy(&size, frames.data() + at, 4);
    if (at + kFrameHeaderBytes + size > frames.size()) break;
    const uint32_t crc = Crc32(frames.data() + at + kFrameHeaderBytes, size);
    std::memcpy(frames.data() + at + 4, &crc, 4);
    at += kFrameHeaderBytes + size;
  }
}

JournalParseResult ParseJournal(std::string_view bytes, JournalContents* out) {
  *out = JournalContents{};
  if (bytes.substr(0, kJournalMagic.size()) != kJournalMagic) {
    return JournalParseResult::kNotAJournal;
  }
  size_t at = kJournalMagic.size();
  bool have_header = false;
  while (true) {
    if (bytes.size() - at < kFrameHeaderBytes) break;
    uint32_t size = 0, crc = 0;
    std::memcpy(&size, bytes.data() + at, 4);
    std::memcpy(&crc, bytes.data() + at + 4, 4);
    // An empty payload is never written: a run of zero bytes (an unwritten block
    // after a power cut) would otherwise pass as a frame with checksum 0.
    if (size == 0 || size > kMaxFramePayloadBytes || bytes.size() - at - kFrameHeaderBytes < size) {
      break;
    }
    const std::string_view payload = bytes.substr(at + kFrameHeaderBytes, size);
    if (Crc32(payload.data(), payload.size()) != crc) break;

    const auto kind = static_cast<JournalEntryKind>(payload[0]);
    bool ok = true;
    if (!have_header) {
      ok = have_header = ParseHeader(payload, &out->header);
    } else if (kind == JournalEntryKind::kTrial) {
      int32_t index = 0;
      TrialRecord record;
      ok = ParseTrial(payload, &index, &record);
      if (ok && index < kTrialRecordCapacity) Place(out->trials, index, std::move(record));
    } else if (kind == JournalEntryKind::kSample) {
      ok = payload.size() == kSamplePayload;
      if (ok) {
        int32_t index = 0;
        BodySample sample;
        std::memcpy(&index, payload.data() + 1, 4);
        std::memcpy(&sample, payload.data() + 5, sizeof sample);
        if (index < kMaxSampleCount) Place(out->samples, index, sample);
      }
    } else if (kind == JournalEntryKind::kWriteBegin || kind == JournalEntryKind::kWriteDone) {
      JournalWriteEvent event;
      ok = ParseWriteEvent(payload, &event);
      if (ok) out->write_events.push_back(std::move(event));
    } else {
      ok = ParseTimingEntry(payload, &out->timing);
    }
    if (!ok) break;
    at += kFrameHeaderBytes + size;
  }
  out->valid_bytes = have_header ? at : 0;
  out->torn_tail = at < bytes.size();
  return have_header ? JournalParseResult::kOk : JournalParseResult::kNoHeader;
}
