// Who may read what a run writes: every file and folder of a whole run (the
// settings, the journal while the run goes on, the four result files, the
// rescue folders) is for the user alone whatever the umask, or for the lab's
// group too when Tavelin2.ini names one the user is in.

#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <map>

#include "app/result_files.h"
#include "as_account.h"
#include "body/sensor/sensor_registry.h"
#include "body/sensor_connection.h"
#include "platform/file_access.h"
#include "results/run_journal.h"
#include "results_fixture.h"
#include "state/program_state.h"
#include "state/settings_io.h"
#include "support/file_mode.h"

namespace results_test {
namespace {

// Mode (and, with `group`, the group's gid) of each name below `dir`, as "0600".
std::map<std::string, std::string> Modes(const fs::path& dir, bool group = false) {
  std::map<std::string, std::string> out;
  for (const auto& e : fs::recursive_directory_iterator(dir)) {
    struct stat st {};
    if (::lstat(e.path().c_str(), &st) != 0) continue;
    out[fs::relative(e.path(), dir).string()] =
        ModeText(e.path()) + (group ? " " + std::to_string(st.st_gid) : "");
  }
  return out;
}

// A whole run on the program-wide state, as the program does it: the settings
// saved at the start, the journal from the start, the four files at the end.
// The journal's folder and file modes while the run went on, "folder file".
std::string RunWhole() {
  ResetProgramState();
  LoadProgramSettings();
  settings.subject = "SBJ0000";
  run_start_time = kFixtureStart;
  if (!SelectSensorBackend("sim", {}, nullptr) || OpenSensor() != 1) return "no sensor";
  color_buffer = std::make_unique<uint8_t[]>(kColorBufferBytes);
  SaveConfirmedSettings();
  if (!BeginRunJournal(run_journal)) return "no journal";
  const std::string journal_modes =
      ModeText(ParentDirectory(run_journal.path())) + " " + ModeText(run_journal.path());
  const std::vector<TrialRecord> trials = FixtureTrials();
  const std::vector<BodySample> samples = FixtureSamples();
  for (size_t i = 0; i < trials.size(); ++i) {
    trial_records[i] = trials[i];
    run_journal.OnTrialStored(int32_t(i), trials[i]);
  }
  for (size_t i = 0; i < samples.size(); ++i) {
    body_samples[i] = samples[i];
    run_journal.OnSampleStored(int32_t(i), samples[i]);
  }
  trial_count = int32_t(trials.size());
  sample_count = int32_t(samples.size());
  WriteResultFiles();
  run_journal.Finish();
  ResetProgramState();
  return journal_modes;
}

const std::string kTrial = "SBJ0000_20160305_090702.csv";
const std::string kBody = "SBJ0000_20160305_090702_B.csv";
const std::string kTiming = "SBJ0000_20160305_090702_T.csv";
const std::string kRecord = "SBJ0000_20160305_090702_run.json";

struct ModeCase {
  const char* name;
  mode_t umask;
  bool rescued;  // the working folder takes neither the files nor the journal
};

class RunFileModesTest : public ScratchDirTest, public ::testing::WithParamInterface<ModeCase> {
 protected:
  void TearDown() override {
    ::umask(old_umask_);
    ScratchDirTest::TearDown();
  }
  mode_t old_umask_ = ::umask(022);
};

TEST_P(RunFileModesTest, EveryFileAndFolderOfTheRunIsForTheUserAlone) {
  if (GetParam().rescued) {
    fs::create_directories(work_ / kTrial);                      // the trial file cannot be made
    WriteFile(work_ / ".tavelin2-journal", "not a folder");  // nor the journal folder
  }
  ::umask(GetParam().umask);
  const std::string journal_modes = RunWhole();
  ::umask(022);

  EXPECT_EQ(journal_modes, "0700 0600");
  std::map<std::string, std::string> expected;
  const std::string at = GetParam().rescued ? "home/Tavelin2-rescue/" : "work/";
  for (const std::string& name : {kTrial, kBody, kTiming, kRecord}) expected[at + name] = "0600";
  expected["work/Tavelin2.ini"] = "0600";
  expected["work"] = "0755";  // made by the test
  expected["home"] = "0755";
  if (GetParam().rescued) {
    expected["home/Tavelin2-rescue"] = "0700";
    expected["work/" + kTrial] = "0755";
    expected["work/.tavelin2-journal"] = "0644";
  }
  EXPECT_EQ(Modes(root_), expected);
}

INSTANTIATE_TEST_SUITE_P(Umasks, RunFileModesTest,
                         ::testing::Values(ModeCase{"Umask000InPlace", 0, false},
                                           ModeCase{"Umask022InPlace", 022, false},
                                           ModeCase{"Umask000Rescued", 0, true},
                                           ModeCase{"Umask022Rescued", 022, true}),
                         [](const auto& info) { return std::string(info.param.name); });

// A lab group: a plain account in it (root could write any group) names it in
// Tavelin2.ini; its run's files are readable by the group, its journal is not.
class SharedRunTest : public ScratchDirTest {
 protected:
  void SetUp() override {
    ScratchDirTest::SetUp();
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as a plain account";
    const group* lab = ::getgrnam("users");
    if (lab == nullptr) GTEST_SKIP() << "no group \"users\"";
    lab_ = lab->gr_gid;
    user_ = UnusedId();
    ::chmod(root_.c_str(), 0755);
    for (const fs::path& p : {root_, work_, home_}) ASSERT_EQ(::chown(p.c_str(), user_, user_), 0);
  }
  // SetShareGroup's answer and the journal's modes, as the account in the lab group.
  std::string RunAsLabMember(const std::string& share_group, bool rescued) {
    const std::string work = work_, home = home_;
    const auto out = AsAccount(user_, user_, {lab_}, [=] {
      ::umask(022);
      if (::chdir(work.c_str()) != 0) return std::string("chdir");
      if (rescued) ::mkdir(kTrial.c_str(), 0755);
      std::ofstream("Tavelin2.ini") << "share_group = " << share_group << "\r\n";
      std::string messages;
      SetMessageBoxHandler(
          [&](const std::string& text, const std::string&, uint32_t) { messages += text + "\n"; });
      const std::string journal = RunWhole();
      return journal + "\n" + messages;
    });
    EXPECT_TRUE(out.has_value());
    return out.value_or("");
  }
  gid_t lab_ = 0;
  uid_t user_ = 0;
};

TEST_F(SharedRunTest, TheRunsFilesAreTheGroupsTooItsJournalIsNot) {
  const std::string out = RunAsLabMember("users", /*rescued=*/true);
  EXPECT_EQ(out.substr(0, out.find('\n')), "0700 0600");
  const std::string lab = " " + std::to_string(lab_), own = " " + std::to_string(user_);
  std::map<std::string, std::string> expected{
      {"work", "0755" + own},
      {"home", "0755" + own},
      {"work/" + kTrial, "0755" + own},          // made by the test: the run goes to rescue
      {"work/Tavelin2.ini", "0644" + own},       // the lab's file keeps its mode
      {"home/Tavelin2-rescue", "0750" + lab}};  // made for the group too
  for (const std::string& name : {kTrial, kBody, kTiming, kRecord})
    expected["home/Tavelin2-rescue/" + name] = "0640" + lab;
  EXPECT_EQ(Modes(root_, /*group=*/true), expected);
  EXPECT_NE(ReadFile(work_ / "Tavelin2.ini").find("share_group = users\r\n"), std::string::npos)
      << "the setting was kept";
}

struct GroupCase {
  const char* name;
  const char* share_group;
  const char* refusal;  // "" when the group is taken
};

class ShareGroupTest : public SharedRunTest, public ::testing::WithParamInterface<GroupCase> {};

TEST_P(ShareGroupTest, AGroupThatCannotBeUsedIsReportedAndTheFilesStayPrivate) {
  const std::string out = RunAsLabMember(GetParam().share_group, /*rescued=*/false);
  const std::string refusal = GetParam().refusal;
  const std::string modes = refusal.empty() ? "0640" : "0600";
  EXPECT_EQ(Modes(root_)["work/" + kTrial], modes);
  if (refusal.empty()) {
    EXPECT_EQ(out, "0700 0600\n");
  } else {
    EXPECT_EQ(out, "0700 0600\n" + ShareGroupRefusedMessage(GetParam().share_group, refusal) +
                       "\n");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Groups, ShareGroupTest,
    ::testing::Values(GroupCase{"LabGroup", "users", ""},
                      GroupCase{"NoSuchGroup", "no-such-lab-group",
                                "there is no group \"no-such-lab-group\""},
                      GroupCase{"NotAMember", "root",
                                "this account is not a member of the group \"root\""}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace results_test
