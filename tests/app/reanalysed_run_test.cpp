// ReanalysedRun: the trials' hit times from every picture of a run.

#include "app/reanalysed_run.h"

#include <gtest/gtest.h>

namespace {

// One child's right hand moving right at even speed across the start
// balloon's hit square (416..544 x 206..334), a picture every 40 ms.
struct Case {
  const char* name;
  int32_t cond_m;     // mirror at the pop
  int32_t hit_pass;   // the live pass that saw the pop
  int32_t hit_picture, hit_crossing;
  int32_t hand_x_in_hit_picture;  // on the displayed side
};

TEST(ReanalysedRunTest, TheHitTimesComeFromThePicturesBeforeTheLivePop) {
  const Case cases[] = {
      // 400 at 80 ms, 450 at 120 ms: in at 416, 32 % of the way: 92.8 ms.
      {"mirror on", 1, 200, 120, 93, 450},
      // Mirrored 560 -> 510 enters at 544, again 32 % of the way.
      {"mirror off", 0, 200, 120, 93, 510},
      {"the hand came in after the live pop", 1, 100, -1, -1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ResultRun run;
    run.trials.resize(1);
    run.trials[0].cond_m = c.cond_m;
    run.trials[0].tgt_x = 480;
    run.trials[0].tgt_y = 270;
    run.trials[0].rt = c.hit_pass;
    run.trials[0].resp = "Hand_R";
    run.timing.push_back(TimingRow{.trial = 0, .onset = 0, .onset_shown = 10,
                                   .hit_pass = c.hit_pass, .rt = c.hit_pass});
    ReanalysedRun reanalysed(run, ExperimentSettings{});
    for (int32_t step = 0; step < 5; ++step) {
      std::array<TrackedBody, kBodySlotCount> slots{};
      slots[2].tracked = 1;
      slots[2].id = 7;
      slots[2].head_dist = 2;
      slots[2].hand_rx = 300 + 50 * step;
      slots[2].hand_ry = 270;
      reanalysed.AddPicture(40 * step, 1'000'000'000 + int64_t(40 * step) * 1'000'000, slots);
    }
    const std::vector<TrialTiming> timing = reanalysed.Timing();
    ASSERT_EQ(timing.size(), 1u);
    EXPECT_EQ(timing[0].hit_picture_ms, c.hit_picture);
    EXPECT_EQ(timing[0].hit_crossing_ms, c.hit_crossing);
    EXPECT_EQ(timing[0].onset_shown_ms, 10) << "the live run's own";
    EXPECT_EQ(timing[0].hit_pass_ms, c.hit_pass) << "the live run's own";
    // Every picture is sampled, the pop pause included.
    ASSERT_EQ(reanalysed.samples().size(), 5u);
    if (c.hit_picture >= 0) {
      EXPECT_EQ(reanalysed.samples()[3].hand_rx, c.hand_x_in_hit_picture);
    }
  }
}

}  // namespace
