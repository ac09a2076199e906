// A whole session with the real program under X and the simulated sensor:
// start, look at the camera check (it sees both simulated children and writes
// nothing), fill the setup dialog, let the virtual participant pop balloons until
// the time limit, close the score box, check both result files, the report and
// the summary of the run, run again, quit
// through the menu and check the settings file.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <thread>

#include "e2e/real_program_test.h"
#include "state/program_state.h"
#include "trial/pass_trace.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

// How far the 1 ms counter may trail CLOCK_MONOTONIC when the machine is busy
// (seen: 7 ms with two cores and a load of 8).
constexpr int kClockLagUnderLoad_ms = 20;
constexpr int kSimFramePeriod_ms = 34;  // the simulator's 30 pictures a second, rounded up

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

// CR LF lines; a bare LF anywhere fails the test.
std::vector<std::string> CrLfLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    const size_t lf = text.find('\n', start);
    EXPECT_NE(lf, std::string::npos) << "last line has no line end";
    if (lf == std::string::npos) break;
    EXPECT_TRUE(lf > start && text[lf - 1] == '\r') << "line without CR LF at byte " << lf;
    lines.push_back(text.substr(start, lf - start - 1));
    start = lf + 1;
  }
  return lines;
}

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> out;
  std::stringstream in(line);
  std::string field;
  while (std::getline(in, field, ',')) out.push_back(field);
  return out;
}

struct BodyRow {
  int count, clock, trial;
};
struct TrialRow {
  int trial, rt, totalrt;
};
struct TracedPass {
  int clock;
  bool drawn;
};

std::vector<TracedPass> ReadTrace(const fs::path& path) {
  std::vector<PassTraceEntry> entries;
  EXPECT_TRUE(ReadPassTraceCsv(path.string(), &entries)) << path;
  std::vector<TracedPass> passes;
  for (const PassTraceEntry& e : entries) passes.push_back({e.pass_clock_ms, e.drawn != 0});
  return passes;
}

// Every drawn pass of the run left body rows with its clock, except the passes
// of the 1 s pause after each pop (the pass that ends a pause included).
void ExpectBodyRowsForEveryDrawnPass(const std::vector<TracedPass>& passes,
                                     const std::vector<BodyRow>& rows,
                                     const std::vector<TrialRow>& trials) {
  // The pass of each pop is the last one with rows of its trial; the rows that
  // follow the pause belong to the next trial. It lies at the pop's total time,
  // or for trial 0 at its rt plus the start balloon's onset (the clock value
  // when the first balloon was placed, before the clock restart).
  std::vector<int> hit_clocks(trials.size(), -1);
  for (const BodyRow& row : rows) {
    if (row.trial >= 0 && row.trial < static_cast<int>(trials.size()))
      hit_clocks[row.trial] = row.clock;
  }
  for (size_t k = 0; k < trials.size(); ++k) {
    if (k == 0) {
      EXPECT_GE(hit_clocks[0], trials[0].rt);
      EXPECT_LE(hit_clocks[0] - trials[0].rt, 200) << "start balloon onset";
    } else {
      EXPECT_EQ(hit_clocks[k], trials[k].totalrt) << "trial " << k;
    }
  }
  auto is_hit = [&](size_t hit, int clock, int trial) {
    return hit < hit_clocks.size() && trial == trials[hit].trial && clock == hit_clocks[hit];
  };
  size_t r = 0, hit = 0;
  std::optional<int> pause_end;
  std::optional<int> previous_clock;  // of the drawn pass before
  int drawn = 0, paused = 0;
  for (const TracedPass& p : passes) {
    if (!p.drawn) continue;
    ++drawn;
    const bool same_clock_as_previous = previous_clock == p.clock;
    previous_clock = p.clock;
    if (pause_end) {
      ++paused;
      if (p.clock >= *pause_end) pause_end.reset();
      continue;
    }
    // While the timer thread waits for a core, two drawn passes can read the
    // same clock; the rows of both were taken with the first of them.
    if (same_clock_as_previous && (r == rows.size() || rows[r].clock != p.clock)) continue;
    ASSERT_LT(r, rows.size()) << "no body rows for the drawn pass at clock " << p.clock;
    ASSERT_EQ(rows[r].clock, p.clock) << "body row " << rows[r].count;
    const int trial = rows[r].trial;
    while (r < rows.size() && rows[r].clock == p.clock && rows[r].trial == trial) ++r;
    if (is_hit(hit, p.clock, trial)) {
      pause_end = p.clock + 1000;
      ++hit;
    }
  }
  EXPECT_EQ(r, rows.size()) << "body rows left over that no drawn pass explains";
  EXPECT_EQ(hit, hit_clocks.size()) << "pops without their pass";
  EXPECT_GT(drawn - paused, 0) << "no sampled frame at all";
}

