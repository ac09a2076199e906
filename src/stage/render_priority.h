#pragma once
// Scheduling of the threads that draw the stage. They run below the thread of
// the trial loop, so that when the cores are short the loop's 1 ms passes come
// first and the stage shows a later frame instead. Lowering a thread needs no
// privileges.

inline constexpr int kRenderNiceness = 10;

// The calling thread to kRenderNiceness (the render thread, at its start).
void LowerCallingThreadPriority();

// Puts the worker threads of Mesa's software rasteriser (llvmpipe) into the
// idle scheduling class. Niceness is not enough for them: they keep every core
// busy, and a nice thread still runs out its time slice before a waking trial
// loop gets the core (a few ms). In the idle class they give it up at once.
// No such threads with a GPU driver: then nothing changes.
void IdleSoftwareRasteriserWorkers();
