#pragma once
// Short scheduler time slices for the threads that must wake on time.
//
// On a two-core PC the camera's inference and the software rasteriser keep
// both cores busy; a thread that sleeps for a millisecond then waits for one
// of them to finish its slice (3 to 4 ms measured). Linux 6.12 and later
// (EEVDF) let a thread ask for a shorter slice, which also lets it preempt a
// longer-sliced thread when it wakes; no privilege is needed and the share of
// the CPU stays the same. Older kernels refuse the request: nothing changes.

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
