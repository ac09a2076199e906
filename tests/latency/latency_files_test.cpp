// The latency test's file (rows, header, summary line, made for the user
// alone), the tests kept per device, and the run record's latency_test.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "latency/latency_file.h"
#include "results/latency_tests.h"
#include "results/result_file_names.h"
#include "results/run_record.h"

namespace fs = std::filesystem;

namespace {

constexpr int64_t kMs = 1'000'000;

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

class LatencyFilesTest : public testing::Test {
 protected:
  void SetUp() override {
    dir_ =
        fs::temp_directory_path() / ("tavelin2-latency-" + std::to_string(::getpid()) + "-" +
                                     testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    ::umask(old_umask_);
    fs::remove_all(dir_);
  }
  mode_t ModeOf(const fs::path& p) const {
    struct stat st {};
    EXPECT_EQ(::stat(p.c_str(), &st), 0) << p;
    return st.st_mode & 07777;
  }
  fs::path dir_;
  mode_t old_umask_ = ::umask(0);  // the widest: the file must still be the user's alone
};

TEST_F(LatencyFilesTest, RowsHeaderAndSummaryLine) {
  const int64_t origin = 5'000 * kMs;
  FlashResult seen;
  seen.flip_ns = origin + 1'500'250'000;  // 1500.25 ms
  seen.seen = true;
  seen.first_bright_ns = seen.flip_ns + 52'340'000;
  seen.last_dark_ns = seen.first_bright_ns - 33'333'333;
  FlashResult unseen;
  unseen.flip_ns = origin + 2'600 * kMs;
  FlashResult never_shown;  // flip 0
  const std::vector<FlashResult> results = {seen, unseen, never_shown};
  EXPECT_EQ(LatencyFileRows(results, origin),
            "1,1500.2,1552.6,1519.3,52.3\r\n"
            "2,2600.0,-1,-1,-1\r\n"
            "3,-1,-1,-1,-1\r\n");
  EXPECT_STREQ(kLatencyFileHeader, "Flash,Flip,FirstBright,LastDark,Delay\r\n");

  LatencySummary s;
  s.flashes = 50;
  s.seen = 48;
  s.mean_ms = 56.26;
  s.median_ms = 55.04;
  s.min_ms = 40.0;
  s.sd_ms = 9.71;
  EXPECT_EQ(LatencySummaryLine(s),
            "latency: n 48, mean 56.3 ms, median 55.0 ms, min 40.0 ms, sd 9.7 ms, missed 2");
  EXPECT_EQ(LatencyFileName(LocalDateTime{2026, 12, 1, 9, 5, 7, 0}), "latency_20261201_090507.csv");
}

TEST_F(LatencyFilesTest, FileIsNewAndTheUsersAlone) {
  std::string problem;
  const std::string path =
      WriteLatencyFile(dir_.string(), "latency_x.csv", "1,2,3,4,5\r\n", &problem);
  ASSERT_EQ(path, (dir_ / "latency_x.csv").string()) << problem;
  EXPECT_EQ(ReadAll(path), std::string(kLatencyFileHeader) + "1,2,3,4,5\r\n");
  EXPECT_EQ(ModeOf(path), 0600u);
  // An existing file (or link) of that name is never written through.
  fs::create_symlink(dir_ / "elsewhere.csv", dir_ / "latency_y.csv");
  EXPECT_EQ(WriteLatencyFile(dir_.string(), "latency_x.csv", "9\r\n", &problem), "");
  EXPECT_FALSE(problem.empty());
  EXPECT_EQ(WriteLatencyFile(dir_.string(), "latency_y.csv", "9\r\n", &problem), "");
  EXPECT_FALSE(fs::exists(dir_ / "elsewhere.csv"));
  EXPECT_EQ(ReadAll(path), std::string(kLatencyFileHeader) + "1,2,3,4,5\r\n");
}

LatencyTestRecord Record(const std::string& device, double mean) {
  return LatencyTestRecord{"2026-12-11T01:02:03.000+01:00",
                           device,
                           "latency_1.csv",
                           50,
                           0,
                           mean,
                           mean - 1,
                           mean - 16,
                           9.6};
}

TEST_F(LatencyFilesTest, NewestTestKeptPerDevice) {
  const std::string path = (dir_ / kLatencyTestsFileName).string();
  std::string problem;
  EXPECT_FALSE(FindLatencyTest(path, "sim", &problem));
  EXPECT_EQ(problem, "") << "a missing file is no problem";

  ASSERT_TRUE(KeepLatencyTest(path, Record("/dev/video0", 80), &problem)) << problem;
  ASSERT_TRUE(KeepLatencyTest(path, Record("sim", 56.25), &problem)) << problem;
  ASSERT_TRUE(KeepLatencyTest(path, Record("/dev/video0", 95), &problem)) << problem;
  EXPECT_EQ(ModeOf(path), 0600u);

  const auto camera = FindLatencyTest(path, "/dev/video0");
  ASSERT_TRUE(camera);
  EXPECT_DOUBLE_EQ(camera->mean_ms, 95);
  const auto sim = FindLatencyTest(path, "sim");
  ASSERT_TRUE(sim);
  EXPECT_DOUBLE_EQ(sim->mean_ms, 56.3);  // kept to a tenth
  EXPECT_EQ(sim->n, 50);
  EXPECT_EQ(sim->file, "latency_1.csv");
  EXPECT_FALSE(FindLatencyTest(path, "/dev/video1"));
  const auto file = nlohmann::json::parse(ReadAll(path));
  EXPECT_EQ(file["format"], kLatencyTestsFormat);
  EXPECT_EQ(file["tests"].size(), 2u);
}

TEST_F(LatencyFilesTest, AFileThatCannotBeReadIsNotReplaced) {
  const fs::path path = dir_ / kLatencyTestsFileName;
  for (const std::string& content : {std::string("{not json"), std::string("[1, 2]")}) {
    SCOPED_TRACE(content);
    std::ofstream(path, std::ios::binary) << content;
    std::string problem;
    EXPECT_FALSE(FindLatencyTest(path.string(), "sim", &problem));
    EXPECT_NE(problem, "");
    EXPECT_FALSE(KeepLatencyTest(path.string(), Record("sim", 50), &problem));
    EXPECT_EQ(ReadAll(path), content);
  }
}

TEST_F(LatencyFilesTest, RunRecordNamesTheTestOrNull) {
  RunRecordHead head;
  head.sensor.backend = "sim";
  auto json = nlohmann::json::parse(RunRecordHeadJson(head));
  ASSERT_TRUE(json.contains("latency_test"));
  EXPECT_TRUE(json["latency_test"].is_null());

  head.latency_test = Record("sim", 56.25);
  json = nlohmann::json::parse(RunRecordHeadJson(head));
  const auto& t = json["latency_test"];
  EXPECT_EQ(t["date"], "2026-12-11T01:02:03.000+01:00");
  EXPECT_EQ(t["device"], "sim");
  EXPECT_EQ(t["n"], 50);
  EXPECT_EQ(t["mean"], 56.3);
  EXPECT_EQ(t["median"], 55.3);
  EXPECT_EQ(t["min"], 40.3);
  EXPECT_EQ(t["sd"], 9.6);
  EXPECT_EQ(t["missed"], 0);

  SensorDescription camera;
  camera.backend = "camera";
  camera.device = "/dev/video2";
  EXPECT_EQ(LatencyDeviceName(camera), "/dev/video2");
  EXPECT_EQ(LatencyDeviceName(head.sensor), "sim");
}

}  // namespace
