// CPU cost of one pass of the trial loop at 1920 x 1080 on a stage without a
// window: a drawn pass (hit tests, samples, the frame with the real pixel
// operations: text layer clear and copy, mirror) and a pass without a new
// frame. Sleeping, the sensor's picture copy, text rasterising and GPU work are
// not part of it (trial_pass_gl_bench adds the OpenGL stage).

#include <benchmark/benchmark.h>

#include "pass_runner.h"

namespace {

void BM_DrawnPass(benchmark::State& state) {
  HeadlessStage stage(1920, 1080);
  RunPasses(state, stage, stage.textures,
            PassOptions{true, static_cast<int32_t>(state.range(0)), false});
}
BENCHMARK(BM_DrawnPass)->ArgName("mirror")->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

// The same passes without the run's timing record, for the cost of keeping it.
void BM_DrawnPassUntimed(benchmark::State& state) {
  HeadlessStage stage(1920, 1080);
  RunPasses(state, stage, stage.textures, PassOptions{true, 1, false, false});
}
BENCHMARK(BM_DrawnPassUntimed)->Unit(benchmark::kMicrosecond);

void BM_PassWithoutFrameUntimed(benchmark::State& state) {
  HeadlessStage stage(1920, 1080);
  RunPasses(state, stage, stage.textures, PassOptions{false, 1, false, false});
}
BENCHMARK(BM_PassWithoutFrameUntimed)->Unit(benchmark::kNanosecond);

void BM_PassWithoutFrame(benchmark::State& state) {
  HeadlessStage stage(1920, 1080);
  RunPasses(state, stage, stage.textures, PassOptions{false, 1, false});
}
BENCHMARK(BM_PassWithoutFrame)->Unit(benchmark::kNanosecond);

void BM_PassWithoutFrameTraced(benchmark::State& state) {
  HeadlessStage stage(1920, 1080);
  RunPasses(state, stage, stage.textures, PassOptions{false, 1, true});
}
BENCHMARK(BM_PassWithoutFrameTraced)->Unit(benchmark::kNanosecond);

}  // namespace

BENCHMARK_MAIN();
