// Re-analysis of a recorded session, as `tavelin2 --reanalyse` does it:
// frames per second and CPU per frame at the live pose input size and at a
// larger one.
//   BM_Reanalyse/W  one whole run: a session video of 150 pictures of the
//                   street clip (768 x 576, MJPEG), every picture through
//                   pose input W and the hand models, the three files written.
//                   The models are loaded once per run, as on the command line.

#include <benchmark/benchmark.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/reanalyse_run.h"
#include "e2e/recorded_session.h"

namespace {

namespace fs = std::filesystem;
constexpr int kFrames = 150;

// A run of kFrames pictures in a fresh folder; its trial file's path.
std::string MakeSession(const fs::path& dir) {
  fs::create_directories(dir);
  const fs::path stem = dir / "P01_20261210_101500";
  recorded_session::WriteRunFiles(stem);
  const auto pictures = VideoPictures(recorded_session::StreetClip(), kFrames);
  if (WriteMjpegClip(stem.string() + "_V.avi", pictures).size() != size_t(kFrames)) return "";
  recorded_session::WriteFrameTable(stem, kFrames);
  return stem.string() + ".csv";
}

void BM_Reanalyse(benchmark::State& state) {
  if (recorded_session::StreetClip().empty()) {
    state.SkipWithError("the street clip of opencv-doc is not installed");
    return;
  }
  const fs::path dir = fs::temp_directory_path() / "tavelin2-reanalyse-bench";
  fs::remove_all(dir);
  const std::string run = MakeSession(dir / "run");
  if (run.empty()) {
    state.SkipWithError("the session video could not be made");
    return;
  }
  const CameraOverrides overrides = {{"pose_input_width", std::to_string(state.range(0))}};
  std::string error;
  const std::clock_t cpu_start = std::clock();
  int64_t frames = 0;
  for (auto _ : state) {
    const fs::path out = dir / ("out" + std::to_string(frames));
    fs::create_directories(out);
    if (!ReanalyseRun(run, overrides, out.string(), &error)) {
      state.SkipWithError(error.c_str());
      break;
    }
    frames += kFrames;
  }
  const double cpu_ms = 1000.0 * double(std::clock() - cpu_start) / CLOCKS_PER_SEC;
  state.counters["frames_per_s"] = benchmark::Counter(double(frames), benchmark::Counter::kIsRate);
  state.counters["cpu_ms_per_frame"] = frames > 0 ? cpu_ms / double(frames) : 0.0;
  fs::remove_all(dir);
}
BENCHMARK(BM_Reanalyse)->Arg(256)->Arg(384)->Unit(benchmark::kMillisecond)->UseRealTime()
    ->Iterations(2);

}  // namespace

BENCHMARK_MAIN();
