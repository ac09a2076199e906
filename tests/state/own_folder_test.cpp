// Opening the files and folders a run writes: what is taken and what is
// refused, with the reason. As root every file would be "ours", so another
// account's file is one handed to an unused uid.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "state/message_box.h"
#include "state/own_folder.h"
#include "temp_workdir.h"

namespace {

namespace fs = std::filesystem;

constexpr uid_t kSomeoneElse = 54399;

class OwnFolderTest : public TempWorkdir {
 protected:
  void SetUp() override {
    TempWorkdir::SetUp();
    previous_ = SetMessageBoxHandler(
        [this](const std::string& text, const std::string&, uint32_t) { messages_ += text; });
    folder_ = OpenFolder(dir_.string()).fd;
    ASSERT_TRUE(folder_.valid());
  }
  void TearDown() override {
    SetMessageBoxHandler(previous_);
    TempWorkdir::TearDown();
  }
  MessageBoxHandler previous_;
  std::string messages_;
  UniqueFd folder_;
};

struct ExistingFile {
  const char* name;
  std::function<void()> make;  // makes "data.csv" in the working directory
  int error;                   // of OpenOwnFileIn; 0: opened
};

class ExistingFileTest : public OwnFolderTest, public ::testing::WithParamInterface<ExistingFile> {};

TEST_P(ExistingFileTest, IsAppendedToOnlyWhenItIsTheUsersOwnRegularFile) {
  GetParam().make();
  errno = 0;
  const UniqueFd fd = OpenOwnFileIn(folder_.get(), "data.csv", O_WRONLY | O_APPEND);
  EXPECT_EQ(fd.valid(), GetParam().error == 0);
  EXPECT_EQ(errno, GetParam().error);
  if (fd.valid()) EXPECT_EQ(::fcntl(fd.get(), F_GETFL) & O_NONBLOCK, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Files, ExistingFileTest,
    ::testing::Values(
        ExistingFile{"OwnFile", [] { std::ofstream("data.csv") << "x"; }, 0},
        ExistingFile{"LinkToOwnFile",
                     [] {
                       std::ofstream("thesis.txt") << "x";
                       fs::create_symlink("thesis.txt", "data.csv");
                     },
                     ELOOP},
        ExistingFile{"SecondLinkToOwnFile",
                     [] {
                       std::ofstream("thesis.txt") << "x";
                       fs::create_hard_link("thesis.txt", "data.csv");
                     },
                     EPERM},
        ExistingFile{"SomeoneElsesFile",
                     [] {
                       std::ofstream("data.csv") << "x";
                       ASSERT_EQ(::chown("data.csv", kSomeoneElse, kSomeoneElse), 0);
                     },
                     EPERM},
        // No one reads it: refused at once instead of waiting for a reader.
        ExistingFile{"Fifo", [] { ASSERT_EQ(::mkfifo("data.csv", 0600), 0); }, ENXIO},
        ExistingFile{"Folder", [] { fs::create_directory("data.csv"); }, EISDIR}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(OwnFolderTest, ANewFileIsNeverMadeThroughALinkOrOverAFile) {
  fs::create_symlink("elsewhere.txt", "dangling.csv");
  std::ofstream("there.csv") << "x";
  EXPECT_FALSE(CreateFileIn(folder_.get(), "dangling.csv", O_WRONLY, PrivateAccess()).valid());
  EXPECT_EQ(errno, EEXIST);
  EXPECT_FALSE(fs::exists("elsewhere.txt"));
  EXPECT_FALSE(CreateFileIn(folder_.get(), "there.csv", O_WRONLY, PrivateAccess()).valid());
  EXPECT_EQ(errno, EEXIST);
}

struct FolderCase {
  const char* name;
  std::function<void()> make;  // makes "rescue" in the working directory
  const char* refusal;         // "" when the folder is taken
};

class FolderTest : public OwnFolderTest, public ::testing::WithParamInterface<FolderCase> {};

TEST_P(FolderTest, IsTakenOnlyWhenNoOneElseCanChangeIt) {
  GetParam().make();
  const OpenedFolder folder = OpenOwnFolder((dir_ / "rescue").string(), PrivateAccess());
  const std::string refusal = GetParam().refusal;
  EXPECT_EQ(folder.fd.valid(), refusal.empty()) << folder.problem;
  EXPECT_EQ(folder.refused, !refusal.empty());
  if (refusal.empty()) {
    EXPECT_EQ(messages_, "");
  } else {
    EXPECT_EQ(messages_, RefusedFolderMessage((dir_ / "rescue").string(), refusal));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Folders, FolderTest,
    ::testing::Values(
        FolderCase{"Missing", [] {}, ""},
        FolderCase{"OwnPrivate", [] { ::mkdir("rescue", 0700); }, ""},
        FolderCase{"OwnReadableByAll", [] { ::mkdir("rescue", 0755); }, ""},
        FolderCase{"OwnWritableByGroup",
                   [] {
                     ::mkdir("rescue", 0700);
                     ::chmod("rescue", 0770);
                   },
                   "other accounts may write to it (mode 0770)"},
        FolderCase{"SomeoneElses",
                   [] {
                     ::mkdir("rescue", 0700);
                     ASSERT_EQ(::chown("rescue", kSomeoneElse, kSomeoneElse), 0);
                   },
                   "it belongs to another account (uid 54399)"},
        FolderCase{"LinkToOwnFolder",
                   [] {
                     ::mkdir("real", 0700);
                     fs::create_directory_symlink("real", "rescue");
                   },
                   "it is a symbolic link"}),
    [](const auto& info) { return std::string(info.param.name); });

// A folder in another account's folder could be moved away or swapped by it.
TEST_F(OwnFolderTest, AFolderInAnotherAccountsFolderIsRefused) {
  ::mkdir("theirs", 0755);
  ::mkdir("theirs/rescue", 0700);
  ASSERT_EQ(::chown("theirs", kSomeoneElse, kSomeoneElse), 0);
  const std::string path = (dir_ / "theirs/rescue").string();
  EXPECT_FALSE(OpenOwnFolder(path, PrivateAccess()).fd.valid());
  EXPECT_EQ(messages_,
            RefusedFolderMessage(path, "the folder it is in belongs to another account (uid 54399)"));
}

TEST_F(OwnFolderTest, MissingFoldersAreMadeWithTheirParentsForTheUserAlone) {
  const mode_t old_mask = ::umask(0);
  const OpenedFolder folder = OpenOwnFolder((dir_ / "a/b/").string(), PrivateAccess());
  ::umask(old_mask);
  ASSERT_TRUE(folder.fd.valid()) << folder.problem;
  EXPECT_EQ(fs::status(dir_ / "a").permissions(), fs::perms::owner_all);
  EXPECT_EQ(fs::status(dir_ / "a/b").permissions(), fs::perms::owner_all);
}

}  // namespace
