#include "latency/latency_test_loop.h"

#include <algorithm>
#include <deque>
#include <string>

#include "latency/screen_timeline.h"
#include "stage/stage_surface.h"
#include "state/message_box.h"
#include "state/translate_noop.h"
#include "trial/trial_ports.h"

namespace {

constexpr uint32_t kOpaqueWhite = 0xFFFFFFFF;
constexpr uint32_t kTextColour = 0x808080;  // grey: readable on black and on white
constexpr int32_t kTextHeight = 32;
// After the lead-out, presentations still not known by then are given up.
constexpr int64_t kSettle_ns = 1'000'000'000;
// A change the stage has not reported presented by then counts from its hand-over.
constexpr int64_t kPresentTimeout_ns = 1'000'000'000;
constexpr int64_t kNsPerMs = 1'000'000;

std::string StageText(size_t flash, size_t count) {
  return MessageText(QT_TRANSLATE_NOOP("Message", "遅延テスト: フラッシュ %1 / %2（Esc で終了）"),
                     {std::to_string(flash), std::to_string(count)});
}

// Puts black or white frames on the stage and learns when each was presented.
class FlashStage {
 public:
  FlashStage(LatencyTestPorts& ports, int texture) : ports_(ports), texture_(texture) {}

  // Shows the canvas white or black with `text`; the presentation time goes
  // to *presented_ns once it is known (it stays 0 when the frame never is).
  void Show(bool white, const std::string& text, int64_t* presented_ns) {
    StageSurface& stage = ports_.stage;
    stage.m_fontHeight = kTextHeight;
    stage.m_textColor = kTextColour;
    stage.ClearTexture(0);
    stage.RenderText(0, text, nullptr, 0);
    const uint64_t number = stage.NextFrameNumber();
    stage.BeginFrame();
    if (white) stage.DrawSprite(texture_, 0.0f, 0.0f, kOpaqueWhite);
    stage.DrawSprite(0, 0.0f, 0.0f, kOpaqueWhite);
    stage.EndFrame();
    if (number != 0)
      pending_.push_back({number, presented_ns, white ? 1.0f : 0.0f, ports_.now_ns()});
  }

  // How long frames took lately from being handed over to their presentation:
  // the shortest of the last few, as a stall only ever lengthens it; 0 before
  // the first.
  int64_t PresentDelay_ns() const {
    return delays_.empty() ? 0 : *std::min_element(delays_.begin(), delays_.end());
  }

  // Takes up the presentations logged since; true when none is outstanding.
  bool Learn() {
    const int64_t asked_at = ports_.now_ns();
    while (!pending_.empty()) {
      const Pending& frame = pending_.front();
      uint64_t number = 0;
      int64_t ns = 0;
      if (!ports_.stage.FirstPresentedFrom(frame.number, &number, &ns)) break;
      // A frame replaced by the next change before it was drawn was never shown.
      const bool replaced = pending_.size() > 1 && number >= pending_[1].number;
      if (!replaced) {
        *frame.presented_ns = ns;
        if (ports_.screen != nullptr) ports_.screen->Shown(ns, frame.brightness);
        delays_.push_back(ns - frame.handed_ns);
        if (delays_.size() > kDelaysKept) delays_.pop_front();
      }
      pending_.pop_front();
    }
    // A frame still outstanding was not presented before asked_at.
    if (ports_.screen != nullptr) ports_.screen->KnownUntil(asked_at);
    return pending_.empty();
  }

 private:
  struct Pending {
    uint64_t number;
    int64_t* presented_ns;
    float brightness;
    int64_t handed_ns;
  };
  static constexpr size_t kDelaysKept = 9;
  LatencyTestPorts& ports_;
  int texture_;
  std::deque<Pending> pending_;
  std::deque<int64_t> delays_;
};

}  // namespace

int AddFlashTexture(StageSurface& stage) {
  const int index = stage.AddTexture(stage.m_canvasWidth, stage.m_canvasHeight, D3DFMT_X8R8G8B8);
  if (index < 0 || !stage.LockTexture(index)) return -1;
  TextureEntry& entry = stage.m_textures[index];
  std::fill(entry.pixels.begin(), entry.pixels.end(), kOpaqueWhite);
  stage.UnlockTexture(index);
  return index;
}

LatencyTestRecording RunLatencyTest(LatencyTestPorts& ports, int flash_texture,
                                    std::span<const PlannedFlash> plan) {
  LatencyTestRecording rec;
  rec.flashes.resize(plan.size());  // never resized again: FlashStage keeps pointers into it
  FlashStage stage(ports, flash_texture);
  const size_t count = plan.size();
  stage.Show(false, StageText(0, count), &rec.start_ns);

  size_t next = 0;  // the flash to come, or the one up while white
  bool white = false;
  int64_t changed_at = ports.now_ns();      // the last change handed over
  const int64_t* shown_ns = &rec.start_ns;  // ... and where its presentation goes
  int64_t period_ns = 0, last_capture_ns = 0;
  // Waits and holds count from a change's presentation, so a stage that falls
  // behind (a loaded machine) still shows each white and black as long as
  // planned; a stage that does not tell is taken at its hand-over.
  const auto on_screen_since = [&](int64_t now) -> int64_t {
    if (*shown_ns != 0) return *shown_ns;
    return now - changed_at >= kPresentTimeout_ns ? changed_at : 0;
  };
  for (;;) {
    ports.host.PumpMessages();
    if (ports.stage.m_input.key == VK_ESCAPE) {
      rec.stopped = true;
      break;
    }
    PictureSample picture;
    if (ports.pictures.Take(&picture)) {
      rec.pictures.push_back(picture);
      last_capture_ns = picture.captured_ns;
    }
    const bool settled = stage.Learn();
    const int64_t now = ports.now_ns();
    const int64_t since = on_screen_since(now);
    if (since == 0) {
      // the last change is not on the screen yet
    } else if (white) {
      if (now + stage.PresentDelay_ns() - since >= kFlashHold_ms * kNsPerMs) {
        shown_ns = &rec.flashes[next].dark_ns;
        stage.Show(false, StageText(next + 1, count), &rec.flashes[next].dark_ns);
        white = false;
        changed_at = now;
        ++next;
        period_ns = CameraPeriod_ns(rec.pictures);
      }
    } else if (next < count) {
      if (period_ns == 0) period_ns = CameraPeriod_ns(rec.pictures);
      // The flip's presentation, not its hand-over, is what lands on the phase.
      const int64_t earliest = since + plan[next].wait_ms * kNsPerMs;
      const int64_t present_at = now + stage.PresentDelay_ns();
      if (present_at >= FlipMoment(earliest, last_capture_ns, period_ns, plan[next].phase)) {
        shown_ns = &rec.flashes[next].flip_ns;
        stage.Show(true, StageText(next + 1, count), &rec.flashes[next].flip_ns);
        white = true;
        changed_at = now;
      }
    } else if (now - since >= kLeadOut_ms * kNsPerMs &&
               (settled || now - since >= kLeadOut_ms * kNsPerMs + kSettle_ns)) {
      break;
    }
    ports.host.Sleep(1);
  }
  stage.Learn();
  if (rec.stopped) rec.flashes.resize(next);  // the flashes ended so far
  return rec;
}
