#pragma once
// The share of the CPU the threads that draw the stage get. With a GPU they
// need little; with a software rasteriser (Mesa llvmpipe) drawing a frame
// costs milliseconds of CPU, and on a two-core lab PC the camera's inference
// wants the same cores. At idle priority the rasteriser ran only when
// inference paused, and most pictures never reached the screen; unbounded,
// it would take every core. So: the render thread at normal priority, a
// rasteriser thread count chosen for the cores, and its threads a little
// below normal, so that the trial loop's 1 ms passes (normal priority,
// sleeping most of the time) still get a core as soon as they wake.

#include <cstdint>

inline constexpr int kRasteriserNiceness = 2;

// The number of llvmpipe rasteriser threads for a machine with `cores`
// cores: half of them, at least one.
int32_t RasteriserThreadsFor(int32_t cores);

// Sets LP_NUM_THREADS for this machine unless the user set it. llvmpipe
// reads it when the first OpenGL context of the process is made, so this runs
// before that, once, while the process is still single-threaded (the stage
// window object is built during static initialisation).
void ChooseSoftwareRasteriserThreads();

// Puts the worker threads of Mesa's software rasteriser (llvmpipe) at
// kRasteriserNiceness in the normal scheduling class. No such threads with a
// GPU driver: then nothing changes.
void BoundSoftwareRasteriserWorkers();
