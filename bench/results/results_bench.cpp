// Cost of writing a full run's result files, and of the run journal on the UI
// thread during a drawn pass.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <vector>

#include "results/result_format.h"
#include "results/run_journal.h"
#include "results/run_results.h"

namespace {

namespace fs = std::filesystem;

const LocalDateTime kStart{2016, 3, 5, 9, 7, 2, 0};

// Values of a realistic size: picture-space joints, some untracked (-1).
std::vector<TrialRecord> Trials(int32_t n) {
  std::vector<TrialRecord> t(static_cast<size_t>(n));
  for (int32_t i = 0; i < n; ++i) {
    t[size_t(i)] = {
        i,   1,   i % 2, 72057594 + i, 1 + i % 3, 100 + i % 800, 64 + i % 400,  i % 4,
        300, 310, i % 4, 820,          -1,        "Hand_R",      700 + i % 900, 1000 * i};
  }
  return t;
}

std::vector<BodySample> Samples(int32_t n) {
  std::vector<BodySample> s(static_cast<size_t>(n));
  for (int32_t i = 0; i < n; ++i) {
    int32_t* f = reinterpret_cast<int32_t*>(&s[size_t(i)]);
    f[0] = i + 1;
    f[1] = i / 2 * 33;
    f[2] = i / 60;
    for (int k = 3; k < 41; ++k) f[k] = (k % 9 == 0) ? -1 : (i * 7 + k * 13) % 960;
  }
  return s;
}

struct ScratchDir {
  ScratchDir() {
    char pattern[] = "/tmp/t2-results-bench-XXXXXX";
    path = ::mkdtemp(pattern);
  }
  ~ScratchDir() { fs::remove_all(path); }
  fs::path path;
};

void BM_FormatRows(benchmark::State& state) {
  const auto trials = Trials(kTrialRecordCapacity);
  const auto samples = Samples(kMaxSampleCount);
  size_t bytes = 0;
  for (auto _ : state) {
    std::string trial_rows, body_rows;
    AppendTrialRows(trial_rows, "SBJ0000", kStart, trials);
    AppendBodyRows(body_rows, samples);
    bytes = trial_rows.size() + body_rows.size();
    benchmark::DoNotOptimize(body_rows.data());
  }
  state.SetBytesProcessed(int64_t(bytes) * state.iterations());
  state.counters["file_bytes"] = double(bytes);
}
BENCHMARK(BM_FormatRows)->Unit(benchmark::kMillisecond);

// Both files of a full run, created fresh, synced to disk.
void BM_WriteRunResults10000Trials99999Samples(benchmark::State& state) {
  const auto trials = Trials(kTrialRecordCapacity);
  const auto samples = Samples(kMaxSampleCount);
  ScratchDir dir;
  for (auto _ : state) {
    const RunWriteOutcome outcome =
        WriteRunResults({"SBJ0000", kStart, trials, samples}, {dir.path.string(), {}}, nullptr);
    if (!outcome.both_in_place()) state.SkipWithError("result files not written");
    state.PauseTiming();
    for (const auto& e : fs::directory_iterator(dir.path)) fs::remove(e.path());
    state.ResumeTiming();
  }
}
BENCHMARK(BM_WriteRunResults10000Trials99999Samples)->Unit(benchmark::kMillisecond)->UseRealTime();

// The UI thread's share of a drawn pass: two bodies sampled, a pop every 30th
// pass; the writer thread runs meanwhile as in a real run.
void BM_JournalCostPerDrawnPass(benchmark::State& state) {
  const auto trials = Trials(64);
  const auto samples = Samples(64);
  ScratchDir dir;
  RunJournal journal({dir.path.string()});
  if (!journal.Begin("SBJ0000", kStart, dir.path.string())) {
    state.SkipWithError("no journal");
    return;
  }
  int32_t pass = 0, sample_index = 0, trial_index = 0;
  for (auto _ : state) {
    for (int b = 0; b < 2; ++b) {
      journal.OnSampleStored(sample_index, samples[size_t(sample_index) % samples.size()]);
      sample_index = (sample_index + 1) % kMaxSampleCount;
    }
    if (++pass % 30 == 0) {
      journal.OnTrialStored(trial_index, trials[size_t(trial_index) % trials.size()]);
      trial_index = (trial_index + 1) % kTrialRecordCapacity;
    }
  }
  journal.Discard();
}
BENCHMARK(BM_JournalCostPerDrawnPass);

}  // namespace

BENCHMARK_MAIN();