// "WIDTHxHEIGHT" of a window, as xdotool reports it.
std::string WindowSize(const std::string& window) {
  const auto out = RunCommand("xdotool getwindowgeometry " + window);
  if (!out) return "?";
  const size_t at = out->find("Geometry: ");
  if (at == std::string::npos) return "?";
  const size_t start = at + 10;
  return out->substr(start, out->find('\n', start) - start);
}

class FullSessionTest : public RealProgramTest {
 protected:
  FullSessionTest() : RealProgramTest("tavelin2-e2e") {}
  void SetUp() override {
    RealProgramTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    trace_ = dir_ / "passes.csv";
    stdout_ = dir_ / "stdout.txt";
  }

  std::set<fs::path> TrialFiles() const {
    std::set<fs::path> out;
    for (const auto& e : fs::directory_iterator(dir_)) {
      const std::string name = e.path().filename().string();
      if (name.rfind("E2E01_", 0) == 0 && name.size() > 6 &&
          name.find("_B.csv") == std::string::npos && name.find("_T.csv") == std::string::npos &&
          e.path().extension() == ".csv") {
        out.insert(e.path());
      }
    }
    return out;
  }

  // One run of the program `app_pid` from the click into the main frame to the
  // closed score box. When `fill` is set the subject and time limit are typed;
  // `press_m` toggles the mirror display once during the run.
  void RunOnce(pid_t app_pid, bool fill, bool press_m) {
    std::string why;
    const auto stage = StartRunFromMainFrame(
        fill ? std::optional<SetupEntry>(SetupEntry{"E2E01", 8}) : std::nullopt, &why);
    ASSERT_TRUE(stage) << why;
    EXPECT_EQ(WindowSize(*stage), "1920x1080") << "the stage covers the screen";
    if (press_m) {
      const ProgramGlobals globals(program_, app_pid, {"settings"});
      ASSERT_TRUE(globals.ok()) << "cannot read the settings of the running program";
      const size_t mirror_offset = reinterpret_cast<const char*>(&settings.mirror) -
                                   reinterpret_cast<const char*>(&settings);
      const auto mirror = [&] { return globals.ReadInt32("settings", mirror_offset); };
      const std::optional<int32_t> before = mirror();
      ASSERT_TRUE(before);
      std::this_thread::sleep_for(1500ms);
      Xdo("windowfocus --sync " + *stage);
      // Held until a pass of the trial loop has taken it: the mirror display flips.
      ASSERT_TRUE(Xdo("keydown m"));
      const auto deadline = std::chrono::steady_clock::now() + 30s;
      while (mirror() == before && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(2ms);
      }
      ASSERT_TRUE(Xdo("keyup m"));
      ASSERT_NE(mirror(), before) << "the run did not take the M key within 30 s";
    }
    const auto score = WaitForWindow("^Score$", 120s);
    ASSERT_TRUE(score) << "the run did not end by its time limit";
    std::this_thread::sleep_for(300ms);
    Xdo("windowfocus --sync " + *score);
    ASSERT_TRUE(Xdo("key Return"));
    ASSERT_TRUE(WaitForWindowGone("^Score$", 10s));
    ASSERT_TRUE(WaitForWindowGone("^Experiment Window$", 20s)) << "the stage stayed up";
  }

