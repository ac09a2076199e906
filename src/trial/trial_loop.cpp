#include "trial/trial_loop.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>

#include "platform/data_paths.h"
#include "platform/thread_scheduling.h"
#include "results/record_sink.h"
#include "stage/stage_surface.h"
#include "state/record_fields.h"
#include "trial/active_target.h"
#include "trial/pass_trace.h"
#include "trial/response_rules.h"
#include "trial/run_timing_recorder.h"
#include "trial/stage_frame.h"
#include "trial/target_placement.h"

namespace {

constexpr int32_t kSlotNone = -1;

// What a run keeps from pass to pass; times are pass clock values in ms.
struct LoopState {
  LoopState(const RunState& run_state, TrialPorts& ports) : run(run_state), timing(ports, run) {}
  const RunState& run;
  RunTimingRecorder timing;
  int32_t clock_ms = 0;  // the pass clock
  Target target;
  int32_t rt_ms = 0;  // nonzero exactly while the pause after a pop lasts
  int32_t hit_clock_ms = 0;
  int32_t feedback_end_ms = 0;  // end of that pause
  int32_t hit_slot = kSlotNone;
  const char* resp = "";
  bool aborted = false;
  // Found once per run: the working directory's stim/ or the installed copy.
  std::string pop_sound_path = FindDataFile(kPopSoundPath).path;
};

void Publish(const LoopState& s, bool running) {
  const Target& target = s.target;
  PublishActiveTarget(ActiveTargetSnapshot{target.shown, target.target_x, target.target_y,
                                           target.tgthand, s.run.settings.janken,
                                           s.run.settings.mirror, running});
}

void StoreSample(const LoopState& s, const TrackedBody& body, RecordSink* sink) {
  int32_t& sample_count = s.run.sample_count;
  const int32_t index = sample_count;
  BodySample& out = s.run.body_samples[index];
  out.count = index + 1;
  out.clock = s.clock_ms;
  out.trial = s.run.trial_count;
  out.tgthand = s.target.tgthand;
  out.target_x = s.target.target_x;
  out.target_y = s.target.target_y;
  CopyBodyFields(body, kBodySampleFields, out);
  // Past the cap every further sample lands in the last entry, which is never written out.
  sample_count = std::min(sample_count + 1, kMaxSampleCount);
  if (sink != nullptr) sink->OnSampleStored(index, out);
}

void StoreTrialRecord(const LoopState& s, RecordSink* sink) {
  const int32_t index = s.run.trial_count;
  const TrackedBody& body = s.run.tracked_bodies[s.hit_slot];
  TrialRecord& out = s.run.trial_records[index];
  out.trial = index;
  out.cond_j = s.run.settings.janken;
  out.cond_m = s.run.settings.mirror;
  out.tgthand = s.target.tgthand;
  out.tgt_x = (s.target.hit_rect.left + s.target.hit_rect.right) / 2;
  out.tgt_y = (s.target.hit_rect.top + s.target.hit_rect.bottom) / 2;
  CopyBodyFields(body, kTrialRecordFields, out);
  out.resp = s.resp;
  out.rt = s.rt_ms;
  out.totalrt = index == 0 ? 0 : s.hit_clock_ms;
  ++s.run.trial_count;
  if (sink != nullptr) sink->OnTrialStored(index, out);
}

// The record, then its timing.
void StoreTrial(LoopState& s, RecordSink* sink) {
  const int32_t index = s.run.trial_count;
  StoreTrialRecord(s, sink);
  s.timing.StoreTrial(index, s.target.onset, s.hit_clock_ms, s.rt_ms);
}

// Test for pops by every processed body and sample it; the pause after a pop
// tests nothing and samples nothing.
void TestBodies(LoopState& s, TrialPorts& ports) {
  for (int32_t i = 0; i < kBodySlotCount; ++i) {
    TrackedBody& body = s.run.tracked_bodies[i];
    if (!IsProcessedSlot(body, s.run.settings)) continue;
    if (s.run.settings.mirror == 0) MirrorJoints(body);
    s.timing.OnTested(i, body, s.target.hit_rect);
    if (const char* site = HitTest(body, s.target, s.run.settings)) {
      // A later slot that also hits in this pass overwrites the values of this one.
      ports.sound.PlayAsync(s.pop_sound_path);
      s.rt_ms = s.clock_ms - s.target.onset;
      s.hit_clock_ms = s.clock_ms;
      s.feedback_end_ms = s.clock_ms + kPauseAfterPop_ms;
      s.hit_slot = i;
      s.target.shown = 0;
      s.resp = site;
      s.timing.OnPop(i, site);
    }
    StoreSample(s, body, ports.record_sink);
  }
}

void RunStart(LoopState& s, TrialPorts& ports) {
  ports.clock.InstallIdleHook();
  if (!ports.clock.IsRunning()) ports.clock.Start();
  s.run.sample_count = 0;
  s.target.onset = 0;
  ports.stage.ClearTexture(0);
  for (TrackedBody& body : s.run.tracked_bodies) {
    body.tracked = 0;
    body.hand_lx = body.hand_ly = -1;
    body.hand_rx = body.hand_ry = -1;
  }
  s.rt_ms = 0;
  s.target.tgthand = 0;
  s.target.shown = 0;
  s.target.hit_rect = HitRect{};
  ports.stage.ClearInput();
  ports.clock.Reset();
  s.clock_ms = 0;
  s.timing.OnRunStart();
  Publish(s, true);
}

// Ends the run's use of the clock also when a pass throws, so no timer thread
// keeps running behind an error message.
class RunEndGuard {
 public:
  RunEndGuard(TrialPorts& ports, const LoopState& s) : ports_(ports), s_(s) {}
  ~RunEndGuard() {
    if (ports_.clock.IsRunning()) ports_.clock.Stop();
    ports_.clock.RemoveHook();
    Publish(s_, false);
  }
  RunEndGuard(const RunEndGuard&) = delete;
  RunEndGuard& operator=(const RunEndGuard&) = delete;

