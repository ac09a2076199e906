// Whole runs with a fake clock, scripted bodies and keys, and the recording
// stage: the exact records and samples, the clock restart, the pause, the time
// limit, the keys, one-person and mouse mode, and the table limits.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "reference_draws.h"
#include "run_harness.h"
#include "trial/active_target.h"

namespace {

std::string Describe(const TrialRecord& r) {
  char text[256];
  std::snprintf(text, sizeof text,
                "trial %d cond_j %d cond_m %d bodyid %d tgthand %d tgt %d,%d hand_l %d at %d,%d "
                "hand_r %d at %d,%d resp %s rt %d totalrt %d",
                r.trial, r.cond_j, r.cond_m, r.bodyid, r.tgthand, r.tgt_x, r.tgt_y, r.hand_l,
                r.hand_lx, r.hand_ly, r.hand_r, r.hand_rx, r.hand_ry, r.resp.c_str(), r.rt,
                r.totalrt);
  return text;
}

std::string Describe(const BodySample& s) {
  // 41 packed integers in file column order.
  const int32_t* v = reinterpret_cast<const int32_t*>(&s);
  std::string out;
  for (int i = 0; i < 41; ++i) out += std::to_string(v[i]) + (i < 40 ? "," : "");
  return out;
}

// The sample a processed body gives, built field by field from its definition.
BodySample SampleOf(int32_t index, int32_t clock_ms, int32_t trial, int32_t tgthand,
                    int32_t target_x, int32_t target_y, const TrackedBody& b) {
  BodySample s;
  s.count = index + 1;
  s.clock = clock_ms;
  s.trial = trial;
  s.tgthand = tgthand;
  s.target_x = target_x;
  s.target_y = target_y;
  s.id = b.id;
  s.spine_base_x = b.spine_base_x, s.spine_base_y = b.spine_base_y;
  s.spine_mid_x = b.spine_mid_x, s.spine_mid_y = b.spine_mid_y;
  s.spine_shoulder_x = b.spine_shoulder_x, s.spine_shoulder_y = b.spine_shoulder_y;
  s.head_x = b.head_x, s.head_y = b.head_y;
  s.hand_l = b.hand_l, s.hand_lx = b.hand_lx, s.hand_ly = b.hand_ly;
  s.hand_r = b.hand_r, s.hand_rx = b.hand_rx, s.hand_ry = b.hand_ry;
  s.elbow_lx = b.elbow_lx, s.elbow_ly = b.elbow_ly, s.elbow_rx = b.elbow_rx;
  s.elbow_ry = b.elbow_ry;
  s.shoulder_lx = b.shoulder_lx, s.shoulder_ly = b.shoulder_ly;
  s.shoulder_rx = b.shoulder_rx, s.shoulder_ry = b.shoulder_ry;
  s.hip_lx = b.hip_lx, s.hip_ly = b.hip_ly, s.hip_rx = b.hip_rx, s.hip_ry = b.hip_ry;
  s.knee_lx = b.knee_lx, s.knee_ly = b.knee_ly, s.knee_rx = b.knee_rx, s.knee_ry = b.knee_ry;
  s.foot_lx = b.foot_lx, s.foot_ly = b.foot_ly, s.foot_rx = b.foot_rx, s.foot_ry = b.foot_ry;
  return s;
}

struct Point {
  int32_t x, y;
};

// The balloon positions a seed gives while no body is near the draw area.
std::vector<Point> Positions(uint32_t seed, int n) {
  ReferenceDraws ref(seed);
  std::vector<Point> out;
  for (int i = 0; i < n; ++i) {
    const int32_t x = ref.X();
    out.push_back({x, ref.Y()});
  }
  return out;
}

// A body whose right hand is at (x, y) and every other joint far away.
TrackedBody ReachingBody(int32_t id, int32_t x, int32_t y, double head_dist = 2.0) {
  TrackedBody b = AwayBody(id, head_dist);
  b.hand_l = kHandPaper;
  b.hand_r = kHandRock;
  b.hand_rx = x;
  b.hand_ry = y;
  return b;
}

TrackedBody RestingBody(int32_t id, double head_dist = 2.0) {
  TrackedBody b = AwayBody(id, head_dist);
  b.hand_l = kHandPaper;
  b.hand_r = kHandRock;
  return b;
}

class TrialLoopTest : public testing::Test {};

// ------------------------------------------------------------ the scripted run

// Start balloon popped at pass 100, the first trial at pass 1500, the second at
// pass 3000, Esc read in pass 3201. One body frame every 10 passes; the fake
// sleep advances the clock 1 ms per pass, so pass p has clock p until the clock
// restarts in pass 1101 and p - 1101 after it.
TEST_F(TrialLoopTest, ScriptedRunGivesExactRecordsAndSamples) {
  RunHarness h;
  const std::vector<Point> at = Positions(1, 3);
  ASSERT_EQ(at[0].x, 160);
  ASSERT_EQ(at[0].y, 147);

  std::vector<std::string> texts_by_pass(3201);
  h.bodies = [&](int pass) {
    if (pass % 10 != 0) return 0;
    TrackedBody b = RestingBody(1234);
    if (pass == 100) b = ReachingBody(1234, at[0].x + 10, at[0].y - 5);
    if (pass == 1500) b = ReachingBody(1234, at[1].x - 64, at[1].y + 63);
    if (pass == 3000) b = ReachingBody(1234, at[2].x, at[2].y);
    h.run.tracked_bodies[0] = b;
    return 1;
  };
  h.PressKeyAfterPass(3200, VK_ESCAPE);

  EXPECT_EQ(h.Run(), 0);

  // Records.
  ASSERT_EQ(h.run.trial_count, 3);
  const std::string expected_records[3] = {
      "trial 0 cond_j 0 cond_m 1 bodyid 1234 tgthand 0 tgt 160,147 hand_l 3 at -1,-1 "
      "hand_r 1 at 170,142 resp Hand_R rt 100 totalrt 0",
      "trial 1 cond_j 0 cond_m 1 bodyid 1234 tgthand 0 tgt " + std::to_string(at[1].x) + "," +
          std::to_string(at[1].y) + " hand_l 3 at -1,-1 hand_r 1 at " +
          std::to_string(at[1].x - 64) + "," + std::to_string(at[1].y + 63) +
          " resp Hand_R rt 399 totalrt 399",
      "trial 2 cond_j 0 cond_m 1 bodyid 1234 tgthand 0 tgt " + std::to_string(at[2].x) + "," +
          std::to_string(at[2].y) + " hand_l 3 at -1,-1 hand_r 1 at " + std::to_string(at[2].x) +
          "," + std::to_string(at[2].y) + " resp Hand_R rt 499 totalrt 1899",
  };
  for (int i = 0; i < 3; ++i) EXPECT_EQ(Describe(h.run.trial_records[i]), expected_records[i]);

  // Samples: every drawn pass outside the pauses.
  std::vector<BodySample> expected;
  auto add = [&](int32_t clock_ms, int32_t trial, Point target, const TrackedBody& b) {
    expected.push_back(
        SampleOf(static_cast<int32_t>(expected.size()), clock_ms, trial, 0, target.x, target.y, b));
  };
  for (int p = 0; p < 100; p += 10) add(p, 0, at[0], RestingBody(1234));
  add(100, 0, at[0], ReachingBody(1234, 170, 142));
  for (int p = 1110; p < 1500; p += 10) add(p - 1101, 1, at[1], RestingBody(1234));
  add(399, 1, at[1], ReachingBody(1234, at[1].x - 64, at[1].y + 63));
  for (int p = 2510; p < 3000; p += 10) add(p - 1101, 2, at[2], RestingBody(1234));
  add(1899, 2, at[2], ReachingBody(1234, at[2].x, at[2].y));
  ASSERT_EQ(h.run.sample_count, static_cast<int32_t>(expected.size()));
  for (size_t i = 0; i < expected.size(); ++i) {
    ASSERT_EQ(Describe(h.run.body_samples[i]), Describe(expected[i])) << "sample " << i;
  }

  // The run around the loop, in order.
  const std::vector<std::string> expected_log = {
      "cursor.hide", "hook.install",
      "clock.start", "clock.reset",
      "clock.reset", "clock.stop",
      "hook.remove", "flush",
      "cursor.show", "score:Score:わった ふうせんは 3 こ でした！"};
  EXPECT_EQ(h.log, expected_log);
  EXPECT_EQ(h.sound.played, std::vector<std::string>(3, "stim/bomb.wav"));
  EXPECT_EQ(h.cursor.moves.size(), 3u);  // one move per balloon
  EXPECT_EQ(h.update_calls, 3201);

  // Handed to the journal as stored.
  EXPECT_TRUE(h.sink.stored_in_place);
  EXPECT_EQ(h.sink.trial_indexes, (std::vector<int32_t>{0, 1, 2}));
  ASSERT_EQ(h.sink.sample_indexes.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(h.sink.sample_indexes[i], int32_t(i));

  // One frame per drawn pass; the text line follows the pops and the clock.
  ASSERT_EQ(h.stage.begin_count, 321);
  ASSERT_EQ(h.stage.texts.size(), 321u);
  EXPECT_EQ(h.stage.texts[9].text, "ふうせんを わったら，はじまります。");  // pass 90
  EXPECT_EQ(h.stage.texts[10].text, "じかん: 0\u3000\u3000ふうせん： 1");   // pass 100
  EXPECT_EQ(h.stage.texts[110].text, "じかん: 1\u3000\u3000ふうせん： 1");  // pass 1100
  EXPECT_EQ(h.stage.texts[111].text, "じかん: 0\u3000\u3000ふうせん： 1");  // pass 1110
  EXPECT_EQ(h.stage.texts[320].text, "じかん: 2\u3000\u3000ふうせん： 3");  // pass 3200
  // The frame of a pop shows the opaque burst where the balloon was, not the balloon.
  const auto pop_frame = h.stage.SpritesOfFrame(11);
  ASSERT_EQ(pop_frame.size(), 3u);
  EXPECT_EQ(pop_frame[2].index, h.run.textures.burst);
  EXPECT_EQ(pop_frame[2].colour, 0xFFFFFFFFu);
  EXPECT_EQ(pop_frame[2].x, at[0].x - 64 + 32);
  EXPECT_EQ(pop_frame[2].y, at[0].y - 64 + 114);
  const auto before_pop = h.stage.SpritesOfFrame(10);
  EXPECT_EQ(before_pop[2].index, h.run.textures.balloons[0]);

  EXPECT_FALSE(ReadActiveTarget().running);
}

// ------------------------------------------------------------ a pop in the placing pass

// Body frames every pass. The start balloon is popped in pass 10, the first
// trial in pass 1100 (clock 89); the second trial's balloon, placed in pass 2101
// (clock 1090), is reached in that same pass.
struct PlacingPassCase {
  const char* name;
  int32_t ticks_while_placing;  // clock ticks between the pass clock and the onset read
  int32_t expected_trials;
  int32_t expected_rt;
  size_t expected_balloons;  // placements up to Esc
};

class PlacingPassTest : public TrialLoopTest,
                        public testing::WithParamInterface<PlacingPassCase> {};

TEST_P(PlacingPassTest, ZeroRtLeavesNoRecordAndNoPause) {
  const PlacingPassCase& c = GetParam();
  RunHarness h(false);
  int placements = 0;
  h.cursor.on_set_pos = [&] {
    if (++placements == 3) h.clock.now_ms += c.ticks_while_placing;
  };
  h.bodies = [&](int pass) {
    const ActiveTargetSnapshot t = ReadActiveTarget();
    const bool reach = pass == 10 || pass == 1100 || pass == 2101;
    h.run.tracked_bodies[0] = reach ? ReachingBody(5, t.target_x, t.target_y) : RestingBody(5);
    return 1;
  };
  h.PressKeyAfterPass(2150, VK_ESCAPE);
  EXPECT_EQ(h.Run(), 0);

  EXPECT_EQ(h.run.trial_count, c.expected_trials);
  EXPECT_EQ(h.sound.played.size(), 3u);
  EXPECT_EQ(h.cursor.moves.size(), c.expected_balloons);
  if (c.expected_trials == 3) {
    EXPECT_EQ(h.run.trial_records[2].rt, c.expected_rt);
    EXPECT_EQ(h.run.trial_records[2].totalrt, 1090);
  }
  // The pass sampled its body either way, as part of the trial in progress.
  // Passes 0..10 and 1011..1100 were sampled before it.
  const BodySample& s = h.run.body_samples[11 + 90];
  EXPECT_EQ(s.clock, 1090);
  EXPECT_EQ(s.trial, 2);
}

INSTANTIATE_TEST_SUITE_P(Cases, PlacingPassTest,
                         testing::Values(
                             // rt 0: no record, and the next pass places the next balloon
                             PlacingPassCase{"rt_zero", 0, 2, 0, 4},
                             // rt -1: recorded like any pop, the pause follows
                             PlacingPassCase{"rt_negative", 1, 3, -1, 3}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(TrialLoopTest, FirstTrialPoppedInItsPlacingPassCountsFromBeforeTheRestart) {
  RunHarness h(false);
  h.bodies = [&](int pass) {
    const ActiveTargetSnapshot t = ReadActiveTarget();
    const bool reach = pass == 10 || pass == 1011;  // pass 1011 places the first trial
    h.run.tracked_bodies[0] = reach ? ReachingBody(5, t.target_x, t.target_y) : RestingBody(5);
    return 1;
  };
  h.PressKeyAfterPass(1100, VK_ESCAPE);
  h.Run();
  ASSERT_EQ(h.run.trial_count, 2);
  EXPECT_EQ(h.run.trial_records[1].rt, 1011);
  EXPECT_EQ(h.run.trial_records[1].totalrt, 1011);
}

// ------------------------------------------------------------ two bodies

TEST_F(TrialLoopTest, TwoBodiesPoppingInOnePassGiveOneRecordOfTheLaterSlot) {
  RunHarness h;
  h.bodies = [&](int pass) {
    if (pass % 10 != 0) return 0;
    const ActiveTargetSnapshot t = ReadActiveTarget();
    h.run.tracked_bodies[0] = RestingBody(11);
    h.run.tracked_bodies[2] = RestingBody(33, 1.5);
    if (pass == 50) {
      h.run.tracked_bodies[0].hand_lx = t.target_x;
      h.run.tracked_bodies[0].hand_ly = t.target_y;
      h.run.tracked_bodies[2] = ReachingBody(33, t.target_x + 1, t.target_y + 1, 1.5);
      h.run.tracked_bodies[2].hand_r = kHandScissors;
    }
    return 1;
  };
  h.PressKeyAfterPass(60, VK_ESCAPE);
  h.Run();

  ASSERT_EQ(h.run.trial_count, 1);
  const TrialRecord& r = h.run.trial_records[0];
  EXPECT_EQ(r.bodyid, 33);
  EXPECT_EQ(r.resp, "Hand_R");
  EXPECT_EQ(r.hand_r, kHandScissors);
  EXPECT_EQ(r.hand_lx, -1);
  EXPECT_EQ(r.rt, 50);
  EXPECT_EQ(h.sound.played.size(), 2u);  // started again by the second body
  // Two samples of the pass: same clock, trial and target, both bodies in slot order.
  ASSERT_EQ(h.run.sample_count, 12);
  const BodySample& a = h.run.body_samples[10];
  const BodySample& b = h.run.body_samples[11];
  EXPECT_EQ(a.id, 11);
  EXPECT_EQ(b.id, 33);
  EXPECT_EQ(a.clock, 50);
  EXPECT_EQ(b.clock, 50);
  EXPECT_EQ(a.trial, 0);
  EXPECT_EQ(b.trial, 0);
  EXPECT_EQ(a.target_x, b.target_x);
  EXPECT_EQ(a.count + 1, b.count);
}

// ------------------------------------------------------------ how a run ends

// Body frames every pass: the start balloon is popped in pass 10, the first
// trial (placed in pass 1011, clock restarted) in pass 1100 at clock 89 when
// `pops` is 2. Esc is pressed after pass 5000.
struct EndCase {
  const char* name;
  int32_t timelimit_s;
  int pops;
  int expected_result;
  int expected_passes;  // passes that reached the body update
};

class RunEndTest : public TrialLoopTest, public testing::WithParamInterface<EndCase> {};

TEST_P(RunEndTest, TimeLimitCountsOnlyFromTwoPops) {
  const EndCase& c = GetParam();
  RunHarness h(false);
  h.run.settings.timelimit = c.timelimit_s;
  h.bodies = [&](int pass) {
    const ActiveTargetSnapshot t = ReadActiveTarget();
    const bool reach = pass == 10 || (c.pops == 2 && pass == 1100);
    h.run.tracked_bodies[0] = reach ? ReachingBody(5, t.target_x, t.target_y) : RestingBody(5);
    return 1;
  };
  h.PressKeyAfterPass(5000, VK_ESCAPE);
  EXPECT_EQ(h.Run(), c.expected_result);
  EXPECT_EQ(h.update_calls, c.expected_passes);
  EXPECT_EQ(h.run.trial_count, c.pops);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RunEndTest,
    testing::Values(
        // 0 s: the first pass after the second pop ends the run.
        EndCase{"zero_after_two_pops", 0, 2, 1, 1101},
        // Only the start balloon popped: the time limit never applies.
        EndCase{"zero_after_one_pop", 0, 1, 0, 5001},
        // Strictly greater: clock 1000 (pass 2011) runs, clock 1001 ends.
        EndCase{"one_second", 1, 2, 1, 2012},
        // A limit whose milliseconds exceed 32 bits must not wrap into the past.
        EndCase{"huge_limit", 2147483647, 2, 0, 5001}, EndCase{"negative_limit", -5, 2, 1, 1101}),
    [](const auto& info) { return std::string(info.param.name); });

struct EscCase {
  const char* name;
  int esc_after_pass;
  int32_t expected_trials;
  int32_t expected_samples;
};

class EscTest : public TrialLoopTest, public testing::WithParamInterface<EscCase> {};

TEST_P(EscTest, EscEndsAtOnceWithoutRecordingTheBalloonOnStage) {
  const EscCase& c = GetParam();
  RunHarness h;
  h.bodies = [&](int pass) {
    if (pass % 10 != 0) return 0;
    const ActiveTargetSnapshot t = ReadActiveTarget();
    h.run.tracked_bodies[0] =
        pass == 100 ? ReachingBody(5, t.target_x, t.target_y) : RestingBody(5);
    return 1;
  };
  h.PressKeyAfterPass(c.esc_after_pass, VK_ESCAPE);
  EXPECT_EQ(h.Run(), 0);
  EXPECT_EQ(h.update_calls, c.esc_after_pass + 1);
  EXPECT_EQ(h.run.trial_count, c.expected_trials);
  EXPECT_EQ(h.run.sample_count, c.expected_samples);
  EXPECT_EQ(h.sink.trial_indexes.size(), size_t(c.expected_trials));
  EXPECT_FALSE(h.clock.running);
  EXPECT_FALSE(h.clock.hook);
  EXPECT_EQ(h.log.back(),
            "score:Score:わった ふうせんは " + std::to_string(c.expected_trials) + " こ でした！");
}

INSTANTIATE_TEST_SUITE_P(Cases, EscTest,
                         testing::Values(EscCase{"before_any_pop", 55, 0, 6},
                                         EscCase{"during_the_pause", 500, 1, 11},
                                         EscCase{"balloon_up_after_pause", 1500, 1, 11 + 40}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(TrialLoopTest, PauseEndsOnlyInADrawnPass) {
  RunHarness h(false);
  // Frames every 700 passes; the start balloon is popped in pass 700.
  h.bodies = [&](int pass) {
    if (pass % 700 != 0) return 0;
    const ActiveTargetSnapshot t = ReadActiveTarget();
    h.run.tracked_bodies[0] =
        pass == 700 ? ReachingBody(5, t.target_x, t.target_y) : RestingBody(5);
    return 1;
  };
  int placed_in_pass = -1;
  h.cursor.on_set_pos = [&] {
    if (h.cursor.moves.size() == 2) placed_in_pass = h.update_calls;
  };
  h.PressKeyAfterPass(2200, VK_ESCAPE);
  h.Run();
  // The pause reaches its end (clock 1700) in pass 1700, a pass without a frame;
  // the drawn pass 2100 ends it and pass 2101 places the next balloon.
  EXPECT_EQ(placed_in_pass, 2101);
  EXPECT_EQ(h.run.sample_count, 2);  // passes 0 and 700; 1400 and 2100 fell in the pause
}

// ------------------------------------------------------------ the clock at run start

TEST_F(TrialLoopTest, RunningClockIsNotStartedAgainButIsReset) {
  RunHarness h;
  h.clock.running = true;
  h.clock.now_ms = 777;
  h.bodies = [&](int pass) { return pass == 0 ? 1 : 0; };
  h.PressKeyAfterPass(3, VK_ESCAPE);
  h.Run();
  const std::vector<std::string> expected_log = {
      "cursor.hide", "hook.install", "clock.reset", "clock.stop",
      "hook.remove", "flush",        "cursor.show", "score:Score:わった ふうせんは 0 こ でした！"};
  EXPECT_EQ(h.log, expected_log);
  EXPECT_EQ(h.run.body_samples[0].clock, 0);
}

TEST_F(TrialLoopTest, RunStartForgetsBodiesAndHandsOfTheRunBefore) {
  RunHarness h;
  for (TrackedBody& b : h.run.tracked_bodies) b = ReachingBody(9, 500, 300);
  h.run.sample_count = 1234;
  std::vector<TrackedBody> seen;
  h.bodies = [&](int pass) {
    if (pass == 0) seen.assign(h.run.tracked_bodies, h.run.tracked_bodies + 6);
    return 0;
  };
  h.PressKeyAfterPass(0, VK_ESCAPE);
  h.Run();
  ASSERT_EQ(seen.size(), 6u);
  for (const TrackedBody& b : seen) {
    EXPECT_EQ(b.tracked, 0);
    EXPECT_EQ(b.hand_lx, -1);
    EXPECT_EQ(b.hand_ry, -1);
    EXPECT_EQ(b.id, 9);  // everything else keeps its value
    EXPECT_EQ(b.hand_r, kHandRock);
  }
  EXPECT_EQ(h.run.sample_count, 0);
}

// ------------------------------------------------------------ keys

TEST_F(TrialLoopTest, EachKeyPressIsActedOnOnce) {
  RunHarness h;
  std::vector<int32_t> markers, mirror;
  h.bodies = [&](int) {
    markers.push_back(h.run.show_markers);
    mirror.push_back(h.run.settings.mirror);
    return 0;
  };
  h.PressKeyAfterPass(1, VK_SPACE);  // seen in pass 2, then cleared
  h.PressKeyAfterPass(4, VK_SPACE);  // a repeat toggles again in pass 5
  h.PressKeyAfterPass(6, 'A');       // other keys do nothing and stay in the latch
  h.PressKeyAfterPass(8, VK_M);
  h.PressKeyAfterPass(9, VK_ESCAPE);
  h.Run();
  EXPECT_EQ(markers, (std::vector<int32_t>{0, 0, 1, 1, 1, 0, 0, 0, 0, 0}));
  EXPECT_EQ(mirror, (std::vector<int32_t>{1, 1, 1, 1, 1, 1, 1, 1, 1, 0}));
  EXPECT_EQ(h.stage.m_input.key, 0);  // Esc was cleared too
}

TEST_F(TrialLoopTest, MirrorToggledMidRunFlipsPictureAndLimbsFromThatPassOn) {
  RunHarness h;
  const std::vector<Point> at = Positions(1, 2);
  h.bodies = [&](int pass) {
    if (pass % 10 != 0) return 0;
    // A fresh unmirrored picture and body, as the body update writes them.
    h.stage.LockTexture(h.run.textures.body);
    uint32_t* row0 = reinterpret_cast<uint32_t*>(h.stage.LockOf(h.run.textures.body)->bits);
    row0[0] = 0xFF00FF00;
    row0[959] = 0;
    h.stage.UnlockTexture(h.run.textures.body);
    TrackedBody b = RestingBody(5);
    b.hand_lx = 100;
    b.hand_ly = 400;
    b.head_x = 300;
    b.head_y = 80;
    if (pass == 100) {  // reaches the balloon as displayed, mirrored
      b.hand_rx = 960 - at[0].x;
      b.hand_ry = at[0].y;
    }
    h.run.tracked_bodies[0] = b;
    return 1;
  };
  h.PressKeyAfterPass(45, VK_M);
  h.PressKeyAfterPass(1200, VK_ESCAPE);
  h.Run();

  // Pass 40 sampled the sensor side, pass 50 the displayed side.
  EXPECT_EQ(h.run.body_samples[4].hand_lx, 100);
  EXPECT_EQ(h.run.body_samples[4].hand_rx, -1);
  EXPECT_EQ(h.run.body_samples[5].hand_lx, 860);
  EXPECT_EQ(h.run.body_samples[5].hand_rx, 961);
  EXPECT_EQ(h.run.body_samples[5].head_x, 300);  // the head keeps the sensor side
  // The balloon that was up stays where it was.
  EXPECT_EQ(h.run.body_samples[5].target_x, at[0].x);
  ASSERT_EQ(h.run.trial_count, 1);
  EXPECT_EQ(h.run.trial_records[0].cond_m, 0);
  EXPECT_EQ(h.run.trial_records[0].hand_rx, at[0].x);
  // The next balloon is placed on the mirrored side.
  EXPECT_EQ(ReadActiveTarget().target_x, 960 - at[1].x);
  EXPECT_EQ(ReadActiveTarget().mirror, 0);
  // Frames of passes 40 and 50: picture as copied, then flipped.
  EXPECT_EQ(h.stage.begin_count, 121);
  EXPECT_EQ(h.stage.Pixel(h.run.textures.body, 959, 0), 0xFF00FF00u);
  EXPECT_EQ(h.stage.Pixel(h.run.textures.body, 0, 0), 0u);
}

// ------------------------------------------------------------ janken and one person

TEST_F(TrialLoopTest, LeftHandWithTheWrongShapeBlocksTheRightHand) {
  RunHarness h(true, 77);
  h.run.settings.janken = 1;
  ReferenceDraws ref(77);
  const Point at{ref.X(), ref.Y()};
  const int32_t sign = ref.Sign(0);
  const int32_t beats[4] = {0, kHandPaper, kHandRock, kHandScissors};
  const int32_t right = beats[sign];
  const int32_t wrong = right % 3 + 1;
  h.bodies = [&](int pass) {
    if (pass % 10 != 0) return 0;
    TrackedBody b = ReachingBody(8, at.x, at.y);
    b.hand_r = right;
    b.hand_l = wrong;
    if (pass >= 10 && pass < 200) {
      b.hand_lx = at.x - 20;
      b.hand_ly = at.y;
    }
    h.run.tracked_bodies[0] = b;
    return pass >= 10 ? 1 : 0;
  };
  h.PressKeyAfterPass(300, VK_ESCAPE);
  h.Run();
  ASSERT_EQ(h.run.trial_count, 1);
  const TrialRecord& r = h.run.trial_records[0];
  EXPECT_EQ(r.rt, 200);
  EXPECT_EQ(r.resp, "Hand_R");
  EXPECT_EQ(r.cond_j, 1);
  EXPECT_EQ(r.tgthand, sign);
  EXPECT_EQ(r.tgt_x, at.x);
  EXPECT_EQ(r.hand_l, wrong);
}

TEST_F(TrialLoopTest, OnePersonModeFollowsTheNearestChildPassByPass) {
  RunHarness h;
  h.run.settings.flag_single = 1;
  h.bodies = [&](int pass) {
    if (pass % 10 != 0) return 0;
    const ActiveTargetSnapshot t = ReadActiveTarget();
    // Slot 0 reaches the balloon all along but is nearest only from pass 100.
    const double far_dist = pass < 100 ? 2.5 : 1.0;
    h.run.tracked_bodies[0] = ReachingBody(10, t.target_x, t.target_y, far_dist);
    h.run.tracked_bodies[1] = RestingBody(20, 1.5);
    return 1;
  };
  h.PressKeyAfterPass(150, VK_ESCAPE);
  h.Run();
  ASSERT_EQ(h.run.trial_count, 1);
  EXPECT_EQ(h.run.trial_records[0].bodyid, 10);
  EXPECT_EQ(h.run.trial_records[0].rt, 100);
  ASSERT_EQ(h.run.sample_count, 11);  // one body per frame, passes 0..100
  for (int i = 0; i < 10; ++i) EXPECT_EQ(h.run.body_samples[i].id, 20) << i;
  EXPECT_EQ(h.run.body_samples[10].id, 10);
}

// ------------------------------------------------------------ mouse mode

TEST_F(TrialLoopTest, MouseModeMovesBalloonAndBurstInDrawnPasses) {
  RunHarness h;  // 1920 x 1080: scale 1.40625, margins 240, 0
  h.run.settings.flag_mouse = 1;
  h.bodies = [&](int pass) {
    if (pass % 10 != 0) return 0;
    h.run.tracked_bodies[0] = pass == 50 ? ReachingBody(5, 480 + 63, 270 - 64) : RestingBody(5);
    return 1;
  };
  h.host.on_pump = [&](int pump) {
    if (pump == 25) h.cursor.pos = {960, 540};  // canvas (512, 384): picture (480, 270)
    if (pump == 55) h.cursor.pos = {1101, 540};
    if (pump == 65) h.stage.m_input.key = VK_ESCAPE;
  };
  h.Run();
  // Samples of passes 30 and 40: the cursor moved after pass 20, the balloon
  // follows after the frame of pass 30.
  EXPECT_EQ(h.run.body_samples[3].target_x, 160);
  EXPECT_EQ(h.run.body_samples[4].target_x, 480);
  EXPECT_EQ(h.run.body_samples[4].target_y, 270);
  ASSERT_EQ(h.run.trial_count, 1);
  EXPECT_EQ(h.run.trial_records[0].tgt_x, 480);
  EXPECT_EQ(h.run.trial_records[0].tgt_y, 270);
  EXPECT_EQ(h.run.trial_records[0].rt, 50);
  // Pass 60 drew the burst where the balloon was, then moved it to the cursor
  // (picture x 580, y 270); the frame of pass 60 still shows the old place.
  const auto frame60 = h.stage.SpritesOfFrame(7);
  ASSERT_EQ(frame60.size(), 3u);
  EXPECT_EQ(frame60[2].index, h.run.textures.burst);
  EXPECT_EQ(frame60[2].x, 480 - 64 + 32);
  EXPECT_EQ(ReadActiveTarget().target_x, 580);
}

// ------------------------------------------------------------ table limits

TEST_F(TrialLoopTest, SampleCountStopsAt99999AndTheLastEntryIsOverwritten) {
  RunHarness h(false);
  h.bodies = [&](int pass) {
    for (int i = 0; i < 6; ++i) h.run.tracked_bodies[i] = RestingBody(100 * pass + i);
    return 1;
  };
  h.PressKeyAfterPass(16669, VK_ESCAPE);  // 16670 drawn passes: 100020 samples
  h.Run();
  EXPECT_EQ(h.run.sample_count, 99999);
  EXPECT_EQ(h.run.body_samples[99998].count, 99999);
  EXPECT_EQ(h.run.body_samples[99999].count, 100000);
  EXPECT_EQ(h.run.body_samples[99999].id, 100 * 16669 + 5);  // the newest sample
  EXPECT_EQ(h.sink.sample_indexes.size(), 100020u);
  EXPECT_EQ(h.sink.sample_indexes.back(), 99999);
  EXPECT_EQ(h.sink.sample_indexes[99998], 99998);
}

TEST_F(TrialLoopTest, FullTrialTableEndsTheRunNormallyWithEverythingKept) {
  RunHarness h(false);
  h.run.settings.timelimit = 1000000;
  h.host.sleep_scale = 600;  // 600 ms per pass: four passes per trial
  ActiveTargetSnapshot previous;
  h.bodies = [&](int) {
    // Reach a balloon that was already up in the pass before.
    const ActiveTargetSnapshot t = ReadActiveTarget();
    const bool reach = previous.shown == 1 && t.shown == 1 && t.target_x == previous.target_x &&
                       t.target_y == previous.target_y;
    h.run.tracked_bodies[0] = reach ? ReachingBody(5, t.target_x, t.target_y) : RestingBody(5);
    previous = t;
    return 1;
  };
  h.PressKeyAfterPass(100000, VK_ESCAPE);  // never reached
  EXPECT_EQ(h.Run(), 1);
  EXPECT_EQ(h.run.trial_count, kTrialRecordCapacity);
  EXPECT_EQ(h.run.trial_records[9999].trial, 9999);
  EXPECT_EQ(h.run.trial_records[9999].rt, 600);
  EXPECT_EQ(h.sink.trial_indexes.size(), 10000u);
  EXPECT_EQ(h.sink.trial_indexes.back(), 9999);
  EXPECT_EQ(h.log.back(), "score:Score:わった ふうせんは 10000 こ でした！");
  // The run ended in the pass after the last record, before placing again.
  EXPECT_EQ(h.cursor.moves.size(), 10000u);
}

}  // namespace
