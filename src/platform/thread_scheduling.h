#pragma once
// How the scheduler treats the program's threads, so that the ones that must
// wake on time (the 1 ms timer, the trial loop) get a core at once while the
// ones that only need throughput (drawing, decoding, inference) fill the
// rest. On a two-core PC those keep both cores busy; the trial loop, woken
// after its 1 ms sleep or handing a frame to the render thread, then waited
// for one of them to finish its slice (3 to 5 ms measured).
//
// Two means, neither needing a privilege nor changing a thread's share of the
// CPU:
// - Throughput threads run as SCHED_BATCH: a batch thread that wakes never
//   preempts a running one, so handing the render thread a frame no longer
//   hands it the loop's core.
// - The timely threads ask for short slices (Linux 6.12 and later, EEVDF),
//   which lets them preempt a longer-sliced thread when they wake. Older
//   kernels refuse: nothing changes.

#include <cstdint>

// Set (to anything) to keep the kernel's default slices, for comparing.
inline constexpr const char* kKeepDefaultSliceEnv = "TAVELIN2_DEFAULT_SLICE";

// Default slice asked for by the 1 ms timer, the trial loop and the render thread.
inline constexpr uint64_t kShortSliceNs = 300'000;

// Asks the scheduler to give the calling thread slices of `slice_ns`
// nanoseconds (0.1 to 100 ms), keeping its policy (SCHED_OTHER) and nice
// value. False when the kernel refuses (older kernel, or the thread is not
// SCHED_OTHER); the thread then runs as before.
bool RequestShortTimeSlice(uint64_t slice_ns = kShortSliceNs);

// The calling thread's slice as the kernel reports it, ns; 0 when unknown.
uint64_t CurrentTimeSlice();

// Moves the calling thread from SCHED_OTHER to SCHED_BATCH (same nice value).
// False when it is in another class or the kernel refuses; it then stays.
bool RunAsBatchThread();
// The same for thread `tid` of this process.
bool RunAsBatchThread(int tid);

// Sets the calling thread's nice value (only this thread's, not the
// process's). Raising it needs no privilege; false when refused.
bool LowerThreadPriority(int nice);
