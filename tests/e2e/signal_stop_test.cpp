// Stop signals to the real program (logout, shutdown, Ctrl-C): a run ends as
// on Esc with both result files, no journal and the settings saved, and the
// program exits with status 0; outside a run it quits cleanly; a second signal
// ends it at once and the journal keeps the run for the next start.

#include <gtest/gtest.h>

#include <signal.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "e2e/real_program_test.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

constexpr const char* kJournalFolder = ".tavelin2-journal";

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

size_t LineCount(const fs::path& path) {
  const std::string text = ReadAll(path);
  return static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
}

class SignalStopTest : public RealProgramTest {
 protected:
  SignalStopTest() : RealProgramTest("tavelin2-signal") {}

  // Files directly in the working directory whose names start with `prefix`.
  std::vector<fs::path> FilesStartingWith(const std::string& prefix) const {
    std::vector<fs::path> out;
    for (const auto& e : fs::directory_iterator(dir_))
      if (e.path().filename().string().rfind(prefix, 0) == 0) out.push_back(e.path());
    std::sort(out.begin(), out.end());
    return out;
  }
  size_t JournalFiles() const {
    const fs::path folder = dir_ / kJournalFolder;
    if (!fs::exists(folder)) return 0;
    return static_cast<size_t>(std::distance(fs::directory_iterator(folder), {}));
  }

  // Starts a run of subject SIG01 with a 60 s limit and waits until it has
  // been going for `for_how_long`.
  void StartRun(std::chrono::milliseconds for_how_long) {
    ASSERT_TRUE(WaitForWindow("^DirectDraw Application$", 30s)) << "no main frame";
    std::string why;
    ASSERT_TRUE(StartRunFromMainFrame(SetupEntry{"SIG01", 60}, &why)) << why;
    std::this_thread::sleep_for(for_how_long);
  }
};

TEST_F(SignalStopTest, SigtermEndsARunLikeEscAndExitsWithZero) {
  ProgramProcess app(program_.string(), {"--sensor=sim"}, dir_.string(), {});
  StartRun(4s);
  ASSERT_GT(JournalFiles(), 0u) << "the run keeps no journal";
  ASSERT_TRUE(app.Signal(SIGTERM));
  const auto status = app.WaitForExit(30s);
  ASSERT_TRUE(status) << "the program did not end";
  EXPECT_EQ(*status, 0);

  const auto files = FilesStartingWith("SIG01_");
  ASSERT_EQ(files.size(), 4u) << "the trial, body and timing files and the run record";
  const std::string base = files[0].stem().string();
  EXPECT_EQ(files[1].filename().string(), base + "_B.csv");
  EXPECT_EQ(files[2].filename().string(), base + "_T.csv");
  EXPECT_EQ(files[3].filename().string(), base + "_run.json");
  EXPECT_GE(LineCount(files[0]), 2u) << "the start balloon is popped within 4 s";
  EXPECT_GT(LineCount(files[1]), 10u) << "four seconds of bodies";
  EXPECT_EQ(LineCount(files[2]), LineCount(files[0])) << "a timing row per trial row";
  const std::string record = ReadAll(files[3]);
  // Saved like an Esc, but named for what ended it: not a run to take as a session.
  EXPECT_NE(record.find("\"reason\": \"signal\""), std::string::npos) << record;
  EXPECT_EQ(JournalFiles(), 0u) << "the journal was left behind";
  const std::string ini = ReadAll(dir_ / "Tavelin2.ini");
  EXPECT_NE(ini.find("subject = SIG01\r\n"), std::string::npos) << ini;
  EXPECT_NE(ini.find("timelimit = 60\r\n"), std::string::npos) << ini;
}

TEST_F(SignalStopTest, OutsideARunEachStopSignalQuitsAndSavesTheSettings) {
  for (const int signal_number : {SIGINT, SIGHUP, SIGTERM}) {
    SCOPED_TRACE(strsignal(signal_number));
    fs::remove(dir_ / "Tavelin2.ini");
    ProgramProcess app(program_.string(), {"--sensor=sim"}, dir_.string(), {});
    ASSERT_TRUE(WaitForWindow("^DirectDraw Application$", 30s)) << "no main frame";
    std::this_thread::sleep_for(500ms);
    ASSERT_TRUE(app.Signal(signal_number));
    const auto status = app.WaitForExit(20s);
    ASSERT_TRUE(status) << "the program did not end";
    EXPECT_EQ(*status, 0);
    EXPECT_EQ(LineCount(dir_ / "Tavelin2.ini"), 13u);
    ASSERT_TRUE(WaitForWindowGone("^DirectDraw Application$", 10s));
  }
}

// A second signal (here another kind, since the same kind sent twice before the
// first is handled arrives once): no waiting for the run to end; the journal
// holds the run for recovery at the next start.
TEST_F(SignalStopTest, ASecondSignalEndsTheProgramAtOnceAndKeepsTheJournal) {
  ProgramProcess app(program_.string(), {"--sensor=sim"}, dir_.string(), {});
  StartRun(3s);
  ASSERT_TRUE(app.Signal(SIGTERM));
  ASSERT_TRUE(app.Signal(SIGHUP));
  const auto status = app.WaitForExit(20s);
  ASSERT_TRUE(status) << "the program did not end";
  // Killed by whichever of the two was handled second.
  EXPECT_TRUE(*status == 128 + SIGHUP || *status == 128 + SIGTERM) << *status;
  EXPECT_GT(JournalFiles(), 0u) << "the journal is gone";
  EXPECT_TRUE(FilesStartingWith("SIG01_").empty()) << "result files written after all";
}

}  // namespace
