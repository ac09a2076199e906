#pragma once
// The small interfaces through which a run reaches the world outside the trial
// engine. The engine itself is Qt-free and OpenGL-free; the Qt front end hands it
// real implementations, the tests hand it fakes (a fake clock that the fake
// sleep advances, scripted bodies, a recording stage), so a whole run is tested
// without a window.
//
// Everything here is called on the thread that runs the experiment (the UI
// thread), from inside the trial loop. None of these calls may block except
// HostPort::Sleep and the frame presentation inside StageSurface::EndFrame; the
// score box is shown after the loop has ended.

#include <cstdint>
#include <functional>
#include <string>

class StageSurface;
class RecordSink;
class PassTrace;

// The run's millisecond clock (the real one wraps MsTimer). Counts are
// milliseconds since the last reset, as signed 32-bit integers.
class RunClock {
 public:
  virtual ~RunClock() = default;
  virtual bool IsRunning() const = 0;
  virtual void Start() = 0;          // does nothing while running
  virtual void Stop() = 0;           // does nothing while stopped
  virtual int32_t Read() const = 0;  // the current count
  virtual void Reset() = 0;          // count := 0
  // The hook the timer thread calls after every tick: the run installs one that
  // does nothing while it uses the clock and removes it at the end.
  virtual void InstallIdleHook() = 0;
  virtual void RemoveHook() = 0;
  // CLOCK_MONOTONIC now, and at the last Reset (0: not known), in ns: they put
  // times taken elsewhere (a picture's capture, a frame's presentation) on the
  // run clock. A fake clock gives a made-up monotonic time of its own.
  virtual int64_t Now_ns() const;
  virtual int64_t ResetAt_ns() const { return 0; }
};

// What the sensor side can tell a run about the frames it takes, for the
// timing file and the run record. Counts are since the sensor was opened.
class FrameInfoPort {
 public:
  virtual ~FrameInfoPort() = default;
  // When the picture of the frame set the last successful update took was
  // captured (CLOCK_MONOTONIC ns); 0 when the sensor did not say.
  virtual int64_t PictureCaptured_ns() const = 0;
  virtual uint64_t PicturesCaptured() const = 0;  // by the device, shown or not
  virtual uint64_t PicturesShown() const = 0;     // taken into the body texture
  virtual uint64_t BodyFramesTaken() const = 0;
};

struct ScreenPoint {
  int32_t x = 0, y = 0;
};

// The mouse cursor, in screen pixels (the stage window covers the screen from
// its origin, so screen pixels are window pixels).
class CursorPort {
 public:
  virtual ~CursorPort() = default;
  virtual void Hide() = 0;  // for the whole run
  virtual void Show() = 0;
  virtual void SetPos(int32_t x, int32_t y) = 0;
  virtual ScreenPoint GetPos() const = 0;
};

// The pop sound. PlayAsync starts the file and returns at once; a missing file or
// audio device is silently ignored and never stalls the loop.
class SoundPort {
 public:
  virtual ~SoundPort() = default;
  virtual void PlayAsync(const std::string& path) = 0;
};

// The window system around the stage.
class HostPort {
 public:
  virtual ~HostPort() = default;
  // Serves every pending window event (keys reach the stage's input latch here).
  virtual void PumpMessages() = 0;
  // Drops pending key and mouse input without acting on it.
  virtual void FlushInput() = 0;
  virtual void Sleep(int32_t duration_ms) = 0;
  // A modal box with an OK button, owned by the stage window; returns when closed.
  virtual void ShowScore(const std::string& text, const std::string& caption) = 0;
};

struct TrialPorts {
  StageSurface& stage;
  // Takes the newest sensor frames into the run's body texture and body slots;
  // 1 when a new body frame arrived (the real one is UpdateBodies(experiment_window)).
  std::function<int()> update_bodies;
  RunClock& clock;
  CursorPort& cursor;
  SoundPort& sound;
  HostPort& host;
  // Told of every trial record and body sample right after it is stored; may be null.
  RecordSink* record_sink = nullptr;
  // Per-pass timestamps for timing analysis; may be null. When null, RunTask
  // records one on its own if the environment variable named in pass_trace.h is set.
  PassTrace* pass_trace = nullptr;
  // When set, the monotonic time (ns) at which the sensor published its newest
  // frame; a trace RunTask records on its own uses it to measure frame take-up.
  std::function<int64_t()> frame_ready_source = nullptr;
  // The frames behind update_bodies, for the run's timing; may be null (the
  // capture times are then unknown).
  FrameInfoPort* frame_info = nullptr;
};
