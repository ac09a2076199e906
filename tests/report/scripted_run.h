#pragma once
// A run with known figures, written with the program's own result file writer
// into a scratch folder and read back: trial 0 (RT 1500 ms) and four trials
// with RTs 800, 1000, 1200 and 3000 ms, one camera frame every 100 ms while a
// balloon is up, the child (body 7) in every frame unless told otherwise, and
// a parent (body 9) in some.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "results/result_file_reader.h"
#include "results/run_results.h"

namespace report_test {

namespace fs = std::filesystem;

inline const LocalDateTime kStart{2026, 12, 10, 10, 15, 0, 0};
inline constexpr int32_t kChild = 7;
inline constexpr int32_t kParent = 9;

struct ScriptedTrial {
  int32_t rt, totalrt, cond_m;
  const char* resp;
};
// Onsets on the restarted clock: 0, 1800, 3800, 6000 (each pop + 1000 ms).
inline const ScriptedTrial kTrials[] = {
    {1500, 0, 1, "Hand_R"}, {800, 800, 1, "Hand_L"}, {1000, 2800, 1, "Head"},
    {1200, 5000, 0, "Hand_R"}, {3000, 9000, 0, "Hand_L"},
};

inline BodySample Sample(int32_t clock, int32_t trial, int32_t id) {
  BodySample s;
  int32_t* fields = &s.spine_base_x;
  for (int k = 0; k < 34; ++k) fields[k] = 100 + k;  // every joint tracked
  s.clock = clock;
  s.trial = trial;
  s.id = id;
  s.target_x = 200 + trial;
  s.target_y = 300;
  s.head_x = 410 + trial;
  s.head_y = 120;
  return s;
}

// `child_in(trial, clock)` says whether the child is in that frame.
inline RunResults ScriptedRun(std::vector<TrialRecord>* trials, std::vector<BodySample>* samples,
                              const std::function<bool(int32_t, int32_t)>& child_in) {
  trials->clear();
  samples->clear();
  int32_t onset = 0;
  for (int32_t k = 0; k < 5; ++k) {
    const ScriptedTrial& t = kTrials[k];
    if (k >= 2) onset = kTrials[k - 1].totalrt + 1000;
    const int32_t pop = k == 0 ? t.rt : t.totalrt;
    for (int32_t clock = onset + 100; clock <= pop; clock += 100) {
      const bool last = clock == pop;
      if (child_in(k, clock) || last) samples->push_back(Sample(clock, k, kChild));
      if (k == 2) samples->push_back(Sample(clock, k, kParent));
    }
    TrialRecord r;
    r.trial = k;
    r.cond_j = 0;
    r.cond_m = t.cond_m;
    r.bodyid = kChild;
    r.tgt_x = 100 + 100 * k;
    r.tgt_y = 200;
    r.hand_lx = 150 + k, r.hand_ly = 250;
    r.hand_rx = 160 + k, r.hand_ry = 260;
    r.resp = t.resp;
    r.rt = t.rt;
    r.totalrt = t.totalrt;
    trials->push_back(r);
    if (k == 0) onset = 0;  // the clock restarts with the first balloon after the start balloon
  }
  for (size_t i = 0; i < samples->size(); ++i) (*samples)[i].count = static_cast<int32_t>(i + 1);
  return RunResults{"P01", kStart, *trials, *samples};
}

inline const char* kRunRecord = R"({
  "format": "tavelin2-run/1",
  "program": {"name": "tavelin2", "version": "0.1"},
  "settings": {"subject": "P01", "janken": 0, "mirror": 1, "timelimit": 10},
  "sensor": {"backend": "sim"},
  "end": {"reason": "time_limit", "duration_ms": 11500},
  "counts": {"trials": 5, "body_samples": 90, "drawn_passes": 120},
  "frames": {"pictures_captured": 300, "pictures_shown": 290, "body_frames": 115,
             "frames_presented": 290, "frame_interval_ms": {"median": 100, "p99": 120}},
  "latency_ms": {"capture_to_hit_test": {"mean": 41.5, "sd": 3.25, "p99": 60}},
  "tracking": {"body_frames": 115, "share_with_tracked_body": 0.9652,
               "popping_body": {"id": 7, "frames": 90, "share_left_hand_tracked": 0.8,
                                "share_right_hand_tracked": 0.9556}},
  "session_video": {"recorded": true, "video": "/data/P01_20261210_101500_V.avi",
                    "frame_table": "/data/P01_20261210_101500_V.csv", "frames_written": 300,
                    "frames_dropped": 0, "problem": ""}
})";

// A scratch working directory, removed afterwards.
class ScratchDir : public testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/t2-report-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { fs::remove_all(dir_); }

  // Writes the run with the program's writer, its run record replaced by
  // `run_record` when given and removed otherwise (a run of an older version).
  std::string WriteRun(const RunResults& run, const char* run_record = nullptr) {
    const RunWriteOutcome outcome = WriteRunResults(run, {dir_.string(), {}}, nullptr);
    EXPECT_TRUE(outcome.both_in_place());
    EXPECT_TRUE(outcome.record.written);
    if (run_record != nullptr) {
      std::ofstream(outcome.record.path, std::ios::binary | std::ios::trunc) << run_record;
    } else {
      fs::remove(outcome.record.path);
    }
    return outcome.trial.path;
  }

  ResultFileSet Read(const std::string& trial_path) {
    std::string error;
    auto set = ReadResultFiles(trial_path, &error);
    EXPECT_TRUE(set) << error;
    return set ? *set : ResultFileSet{};
  }

  fs::path dir_;
};

}  // namespace report_test