 private:
  TrialPorts& ports_;
  const LoopState& s_;
};

// Whether the run ends before this pass: the time limit counts only from two
// pops on; a full trial table ends the run the same way.
bool RunIsOver(const LoopState& s) {
  const int32_t trials = s.run.trial_count;
  if (trials >= kTrialRecordCapacity) return true;
  return trials >= 2 && s.clock_ms > static_cast<int64_t>(s.run.settings.timelimit) * 1000;
}

// The keys, each acted on once per press: the latch is cleared after it.
// Returns false on Esc.
bool HandleKey(LoopState& s, TrialPorts& ports) {
  switch (ports.stage.m_input.key) {
    case VK_ESCAPE:
      ports.stage.ClearInput();
      s.aborted = true;
      return false;
    case VK_M:
      ports.stage.ClearInput();
      s.run.settings.mirror = s.run.settings.mirror == 0 ? 1 : 0;
      Publish(s, true);
      return true;
    case VK_SPACE:
      ports.stage.ClearInput();
      s.run.show_markers = s.run.show_markers == 0 ? 1 : 0;
      return true;
    default:
      return true;
  }
}

void PlaceNextTarget(LoopState& s, TrialPorts& ports) {
  PlaceTarget(s.target, s.run.tracked_bodies, s.run.settings, ports.stage, ports.cursor);
  if (s.run.trial_count == 1) {
    // The first balloon after the start balloon restarts the clock.
    s.target.onset = 0;
    ports.clock.Reset();
  } else {
    s.target.onset = ports.clock.Read();  // afresh, not the pass clock
  }
  s.target.shown = 1;
  s.timing.OnPlaced(s.target.onset);
  Publish(s, true);
}

// The part of a pass that runs only when a new body frame arrived.
void DrawnPass(LoopState& s, TrialPorts& ports) {
  s.timing.OnDrawnPass();
  SelectNearest(s.run.tracked_bodies);
  if (s.rt_ms == 0) {
    TestBodies(s, ports);
    if (s.rt_ms != 0) StoreTrial(s, ports.record_sink);
    if (s.target.shown == 0) Publish(s, true);  // popped
  }
  ComposeFrame(ports.stage, s.run, s.clock_ms, s.target, s.feedback_end_ms);
  if (s.target.shown == 0 && s.clock_ms >= s.feedback_end_ms) {
    s.rt_ms = 0;  // the pause is over; the next pass places a balloon
    s.feedback_end_ms = 0;
  }
  if (s.run.settings.flag_mouse != 0) {
    FollowCursor(s.target, ports.stage, ports.cursor);
    Publish(s, true);
  }
}

}  // namespace

RunEndReason EndReason(const LoopState& s) {
  if (s.aborted) return RunEndReason::kEscape;
  return s.run.trial_count >= kTrialRecordCapacity ? RunEndReason::kTrialLimit
                                                   : RunEndReason::kTimeLimit;
}

int TrialLoop(TrialPorts& ports, const RunState& run) {
  LoopState s(run, ports);
  PassTrace* trace = ports.pass_trace;
  {
    RunEndGuard run_end(ports, s);
    RunStart(s, ports);
    for (;;) {
      if (trace != nullptr) trace->BeginPass(s.clock_ms);
      if (RunIsOver(s)) break;
      if (!HandleKey(s, ports)) break;
      if (s.target.shown == 0 && s.rt_ms == 0) PlaceNextTarget(s, ports);

      if (trace != nullptr) trace->BeforePoll();
      const bool new_frame = ports.update_bodies() == 1;
      if (trace != nullptr) trace->AfterPoll(new_frame);
      // Without a new body frame a pass tests nothing, records nothing, draws nothing.
      if (new_frame) DrawnPass(s, ports);
      if (trace != nullptr) trace->EndPass();
      s.timing.OnPassEnd();

      ports.host.PumpMessages();
      if (trace != nullptr) trace->AfterPump();
      ports.host.Sleep(1);
      s.clock_ms = ports.clock.Read();
    }
    s.timing.OnRunEnd(EndReason(s));
  }
  ports.host.FlushInput();  // keys and clicks still pending from the run are dropped
  return s.aborted ? 0 : 1;
}

int RunTask(TrialPorts& ports, const RunState& run) {
  std::unique_ptr<PassTrace> own_trace;
  std::string trace_path;
  if (ports.pass_trace == nullptr) {
    own_trace = PassTraceFromEnvironment(&trace_path);
    if (own_trace != nullptr) own_trace->frame_ready_source = ports.frame_ready_source;
    ports.pass_trace = own_trace.get();
  }

  run.trial_count = 0;
  // The loop sleeps a millisecond between passes and must wake on time, also
  // while inference and drawing keep every core busy.
  RequestShortTimeSlice();
  ports.cursor.Hide();
  const int result = TrialLoop(ports, run);
  ports.cursor.Show();

  if (own_trace != nullptr) {
    if (!own_trace->WriteCsv(trace_path)) {
      std::fprintf(stderr, "pass trace: cannot write %s\n", trace_path.c_str());
    }
    ports.pass_trace = nullptr;
  }

  char score[128];
  std::snprintf(score, sizeof score, CurrentStageTexts().score_format.c_str(), run.trial_count);
  ports.host.ShowScore(score, kScoreCaption);
  return result;
}
