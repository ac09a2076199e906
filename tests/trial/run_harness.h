#pragma once
// A whole run without a window: a fake clock that only the fake sleep advances
// (1 ms per pass unless told otherwise), scripted bodies, scripted keys, the
// recording stage, and fakes that log what the run did to cursor, sound, clock
// and host in one event list.
//
// The run works on state of its own (h.run), never on the program-wide state.
//
//   RunHarness h;                       // fresh run state, textures loaded
//   h.bodies = [&](int pass) { ...fill h.run.tracked_bodies...; return 1; };
//   h.PressKeyAfterPass(3200, VK_ESCAPE);
//   int result = h.Run();               // RunTask with the fakes

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "results/record_sink.h"
#include "state/body_vocabulary.h"
#include "state/message_box.h"
#include "state/random.h"
#include "support/own_run_state.h"
#include "support/recording_stage.h"
#include "trial/trial_loop.h"
#include "trial/trial_ports.h"

class FakeClock : public RunClock {
 public:
  explicit FakeClock(std::vector<std::string>& log) : log_(log) {}
  bool IsRunning() const override { return running; }
  void Start() override {
    log_.push_back("clock.start");
    running = true;
  }
  void Stop() override {
    log_.push_back("clock.stop");
    running = false;
  }
  int32_t Read() const override { return now_ms; }
  void Reset() override {
    log_.push_back("clock.reset");
    now_ms = 0;
    reset_at_ns = monotonic_ns;
  }
  void InstallIdleHook() override {
    log_.push_back("hook.install");
    hook = true;
  }
  void RemoveHook() override {
    log_.push_back("hook.remove");
    hook = false;
  }
  // Time passes only while the clock runs, as with the real timer; the
  // monotonic time always does.
  void Advance(int32_t ms) {
    if (running) now_ms += ms;
    monotonic_ns += int64_t{ms} * 1000000;
  }
  int64_t Now_ns() const override { return monotonic_ns; }
  int64_t ResetAt_ns() const override { return reset_at_ns; }

  int32_t now_ms = 0;
  int64_t monotonic_ns = 5'000'000'000;  // a made-up CLOCK_MONOTONIC
  int64_t reset_at_ns = 0;
  bool running = false;
  bool hook = false;

 private:
  std::vector<std::string>& log_;
};

class FakeCursor : public CursorPort {
 public:
  explicit FakeCursor(std::vector<std::string>& log) : log_(log) {}
  void Hide() override { log_.push_back("cursor.hide"); }
  void Show() override { log_.push_back("cursor.show"); }
  void SetPos(int32_t x, int32_t y) override {
    moves.push_back({x, y});
    pos = {x, y};
    if (on_set_pos) on_set_pos();
  }
  ScreenPoint GetPos() const override { return pos; }

  std::vector<ScreenPoint> moves;
  ScreenPoint pos;
  std::function<void()> on_set_pos;  // e.g. a clock tick while a balloon is placed

 private:
  std::vector<std::string>& log_;
};

class FakeSound : public SoundPort {
 public:
  void PlayAsync(const std::string& path) override { played.push_back(path); }
  std::vector<std::string> played;
};

class FakeHost : public HostPort {
 public:
  FakeHost(std::vector<std::string>& log, FakeClock& clock) : log_(log), clock_(clock) {}
  void PumpMessages() override {
    if (on_pump) on_pump(pumps);
    ++pumps;
  }
  void FlushInput() override { log_.push_back("flush"); }
  void Sleep(int32_t duration_ms) override { clock_.Advance(duration_ms * sleep_scale); }
  void ShowScore(const std::string& text, const std::string& caption) override {
    log_.push_back("score:" + caption + ":" + text);
  }

  int pumps = 0;
  int32_t sleep_scale = 1;  // clock milliseconds per requested millisecond
  std::function<void(int pump)> on_pump;

 private:
  std::vector<std::string>& log_;
  FakeClock& clock_;
};

