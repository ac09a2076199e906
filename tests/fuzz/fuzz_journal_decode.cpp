// The journal decoder on any bytes: it must stay within them, and what it
// reads, encoded again, must decode to the same contents.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "results/journal_format.h"

namespace {

[[noreturn]] void Broken(const char* what) {
  std::fprintf(stderr, "journal decoder: %s\n", what);
  std::abort();
}

bool SameTrial(const TrialRecord& a, const TrialRecord& b) {
  return a.trial == b.trial && a.cond_j == b.cond_j && a.cond_m == b.cond_m &&
         a.bodyid == b.bodyid && a.tgthand == b.tgthand && a.tgt_x == b.tgt_x &&
         a.tgt_y == b.tgt_y && a.hand_l == b.hand_l && a.hand_lx == b.hand_lx &&
         a.hand_ly == b.hand_ly && a.hand_r == b.hand_r && a.hand_rx == b.hand_rx &&
         a.hand_ry == b.hand_ry && a.resp == b.resp && a.rt == b.rt && a.totalrt == b.totalrt;
}

std::string Encode(const JournalContents& c) {
  std::string out(kJournalMagic);
  out += EncodeHeaderFrame(c.header);
  std::vector<char> frames;
  for (size_t i = 0; i < c.trials.size(); ++i) AppendTrialFrame(frames, int32_t(i), c.trials[i]);
  for (size_t i = 0; i < c.samples.size(); ++i) AppendSampleFrame(frames, int32_t(i), c.samples[i]);
  FillFrameChecksums(frames);
  out.append(frames.data(), frames.size());
  for (const JournalWriteEvent& e : c.write_events) out += EncodeWriteEventFrame(e);
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  JournalContents c;
  const JournalParseResult result = ParseJournal(bytes, &c);
  if (c.valid_bytes > size) Broken("valid_bytes past the end");
  if (result != JournalParseResult::kOk) return 0;
  if (c.torn_tail != (c.valid_bytes < size)) Broken("torn_tail disagrees with valid_bytes");

  const std::string again = Encode(c);
  JournalContents d;
  if (ParseJournal(again, &d) != JournalParseResult::kOk) Broken("re-encoded journal unreadable");
  if (d.torn_tail || d.valid_bytes != again.size()) Broken("re-encoded journal torn");
  if (d.header.subject != c.header.subject ||
      d.header.working_directory != c.header.working_directory ||
      std::memcmp(&d.header.start, &c.header.start, sizeof c.header.start) != 0) {
    Broken("header changed");
  }
  if (d.trials.size() != c.trials.size() || d.samples.size() != c.samples.size() ||
      d.write_events.size() != c.write_events.size()) {
    Broken("record count changed");
  }
  for (size_t i = 0; i < c.trials.size(); ++i) {
    if (!SameTrial(c.trials[i], d.trials[i])) Broken("trial changed");
  }
  if (!c.samples.empty() &&
      std::memcmp(c.samples.data(), d.samples.data(), c.samples.size() * sizeof(BodySample)) != 0) {
    Broken("sample changed");
  }
  for (size_t i = 0; i < c.write_events.size(); ++i) {
    const JournalWriteEvent &a = c.write_events[i], &b = d.write_events[i];
    if (a.kind != b.kind || a.file != b.file || a.path != b.path || a.prior_size != b.prior_size) {
      Broken("write event changed");
    }
  }
  return 0;
}
