// A drawn pass of the trial loop on the real OpenGL stage window, full screen at
// 1920 x 1080: the loop's own work plus text rasterising (QPainter), texture
// uploads, sprite drawing and the buffer swap. CPU time is the calling
// thread's, so Mesa's llvmpipe rasterising threads are not in it; real time
// includes them. Run under xvfb-run -s "-screen 0 1920x1080x24".

#include <benchmark/benchmark.h>

#include <QGuiApplication>

#include "pass_runner.h"
#include "stage/touch_wnd.h"

namespace {

void BM_DrawnPassOnGlStage(benchmark::State& state) {
  CTouchWnd stage;
  if (!stage.CreateEx("Experiment Window", 0, 0, 1920, 1080) || !stage.InitDevice()) {
    state.SkipWithError("no OpenGL stage (run under xvfb-run)");
    return;
  }
  const RunTextures textures = AddRunTextures(stage);
  RunPasses(state, stage, textures, PassOptions{true, static_cast<int32_t>(state.range(0)), false});
  stage.ReleaseTextures();
  stage.DestroyWindow();
}
BENCHMARK(BM_DrawnPassOnGlStage)->ArgName("mirror")->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
