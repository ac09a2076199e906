// Another account on the same computer gets nothing of a run: the rescue
// folder it made first under the name the run will use (with links named like
// the run's files, aimed at the user's own files and at a place it can read)
// is refused by name, the user's files stay as they were, and the run's files
// are complete in the user's own rescue folder, where the other account
// cannot read them. Needs root (to act as two plain accounts); skipped
// otherwise.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <sstream>

#include "as_account.h"
#include "results/result_file_names.h"
#include "results/timing_format.h"
#include "results/run_journal.h"
#include "results/run_results.h"
#include "results_fixture.h"
#include "state/message_box.h"

namespace results_test {
namespace {

const char* const kRunFiles[] = {"SBJ0000_20160305_090702.csv", "SBJ0000_20160305_090702_B.csv",
                                 "SBJ0000_20160305_090702_T.csv",
                                 "SBJ0000_20160305_090702_run.json"};

// What the other account made before the run, in the place of the rescue
// folder the run tries first.
enum class Plant {
  kItsOwnFolder,         // a folder of its own, open to all, with the links in it
  kLinkToItsFolder,      // a link named like the folder, to such a folder
  kUsersFolderOpenToAll  // the user's own folder, left writable by all, with its links in it
};

struct AttackCase {
  const char* name;
  Plant plant;
  const char* reason;  // in the message that names the refused folder
};

class OtherAccountTest : public ::testing::TestWithParam<AttackCase> {
 protected:
  void SetUp() override {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as two accounts";
    user_ = UnusedId();
    other_ = UnusedId();
    char pattern[] = "/tmp/t2-accounts-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    root_ = pattern;
    ::chmod(root_.c_str(), 0755);
    shared_tmp_ = root_ / "tmp";  // like /tmp and /var/tmp: anyone may add, only owners remove
    fs::create_directories(shared_tmp_);
    ::chmod(shared_tmp_.c_str(), 01777);
    home_ = root_ / "home";  // readable by all, as many homes are
    fs::create_directories(home_);
    ::chmod(home_.c_str(), 0755);
    work_ = root_ / "work";  // the user may not write here: the run goes to a rescue folder
    fs::create_directories(work_);
    thesis_ = home_ / "thesis.txt";
    other_child_ = home_ / "SBJ0999_20160101_100000_B.csv";
    WriteFile(thesis_, "Chapter 1\n");
    WriteFile(other_child_, "Count,Clock\r\n1,33\r\n");
    for (const fs::path& p : {home_, thesis_, other_child_}) ASSERT_EQ(::chown(p.c_str(), user_, user_), 0);
    ::chmod(thesis_.c_str(), 0600);
    ::chmod(other_child_.c_str(), 0600);
  }
  void TearDown() override {
    std::error_code ignored;
    if (!root_.empty()) fs::remove_all(root_, ignored);
  }

  fs::path taken_rescue() const {
    return shared_tmp_ / ("Tavelin2-rescue-" + std::to_string(user_));
  }
  fs::path own_rescue() const { return home_ / "Tavelin2-rescue"; }
  fs::path loot() const { return shared_tmp_ / "loot"; }  // where the other account reads

  // The other account's preparations: links named like the run's files and
  // its journal folder, to the user's thesis, another child's file and its loot.
  void PlantAsOtherAccount(Plant plant) {
    const fs::path rescue = taken_rescue(), thesis = thesis_, other_child = other_child_,
                   loot_dir = loot();
    const uid_t user = user_;
    if (plant == Plant::kUsersFolderOpenToAll) {
      fs::create_directories(rescue);
      ASSERT_EQ(::chown(rescue.c_str(), user, user), 0);
      ::chmod(rescue.c_str(), 0777);
    }
    const auto done = AsAccount(other_, other_, {}, [=]() -> std::string {
      ::umask(0);
      if (::mkdir(loot_dir.c_str(), 0777) != 0) return "loot";
      const fs::path links = plant == Plant::kLinkToItsFolder ? loot_dir / "links" : rescue;
      if (plant != Plant::kUsersFolderOpenToAll && ::mkdir(links.c_str(), 0777) != 0) return "dir";
      if (plant == Plant::kLinkToItsFolder && ::symlink(links.c_str(), rescue.c_str()) != 0)
        return "link";
      const fs::path targets[] = {thesis, other_child, loot_dir / "timing.csv", loot_dir / "run.json"};
      for (size_t i = 0; i < std::size(kRunFiles); ++i)
        if (::symlink(targets[i].c_str(), (links / kRunFiles[i]).c_str()) != 0) return kRunFiles[i];
      if (::symlink(loot_dir.c_str(), (links / "journal").c_str()) != 0) return "journal";
      return "planted";
    });
    ASSERT_EQ(done, "planted");
  }