  // Checks the newest pair of result files against the pass trace of the run.
  void CheckResultFiles(const fs::path& trial_file) {
    const std::string stamp = trial_file.stem().string().substr(std::string("E2E01_").size());
    const fs::path body_file = dir_ / ("E2E01_" + stamp + "_B.csv");
    ASSERT_TRUE(fs::exists(body_file)) << body_file;

    const auto trial_lines = CrLfLines(ReadAll(trial_file));
    ASSERT_GE(trial_lines.size(), 4u) << "header, trial 0 and at least two more trials";
    EXPECT_EQ(trial_lines[0],
              "Subject,Date,Time,Trial,Cond_J,Cond_M,BodyID,TgtHand,Tgt_X,Tgt_Y,Hand_L,Hand_LX,"
              "Hand_LY,Hand_R,Hand_RX,Hand_RY,Resp,RT,TotalRT");
    std::vector<TrialRow> trials;
    for (size_t i = 1; i < trial_lines.size(); ++i) {
      const auto f = Fields(trial_lines[i]);
      ASSERT_EQ(f.size(), 19u) << trial_lines[i];
      EXPECT_EQ(f[0], "E2E01");
      const std::string date =
          stamp.substr(0, 4) + "/" + stamp.substr(4, 2) + "/" + stamp.substr(6, 2);
      const std::string time =
          stamp.substr(9, 2) + ":" + stamp.substr(11, 2) + ":" + stamp.substr(13, 2);
      EXPECT_EQ(f[1], date);
      EXPECT_EQ(f[2], time);
      trials.push_back({std::stoi(f[3]), std::stoi(f[17]), std::stoi(f[18])});
      EXPECT_EQ(trials.back().trial, static_cast<int>(i - 1));
      EXPECT_FALSE(f[16].empty()) << "no responding body site";
      if (i > 1) {
        EXPECT_GT(trials.back().rt, 0) << trial_lines[i];
      }
    }
    EXPECT_EQ(trials[0].totalrt, 0);
    // The run ended by its 8 s limit: the last pop came before it.
    EXPECT_LE(trials.back().totalrt, 8000);

    const auto body_lines = CrLfLines(ReadAll(body_file));
    ASSERT_GE(body_lines.size(), 2u);
    EXPECT_EQ(Fields(body_lines[0]).size(), 41u);
    EXPECT_EQ(body_lines[0].substr(0, 30), "Count,Clock,Trial,TgtHand,Targ");
    std::vector<BodyRow> rows;
    for (size_t i = 1; i < body_lines.size(); ++i) {
      const auto f = Fields(body_lines[i]);
      ASSERT_EQ(f.size(), 41u) << body_lines[i];
      rows.push_back({std::stoi(f[0]), std::stoi(f[1]), std::stoi(f[2])});
      EXPECT_EQ(rows.back().count, static_cast<int>(i));
    }
    ExpectBodyRowsForEveryDrawnPass(ReadTrace(trace_), rows, trials);
    CheckTimingFileAndRunRecord("E2E01_" + stamp, trials, rows.size());
  }

