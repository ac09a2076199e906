// Writing the whole set into a folder, as make_stimuli does.
#include <gtest/gtest.h>

#include <unistd.h>
#include <QImage>
#include <filesystem>
#include <fstream>

#include "stimulus_set.h"

namespace {

namespace fs = std::filesystem;

class StimulusSetFolder : public testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("t2_stimset_" + std::to_string(::getpid()));
    fs::remove_all(root_);
  }
  void TearDown() override { fs::remove_all(root_); }
  fs::path root_;
};

TEST_F(StimulusSetFolder, WritesEveryFileTheProgramLoadsIntoANewFolder) {
  const fs::path dir = root_ / "nested" / "stim";
  std::string error;
  ASSERT_TRUE(stimuli::WriteStimulusSet(dir, error)) << error;
  for (const char* name :
       {"balloon0.png", "balloon1.png", "balloon2.png", "balloon3.png", "bomb.png", "bomb.wav"}) {
    EXPECT_TRUE(fs::is_regular_file(dir / name)) << name;
  }
  EXPECT_FALSE(QImage(QString::fromStdString((dir / "bomb.png").string())).isNull());
}

TEST_F(StimulusSetFolder, NamesWhatCouldNotBeWritten) {
  fs::create_directories(root_);
  const fs::path not_a_folder = root_ / "stim";
  std::ofstream(not_a_folder) << "a file in the way";
  std::string error;
  EXPECT_FALSE(stimuli::WriteStimulusSet(not_a_folder, error));
  EXPECT_NE(error.find(not_a_folder.string()), std::string::npos) << error;
}

}  // namespace