  // The run as the user: journalled from the start, its files written at the end.
  // The messages it showed, one a line.
  std::string RunAsUser() {
    const std::string work = work_, home = home_, taken = taken_rescue(), own = own_rescue();
    const auto messages = AsAccount(user_, user_, {}, [=] {
      ::umask(022);
      ::setenv("HOME", home.c_str(), 1);
      if (::chdir(work.c_str()) != 0) return std::string("chdir");
      std::string shown;
      SetMessageBoxHandler(
          [&](const std::string& text, const std::string&, uint32_t) { shown += text + "\n"; });
      const std::vector<TrialRecord> trials = FixtureTrials();
      const std::vector<BodySample> samples = FixtureSamples();
      RunJournal journal({work + "/.tavelin2-journal", taken + "/journal", own + "/journal"});
      if (!journal.Begin("SBJ0000", kFixtureStart, work)) return std::string("no journal");
      shown += "journal: " + journal.path() + "\n";
      for (size_t i = 0; i < trials.size(); ++i) journal.OnTrialStored(int32_t(i), trials[i]);
      for (size_t i = 0; i < samples.size(); ++i) journal.OnSampleStored(int32_t(i), samples[i]);
      WriteRunResults({"SBJ0000", kFixtureStart, trials, samples}, {work, {taken, own}}, &journal);
      journal.Finish();
      return shown;
    });
    EXPECT_TRUE(messages.has_value()) << "the run as the user did not finish";
    return messages.value_or("");
  }

  // Every name below `dir` (links not followed), with the size of each file.
  static std::vector<std::string> Tree(const fs::path& dir) {
    std::vector<std::string> out;
    for (const auto& e : fs::recursive_directory_iterator(dir)) {
      std::string line = fs::relative(e.path(), dir).string();
      if (e.is_regular_file() && !e.is_symlink()) line += " " + std::to_string(e.file_size());
      out.push_back(line);
    }
    std::sort(out.begin(), out.end());
    return out;
  }

  // What the other account can read of `paths` (each that opens for reading).
  std::vector<std::string> ReadableByOtherAccount(const std::vector<fs::path>& paths) {
    const auto readable = AsAccount(other_, other_, {}, [&] {
      std::string out;
      for (const fs::path& p : paths) {
        if (::access(p.c_str(), R_OK) == 0) out += p.string() + "\n";
      }
      return out;
    });
    EXPECT_TRUE(readable.has_value());
    std::vector<std::string> lines;
    std::istringstream in(readable.value_or(""));
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }

  uid_t user_ = 0, other_ = 0;
  fs::path root_, shared_tmp_, home_, work_, thesis_, other_child_;
};

TEST_P(OtherAccountTest, ItsRescueFolderGetsNothingAndTheRunIsWholeInTheUsersOwn) {
  PlantAsOtherAccount(GetParam().plant);
  const std::vector<std::string> planted = Tree(shared_tmp_);

  const std::string messages = RunAsUser();

  // The user's files are as they were; the other account's places got nothing.
  EXPECT_EQ(ReadFile(thesis_), "Chapter 1\n");
  EXPECT_EQ(ReadFile(other_child_), "Count,Clock\r\n1,33\r\n");
  EXPECT_EQ(Tree(shared_tmp_), planted);
  EXPECT_NE(messages.find("journal: " + (own_rescue() / "journal").string() + "/"),
            std::string::npos)
      << messages;
  // The experimenter is told which folder was refused and why.
  EXPECT_NE(messages.find(taken_rescue().string()), std::string::npos) << messages;
  EXPECT_NE(messages.find(GetParam().reason), std::string::npos) << messages;
  // The run is complete in the user's own rescue folder, and the journal gone.
  EXPECT_EQ(ReadFile(own_rescue() / kRunFiles[0]), Golden("trial_fresh.csv"));
  EXPECT_EQ(ReadFile(own_rescue() / kRunFiles[1]), Golden("body_fresh.csv"));
  EXPECT_EQ(ReadFile(own_rescue() / kRunFiles[2]).rfind(kTimingFileHeader, 0), 0u);
  EXPECT_EQ(ReadFile(own_rescue() / kRunFiles[3]).rfind("{", 0), 0u);
  EXPECT_EQ(Entries(own_rescue()),
            (std::vector<std::string>{kRunFiles[0], kRunFiles[1], kRunFiles[2], kRunFiles[3]}));
  // ... where the other account can read none of them.
  std::vector<fs::path> run_paths{own_rescue()};
  for (const char* name : kRunFiles) run_paths.push_back(own_rescue() / name);
  EXPECT_EQ(ReadableByOtherAccount(run_paths), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(
    Plants, OtherAccountTest,
    ::testing::Values(
        AttackCase{"ItsOwnFolder", Plant::kItsOwnFolder, "belongs to another account"},
        AttackCase{"LinkToItsFolder", Plant::kLinkToItsFolder, "is a symbolic link"},
        AttackCase{"UsersFolderOpenToAll", Plant::kUsersFolderOpenToAll,
                   "other accounts may write to it (mode 0777)"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace results_test