// Checks that each record handed over is already stored where the index says.
class RecordingSink : public RecordSink {
 public:
  explicit RecordingSink(const RunState& run) : run_(run) {}
  void OnTrialStored(int32_t index, const TrialRecord& record) override {
    trial_indexes.push_back(index);
    stored_in_place = stored_in_place && &record == &run_.trial_records[index];
  }
  void OnSampleStored(int32_t index, const BodySample& sample) override {
    sample_indexes.push_back(index);
    stored_in_place = stored_in_place && &sample == &run_.body_samples[index];
  }
  void OnTimingStored(int32_t index, const TrialTiming& timing) override {
    timings.push_back({index, timing});
  }
  void OnDrawnPass(const DrawnPassFacts& facts) override { drawn_passes.push_back(facts); }
  std::vector<std::pair<int32_t, TrialTiming>> timings;
  std::vector<DrawnPassFacts> drawn_passes;
  std::vector<int32_t> trial_indexes;
  std::vector<int32_t> sample_indexes;
  bool stored_in_place = true;

 private:
  const RunState& run_;
};

// Texture indexes as the experiment driver creates them.
inline constexpr int kBodyTexture = 1;
inline constexpr int kBalloonTexture0 = 2;
inline constexpr int kBurstTexture = 6;

class RunHarness {
 public:
  // with_textures false: no texture at all, so a frame costs next to nothing
  // (for runs of many thousand passes).
  explicit RunHarness(bool with_textures = true, uint32_t seed = 1) {
    SeedRandom(seed);
    RunTextures& textures = run.textures;
    if (with_textures) {
      stage.InitLikeDevice(1920, 1080);
      textures.body = stage.AddTexture(960, 540, D3DFMT_X8R8G8B8);
      for (int i = 0; i < 4; ++i) {
        const std::string path = "stim/balloon" + std::to_string(i) + ".png";
        stage.AddImage(path, 128, 128);
        textures.balloons[i] = stage.LoadTexture(path);
      }
      stage.AddImage("stim/bomb.png", 128, 128);
      textures.burst = stage.LoadTexture("stim/bomb.png");
    } else {
      stage.m_windowWidth = 1920;
      stage.m_windowHeight = 1080;
      stage.UpdateViewport();
      textures.body = kBodyTexture;
      for (int i = 0; i < 4; ++i) textures.balloons[i] = kBalloonTexture0 + i;
      textures.burst = kBurstTexture;
    }
    host.on_pump = [this](int pump) {
      auto key = keys.find(pump);
      if (key != keys.end()) stage.m_input.key = key->second;
    };
  }

  // The key is down from the message pump of that pass on (seen by the next pass).
  void PressKeyAfterPass(int pass, int32_t key) { keys[pass] = key; }

  int Run() {
    TrialPorts ports{stage, [this] { return bodies(update_calls++); }, clock, cursor, sound, host,
                     &sink};
    ports.frame_info = frame_info;
    return RunTask(ports, run);
  }

 private:
  std::unique_ptr<OwnRunState> own_ = std::make_unique<OwnRunState>();

 public:
  RunState run = own_->View();  // what the run works on; textures set above
  std::vector<std::string> log;
  RecordingStage stage;
  FakeClock clock{log};
  FakeCursor cursor{log};
  FakeSound sound;
  FakeHost host{log, clock};
  RecordingSink sink{run};
  std::map<int, int32_t> keys;  // pump number -> key code set into the latch
  int update_calls = 0;
  // Pass number (from 0) -> 1 for a new body frame; fills run.tracked_bodies.
  std::function<int(int pass)> bodies = [](int) { return 0; };
  FrameInfoPort* frame_info = nullptr;  // told to the run when set
};

// A tracked body with every joint at (-1, -1): never near a balloon, never
// inside one.
inline TrackedBody AwayBody(int32_t id, double head_dist = 2.0) {
  TrackedBody b;
  b.tracked = 1;
  b.id = id;
  b.head_dist = head_dist;
  for (const BodyJoint& joint : kBodyJoints) {
    b.*joint.x = -1;
    b.*joint.y = -1;
  }
  return b;
}
