#include "export/bids_events.h"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <vector>

#include "export/bids_run_files.h"
#include "export/tsv_table.h"
#include "state/body_vocabulary.h"
#include "state/setting_checks.h"

namespace {

std::string ShapeName(int32_t code) {
  return std::string(HandShapeWord(code));
}

std::string Ms(int32_t ms) {
  return FormatSeconds(ms);
}

struct Event {
  int64_t onset_ms;
  int order;  // balloon before pop at equal onsets
  std::string row_after_onset;
};

const TimingRow* TimingFor(const ResultRun& run, int32_t trial) {
  for (const TimingRow& t : run.timing) {
    if (t.trial == trial) return &t;
  }
  return nullptr;
}

}  // namespace

std::string MakeEventsTsv(const ResultRun& run, const RunTimeline& timeline, int64_t origin_ms) {
  std::vector<Event> events;
  for (const TrialRecord& r : run.trials) {
    const TimingRow* timing = TimingFor(run, r.trial);
    // Times on the clock of this trial: the pop is the pass that saw the hit,
    // the balloon was placed RT before it (trial 0: the run clock's start).
    // In 64 bits: a damaged row's RT may be any 32-bit value.
    const int64_t hit = r.trial == 0 ? r.rt : r.totalrt;
    const int64_t placed = hit - r.rt;
    int64_t shown_ms = timeline.TimeMs(r.trial, 0) + placed;
    std::string onset_from = "placed";
    if (timing != nullptr && timing->onset_shown != -1) {
      shown_ms = timeline.TimeMs(r.trial, timing->onset_shown);
      onset_from = "shown";
    }
    const int64_t pop_ms = timing != nullptr && timing->hit_pass != -1
                               ? timeline.TimeMs(r.trial, timing->hit_pass)
                               : timeline.TimeMs(r.trial, 0) + hit;
    const std::string trial_type = r.trial == 0 ? "start_" : "";
    const std::string common = std::to_string(r.trial) + '\t' + std::to_string(r.tgt_x) + '\t' +
                               std::to_string(r.tgt_y) + '\t' + ShapeName(r.tgthand) + '\t' +
                               JankenModeName(r.cond_j) + '\t';
    const std::string picture_rt =
        timing != nullptr && timing->rt_picture != -1 ? Ms(timing->rt_picture) : std::string("n/a");
    events.push_back({shown_ms, 0,
                      FormatSeconds(pop_ms - shown_ms) + '\t' + trial_type + "balloon\t" + common +
                          onset_from + "\tn/a\tn/a\tn/a\tn/a\tn/a\tn/a\tn/a"});
    events.push_back({pop_ms, 1,
                      "0.000\t" + trial_type + "pop\t" + common + "n/a\t" +
                          std::to_string(r.cond_m) + '\t' +
                          TsvCell(r.resp) + '\t' + Ms(r.rt) + '\t' +
                          picture_rt + '\t' + ShapeName(r.hand_l) + '\t' + ShapeName(r.hand_r) +
                          '\t' + std::to_string(r.bodyid)});
  }
  std::stable_sort(events.begin(), events.end(), [](const Event& a, const Event& b) {
    return a.onset_ms != b.onset_ms ? a.onset_ms < b.onset_ms : a.order < b.order;
  });
  std::string out =
      "onset\tduration\ttrial_type\ttrial\tballoon_x\tballoon_y\tballoon_sign\tjanken_condition\t"
      "onset_from\tmirror\tresponse_site\tresponse_time\tresponse_time_picture\thand_left_shape\t"
      "hand_right_shape\tbody_id\n";
  for (const Event& e : events)
    out += FormatSeconds(e.onset_ms - origin_ms) + '\t' + e.row_after_onset + '\n';
  return out;
}

std::string EventsJson() {
  using Json = nlohmann::ordered_json;
  Json j;
  j["onset"] = {{"Description",
                 "Seconds from the first row of the run's motion table. Before the start balloon "
                 "is popped the run clock counts from the run's start; it restarts at 0 when the "
                 "next balloon appears. Later times are placed after the start balloon's pop and "
                 "its 1 s pause, which can put them up to one camera frame early."},
                {"Units", "s"}};
  j["duration"] = {{"Description", "balloon: from its onset to its pop; pop: 0."}, {"Units", "s"}};
  j["trial_type"] = {
      {"Description", "What happened."},
      {"Levels",
       {{"start_balloon", "the start balloon (trial 0) appeared; popping it starts the run"},
        {"start_pop", "the start balloon was popped"},
        {"balloon", "a balloon appeared"},
        {"pop", "the balloon was popped"}}}};
  j["trial"] = {{"Description", "Trial number in the run, 0 for the start balloon."}};
  j["balloon_x"] = {
      {"Description", "Balloon centre, x in the picture space of the motion channels."},
      {"Units", "px"}};
  j["balloon_y"] = {{"Description", "Balloon centre, y (downward) in the picture space."},
                    {"Units", "px"}};
  j["balloon_sign"] = {{"Description", "Hand sign shown on the balloon in the janken modes."},
                       {"Levels",
                        {{"none", "no sign (janken off)"},
                         {"rock", "rock"},
                         {"scissors", "scissors"},
                         {"paper", "paper"}}}};
  j["janken_condition"] = {
      {"Description", "Janken (rock-paper-scissors) mode of the run."},
      {"Levels",
       {{"none", "any enabled body site pops the balloon"},
        {"normal", "only a hand showing the shape that beats the sign pops it"},
        {"late",
         "only a hand showing the shape that loses to the sign pops it (also every Cond_J "
         "value other than 0 and 1)"}}}};
  j["onset_from"] = {
      {"Description", "What the balloon's onset is."},
      {"Levels",
       {{"shown", "when the first frame showing the balloon was presented"},
        {"placed", "when the program placed it; it reached the screen somewhat later"}}}};
  j["mirror"] = {{"Description", "Mirror display at the pop: 1 on, 0 off."}};
  j["response_site"] = {{"Description",
                         "Body site that popped the balloon (Hand_L, Hand_R, Head, "
                         "Elbow_L, Elbow_R, Should_L, Should_R, Hip_L, Hip_R, Knee_L, "
                         "Knee_R, Foot_L, Foot_R)."}};
  j["response_time"] = {{"Description",
                         "Reaction time: the clock at the program pass that saw the "
                         "pop minus the clock when the balloon was placed."},
                        {"Units", "s"}};
  j["response_time_picture"] = {
      {"Description",
       "Reaction time from the balloon's first presented frame to the capture of "
       "the camera picture that showed the pop; n/a where not recorded."},
      {"Units", "s"}};
  j["hand_left_shape"] = {{"Description", "Shape of the left hand at the pop (none: not known)."}};
  j["hand_right_shape"] = {
      {"Description", "Shape of the right hand at the pop (none: not known)."}};
  j["body_id"] = {{"Description", "Tracker id of the body that popped the balloon."}};
  return j.dump(2) + "\n";
}
