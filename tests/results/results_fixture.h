#pragma once
// Shared by the result file tests: the fixture records (the same values as
// make_golden.py), a scratch working directory with its own HOME, and a
// recording message box.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "results/result_format.h"
#include "state/message_box.h"
#include "state/records.h"

namespace results_test {

namespace fs = std::filesystem;

inline const LocalDateTime kFixtureStart{2016, 3, 5, 9, 7, 2, 123};

inline std::vector<TrialRecord> FixtureTrials() {
  return {
      {0, 1, 0, 72057594, 2, 100, 200, 1, 300, 310, 3, 320, 330, "Hand_R", 4567, 0},
      {1, 1, 1, -2147483647, 3, 64, 476, 0, -1, -1, 2, 70, 480, "Hand_R", 1203, 1203},
      {2, 0, 1, INT32_MIN, 0, 895, 64, 2, 890, 60, 0, 5, 7, "Foot_L", -3, 2250},
  };
}

inline BodySample MakeSample(std::initializer_list<int32_t> head7, int32_t joint_base,
                             bool untracked = false) {
  int32_t fields[41];
  std::copy(head7.begin(), head7.end(), fields);
  for (int k = 0; k < 34; ++k) fields[7 + k] = untracked ? -1 : joint_base + k;
  BodySample s;
  std::memcpy(&s, fields, sizeof s);
  return s;
}

inline std::vector<BodySample> FixtureSamples() {
  return {
      MakeSample({1, 33, 0, 2, 100, 200, 11}, 0),
      MakeSample({2, 33, 0, 2, 100, 200, -12}, 100),
      MakeSample({3, 66, 1, 3, 64, 476, 11}, 0, /*untracked=*/true),
      MakeSample({4, 99, 1, 3, 64, 476, INT32_MAX}, INT32_MIN),
  };
}

inline std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string Golden(const std::string& name) {
  const char* source = std::getenv("T2_SOURCE_DIR");
  const fs::path dir = source != nullptr ? fs::path(source) / "tests/results/golden"
                                         : fs::path(__FILE__).parent_path() / "golden";
  const std::string text = ReadFile(dir / name);
  EXPECT_FALSE(text.empty()) << "golden file missing: " << (dir / name);
  return text;
}

// Names of the regular files and folders directly in `dir`, sorted.
inline std::vector<std::string> Entries(const fs::path& dir) {
  std::vector<std::string> names;
  if (!fs::exists(dir)) return names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// The two files of a run whose records are made by `trial_at` and `sample_at`
// from their positions, as a fresh run of the fixture's subject and start
// writes them.
template <typename TrialAt, typename SampleAt>
std::pair<std::string, std::string> ExpectedRunFiles(int32_t trials, TrialAt trial_at,
                                                     int32_t samples, SampleAt sample_at) {
  std::vector<TrialRecord> trial_records;
  for (int32_t i = 0; i < trials; ++i) trial_records.push_back(trial_at(i));
  std::vector<BodySample> body_samples;
  for (int32_t i = 0; i < samples; ++i) body_samples.push_back(sample_at(i));
  std::string trial_file(kTrialFileHeader), body_file(kBodyFileHeader);
  AppendTrialRows(trial_file, "SBJ0000", kFixtureStart, trial_records);
  AppendBodyRows(body_file, body_samples);
  return {trial_file, body_file};
}

struct Message {
  std::string text, caption;
  uint32_t style;
};

// The messages as the experimenter reads them, written out here on purpose:
// the path in them is how the data is found again.
inline std::string ExpectedRescueMessage(const fs::path& file) {
  return "データファイルを作業フォルダに書き込めなかったため、次の場所に保存しました。\n" +
         file.string();
}

// The four files of the fixture run (subject SBJ0000, started 2016-03-05
// 09:07:02) in `folder`, in the order they are written.
inline std::vector<fs::path> FixtureRunFiles(const fs::path& folder) {
  return {folder / "SBJ0000_20160305_090702.csv", folder / "SBJ0000_20160305_090702_B.csv",
          folder / "SBJ0000_20160305_090702_T.csv", folder / "SBJ0000_20160305_090702_run.json"};
}

// A run whose files had to go to a rescue folder together.
inline std::string ExpectedRescuedFilesMessage(const std::vector<fs::path>& files) {
  std::string list;
  for (const fs::path& file : files) list += "\n" + file.string();
  return "データファイルをすべては作業フォルダに書き込めなかったため、この実行のファイルをまとめて"
         "次の場所に保存しました。" +
         list;
}

inline std::string ExpectedDataNotWrittenMessage() {
  return "データファイルをどこにも保存できませんでした。";
}

inline std::string ExpectedDataKeptInJournalMessage(const fs::path& journal) {
  return "データファイルをどこにも保存できませんでした。記録は次のファイルに残っています。"
         "次回の起動時に書き出します。\n" +
         journal.string();
}

// The message of a recovered fixture run whose four files went to `folder`.
inline std::string ExpectedRecoveredRunMessage(const fs::path& folder) {
  return "前回の実行は正常に終了しませんでした。記録を次のファイルに書き出しました。\n" +
         (folder / "SBJ0000_20160305_090702.csv").string() + "\n" +
         (folder / "SBJ0000_20160305_090702_B.csv").string() + "\n" +
         (folder / "SBJ0000_20160305_090702_T.csv").string() + "\n" +
         (folder / "SBJ0000_20160305_090702_run.json").string();
}

inline std::string ExpectedRunKeptInJournalMessage(const fs::path& journal) {
  return "前回の実行は正常に終了しませんでした。記録を書き出せませんでした。"
         "記録は次のファイルに残っています。次回の起動時にもう一度書き出します。\n" +
         journal.string();
}

// Each test runs in a fresh working directory with HOME inside it, so rescue
// folders land in the scratch area too; message boxes are recorded.
class ScratchDirTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/t2-results-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    root_ = pattern;
    work_ = root_ / "work";
    home_ = root_ / "home";
    fs::create_directories(work_);
    fs::create_directories(home_);
    old_cwd_ = fs::current_path();
    fs::current_path(work_);
    const char* home = std::getenv("HOME");
    old_home_ = home != nullptr ? home : "";
    ::setenv("HOME", home_.c_str(), 1);
    old_handler_ = SetMessageBoxHandler(
        [this](const std::string& text, const std::string& caption, uint32_t style) {
          messages_.push_back({text, caption, style});
        });
  }

  void TearDown() override {
    SetMessageBoxHandler(old_handler_);
    ::setenv("HOME", old_home_.c_str(), 1);
    fs::current_path(old_cwd_);
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }

  fs::path rescue_dir() const { return home_ / "Tavelin2-rescue"; }

  std::vector<std::string> MessageTexts() const {
    std::vector<std::string> texts;
    for (const Message& m : messages_) texts.push_back(m.text);
    return texts;
  }

  fs::path root_, work_, home_;
  std::vector<Message> messages_;

 private:
  fs::path old_cwd_;
  std::string old_home_;
  MessageBoxHandler old_handler_;
};

}  // namespace results_test