  // The timing file and the run record of the run agree with its trial file.
  void CheckTimingFileAndRunRecord(const std::string& base, const std::vector<TrialRow>& trials,
                                   size_t body_rows) {
    const fs::path timing_file = dir_ / (base + "_T.csv");
    const fs::path record_file = dir_ / (base + "_run.json");
    ASSERT_TRUE(fs::exists(timing_file)) << timing_file;
    ASSERT_TRUE(fs::exists(record_file)) << record_file;

    const auto lines = CrLfLines(ReadAll(timing_file));
    ASSERT_EQ(lines.size(), trials.size() + 1) << "a timing row per trial record";
    EXPECT_EQ(lines[0],
              "Trial,Onset,OnsetShown,HitPicture,HitPass,RT,RTPicture,HitCrossing,RTCrossing");
    int crossings = 0;
    for (size_t i = 0; i < trials.size(); ++i) {
      const auto f = Fields(lines[i + 1]);
      ASSERT_EQ(f.size(), 9u) << lines[i + 1];
      const int onset = std::stoi(f[1]), shown = std::stoi(f[2]), picture = std::stoi(f[3]);
      const int pass = std::stoi(f[4]), rt = std::stoi(f[5]), rt_picture = std::stoi(f[6]);
      EXPECT_EQ(std::stoi(f[0]), trials[i].trial);
      EXPECT_EQ(rt, trials[i].rt) << "trial " << i;
      EXPECT_EQ(pass - onset, rt) << "trial " << i;
      if (i > 0) {
        EXPECT_EQ(pass, trials[i].totalrt) << "trial " << i;
      }
      // The simulator stamps its pictures and the stage reports its swaps. The
      // start balloon may appear where the hand already is; on a slow machine
      // its pop can then come before any frame showing it was presented, and
      // that frame is never dated. Every later balloon is reached from outside.
      if (shown == -1) {
        EXPECT_EQ(i, 0u) << "only the start balloon can be popped unseen";
        EXPECT_EQ(rt_picture, -1) << "trial " << i;
      } else {
        EXPECT_GE(shown, onset) << "trial " << i;
        EXPECT_EQ(rt_picture, picture - shown) << "trial " << i;
      }
      // A picture is captured before the pass that tests it. Its time comes
      // from CLOCK_MONOTONIC, while the pass reads the 1 ms counter, which a
      // loaded machine's timer thread can advance a few ms late.
      EXPECT_LE(picture, pass + kClockLagUnderLoad_ms) << "trial " << i;
      // The hand went in between the last picture that showed it outside and
      // the popping one: a frame before it, a few when pictures were skipped
      // or the hand was lost in between.
      const int crossing = std::stoi(f[7]), rt_crossing = std::stoi(f[8]);
      if (crossing == -1) {
        EXPECT_EQ(rt_crossing, -1) << "trial " << i;
        continue;
      }
      ++crossings;
      EXPECT_LE(crossing, picture) << "trial " << i;
      EXPECT_GE(crossing, picture - 4 * kSimFramePeriod_ms) << "trial " << i;
      EXPECT_EQ(rt_crossing, shown == -1 ? -1 : crossing - shown) << "trial " << i;
    }
    // The virtual participant reaches in from outside for every balloon after
    // the start balloon.
    EXPECT_GE(crossings, static_cast<int>(trials.size()) - 1);

    const nlohmann::json record = nlohmann::json::parse(ReadAll(record_file));
    EXPECT_EQ(record["format"], "tavelin2-run/1");
    EXPECT_EQ(record["timing_file_format"], 2);
    EXPECT_FALSE(record["program"]["version"].get<std::string>().empty());
    EXPECT_EQ(record["subject"], "E2E01");
    EXPECT_EQ(record["sensor"]["backend"], "sim");
    EXPECT_EQ(record["settings"]["timelimit"], 8);
    EXPECT_EQ(record["end"]["reason"], "time_limit");
    EXPECT_EQ(record["counts"]["trials"], trials.size());
    EXPECT_EQ(record["counts"]["body_samples"], body_rows);
    const double interval = record["frames"]["frame_interval_ms"]["median"];
    EXPECT_NEAR(interval, 33.3, 10.0) << "the simulator's 30 frames a second";
    EXPECT_GT(record["frames"]["frames_presented"].get<int>(), 0);
  }

  // After a run: its report beside the result files, and the summary (printed
  // on stdout as the main frame shows it) naming every file, in the English
  // the program was started in.
  void CheckReportAndSummary(const fs::path& trial_file, size_t summaries) {
    const std::string stem = trial_file.string().substr(0, trial_file.string().size() - 4);
    const fs::path report = stem + "_report.pdf";
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    // The simulator's runs are marked as not a child's data.
    const std::string head = "Last run (simulated sensor, not a child's data): ";
    std::string out;
    while (std::chrono::steady_clock::now() < deadline) {
      out = ReadAll(stdout_);
      size_t runs = 0;
      for (size_t at = out.find(head); at != std::string::npos; at = out.find(head, at + 1)) {
        ++runs;
      }
      if (runs >= summaries) break;
      std::this_thread::sleep_for(100ms);
    }
    ASSERT_TRUE(fs::exists(report)) << "no report " << report << "\n" << out;
    EXPECT_EQ(ReadAll(report).substr(0, 5), "%PDF-");
    const size_t last_at = out.rfind(head + "E2E01, started ");
    ASSERT_NE(last_at, std::string::npos) << out;
    const std::string last = out.substr(last_at);
    EXPECT_NE(last.find("Files: " + trial_file.string() + "\n"), std::string::npos) << last;
    for (const fs::path& file : {fs::path(stem + "_B.csv"), report})
      EXPECT_NE(last.find("       " + file.string() + "\n"), std::string::npos) << file << "\n" << last;
    const size_t trials = CrLfLines(ReadAll(trial_file)).size() - 1;
    EXPECT_NE(last.find("Balloons popped: " + std::to_string(trials) + " (the start balloon included); RT median "),
              std::string::npos) << last;
    EXPECT_NE(last.find("Child tracked in "), std::string::npos) << last;
  }

