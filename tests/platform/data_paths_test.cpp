// Where the shipped data files are found: the working directory's copy first,
// then the installed one; and how an installed program knows its prefix.

#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <fstream>

#include "platform/data_paths.h"

namespace fs = std::filesystem;

namespace {

void Touch(const fs::path& path) {
  fs::create_directories(path.parent_path());
  std::ofstream(path) << "x";
}

// A scratch folder holding a working directory and an installation, and the
// test running inside the working directory.
class DataPathsTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string dir = (fs::temp_directory_path() / "t2-data-paths-XXXXXX").string();
    ASSERT_NE(::mkdtemp(dir.data()), nullptr);
    root_ = dir;
    work_ = root_ / "work";
    prefix_ = root_ / "usr";
    fs::create_directories(work_);
    fs::create_directories(prefix_ / "bin");
    fs::create_directories(prefix_ / "share/tavelin2");
    old_cwd_ = fs::current_path();
    fs::current_path(work_);
  }
  void TearDown() override {
    fs::current_path(old_cwd_);
    fs::remove_all(root_);
  }
  std::string DataDir() const { return (prefix_ / "share/tavelin2").string(); }

  fs::path root_, work_, prefix_, old_cwd_;
};

TEST_F(DataPathsTest, WorkingDirectoryWinsThenTheInstalledCopy) {
  struct Case {
    bool in_work, installed;
    const char* expect;  // "work", "installed" or "none"
  };
  const Case cases[] = {{true, true, "work"},
                        {true, false, "work"},
                        {false, true, "installed"},
                        {false, false, "none"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "in_work=" << c.in_work << " installed=" << c.installed);
    fs::remove_all(work_ / "stim");
    fs::remove_all(prefix_ / "share/tavelin2/stim");
    if (c.in_work) Touch(work_ / "stim/balloon0.png");
    if (c.installed) Touch(prefix_ / "share/tavelin2/stim/balloon0.png");

    const DataFile f = FindDataFileIn("stim/balloon0.png", DataDir());
    const std::string expect = c.expect;
    EXPECT_EQ(f.found, expect != "none");
    if (expect == "installed") {
      EXPECT_EQ(f.path, (prefix_ / "share/tavelin2/stim/balloon0.png").string());
    } else {
      EXPECT_EQ(f.path, "stim/balloon0.png");  // the working directory's, or the name as given
    }
  }
}

TEST_F(DataPathsTest, AFolderOfTheNameIsNoFile) {
  fs::create_directories(work_ / "stim/bomb.wav");
  Touch(prefix_ / "share/tavelin2/stim/bomb.wav");
  EXPECT_EQ(FindDataFileIn("stim/bomb.wav", DataDir()).path,
            (prefix_ / "share/tavelin2/stim/bomb.wav").string());
  EXPECT_FALSE(FindDataFileIn("stim/bomb.png", "").found);
}

TEST_F(DataPathsTest, MissingFilesAreNamedInTheirOrder) {
  // The test program is not installed: only the working directory counts.
  ASSERT_EQ(InstalledDataDir(), "");
  Touch(work_ / "stim/balloon1.png");
  Touch(work_ / "stim/bomb.wav");
  const std::array<const char*, 4> names = {"stim/balloon0.png", "stim/balloon1.png",
                                            "stim/bomb.png", "stim/bomb.wav"};
  EXPECT_EQ(MissingDataFiles(names),
            (std::vector<std::string>{"stim/balloon0.png", "stim/bomb.png"}));
}

TEST_F(DataPathsTest, TheNoteNamesOnlyInstalledCopies) {
  Touch(work_ / "stim/balloon0.png");
  Touch(prefix_ / "share/tavelin2/stim/balloon0.png");
  Touch(prefix_ / "share/tavelin2/stim/bomb.wav");
  const std::array<const char*, 3> names = {"stim/balloon0.png", "stim/bomb.wav", "stim/bomb.png"};
  EXPECT_EQ(InstalledCopiesNote(names, DataDir()),
            "installed copies used (no stim/bomb.wav in the working directory): " + DataDir() +
                "/stim/bomb.wav");
  EXPECT_EQ(InstalledCopiesNote(std::span(names).first(1), DataDir()), "");
}

TEST_F(DataPathsTest, InstallPrefixNeedsBinAndTheDataFolder) {
  EXPECT_EQ(InstallPrefixOf((prefix_ / "bin/tavelin2").string()), prefix_.string());
  // A build tree: the executable is not in a bin/ folder.
  EXPECT_EQ(InstallPrefixOf((root_ / "build/src/app/tavelin2").string()), "");
  // bin/ without share/tavelin2 beside it (a copy dropped into ~/bin, say).
  fs::create_directories(root_ / "home/bin");
  EXPECT_EQ(InstallPrefixOf((root_ / "home/bin/tavelin2").string()), "");
}

}  // namespace