  fs::path trace_;
  fs::path stdout_;
};

TEST_F(FullSessionTest, TwoRunsWithTheSimulatedSensorThenExit) {
  // English: the window titles looked for below are plain ASCII to xdotool.
  ProgramProcess app(program_.string(), {"--sensor=sim", "--language=en"}, dir_.string(),
                     {"TAVELIN2_PASS_TRACE=" + trace_.string()}, stdout_.string());
  const auto frame = WaitForWindow("^DirectDraw Application$", 30s);
  ASSERT_TRUE(frame) << "no main frame";
  EXPECT_EQ(WindowSize(*frame), "1920x1080") << "the main frame covers the screen";

  // The camera check through "&Experiment" > "&Camera check": both simulated
  // children are tracked; Esc closes it, and nothing was written.
  Xdo("windowfocus --sync " + *frame);
  ASSERT_TRUE(Xdo("key --delay 200 alt+e c"));
  const auto check = WaitForWindow("^Camera check: 2 bodies tracked$", 20s);
  ASSERT_TRUE(check) << "the camera check did not see the two simulated children";
  Xdo("windowfocus --sync " + *check);
  ASSERT_TRUE(Xdo("key Escape"));
  ASSERT_TRUE(WaitForWindowGone("^Camera check", 10s)) << "Esc did not close the camera check";
  EXPECT_TRUE(TrialFiles().empty());

  RunOnce(app.pid(), /*fill=*/true, /*press_m=*/false);
  const auto first = TrialFiles();
  ASSERT_EQ(first.size(), 1u);
  CheckResultFiles(*first.begin());
  CheckReportAndSummary(*first.begin(), 1);

  // The same program start: the dialog shows the confirmed values; a new pair of files.
  std::this_thread::sleep_for(1100ms);  // a new start second, so new file names
  RunOnce(app.pid(), /*fill=*/false, /*press_m=*/true);
  const auto both = TrialFiles();
  ASSERT_EQ(both.size(), 2u);
  fs::path second;
  for (const auto& p : both) {
    if (!first.count(p)) second = p;
  }
  CheckResultFiles(second);
  CheckReportAndSummary(second, 2);

  // Quit through "&File" > "E&xit".
  Xdo("windowfocus --sync " + *frame);
  ASSERT_TRUE(Xdo("key --delay 200 alt+f x"));
  const auto status = app.WaitForExit(20s);
  ASSERT_TRUE(status) << "the program did not end";
  EXPECT_EQ(*status, 0);

  const std::string ini = ReadAll(dir_ / "Tavelin2.ini");
  const auto lines = CrLfLines(ini);
  EXPECT_EQ(lines.size(), 13u);
  std::map<std::string, std::string> values;
  for (const std::string& l : lines) {
    const size_t eq = l.find(" = ");
    if (eq != std::string::npos) values[l.substr(0, eq)] = l.substr(eq + 3);
  }
  EXPECT_EQ(values["subject"], "E2E01");
  EXPECT_EQ(values["timelimit"], "8");
  EXPECT_EQ(values["mirror"], "0") << "M during the second run toggles the mirror display";
  EXPECT_EQ(values["janken"], "0");
  // No journal is left behind by runs that ended normally.
  EXPECT_FALSE(fs::exists(dir_ / ".tavelin2-journal") && !fs::is_empty(dir_ / ".tavelin2-journal"));
}

}  // namespace
